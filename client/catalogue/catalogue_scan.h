// One pass over a catalogue document in its plain form, without a TinyXML tree:
// the elements of the top four levels (root, groups, applications,
// sub-applications) with their first text, in a flat array whose texts point
// into the document where they need no decoding. An attribute is read from the
// element's tag when it is asked for, so the pass keeps no table of them.
//
// The plain form is what catalogues hold: a UTF-8 text with at most an XML
// declaration, comments and one root element; names of ASCII letters, digits
// and "_-.:"; quoted attribute values; the five named entities; no CDATA,
// DOCTYPE, character references, processing instructions, NULs, byte order
// marks or malformed UTF-8; nesting far below platform::kMaxXmlNesting. Within
// it the scan reads what TinyXML reads (whitespace of texts condensed, entities
// decoded, lines counted as TinyXML counts them); for anything else, including
// every document that is not well formed, it gives up and the caller parses
// with TinyXML, which then says what is wrong.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvi::scan {

struct Element {
    size_t offset = 0;         // of its '<' in the document; its attributes are read from there
    int32_t firstChild = -1;   // index of its first child element of the top levels
    int32_t nextSibling = -1;  // -1: none
    bool hasText = false;      // its first child is a text
    std::string_view text;     // that text, condensed and decoded
};

struct Document {
    std::string_view xml;
    std::vector<Element> elements;  // [0] is the root
    // Texts that differ from the document's bytes (entities decoded, blanks condensed).
    mutable std::deque<std::string> decoded;

    // The decoded value of attribute `name` of element `index`; none when it has none.
    std::optional<std::string_view> Find(int32_t index, std::string_view name) const;
    // The line of element `index` (1-based), as TinyXML counts lines.
    int Line(int32_t index) const;

private:
    mutable size_t m_countedTo = 0;  // lines counted up to this offset
    mutable int m_countedLines = 1;
};

// Reads `xml` into `out` when it is in the plain form; false otherwise (`out` is
// then of no use).
bool ScanPlainDocument(std::string_view xml, Document& out);

}  // namespace quorvi::scan
