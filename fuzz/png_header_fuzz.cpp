// The PNG header reader on any bytes: a size it gives has both sides in PNG's
// range, and it reads nothing past the header.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/render/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<ui::ImageSize> declared = ui::PngImageSize(bytes);
    if (declared != ui::PngImageSize(bytes.substr(0, ui::kPngHeaderBytes))) std::abort();
    if (declared && (declared->width == 0 || declared->height == 0 ||
                     declared->width > 0x7FFFFFFF || declared->height > 0x7FFFFFFF))
        std::abort();
    return 0;
}
