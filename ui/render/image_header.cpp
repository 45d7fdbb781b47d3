#include "ui/render/image_header.h"

namespace ui {
namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

std::optional<ImageSize> PngImageSize(std::string_view header) {
    if (header.size() < kPngHeaderBytes || !header.starts_with(kPngSignature)) return std::nullopt;
    if (BigEndian32(header, 8) != 13 || header.substr(12, 4) != "IHDR") return std::nullopt;
    const ImageSize size{BigEndian32(header, 16), BigEndian32(header, 20)};
    constexpr std::uint32_t kLargest = 0x7FFFFFFF;
    if (size.width == 0 || size.height == 0 || size.width > kLargest || size.height > kLargest)
        return std::nullopt;
    return size;
}

bool FitsImageLimit(ImageSize size) {
    return size.width <= kMaxImageSide && size.height <= kMaxImageSide;
}

}  // namespace ui
