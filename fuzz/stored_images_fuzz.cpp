// The index of a file of stored decoded images on any bytes: every image it
// accepts has a size within the limit, rows of cairo's stride and its pixels
// within the file, and an index cut short is never accepted.
#include <cairo.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/render/image_header.h"
#include "ui/render/stored_images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto entries = ui::ParseStoredImageIndex(bytes, size);
    if (!entries) return 0;
    const std::uint32_t indexBytes = *ui::StoredIndexBytes(bytes);
    if (indexBytes > size || ui::ParseStoredImageIndex(bytes.substr(0, indexBytes - 1), size))
        std::abort();
    for (const ui::StoredImageEntry& entry : *entries) {
        const ui::ImageSize imageSize{static_cast<std::uint32_t>(entry.width),
                                      static_cast<std::uint32_t>(entry.height)};
        if (entry.width <= 0 || entry.height <= 0 || !ui::FitsImageLimit(imageSize) ||
            entry.stride != cairo_format_stride_for_width(entry.format, entry.width) ||
            entry.offset < indexBytes || entry.offset > size ||
            size - entry.offset < static_cast<std::uint64_t>(entry.stride) * entry.height ||
            entry.path.empty())
            std::abort();
    }
    return 0;
}
