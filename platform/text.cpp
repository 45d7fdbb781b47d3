// Text conversions between GBK, UTF-8 and UTF-16.
//
// Sections: code points (UTF-8 / UTF-16 by hand) | GBK through iconv | public conversions
//
// UTF-8 and UTF-16 are decoded and encoded here directly, so an invalid unit is
// replaced exactly where it sits. GBK goes through iconv with UTF-32 as the
// pivot: one code point is one fixed-size unit, which makes it easy to step over
// a single undecodable byte or a single character that GBK cannot hold.
#include "platform/text.h"

#include <algorithm>

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char kGbkReplacement = '?';
// glibc names the Windows code page 936 "GBK" (0x80 maps to the euro sign as on Windows).
constexpr const char* kGbkCharset = "GBK";
constexpr const char* kUtf32Charset = "UTF-32LE";

// ---- code points -------------------------------------------------------------

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Decodes UTF-8; every byte that does not start a valid, shortest-form sequence
// becomes one U+FFFD.
std::u32string DecodeUtf8(std::string_view in) {
    std::u32string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        const auto b0 = static_cast<unsigned char>(in[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if ((b0 & 0xE0) == 0xC0) {
            length = 2, c = b0 & 0x1F, minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            length = 3, c = b0 & 0x0F, minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            length = 4, c = b0 & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= in.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto b = static_cast<unsigned char>(in[i + k]);
            if ((b & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (b & 0x3F);
        }
        if (valid && (c < minimum || c > 0x10FFFF || IsSurrogate(c))) valid = false;
        if (valid) {
            out.push_back(c);
            i += length;
        } else {
            out.push_back(kReplacement);
            ++i;
        }
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view in) {
    std::string out;
    out.reserve(in.size() * 3);
    for (char32_t c : in) {
        if (c > 0x10FFFF || IsSurrogate(c)) c = kReplacement;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Decodes UTF-16; an unpaired surrogate becomes U+FFFD.
std::u32string DecodeUtf16(std::u16string_view in) {
    std::u32string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const char32_t u = in[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((u - 0xD800) << 10) + (in[i + 1] - 0xDC00));
            ++i;
        } else {
            out.push_back(IsSurrogate(u) ? kReplacement : u);
        }
    }
    return out;
}

std::u16string EncodeUtf16(std::u32string_view in) {
    std::u16string out;
    out.reserve(in.size());
    for (char32_t c : in) {
        if (c > 0x10FFFF || IsSurrogate(c)) c = kReplacement;
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    }
    return out;
}

// ---- GBK through iconv -----------------------------------------------------------

// One iconv descriptor per direction and thread (descriptors carry state and
// must not be shared between threads).
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [*in, *in + *inLeft) as possible, appending to `out`.
    // Returns the errno of the stop (0 when all input was consumed).
    int Convert(const char** in, size_t* inLeft, std::string* out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // initial shift state
        char buffer[4096];
        while (*inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = iconv(cd_, const_cast<char**>(in), inLeft, &outPtr, &outLeft);
            out->append(buffer, outPtr);
            if (result == static_cast<size_t>(-1) && errno != E2BIG) return errno;
        }
        return 0;
    }

private:
    iconv_t cd_;
};

Converter& GbkDecoder() {
    thread_local Converter converter(kUtf32Charset, kGbkCharset);
    return converter;
}

Converter& GbkEncoder() {
    thread_local Converter converter(kGbkCharset, kUtf32Charset);
    return converter;
}

std::u32string FromUtf32Bytes(const std::string& bytes) {
    std::u32string out(bytes.size() / 4, U'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + i * 4;
        out[i] = static_cast<char32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                       (static_cast<uint32_t>(p[3]) << 24));
    }
    return out;
}

std::string ToUtf32Bytes(std::u32string_view text) {
    std::string bytes(text.size() * 4, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const uint32_t c = text[i];
        for (int k = 0; k < 4; ++k) bytes[i * 4 + k] = static_cast<char>((c >> (8 * k)) & 0xFF);
    }
    return bytes;
}

// GBK to code points; each byte that does not start a valid character (including
// a lead byte cut off at the end) becomes one U+FFFD.
std::u32string DecodeGbk(std::string_view in) {
    Converter& decoder = GbkDecoder();
    if (!decoder.ok()) {  // no GBK tables installed: keep ASCII, replace the rest
        std::u32string out;
        for (char ch : in) out.push_back(static_cast<unsigned char>(ch) < 0x80 ? ch : kReplacement);
        return out;
    }
    std::string utf32;
    const char* pos = in.data();
    size_t left = in.size();
    while (left > 0) {
        if (decoder.Convert(&pos, &left, &utf32) == 0) break;
        // EILSEQ (invalid) or EINVAL (incomplete at the end): skip one byte.
        utf32.append(ToUtf32Bytes(std::u32string(1, kReplacement)));
        ++pos;
        --left;
    }
    return FromUtf32Bytes(utf32);
}

// Code points to GBK; each character GBK cannot hold becomes '?'.
std::string EncodeGbk(std::u32string_view in) {
    Converter& encoder = GbkEncoder();
    std::string out;
    if (!encoder.ok()) {
        for (char32_t c : in) out.push_back(c < 0x80 ? static_cast<char>(c) : kGbkReplacement);
        return out;
    }
    const std::string utf32 = ToUtf32Bytes(in);
    const char* pos = utf32.data();
    size_t left = utf32.size();
    while (left > 0) {
        if (encoder.Convert(&pos, &left, &out) == 0) break;
        out.push_back(kGbkReplacement);
        const size_t skip = left < 4 ? left : 4;
        pos += skip;
        left -= skip;
    }
    return out;
}

}  // namespace

namespace {
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
}  // namespace

// ---- public conversions --------------------------------------------------------------

// ASCII reads the same in both: addresses, ids and most names need no conversion.
std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    return EncodeUtf8(DecodeGbk(gbk));
}
std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return EncodeGbk(DecodeUtf8(utf8));
}
std::u16string GbkToUtf16(std::string_view gbk) {
    return EncodeUtf16(DecodeGbk(gbk));
}
std::string Utf16ToGbk(std::u16string_view utf16) {
    return EncodeGbk(DecodeUtf16(utf16));
}
std::u16string Utf8ToUtf16(std::string_view utf8) {
    return EncodeUtf16(DecodeUtf8(utf8));
}
std::string Utf16ToUtf8(std::u16string_view utf16) {
    return EncodeUtf8(DecodeUtf16(utf16));
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view part) {
    return text.size() >= part.size() && EqualsIgnoringAsciiCase(text.substr(0, part.size()), part);
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view part) {
    return text.size() >= part.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - part.size()), part);
}

std::string_view TrimAsciiSpace(std::string_view text) {
    constexpr std::string_view kSpace = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace platform
