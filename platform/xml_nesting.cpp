// Sections: characters as TinyXML classes them | one scan in one encoding | the measure
//
// The scan walks the text the way TinyXML's parser does and keeps only the
// element depth. Where TinyXML would stop with an error the scan may go on:
// nothing after that point is parsed, so what the scan counts there can only
// add to the figure, which stays safe.
#include "platform/xml_nesting.h"

#include <algorithm>
#include <cctype>

#include "platform/text.h"

namespace platform {
namespace {

// ---- characters as TinyXML classes them ------------------------------------------------

// Bytes of the UTF-8 sequence a lead byte starts, as TinyXML's table gives it
// (malformed lead bytes count as one).
int Utf8SequenceLength(unsigned char lead) {
    if (lead < 0xC2) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF5) return 4;
    return 1;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
}

// TinyXML takes every byte from 127 up for a letter.
bool IsNameStart(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 127 || std::isalpha(byte) || c == '_';
}

bool IsAsciiNameStart(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 127 && (std::isalpha(byte) || c == '_');
}

bool IsAsciiNameChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 127 && (std::isalnum(byte) || c == '_' || c == '-' || c == '.' || c == ':');
}

// ---- one scan in one encoding -------------------------------------------------------------

enum class Encoding { Utf8, Legacy, Unknown };

class Scan {
public:
    Scan(std::string_view text, Encoding encoding) : m_text(text) {
        m_utf8 = encoding == Encoding::Utf8;
        m_detecting = encoding == Encoding::Unknown;
        // An unknown encoding becomes UTF-8 at once when the text starts with a byte-order mark.
        if (m_detecting && text.starts_with("\xEF\xBB\xBF")) {
            m_utf8 = true;
            m_detecting = false;
        }
    }

    // The deepest nesting, or -1 for a declaration the scan cannot follow.
    int Run() {
        while (At(m_at) != '\0') {
            if (At(m_at) != '<') {
                if (m_depth > 0) {
                    m_at += TextStep();
                } else if (IsSpace(At(m_at))) {
                    ++m_at;
                } else if (m_utf8 && IsByteOrderMark(m_at)) {
                    m_at += 3;
                } else {
                    break;  // text outside the root element ends TinyXML's parse
                }
                continue;
            }
            if (!Markup()) return -1;
        }
        return m_deepest;
    }

private:
    char At(size_t i) const { return i < m_text.size() ? m_text[i] : '\0'; }
    std::string_view Rest() const { return m_text.substr(std::min(m_at, m_text.size())); }

    // TinyXML stops at a NUL it lands on, but a multibyte step may carry it
    // over one; past the end of the text everything reads as NUL.

    bool IsByteOrderMark(size_t i) const {
        return At(i) == '\xEF' &&
               ((At(i + 1) == '\xBB' && At(i + 2) == '\xBF') ||
                (At(i + 1) == '\xBF' && (At(i + 2) == '\xBE' || At(i + 2) == '\xBF')));
    }

    // One step over text content: a blank, or one character of the encoding.
    size_t TextStep() const {
        const char c = At(m_at);
        if (IsSpace(c) || !m_utf8) return 1;
        return Utf8SequenceLength(static_cast<unsigned char>(c));
    }

    // Moves past the first `end` found from `from` on (TinyXML walks there byte
    // by byte), or onto the NUL that stops the walk.
    void SkipPast(size_t from, std::string_view end) {
        const size_t stop = NulFrom(from);
        const size_t found = m_text.substr(0, stop).find(end, from);
        m_at = found == std::string_view::npos ? stop : found + end.size();
    }

    // The first NUL at or after `from` (the end of the text when there is none).
    // Remembered, so that the skips of one scan, which only move forward, look
    // at each byte once instead of searching to the end of the text every time.
    size_t NulFrom(size_t from) {
        if (from < m_nulSearchedFrom || from > m_nextNul) {
            m_nextNul = std::min(m_text.find('\0', from), m_text.size());
            m_nulSearchedFrom = from;
        }
        return m_nextNul;
    }

