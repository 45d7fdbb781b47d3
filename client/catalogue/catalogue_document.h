// The catalogue document "apps.xml" read into value records, in document order.
//
// The document nests three levels below a root element whose name and attributes
// are not read: groups, their applications, and the sub-applications of an
// application whose showSubApps is "True" (any letter case). Element names are
// never examined and nodes that are not elements are passed over.
//
// Texts marked GBK have been converted from the document's UTF-8 (Utf8ToAnsi);
// the others are the document's bytes as they stand.
//
// An element that lacks what it needs is left out with its descendants and the
// rest of the document is read: a group needs caption, icon, mark and a numeric
// id; an application needs caption, icon, a numeric id, action and a text
// content; a sub-application holder needs no action and no text. An icon that
// holds a quote is refused, as it would break out of the image description. A numeric id is
// a decimal integer (an optional "-", then digits) that fits in 32 bits, because
// ids are written into the tables as numbers and serve as option tags.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvi {

// UTF-8 to the system's narrow code page (GBK) through UTF-16, any length.
std::string Utf8ToAnsi(std::string_view utf8);

struct CatalogueApplication {
    std::string caption;  // GBK: the option's text, stored as AppName
    std::string icon;     // the option's foreground image file
    std::string id;       // decimal id: option "optLink" + id, stored as AppID
    int tag = 0;          // the id as a number: the option's tag
    std::string action;   // stored as AppAction
    std::string target;   // GBK text content: the address or program to open (user data)
    // The raw appRecommend text when it starts with a number (as "%d" reads it),
    // else "0", which means "not recommended".
    std::string recommendKey = "0";
    bool holdsSubApps = false;                          // showSubApps is "True"
    std::vector<CatalogueApplication> subApplications;  // only for a holder

    // The option's foreground image as shown on a quick bar.
    std::string ForeImage() const;
    // The option's name.
    std::string ControlName() const { return "optLink" + id; }

    bool operator==(const CatalogueApplication&) const = default;
};

struct CatalogueGroup {
    std::string caption;  // GBK: text of the navigation option
    std::string icon;     // image file of the navigation option
    std::string mark;     // GBK: the navigation option is "optNav" + mark
    std::string id;       // decimal id: container "Container" + id, GroupID of its applications
    int tag = 0;          // the id as a number: the navigation option's tag
    std::vector<CatalogueApplication> applications;

    bool operator==(const CatalogueGroup&) const = default;
};

// An element left out, with where it is and why.
struct CatalogueProblem {
    int line = 0;  // line of the element in the document (1-based)
    std::string reason;

    bool operator==(const CatalogueProblem&) const = default;
};

struct CatalogueDocument {
    bool hasRoot = false;  // false: the document holds no element at all
    std::vector<CatalogueGroup> groups;
    std::vector<CatalogueProblem> problems;
    std::string error;  // why a document that could not be read was refused

    bool operator==(const CatalogueDocument&) const = default;
};

// Parses a document held in memory. False when it is not well formed or nests
// deeper than platform::kMaxXmlNesting (`error` says which); a document without
// any element parses to no groups.
bool ParseCatalogueDocument(std::string_view xml, CatalogueDocument& out);
// The same with TinyXML's tree for every document; ParseCatalogueDocument reads
// a document in the plain form (catalogue_scan.h) without one. The two give the
// same result for such a document, which the tests and the fuzz target check.
bool ParseCatalogueDocumentWithTinyXml(std::string_view xml, CatalogueDocument& out);
// Whether a document is a catalogue the client can show: it parses and its root
// holds at least one group the client can read. A page from a captive portal or
// an error page may parse, but holds no such group. Sets `reason` when not.
bool IsReadableCatalogue(std::string_view xml, std::string& reason);
// Reads and parses a file (GBK path). False when it is missing or not well formed.
bool LoadCatalogueDocument(const std::string& path, CatalogueDocument& out);

// The recommendation key of a raw appRecommend text (nullptr when absent).
std::string RecommendationKey(const char* appRecommend);
// Whether `text` is a numeric id as defined above; sets `value` when it is.
bool ParseNumericId(std::string_view text, int& value);

}  // namespace quorvi
