#include "libmerv/transfer_address.h"

namespace merv {

std::string AddressForTransfer(std::string_view address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    bool inQuery = false;
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        const bool raw = byte > ' ' && byte != 0x7F && c != '#' && !(c == '?' && inQuery);
        if (c == '?') inQuery = true;
        if (raw) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

}  // namespace merv