    // At a '<': what TinyXML makes of it. False for a declaration it cannot follow.
    bool Markup() {
        const std::string_view rest = Rest();
        if (rest.starts_with("</")) {
            // Inside an element an end tag closes it; at the top TinyXML reads
            // it as an unknown node. Either way it reaches to the next '>'.
            if (m_depth > 0) --m_depth;
            SkipPast(m_at + 1, ">");
        } else if (StartsWithIgnoringAsciiCase(rest, "<?xml")) {
            return Declaration();
        } else if (rest.starts_with("<!--")) {
            SkipPast(m_at + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            SkipPast(m_at + 9, "]]>");
        } else if (IsNameStart(At(m_at + 1))) {
            Element();
        } else {
            SkipPast(m_at + 1, ">");  // "<!DOCTYPE", "<?pi", "< x": unknown nodes
        }
        return true;
    }

    // A start tag: its name, then attributes until "/>" or ">". TinyXML has
    // entered the element (and linked it) from its '<' on, also when the tag
    // turns out broken.
    void Element() {
        m_deepest = std::max(m_deepest, m_depth + 1);
        m_at += 1;
        while (At(m_at) != '\0') {
            const char c = At(m_at);
            if (c == '/') {
                if (At(m_at + 1) != '>') {
                    m_at = m_text.size();  // TinyXML fails here and parses no further
                    return;
                }
                m_at += 2;
                return;
            }
            if (c == '>') {
                ++m_at;
                ++m_depth;
                return;
            }
            if (c == '\'' || c == '"') {
                SkipQuotedValue(c);
                continue;
            }
            ++m_at;
        }
    }

    // A quoted attribute value, stepped through character by character as
    // TinyXML reads it: a UTF-8 lead byte carries the bytes after it along,
    // a quote among them included.
    void SkipQuotedValue(char quote) {
        ++m_at;
        while (At(m_at) != '\0' && At(m_at) != quote) {
            m_at += m_utf8 ? Utf8SequenceLength(static_cast<unsigned char>(At(m_at))) : 1;
        }
        if (At(m_at) == quote) ++m_at;
    }

    // "<?xml" (any letter case) with attributes name="value" whose values are
    // ASCII without blanks, quotes or angle brackets: there TinyXML's
    // declaration ends at the first '>'. In an unknown encoding, the first
    // declaration at the top chooses the encoding for the rest.
    bool Declaration() {
        size_t at = m_at + 5;
        while (IsAsciiNameChar(At(at))) ++at;  // "<?xml-stylesheet"
        std::string encoding;
        while (true) {
            const size_t blanks = at;
            while (IsSpace(At(at))) ++at;
            if (At(at) == '>') {
                ++at;
                break;
            }
            if (At(at) == '?' && At(at + 1) == '>') {
                at += 2;
                break;
            }
            if (at == blanks || !IsAsciiNameStart(At(at))) return false;
            const size_t nameStart = at;
            while (IsAsciiNameChar(At(at))) ++at;
            const std::string_view name = m_text.substr(nameStart, at - nameStart);
            while (IsSpace(At(at))) ++at;
            if (At(at) != '=') return false;
            ++at;
            while (IsSpace(At(at))) ++at;
            const char quote = At(at);
            if (quote != '"' && quote != '\'') return false;
            const size_t valueStart = ++at;
            while (At(at) > ' ' && At(at) < 127 && At(at) != '"' && At(at) != '\'' &&
                   At(at) != '<' && At(at) != '>')
                ++at;
            if (At(at) != quote) return false;
            const std::string_view value = m_text.substr(valueStart, at - valueStart);
            ++at;
            // TinyXML matches the names by their beginning, "version" first.
            if (!StartsWithIgnoringAsciiCase(name, "version") &&
                StartsWithIgnoringAsciiCase(name, "encoding"))
                encoding = value;
        }
        m_at = at;
        if (m_detecting && m_depth == 0) {
            m_detecting = false;
            m_utf8 = encoding.empty() || StartsWithIgnoringAsciiCase(encoding, "UTF-8") ||
                     StartsWithIgnoringAsciiCase(encoding, "UTF8");
        }
        return true;
    }

    std::string_view m_text;
    size_t m_at = 0;
    bool m_utf8 = false;
    bool m_detecting = false;
    int m_depth = 0;
    int m_deepest = 0;
    // No NUL lies in [m_nulSearchedFrom, m_nextNul); nothing searched yet at first.
    size_t m_nulSearchedFrom = std::string_view::npos;
    size_t m_nextNul = 0;
};

}  // namespace

// ---- the measure --------------------------------------------------------------------------

int XmlNestingDepth(std::string_view text) {
    int deepest = 0;
    for (Encoding encoding : {Encoding::Utf8, Encoding::Legacy, Encoding::Unknown}) {
        const int depth = Scan(text, encoding).Run();
        if (depth < 0) return -1;
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

bool XmlNestingWithin(std::string_view text, int limit) {
    const int depth = XmlNestingDepth(text);
    return depth >= 0 && depth <= limit;
}

std::string XmlParseBuffer(std::string_view text) {
    std::string buffer(text);
    buffer.append(4, '\0');
    return buffer;
}

}  // namespace platform
