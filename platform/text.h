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

}  // namespace platform
