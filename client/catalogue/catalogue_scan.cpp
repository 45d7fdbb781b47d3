// Sections: characters | the scanner | the document
#include "client/catalogue/catalogue_scan.h"

#include <cstring>

namespace quorvi::scan {

// ---- characters -------------------------------------------------------------
namespace {

// Root, groups, applications and sub-applications: the levels a catalogue reads.
constexpr int kStoredLevels = 4;
// Deeper documents are left to the full parser and its nesting check.
constexpr int kPlainNesting = 64;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
}
bool IsContinuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// No NUL, only well-formed UTF-8 sequences (leads C2..F4), and none of the
// characters U+FEFF, U+FFFE and U+FFFF, which TinyXML passes over as byte
// order marks wherever they are.
bool IsPlainText(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c >= 0x01 && c < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4;
        else
            return false;  // NUL, a stray continuation byte, or a lead UTF-8 never uses
        if (end - p < length) return false;
        for (int i = 1; i < length; ++i)
            if (!IsContinuation(p[i])) return false;
        if (c == 0xEF && ((p[1] == 0xBB && p[2] == 0xBF) || (p[1] == 0xBF && p[2] >= 0xBE)))
            return false;
        p += length;
    }
    return true;
}

// `raw` with the five named entities decoded; false for any other "&".
bool Decode(std::string_view raw, std::string& out) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    out.reserve(raw.size());
    while (!raw.empty()) {
        const size_t amp = raw.find('&');
        out.append(raw.substr(0, amp));
        if (amp == std::string_view::npos) return true;
        raw.remove_prefix(amp);
        bool known = false;
        for (const auto& [entity, c] : kEntities) {
            if (!raw.starts_with(entity)) continue;
            out += c;
            raw.remove_prefix(entity.size());
            known = true;
            break;
        }
        if (!known) return false;
    }
    return true;
}

// ---- the scanner ------------------------------------------------------------

class Scanner {
public:
    Scanner(std::string_view xml, Document& out)
        : m_begin(xml.data()), m_p(xml.data()), m_end(xml.data() + xml.size()), m_out(out) {}

    bool Run() {
        SkipSpace();
        if (StartsWith("<?xml") && !Declaration()) return false;
        bool hasRoot = false;
        for (SkipSpace(); m_p < m_end; SkipSpace()) {
            if (StartsWith("<!--")) {
                if (!Comment()) return false;
            } else if (!hasRoot && At(0) == '<' && IsNameStart(At(1))) {
                int32_t last = -1;
                if (!ReadElement(0, -1, last)) return false;
                hasRoot = true;
            } else {
                return false;
            }
        }
        return hasRoot;
    }

private:
    char At(size_t ahead) const {
        return static_cast<size_t>(m_end - m_p) > ahead ? m_p[ahead] : '\0';
    }
    bool StartsWith(std::string_view text) const {
        return static_cast<size_t>(m_end - m_p) >= text.size() &&
               std::memcmp(m_p, text.data(), text.size()) == 0;
    }
    void SkipSpace() {
        while (m_p < m_end && IsSpace(*m_p)) ++m_p;
    }

    // At "<?xml": only the attributes version, encoding and standalone, with
    // values of letters, digits and "._-".
    bool Declaration() {
        m_p += 5;
        if (!IsSpace(At(0)) && At(0) != '?') return false;
        for (SkipSpace(); !StartsWith("?>"); SkipSpace()) {
            std::string_view name;
            if (!Name(name) || (name != "version" && name != "encoding" && name != "standalone"))
                return false;
            if (At(0) != '=' || (At(1) != '"' && At(1) != '\'')) return false;
            const char quote = At(1);
            m_p += 2;
            const char* start = m_p;
            while (m_p < m_end && (IsNameChar(*m_p) && *m_p != ':')) ++m_p;
            if (m_p == start || At(0) != quote) return false;
            ++m_p;
            if (!IsSpace(At(0)) && At(0) != '?') return false;
        }
        m_p += 2;
        return true;
    }

