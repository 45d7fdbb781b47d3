// Text encodings of the system.
//
// The system's narrow texts are GBK (code page 936). Conversions happen only at
// the edges: drawing and input, file paths, the browser, process arguments and
// texts arriving from servers in UTF-8.
//
// Invalid input never throws or crashes: each undecodable byte (or unpaired
// surrogate) becomes U+FFFD in UTF-8/UTF-16 output and '?' in GBK output, and
// conversion continues with the next byte.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// ASCII letters without case, whatever the locale: only 'A'-'Z' and 'a'-'z'
// change, so GBK lead and trail bytes are never taken for letters.
constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
// Whether a and b are equal when ASCII letters are compared without case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// Whether `text` begins or ends with `part`, ASCII letters compared without case.
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view part);
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view part);

// `text` without the ASCII white space (space, tab, line feed, vertical tab,
// form feed, carriage return) at either end, whatever the locale: a GBK byte is
// never taken for a space.
std::string_view TrimAsciiSpace(std::string_view text);

}  // namespace platform
