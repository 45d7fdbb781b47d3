// Sections: text helpers | reading elements | documents
#include "client/catalogue/catalogue_document.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>

#include "client/catalogue/catalogue_scan.h"
#include "platform/log.h"
#include "platform/text.h"
#include "platform/xml_nesting.h"
#include "ui/core/attributes.h"

namespace quorvi {

// ---- text helpers -------------------------------------------------------------------

std::string Utf8ToAnsi(std::string_view utf8) {
    return platform::Utf8ToGbk(utf8);
}

std::string CatalogueApplication::ForeImage() const {
    return "file='" + icon + "' dest='16,0,84,70'";
}

bool ParseNumericId(std::string_view text, int& value) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty()) return false;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// ---- reading elements --------------------------------------------------------------

namespace {

// An element of TinyXML's tree, as the reading below sees it.
class TreeElement {
public:
    explicit TreeElement(const TiXmlElement* element) : m_element(element) {}
    explicit operator bool() const { return m_element != nullptr; }
    std::optional<std::string_view> Attribute(const char* name) const {
        const char* value = m_element->Attribute(name);
        return value ? std::optional<std::string_view>(value) : std::nullopt;
    }
    // The text content: the first child, when it is text.
    std::optional<std::string_view> Text() const {
        const char* value = m_element->GetText();
        return value ? std::optional<std::string_view>(value) : std::nullopt;
    }
    int Line() const { return m_element->Row(); }
    TreeElement FirstChild() const { return TreeElement(m_element->FirstChildElement()); }
    TreeElement Next() const { return TreeElement(m_element->NextSiblingElement()); }

private:
    const TiXmlElement* m_element;
};

// An element of a scanned plain document, the same way.
class ScannedElement {
public:
    ScannedElement(const scan::Document& document, int32_t index)
        : m_document(&document), m_index(index) {}
    explicit operator bool() const { return m_index >= 0; }
    std::optional<std::string_view> Attribute(const char* name) const {
        return m_document->Find(m_index, name);
    }
    std::optional<std::string_view> Text() const {
        const scan::Element& element = Get();
        return element.hasText ? std::optional<std::string_view>(element.text) : std::nullopt;
    }
    int Line() const { return m_document->Line(m_index); }
    ScannedElement FirstChild() const { return {*m_document, Get().firstChild}; }
    ScannedElement Next() const { return {*m_document, Get().nextSibling}; }

private:
    const scan::Element& Get() const { return m_document->elements[static_cast<size_t>(m_index)]; }

    const scan::Document* m_document;
    int32_t m_index;
};

std::string RecommendationKeyOf(std::optional<std::string_view> appRecommend) {
    if (!appRecommend) return "0";
    // Accept what a "%d" scan accepts: blanks, an optional sign, then a digit.
    std::string_view p = *appRecommend;
    while (!p.empty() && std::isspace(static_cast<unsigned char>(p.front()))) p.remove_prefix(1);
    if (!p.empty() && (p.front() == '+' || p.front() == '-')) p.remove_prefix(1);
    if (p.empty() || !std::isdigit(static_cast<unsigned char>(p.front()))) return "0";
    return std::string(*appRecommend);
}

// Collects the reason an element is left out; the first missing piece names it.
template <typename Element>
class ElementReader {
public:
    ElementReader(const Element& element, std::vector<CatalogueProblem>& problems)
        : m_element(element), m_problems(problems) {}

    // The attribute's bytes; notes a problem when it is absent.
    std::string Required(const char* name) {
        const std::optional<std::string_view> value = m_element.Attribute(name);
        if (!value) {
            Fail(std::string("missing attribute ") + name);
            return {};
        }
        return std::string(*value);
    }

    // The id as text and number; notes a problem when absent or not numeric.
    std::string Id(int& tag) {
        const std::optional<std::string_view> value = m_element.Attribute("id");
        if (!value) {
            Fail("missing attribute id");
            return {};
        }
        if (!ParseNumericId(*value, tag)) {
            Fail("id is not a decimal number: " + std::string(*value));
            return {};
        }
        return std::string(*value);
    }

