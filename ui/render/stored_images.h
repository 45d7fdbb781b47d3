// A file of decoded images in the program's folder. A start whose first frame
// finds its images there copies their pixels instead of decoding the PNG files
// again, which was about half of the main window's first paint.
//
// Each image is kept with the stamp of the file it was decoded from (device,
// inode, size, modification and change times): a file replaced or rewritten
// since has another stamp, and is decoded again. The file is written whole
// under another name, flushed, then renamed over the old one; a file that
// cannot be read or does not hold together is taken as empty.
//
// Layout (native byte order: the file never leaves the machine that wrote it):
//   header   "QVIMG01\n", u32 image count, u32 bytes of header and index
//   index    per image: u64 offset, device, inode, size; i64 modified and
//            changed times (ns); u32 width, height, stride, cairo format, path
//            length; path
//   pixels   each image's rows (cairo ARGB32, premultiplied, or RGB24), 16-byte
//            aligned
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ui {

// The version of an image file as the file system tells it.
struct ImageFileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const ImageFileStamp&) const = default;
};

// The stamp of the open file `fd`; nullopt when it cannot be read.
std::optional<ImageFileStamp> StampOfOpenFile(int fd);
// The stamp of the regular file at `path`, without opening it.
std::optional<ImageFileStamp> StampOfFile(const std::string& path);

// Where one stored image's pixels lie in the file, and what it was decoded from.
struct StoredImageEntry {
    std::string path;  // UTF-8, as the renderer resolved it
    ImageFileStamp stamp;
    int width = 0;
    int height = 0;
    int stride = 0;
    cairo_format_t format = CAIRO_FORMAT_ARGB32;  // or RGB24 (a file without alpha)
    std::uint64_t offset = 0;
};

constexpr std::string_view kStoredImagesMagic = "QVIMG01\n";
constexpr size_t kStoredImagesHeaderBytes = 16;
// Bounds that a file within reason never reaches; over them it is refused.
constexpr std::uint32_t kMaxStoredImages = 8192;
constexpr std::uint32_t kMaxStoredIndexBytes = 4u << 20;
constexpr std::uint64_t kMaxStoredFileBytes = std::uint64_t{1} << 30;

// The bytes of header and index the file's first 16 bytes declare; nullopt
// when they are not the header of such a file or declare more than the bound.
std::optional<std::uint32_t> StoredIndexBytes(std::string_view header);

// The entries of a file of `fileSize` bytes whose header and index are
// `bytes`; nullopt unless every entry is whole, its image within the size limit,
// its format ARGB32 or RGB24, its rows of cairo's stride and its pixels within
// the file.
std::optional<std::vector<StoredImageEntry>> ParseStoredImageIndex(std::string_view bytes,
                                                                   std::uint64_t fileSize);

// An image to write: the file it was decoded from, its stamp then, and its pixels.
struct ImageToStore {
    std::string path;
    ImageFileStamp stamp;
    std::shared_ptr<cairo_surface_t> image;  // an ARGB32 or RGB24 image surface
};

// Writes `images` to `path` as a whole new file (see above); false when it
// could not (the old file, if any, is then left as it was).
bool WriteStoredImages(const std::string& path, const std::vector<ImageToStore>& images);

// A file of stored images opened for reading: mapped into memory, its index
// read once. The images handed out are its pixels where they lie, each holding
// the mapping until it is destroyed. Take may be called from any thread.
class StoredImages {
public:
    StoredImages() = default;
    ~StoredImages();
    StoredImages(const StoredImages&) = delete;
    StoredImages& operator=(const StoredImages&) = delete;

    // Reads the index of the file at `path`; false (and empty) when there is
    // none or it does not hold together.
    bool Open(const std::string& path);
    // An image surface of the stored pixels of `path` when they were stored
    // for a file of `stamp`; null otherwise.
    cairo_surface_t* Take(const std::string& path, const ImageFileStamp& stamp) const;
    // Whether an image of `path` is stored at all, whatever its stamp.
    bool Holds(const std::string& path) const { return entries_.contains(path); }
    size_t Count() const { return entries_.size(); }

private:
    struct Mapping;
    std::shared_ptr<Mapping> mapping_;
    std::unordered_map<std::string, StoredImageEntry> entries_;
};

}  // namespace ui
