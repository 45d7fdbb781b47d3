// How deeply TinyXML would nest elements while parsing a text, found without
// parsing it.
//
// TinyXML parses (and later frees and prints) a document recursively, one
// stack frame per nesting level, so a document nested 100,000 levels deep
// overflows the stack. Documents that come from outside (catalogues, file
// lists, skins) are measured here first and refused beyond a depth far above
// any real one.
//
// The measure follows TinyXML's own reading of the text (where comments, CDATA,
// declarations and quoted attribute values begin and end, and how it steps over
// multibyte characters), for each encoding TinyXML may parse in: UTF-8, legacy
// single-byte, and "unknown", where a declaration at the top chooses. It never
// reports less than the depth TinyXML reaches, also for text TinyXML gives up on
// halfway.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Far deeper than any catalogue (four levels) or skin (a dozen) nests.
inline constexpr int kMaxXmlNesting = 256;

// The deepest element nesting TinyXML reaches on `text` (the whole of it: TinyXML
// stops at a NUL, unless a multibyte character carries it over one), the most
// over the encodings; -1 when the text holds
// an XML declaration of a form this measure does not follow (a declaration
// with blanks, quotes or non-ASCII bytes inside its values, for example).
int XmlNestingDepth(std::string_view text);

// Whether `text` may be handed to TinyXML: its nesting is known and within `limit`.
bool XmlNestingWithin(std::string_view text, int limit = kMaxXmlNesting);

// The text as a buffer to hand to TiXmlDocument::Parse: TinyXML steps over a
// multibyte character by its lead byte, so a text that ends inside one makes
// it read up to three bytes past the terminating NUL; the buffer ends in NULs
// for those reads.
std::string XmlParseBuffer(std::string_view text);

}  // namespace platform
