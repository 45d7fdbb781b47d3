// The size an image file declares in its header, read before the image is
// decoded, and the limit on what the widget layer decodes: a small file can
// declare an image of gigabytes (a PNG of a few kilobytes that inflates to
// 23,000 pixels square), and decoding takes that memory at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ui {

struct ImageSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const ImageSize&) const = default;
};

// The largest side of an image the widget layer decodes: generous for icons
// and skin images (a window background is under 1000 pixels wide), and at most
// 64 MB decoded.
inline constexpr std::uint32_t kMaxImageSide = 4096;

// Bytes a PNG needs before its size is known: the signature and the whole
// IHDR chunk that must come first.
inline constexpr std::size_t kPngHeaderBytes = 8 + 8 + 13;

// The width and height a PNG declares (its IHDR chunk); nullopt when the bytes
// do not begin with a PNG signature followed by a well-formed IHDR chunk
// (13 bytes, each side 1 to 2^31-1 as PNG allows).
std::optional<ImageSize> PngImageSize(std::string_view header);

// Whether an image of this size may be decoded: each side at most kMaxImageSide.
bool FitsImageLimit(ImageSize size);

}  // namespace ui
