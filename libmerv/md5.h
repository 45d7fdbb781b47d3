// MD5 message digest (RFC 1321), used for file digests and URL signatures.
//
// The context may take more data after a digest was asked for: HexDigest()
// pads a copy of the state, so the running state is never disturbed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace merv {

class Md5 {
public:
    static constexpr std::size_t kBlockSize = 64;
    using Digest = std::array<std::uint8_t, 16>;

    void Update(const void* data, std::size_t size);
    void Update(std::string_view data) { Update(data.data(), data.size()); }

    Digest Final() const;
    // 32 lower-case hexadecimal digits, most significant nibble of each byte first.
    std::string HexDigest() const;

private:
    std::array<std::uint32_t, 4> state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::uint64_t byteCount_ = 0;
    std::array<std::uint8_t, kBlockSize> pending_{};  // a partial block, byteCount_ % 64 bytes
};

// Lower-case hexadecimal rendering of a digest.
std::string ToHex(const Md5::Digest& digest);

// Convenience: MD5 of a whole text as 32 lower-case hex digits.
std::string Md5Hex(std::string_view data);

}  // namespace merv
