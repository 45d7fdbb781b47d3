#include "portal/catalogue.h"

#include <tinyxml.h>

#include <fstream>
#include <iterator>

#include "libmerv/libmerv.h"
#include "platform/xml_nesting.h"
#include "portal/text_util.h"

namespace portal {

namespace {

// An icon path must stay inside the icon folder.
bool IsInsideFolder(std::string_view relative) {
    if (relative.empty() || relative.front() == '/' ||
        relative.find('\\') != std::string_view::npos)
        return false;
    std::size_t at = 0;
    while (at <= relative.size()) {
        std::size_t end = relative.find('/', at);
        if (end == std::string_view::npos) end = relative.size();
        std::string_view part = relative.substr(at, end - at);
        if (part.empty() || part == "..") return false;
        at = end + 1;
    }
    return true;
}

void FillIconDigests(TiXmlElement* parent, const std::string& icon_folder, Catalogue& catalogue) {
    for (TiXmlElement* element = parent->FirstChildElement(); element;
         element = element->NextSiblingElement()) {
        if (const char* icon = element->Attribute("icon")) {
            std::string digest;
            if (IsInsideFolder(icon)) digest = Clibmerv::FileDigest(icon_folder + "/" + icon);
            if (digest.empty()) catalogue.missing_icons.push_back(icon);
            element->SetAttribute("iconMd5", digest);
        }
        const char* caption = element->Attribute("caption");
        const char* address = element->GetText();
        if (caption && address) {
            std::string_view text = address;
            if (text.substr(0, kDataOrigin.size()) == kDataOrigin) {
                std::string path(text.substr(kDataOrigin.size()));
                path = path.substr(0, path.find('?'));
                catalogue.page_captions[path] = caption;
            }
        }
        FillIconDigests(element, icon_folder, catalogue);
    }
}

}  // namespace

Catalogue LoadCatalogue(const std::string& document_path, const std::string& icon_folder) {
    Catalogue catalogue;
    std::ifstream file(document_path, std::ios::binary);
    if (!file) {
        catalogue.error = document_path + ": cannot be read";
        return catalogue;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // TinyXML parses recursively: a document nested too deeply would overflow the stack.
    if (!platform::XmlNestingWithin(text)) {
        catalogue.error = document_path + ": nested deeper than " +
                          std::to_string(platform::kMaxXmlNesting) + " levels";
        return catalogue;
    }
    TiXmlDocument document;
    document.Parse(platform::XmlParseBuffer(text).c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) {
        catalogue.error = document_path + ": " + document.ErrorDesc();
        return catalogue;
    }
    TiXmlElement* root = document.RootElement();
    if (!root) {
        catalogue.error = document_path + ": no root element";
        return catalogue;
    }
    FillIconDigests(root, icon_folder, catalogue);
    TiXmlPrinter printer;
    printer.SetIndent("  ");
    document.Accept(&printer);
    catalogue.document = printer.Str();
    catalogue.loaded = true;
    return catalogue;
}

std::string CatalogueForOrigin(const Catalogue& catalogue, std::string_view origin) {
    std::string document = catalogue.document;
    if (!origin.empty() && origin != kDataOrigin) ReplaceAll(document, kDataOrigin, origin);
    return document;
}

}  // namespace portal
