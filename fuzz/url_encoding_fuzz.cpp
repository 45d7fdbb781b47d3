// URL encoding on any bytes: the result holds only characters that travel
// unchanged in a query, and decoding it gives the input back.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "client/account/account_requests.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // the encoder writes upper-case digits only
}

// The inverse of the encoding; aborts on an escape the encoder cannot have written.
std::string Decode(std::string_view encoded) {
    std::string text;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '+') {
            text += ' ';
        } else if (encoded[i] == '%') {
            if (i + 2 >= encoded.size()) std::abort();
            const int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
            if (high < 0 || low < 0) std::abort();
            text += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            text += encoded[i];
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string encoded = quorvi::UrlEncode(text);
    for (char c : encoded) {
        const auto byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte) && c != '-' && c != '.' && c != '_' && c != '%' && c != '+')
            std::abort();
    }
    if (Decode(encoded) != text) std::abort();
    return 0;
}
