// The catalogue document as the application server sends it: parsed, judged
// as a catalogue, and every option text built from what was read.
#include <cstdint>
#include <string>
#include <string_view>

#include "client/catalogue/catalogue_document.h"
#include "client/catalogue/catalogue_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    quorvi::CatalogueDocument document;
    if (quorvi::ParseCatalogueDocument(xml, document)) {
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