    // The icon file; it is written into an image description between quotes,
    // so one holding a quote would add keys of its own and is refused.
    std::string Icon() {
        std::string icon = Required("icon");
        if (Ok() && !ui::IsQuotableImageValue(icon)) Fail("icon holds a quote: " + icon);
        return icon;
    }

    // The text content; notes a problem when absent.
    std::string_view Text() {
        const std::optional<std::string_view> value = m_element.Text();
        if (!value) {
            Fail("missing text content");
            return {};
        }
        return *value;
    }

    bool Ok() const { return m_ok; }

private:
    void Fail(std::string reason) {
        if (!m_ok) return;
        m_ok = false;
        m_problems.push_back({m_element.Line(), std::move(reason)});
    }

    const Element& m_element;
    std::vector<CatalogueProblem>& m_problems;
    bool m_ok = true;
};

template <typename Element>
std::optional<CatalogueApplication> ReadApplication(const Element& element, bool mayHold,
                                                    std::vector<CatalogueProblem>& problems) {
    ElementReader<Element> reader(element, problems);
    CatalogueApplication app;
    const std::optional<std::string_view> showSubApps =
        mayHold ? element.Attribute("showSubApps") : std::nullopt;
    app.holdsSubApps =
        showSubApps && platform::EqualsIgnoringAsciiCase(Utf8ToAnsi(*showSubApps), "True");

    app.caption = Utf8ToAnsi(reader.Required("caption"));
    app.icon = reader.Icon();
    // Converting a decimal id changes nothing, so one text serves as raw and converted id.
    app.id = reader.Id(app.tag);
    if (!app.holdsSubApps) {
        app.action = reader.Required("action");
        app.target = Utf8ToAnsi(reader.Text());
        app.recommendKey = RecommendationKeyOf(element.Attribute("appRecommend"));
    }
    if (!reader.Ok()) return std::nullopt;

    if (app.holdsSubApps) {
        for (Element child = element.FirstChild(); child; child = child.Next()) {
            if (auto sub = ReadApplication(child, false, problems)) {
                app.subApplications.push_back(std::move(*sub));
            }
        }
    }
    return app;
}

template <typename Element>
std::optional<CatalogueGroup> ReadGroup(const Element& element,
                                        std::vector<CatalogueProblem>& problems) {
    ElementReader<Element> reader(element, problems);
    CatalogueGroup group;
    group.caption = Utf8ToAnsi(reader.Required("caption"));
    group.icon = reader.Icon();
    group.mark = Utf8ToAnsi(reader.Required("mark"));
    group.id = reader.Id(group.tag);
    if (!reader.Ok()) return std::nullopt;

    size_t children = 0;  // made once: a large group's records are not moved as it grows
    for (Element child = element.FirstChild(); child; child = child.Next()) ++children;
    group.applications.reserve(children);
    for (Element child = element.FirstChild(); child; child = child.Next()) {
        if (auto app = ReadApplication(child, true, problems)) {
            group.applications.push_back(std::move(*app));
        }
    }
    return group;
}

// The groups below the root element `root`.
template <typename Element>
void ReadGroups(const Element& root, CatalogueDocument& out) {
    out.hasRoot = true;
    for (Element element = root.FirstChild(); element; element = element.Next()) {
        if (auto group = ReadGroup(element, out.problems)) out.groups.push_back(std::move(*group));
    }
}

}  // namespace

// ---- documents ----------------------------------------------------------------------

