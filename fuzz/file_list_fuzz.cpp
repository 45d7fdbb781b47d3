// The file list on any bytes: every entry kept names a place inside its folder
// and carries a digest and a size.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "client/update/file_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quorvi::FileList list = quorvi::ParseFileList(text);
    for (const quorvi::FileListEntry& entry : list.entries)
        if (!quorvi::IsInsideFolder(entry.localName)) std::abort();
    return 0;
}
