// The skin attribute parsers on any text: rectangles, sizes, numbers, flags,
// colours, image descriptions, alignments and attribute lists. An image
// description that parses is written back and must parse to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ui/core/attributes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ui::ParseRect(text);
    ui::ParseSize(text);
    ui::ParseInt(text);
    ui::ParseBool(text);
    ui::ParseColor(text);
    ui::ParseAlign(text);
    ui::ParseAttributeList(text);
    if (auto spec = ui::ParseImageSpec(text); spec && !spec->empty() && spec->fade == 255 &&
                                              !spec->mask && ui::IsQuotableImageValue(spec->file)) {
        std::string written = "file='" + spec->file + "'";
        if (spec->dest) written += " dest='" + ui::FormatRect(*spec->dest) + "'";
        if (spec->source) written += " source='" + ui::FormatRect(*spec->source) + "'";
        written += " corner='" + ui::FormatRect(spec->corner) + "'";
        auto again = ui::ParseImageSpec(written);
        if (!again || !(*again == *spec)) std::abort();
    }
    return 0;
}
