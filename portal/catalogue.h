// The catalogue document the application server hands out.
//
// Read once from the data folder when the portal starts: every element below
// the root that names an "icon" gets "iconMd5", the MD5 of that icon file as it
// is on disk at that moment.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace portal {

// The origin written in the demo data for the stand-in's own pages; on serving
// it becomes the origin the request reached the portal by.
inline constexpr std::string_view kDataOrigin = "http://127.0.0.1:8737";

struct Catalogue {
    std::string document;  // UTF-8 XML text, with its declaration
    // Caption of each application by the path of its page on this portal
    // ("/web/apps/notice.html"), for the generic application page.
    std::map<std::string, std::string> page_captions;
    // Icons named by the document that could not be read (their iconMd5 is empty).
    std::vector<std::string> missing_icons;
    bool loaded = false;
    std::string error;  // why the document could not be read
};

// Reads the document at document_path; icon paths are relative to icon_folder.
Catalogue LoadCatalogue(const std::string& document_path, const std::string& icon_folder);

// The document with the stand-in's own origin replaced by origin.
std::string CatalogueForOrigin(const Catalogue& catalogue, std::string_view origin);

}  // namespace portal
