// MD5 (RFC 1321).
//
// Sections: block transform | streaming context | hex rendering
//
// The transform works on whole 64-byte blocks straight from the caller's
// buffer; only a trailing partial block is copied. Each of the 64 steps is
// written out so the compiler keeps the four state words in registers.
#include "libmerv/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace merv {
namespace {

// ---- block transform ---------------------------------------------------------

inline std::uint32_t LoadLittleEndian(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline void StoreLittleEndian(std::uint8_t* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    std::memcpy(p, &v, sizeof v);
}

// One step per round: a = b + rotl(a + f(b, c, d) + x + t, s).
// G is written as two disjoint terms added separately, which shortens the
// dependency chain on b without changing the result.
[[gnu::always_inline]] inline void StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                                         std::uint32_t d, std::uint32_t x, std::uint32_t t, int s) {
    a += (d ^ (b & (c ^ d))) + x + t;
    a = std::rotl(a, s) + b;
}
[[gnu::always_inline]] inline void StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                                         std::uint32_t d, std::uint32_t x, std::uint32_t t, int s) {
    a += x + t + (c & ~d);
    a += b & d;
    a = std::rotl(a, s) + b;
}
[[gnu::always_inline]] inline void StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                                         std::uint32_t d, std::uint32_t x, std::uint32_t t, int s) {
    a += (b ^ c ^ d) + x + t;
    a = std::rotl(a, s) + b;
}
[[gnu::always_inline]] inline void StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                                         std::uint32_t d, std::uint32_t x, std::uint32_t t, int s) {
    a += (c ^ (b | ~d)) + x + t;
    a = std::rotl(a, s) + b;
}

void Transform(std::array<std::uint32_t, 4>& state, const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, data += Md5::kBlockSize) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(data + 4 * i);
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        StepF(a, b, c, d, x[0], 0xd76aa478, 7);
        StepF(d, a, b, c, x[1], 0xe8c7b756, 12);
        StepF(c, d, a, b, x[2], 0x242070db, 17);
        StepF(b, c, d, a, x[3], 0xc1bdceee, 22);
        StepF(a, b, c, d, x[4], 0xf57c0faf, 7);
        StepF(d, a, b, c, x[5], 0x4787c62a, 12);
        StepF(c, d, a, b, x[6], 0xa8304613, 17);
        StepF(b, c, d, a, x[7], 0xfd469501, 22);
        StepF(a, b, c, d, x[8], 0x698098d8, 7);
        StepF(d, a, b, c, x[9], 0x8b44f7af, 12);
        StepF(c, d, a, b, x[10], 0xffff5bb1, 17);
        StepF(b, c, d, a, x[11], 0x895cd7be, 22);
        StepF(a, b, c, d, x[12], 0x6b901122, 7);
        StepF(d, a, b, c, x[13], 0xfd987193, 12);
        StepF(c, d, a, b, x[14], 0xa679438e, 17);
        StepF(b, c, d, a, x[15], 0x49b40821, 22);

        StepG(a, b, c, d, x[1], 0xf61e2562, 5);
        StepG(d, a, b, c, x[6], 0xc040b340, 9);
        StepG(c, d, a, b, x[11], 0x265e5a51, 14);
        StepG(b, c, d, a, x[0], 0xe9b6c7aa, 20);
        StepG(a, b, c, d, x[5], 0xd62f105d, 5);
        StepG(d, a, b, c, x[10], 0x02441453, 9);
        StepG(c, d, a, b, x[15], 0xd8a1e681, 14);
        StepG(b, c, d, a, x[4], 0xe7d3fbc8, 20);
        StepG(a, b, c, d, x[9], 0x21e1cde6, 5);
        StepG(d, a, b, c, x[14], 0xc33707d6, 9);
        StepG(c, d, a, b, x[3], 0xf4d50d87, 14);
        StepG(b, c, d, a, x[8], 0x455a14ed, 20);
        StepG(a, b, c, d, x[13], 0xa9e3e905, 5);
        StepG(d, a, b, c, x[2], 0xfcefa3f8, 9);
        StepG(c, d, a, b, x[7], 0x676f02d9, 14);
        StepG(b, c, d, a, x[12], 0x8d2a4c8a, 20);

        StepH(a, b, c, d, x[5], 0xfffa3942, 4);
        StepH(d, a, b, c, x[8], 0x8771f681, 11);
        StepH(c, d, a, b, x[11], 0x6d9d6122, 16);
        StepH(b, c, d, a, x[14], 0xfde5380c, 23);
        StepH(a, b, c, d, x[1], 0xa4beea44, 4);
        StepH(d, a, b, c, x[4], 0x4bdecfa9, 11);
        StepH(c, d, a, b, x[7], 0xf6bb4b60, 16);
        StepH(b, c, d, a, x[10], 0xbebfbc70, 23);
        StepH(a, b, c, d, x[13], 0x289b7ec6, 4);
        StepH(d, a, b, c, x[0], 0xeaa127fa, 11);
        StepH(c, d, a, b, x[3], 0xd4ef3085, 16);
        StepH(b, c, d, a, x[6], 0x04881d05, 23);
        StepH(a, b, c, d, x[9], 0xd9d4d039, 4);
        StepH(d, a, b, c, x[12], 0xe6db99e5, 11);
        StepH(c, d, a, b, x[15], 0x1fa27cf8, 16);
        StepH(b, c, d, a, x[2], 0xc4ac5665, 23);

        StepI(a, b, c, d, x[0], 0xf4292244, 6);
        StepI(d, a, b, c, x[7], 0x432aff97, 10);
        StepI(c, d, a, b, x[14], 0xab9423a7, 15);
        StepI(b, c, d, a, x[5], 0xfc93a039, 21);
        StepI(a, b, c, d, x[12], 0x655b59c3, 6);
        StepI(d, a, b, c, x[3], 0x8f0ccc92, 10);
        StepI(c, d, a, b, x[10], 0xffeff47d, 15);
        StepI(b, c, d, a, x[1], 0x85845dd1, 21);
        StepI(a, b, c, d, x[8], 0x6fa87e4f, 6);
        StepI(d, a, b, c, x[15], 0xfe2ce6e0, 10);
        StepI(c, d, a, b, x[6], 0xa3014314, 15);
        StepI(b, c, d, a, x[13], 0x4e0811a1, 21);
        StepI(a, b, c, d, x[4], 0xf7537e82, 6);
        StepI(d, a, b, c, x[11], 0xbd3af235, 10);
        StepI(c, d, a, b, x[2], 0x2ad7d2bb, 15);
        StepI(b, c, d, a, x[9], 0xeb86d391, 21);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state = {a, b, c, d};
}

}  // namespace

