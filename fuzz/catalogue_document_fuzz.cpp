// The catalogue document as the application server sends it: parsed, judged
// as a catalogue, and every option text built from what was read. A document
// read without TinyXML's tree must read as TinyXML reads it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "client/catalogue/catalogue_document.h"
#include "client/catalogue/catalogue_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    quorvi::CatalogueDocument document, tree;
    const bool parsed = quorvi::ParseCatalogueDocument(xml, document);
    if (parsed != quorvi::ParseCatalogueDocumentWithTinyXml(xml, tree) || !(document == tree))
        std::abort();
    if (parsed) {
        for (const auto& group : document.groups) {
            for (const auto& app : group.applications) {
                quorvi::RecommendationForeImage(quorvi::OptionOf(app).foreImage);
                for (const auto& sub : app.subApplications) quorvi::OptionOf(sub);
            }
        }
    }
    std::string reason;
    quorvi::IsReadableCatalogue(xml, reason);
    return 0;
}
