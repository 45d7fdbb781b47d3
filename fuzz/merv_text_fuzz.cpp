// libmerv's text helpers on any text: URL signing and the digest shuffle,
// text replacement, and the GBK to UTF-16 conversion.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "libmerv/libmerv.h"
#include "libmerv/url_sign.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string signature = Clibmerv::UrlSign(text);
    if (!text.empty() && signature.size() != 32) std::abort();
    merv::ShuffleDigestPairs(text);

    // Text, pattern and replacement split at the first two NULs.
    const size_t first = text.find('\0');
    const size_t second = first == std::string::npos ? first : text.find('\0', first + 1);
    std::string subject = text.substr(0, first);
    const std::string from =
        first == std::string::npos ? "" : text.substr(first + 1, second - first - 1);
    const std::string to = second == std::string::npos ? "" : text.substr(second + 1);
    Clibmerv::StringReplace(subject, from, to);

    const std::string narrow = text.substr(0, first);
    delete[] Clibmerv::CharToWChar(narrow.c_str());
    char* copy = Clibmerv::CharToTChar(narrow.c_str());
    if (std::strcmp(copy, narrow.c_str()) != 0) std::abort();
    delete[] copy;
    return 0;
}