// ---- streaming context ----------------------------------------------------------

void Md5::Update(const void* data, std::size_t size) {
    auto* in = static_cast<const std::uint8_t*>(data);
    std::size_t used = byteCount_ % kBlockSize;
    byteCount_ += size;

    if (used > 0) {  // top up the partial block first
        std::size_t take = std::min(size, kBlockSize - used);
        std::memcpy(pending_.data() + used, in, take);
        in += take;
        size -= take;
        if (used + take < kBlockSize) return;
        Transform(state_, pending_.data(), 1);
    }
    std::size_t blocks = size / kBlockSize;
    if (blocks > 0) Transform(state_, in, blocks);
    std::size_t rest = size % kBlockSize;
    if (rest > 0) std::memcpy(pending_.data(), in + blocks * kBlockSize, rest);
}

Md5::Digest Md5::Final() const {
    // Padding: one 0x80 byte, zeros up to 56 mod 64, then the bit length.
    std::array<std::uint8_t, 2 * kBlockSize> tail{};
    std::size_t used = byteCount_ % kBlockSize;
    std::memcpy(tail.data(), pending_.data(), used);
    tail[used] = 0x80;
    std::size_t tailSize = used < 56 ? kBlockSize : 2 * kBlockSize;
    std::uint64_t bits = byteCount_ * 8;
    StoreLittleEndian(tail.data() + tailSize - 8, static_cast<std::uint32_t>(bits));
    StoreLittleEndian(tail.data() + tailSize - 4, static_cast<std::uint32_t>(bits >> 32));

    std::array<std::uint32_t, 4> state = state_;
    Transform(state, tail.data(), tailSize / kBlockSize);

    Digest digest;
    for (int i = 0; i < 4; ++i) StoreLittleEndian(digest.data() + 4 * i, state[i]);
    return digest;
}

std::string Md5::HexDigest() const {
    return ToHex(Final());
}

// ---- hex rendering -----------------------------------------------------------------

std::string ToHex(const Md5::Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * digest.size());
    for (std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    return hex;
}

std::string Md5Hex(std::string_view data) {
    Md5 md5;
    md5.Update(data);
    return md5.HexDigest();
}

}  // namespace merv