    // At "<!--": past the next "-->".
    bool Comment() {
        const std::string_view rest(m_p + 4, static_cast<size_t>(m_end - m_p - 4));
        const size_t close = rest.find("-->");
        if (close == std::string_view::npos) return false;
        m_p = rest.data() + close + 3;
        return true;
    }

    // A name of ASCII name characters; one that goes on in bytes TinyXML
    // also takes for name characters (DEL and above) is not plain.
    bool Name(std::string_view& name) {
        if (m_p >= m_end || !IsNameStart(*m_p)) return false;
        const char* start = m_p;
        while (m_p < m_end && IsNameChar(*m_p)) ++m_p;
        if (m_p < m_end && static_cast<unsigned char>(*m_p) >= 0x7F) return false;
        name = std::string_view(start, static_cast<size_t>(m_p - start));
        return true;
    }

    // Keeps `text` in the document's storage and gives a view of it.
    std::string_view Keep(std::string text) { return m_out.decoded.emplace_back(std::move(text)); }

    // After the opening quote: past the closing one. The value is read again
    // when asked for (Document::Find); here its entities are only checked.
    bool Value(char quote, std::string_view& value) {
        const void* close = std::memchr(m_p, quote, static_cast<size_t>(m_end - m_p));
        if (!close) return false;
        value = std::string_view(m_p, static_cast<size_t>(static_cast<const char*>(close) - m_p));
        m_p = static_cast<const char*>(close) + 1;
        if (value.find('&') == std::string_view::npos) return true;
        m_scratch.clear();
        return Decode(value, m_scratch);
    }

    // At a character that is not a blank: the text up to the next '<', its
    // runs of blanks made one space and the blanks at its end dropped.
    bool Text(std::string_view& text) {
        const void* lt = std::memchr(m_p, '<', static_cast<size_t>(m_end - m_p));
        if (!lt) return false;
        std::string_view raw(m_p, static_cast<size_t>(static_cast<const char*>(lt) - m_p));
        m_p = static_cast<const char*>(lt);
        while (!raw.empty() && IsSpace(raw.back())) raw.remove_suffix(1);
        bool plain = raw.find('&') == std::string_view::npos;
        for (size_t i = 0; plain && i < raw.size(); ++i)
            plain = !IsSpace(raw[i]) || (raw[i] == ' ' && !IsSpace(raw[i + 1]));
        if (plain) {
            text = raw;
            return true;
        }
        std::string condensed;
        condensed.reserve(raw.size());
        bool blank = false;
        for (char c : raw) {
            if (IsSpace(c)) {
                blank = true;
                continue;
            }
            if (blank) condensed += ' ';
            blank = false;
            condensed += c;
        }
        std::string decoded;
        if (!Decode(condensed, decoded)) return false;
        text = Keep(std::move(decoded));
        return true;
    }