namespace {

// Parses `buffer` with TinyXML: the document's first `size` bytes followed by
// the NULs TinyXML may read past its end (see platform::XmlParseBuffer).
bool ParseTree(const std::string& buffer, size_t size, CatalogueDocument& out) {
    out = {};
    // TinyXML parses recursively: a document nested too deeply would overflow the stack.
    if (!platform::XmlNestingWithin(std::string_view(buffer).substr(0, size))) {
        out.error = "nested deeper than " + std::to_string(platform::kMaxXmlNesting) + " levels";
        return false;
    }
    TiXmlDocument document;
    document.Parse(buffer.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) {
        out.error = document.ErrorDesc();
        if (document.ErrorRow() > 0) out.error += " at line " + std::to_string(document.ErrorRow());
        return false;
    }

    if (const TiXmlElement* root = document.FirstChildElement()) ReadGroups(TreeElement(root), out);
    return true;
}

// A document in the plain form (as catalogues are) is read in one pass without
// a tree, which for a large catalogue takes a fraction of TinyXML's time and
// memory; any other goes to TinyXML.
bool ParsePlain(std::string_view text, CatalogueDocument& out) {
    out = {};
    scan::Document plain;
    if (!scan::ScanPlainDocument(text, plain)) return false;
    ReadGroups(ScannedElement(plain, 0), out);
    return true;
}

bool ParseBuffer(const std::string& buffer, size_t size, CatalogueDocument& out) {
    return ParsePlain(std::string_view(buffer).substr(0, size), out) ||
           ParseTree(buffer, size, out);
}

// A regular file mapped into memory, read in place: a large catalogue costs no
// copy of its bytes. Empty when it cannot be mapped (a pipe, an empty file).
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        // Only a regular file is opened here: opening a pipe would wait for its
        // writer (or, once it came, take its text from the stream read).
        struct stat kind {};
        if (::stat(path.c_str(), &kind) != 0 || !S_ISREG(kind.st_mode)) return;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            void* data = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ,
                                MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (data != MAP_FAILED) {
                m_data = data;
                m_size = static_cast<size_t>(info.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFile() {
        if (m_data) ::munmap(m_data, m_size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view Text() const { return {static_cast<const char*>(m_data), m_size}; }

private:
    void* m_data = nullptr;
    size_t m_size = 0;
};

// The file's bytes straight into a parse buffer: a large catalogue is neither
// grown piecemeal nor copied once more before parsing.
std::string ReadParseBuffer(std::ifstream& file, size_t& size) {
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    file.seekg(0, std::ios::beg);
    if (length < 0 || !file) {  // not seekable: read it as a stream
        file.clear();
        const std::string text{std::istreambuf_iterator<char>(file), {}};
        size = text.size();
        return platform::XmlParseBuffer(text);
    }
    std::string buffer(static_cast<size_t>(length) + 4, '\0');
    file.read(buffer.data(), length);
    // A file cut short while read keeps what was read, as a stream read would.
    size = static_cast<size_t>(file.gcount());
    buffer.resize(size + 4);
    return buffer;
}

}  // namespace

bool ParseCatalogueDocument(std::string_view xml, CatalogueDocument& out) {
    return ParseBuffer(platform::XmlParseBuffer(xml), xml.size(), out);
}

std::string RecommendationKey(const char* appRecommend) {
    return appRecommend ? RecommendationKeyOf(appRecommend) : RecommendationKeyOf(std::nullopt);
}

bool ParseCatalogueDocumentWithTinyXml(std::string_view xml, CatalogueDocument& out) {
    return ParseTree(platform::XmlParseBuffer(xml), xml.size(), out);
}

bool IsReadableCatalogue(std::string_view xml, std::string& reason) {
    CatalogueDocument document;
    if (!ParseCatalogueDocument(xml, document)) {
        reason = "not a well-formed document: " + document.error;
        return false;
    }
    if (!document.hasRoot) {
        reason = "no element";
        return false;
    }
    if (document.groups.empty()) {
        reason = "no group the client can read";
        if (!document.problems.empty()) {
            reason += " (line " + std::to_string(document.problems.front().line) + ": " +
                      document.problems.front().reason + ")";
        }
        return false;
    }
    return true;
}

bool LoadCatalogueDocument(const std::string& path, CatalogueDocument& out) {
    out = {};
    const std::string utf8Path = platform::GbkToUtf8(path);
    const MappedFile mapped(utf8Path);
    if (!ParsePlain(mapped.Text(), out)) {
        std::ifstream file(utf8Path, std::ios::binary);
        if (!file) {
            out.error = "cannot be read";
            return false;
        }
        size_t size = 0;
        const std::string buffer = ReadParseBuffer(file, size);
        if (!ParseBuffer(buffer, size, out)) return false;
    }
    for (const CatalogueProblem& problem : out.problems) {
        platform::LogWarning("catalogue " + platform::GbkToUtf8(path) + " line " +
                             std::to_string(problem.line) + ": " + problem.reason +
                             "; left out with what it holds");
    }
    return true;
}

}  // namespace quorvi