    // At '<' and a name start: the element with its content and end tag.
    // Elements of the stored levels are added to `m_out` and linked after
    // `lastSibling` (or as the first child of `parent`).
    bool ReadElement(int depth, int32_t parent, int32_t& lastSibling) {
        const bool stored = depth < kStoredLevels;
        int32_t self = -1;
        if (stored) {
            self = static_cast<int32_t>(m_out.elements.size());
            Element element{};
            element.offset = static_cast<size_t>(m_p - m_begin);
            m_out.elements.push_back(element);
            if (lastSibling >= 0)
                m_out.elements[static_cast<size_t>(lastSibling)].nextSibling = self;
            else if (parent >= 0)
                m_out.elements[static_cast<size_t>(parent)].firstChild = self;
            lastSibling = self;
        }
        ++m_p;
        std::string_view name;
        if (!Name(name)) return false;

        size_t names = 0;  // the element's attribute names so far, in m_names
        for (;;) {
            SkipSpace();
            if (At(0) == '/') {
                if (At(1) != '>') return false;
                m_p += 2;
                return true;
            }
            if (At(0) == '>') {
                ++m_p;
                break;
            }
            // name='value' or name="value", without blanks around '=' and
            // followed by a blank or the end of the tag.
            struct {
                std::string_view name, value;
            } attribute;
            if (!Name(attribute.name) || At(0) != '=') return false;
            const char quote = At(1);
            if (quote != '"' && quote != '\'') return false;
            m_p += 2;
            if (!Value(quote, attribute.value)) return false;
            if (!IsSpace(At(0)) && At(0) != '/' && At(0) != '>') return false;
            // TinyXML refuses an element that repeats an attribute.
            for (size_t i = 0; i < names; ++i)
                if (m_names[i] == attribute.name) return false;
            if (names == m_names.size()) m_names.resize(names + 8);
            m_names[names++] = attribute.name;
        }

        bool firstChild = true;
        int32_t lastChild = -1;
        for (SkipSpace(); m_p < m_end; SkipSpace()) {
            if (*m_p != '<') {
                std::string_view text;
                if (!Text(text)) return false;
                if (stored && firstChild) {
                    Element& element = m_out.elements[static_cast<size_t>(self)];
                    element.hasText = true;
                    element.text = text;
                }
            } else if (At(1) == '/') {
                m_p += 2;
                if (!StartsWith(name)) return false;
                m_p += name.size();
                if (At(0) != '>') return false;
                ++m_p;
                return true;
            } else if (StartsWith("<!--")) {
                if (!Comment()) return false;
            } else if (IsNameStart(At(1)) && depth + 1 < kPlainNesting) {
                if (!ReadElement(depth + 1, self, lastChild)) return false;
            } else {
                return false;
            }
            firstChild = false;
        }
        return false;  // no end tag
    }

    std::vector<std::string_view> m_names;  // reused by every element
    std::string m_scratch;
    const char* m_begin;
    const char* m_p;
    const char* m_end;
    Document& m_out;
};

}  // namespace

// ---- the document -----------------------------------------------------------

std::optional<std::string_view> Document::Find(int32_t index, std::string_view name) const {
    // The tag was read whole by the scan: name='value' pairs after the
    // element's name, up to '/' or '>'.
    const char* p = xml.data() + elements[static_cast<size_t>(index)].offset + 1;
    while (IsNameChar(*p)) ++p;
    for (;;) {
        while (IsSpace(*p)) ++p;
        if (*p == '/' || *p == '>') return std::nullopt;
        const char* start = p;
        while (*p != '=') ++p;
        const std::string_view attribute(start, static_cast<size_t>(p - start));
        const char quote = p[1];
        const char* value = p + 2;
        p = static_cast<const char*>(std::memchr(value, quote, xml.data() + xml.size() - value));
        if (attribute != name) {
            ++p;
            continue;
        }
        const std::string_view raw(value, static_cast<size_t>(p - value));
        if (raw.find('&') == std::string_view::npos) return raw;
        std::string text;
        Decode(raw, text);
        return decoded.emplace_back(std::move(text));
    }
}

int Document::Line(int32_t index) const {
    // "\r\n" and "\n\r" are one line break each, as in TinyXML. Lines are asked
    // for in document order, so the count goes on from the last answer.
    const size_t offset = elements[static_cast<size_t>(index)].offset;
    if (offset < m_countedTo) {
        m_countedTo = 0;
        m_countedLines = 1;
    }
    int line = m_countedLines;
    for (size_t i = m_countedTo; i < offset; ++i) {
        const char c = xml[i];
        if (c != '\n' && c != '\r') continue;
        ++line;
        const char pair = c == '\n' ? '\r' : '\n';
        if (i + 1 < offset && xml[i + 1] == pair) ++i;
    }
    m_countedTo = offset;
    m_countedLines = line;
    return line;
}

bool ScanPlainDocument(std::string_view xml, Document& out) {
    out = {};
    out.xml = xml;
    if (!IsPlainText(xml)) return false;
    out.elements.reserve(xml.size() / 160);
    return Scanner(xml, out).Run();
}

}  // namespace quorvi::scan
