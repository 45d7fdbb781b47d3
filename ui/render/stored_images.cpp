// Sections: stamps | the index | writing | reading
#include "ui/render/stored_images.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ui/render/image_header.h"

namespace ui {
namespace {

// Bytes of an index entry before its path.
constexpr size_t kEntryFixedBytes = 6 * 8 + 5 * 4;
constexpr std::uint32_t kMaxPathBytes = 4096;
constexpr std::uint64_t kPixelAlignment = 16;

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

template <typename T>
void Put(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Reads a T at `at` and moves past it; false when the bytes end first.
template <typename T>
bool Get(std::string_view bytes, size_t& at, T& value) {
    if (bytes.size() - at < sizeof value) return false;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

bool WriteAll(int fd, const void* data, size_t length) {
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

std::uint64_t Aligned(std::uint64_t offset) {
    return (offset + kPixelAlignment - 1) / kPixelAlignment * kPixelAlignment;
}

}  // namespace

// ---- stamps ----------------------------------------------------------------------------------
namespace {

ImageFileStamp StampOf(const struct stat& info) {
    return ImageFileStamp{static_cast<std::uint64_t>(info.st_dev),
                          static_cast<std::uint64_t>(info.st_ino),
                          static_cast<std::uint64_t>(info.st_size), Nanoseconds(info.st_mtim),
                          Nanoseconds(info.st_ctim)};
}

}  // namespace

std::optional<ImageFileStamp> StampOfOpenFile(int fd) {
    struct stat info;
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return StampOf(info);
}

std::optional<ImageFileStamp> StampOfFile(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return StampOf(info);
}

// ---- the index -------------------------------------------------------------------------------
std::optional<std::uint32_t> StoredIndexBytes(std::string_view header) {
    if (header.size() < kStoredImagesHeaderBytes || !header.starts_with(kStoredImagesMagic))
        return std::nullopt;
    size_t at = kStoredImagesMagic.size();
    std::uint32_t count = 0, indexBytes = 0;
    Get(header, at, count);
    Get(header, at, indexBytes);
    if (count > kMaxStoredImages || indexBytes < kStoredImagesHeaderBytes ||
        indexBytes > kMaxStoredIndexBytes)
        return std::nullopt;
    return indexBytes;
}

std::optional<std::vector<StoredImageEntry>> ParseStoredImageIndex(std::string_view bytes,
                                                                   std::uint64_t fileSize) {
    const std::optional<std::uint32_t> indexBytes = StoredIndexBytes(bytes);
    if (!indexBytes || bytes.size() < *indexBytes || fileSize < *indexBytes) return std::nullopt;
    bytes = bytes.substr(0, *indexBytes);
    size_t at = kStoredImagesMagic.size();
    std::uint32_t count = 0;
    Get(bytes, at, count);
    at = kStoredImagesHeaderBytes;
    std::vector<StoredImageEntry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        StoredImageEntry entry;
        std::uint32_t width = 0, height = 0, stride = 0, format = 0, pathBytes = 0;
        if (!Get(bytes, at, entry.offset) || !Get(bytes, at, entry.stamp.device) ||
            !Get(bytes, at, entry.stamp.inode) || !Get(bytes, at, entry.stamp.size) ||
            !Get(bytes, at, entry.stamp.modifiedNs) || !Get(bytes, at, entry.stamp.changedNs) ||
            !Get(bytes, at, width) || !Get(bytes, at, height) || !Get(bytes, at, stride) ||
            !Get(bytes, at, format) || !Get(bytes, at, pathBytes))
            return std::nullopt;
        if (pathBytes == 0 || pathBytes > kMaxPathBytes || bytes.size() - at < pathBytes)
            return std::nullopt;
        entry.path.assign(bytes.data() + at, pathBytes);
        at += pathBytes;
        if (width == 0 || height == 0 || !FitsImageLimit({width, height})) return std::nullopt;
        entry.width = static_cast<int>(width);
        entry.height = static_cast<int>(height);
        entry.stride = static_cast<int>(stride);
        if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return std::nullopt;
        entry.format = static_cast<cairo_format_t>(format);
        if (entry.stride != cairo_format_stride_for_width(entry.format, entry.width))
            return std::nullopt;
        // Sizes within the limit keep this product far from overflowing.
        const std::uint64_t pixelBytes = std::uint64_t{stride} * height;
        if (entry.offset < *indexBytes || entry.offset > fileSize ||
            fileSize - entry.offset < pixelBytes)
            return std::nullopt;
        entries.push_back(std::move(entry));
    }
    return entries;
}

// ---- writing ---------------------------------------------------------------------------------
bool WriteStoredImages(const std::string& path, const std::vector<ImageToStore>& images) {
    std::vector<const ImageToStore*> kept;
    size_t indexBytes = kStoredImagesHeaderBytes;
    for (const ImageToStore& image : images) {
        cairo_surface_t* surface = image.image.get();
        if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
            image.path.empty() || image.path.size() > kMaxPathBytes)
            continue;
        // Only what the reader takes back: a file holding anything else is refused whole.
        const cairo_format_t format = cairo_image_surface_get_format(surface);
        const int width = cairo_image_surface_get_width(surface);
        const int height = cairo_image_surface_get_height(surface);
        if ((format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) || width <= 0 ||
            height <= 0 ||
            !FitsImageLimit(
                {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) ||
            cairo_image_surface_get_stride(surface) != cairo_format_stride_for_width(format, width))
            continue;
        kept.push_back(&image);
        indexBytes += kEntryFixedBytes + image.path.size();
    }
    if (kept.size() > kMaxStoredImages || indexBytes > kMaxStoredIndexBytes) return false;

    std::string index(kStoredImagesMagic);
    Put(index, static_cast<std::uint32_t>(kept.size()));
    Put(index, static_cast<std::uint32_t>(indexBytes));
    std::uint64_t offset = Aligned(indexBytes);
    for (const ImageToStore* image : kept) {
        cairo_surface_t* surface = image->image.get();
        const auto width = static_cast<std::uint32_t>(cairo_image_surface_get_width(surface));
        const auto height = static_cast<std::uint32_t>(cairo_image_surface_get_height(surface));
        const auto stride = static_cast<std::uint32_t>(cairo_image_surface_get_stride(surface));
        Put(index, offset);
        Put(index, image->stamp.device);
        Put(index, image->stamp.inode);
        Put(index, image->stamp.size);
        Put(index, image->stamp.modifiedNs);
        Put(index, image->stamp.changedNs);
        Put(index, width);
        Put(index, height);
        Put(index, stride);
        Put(index, static_cast<std::uint32_t>(cairo_image_surface_get_format(surface)));
        Put(index, static_cast<std::uint32_t>(image->path.size()));
        index += image->path;
        offset = Aligned(offset + std::uint64_t{stride} * height);
    }

    // A name of this process's own: two programs writing at once each rename a whole file.
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = WriteAll(fd, index.data(), index.size());
    std::uint64_t at = index.size();
    static constexpr char kPadding[kPixelAlignment] = {};
    for (const ImageToStore* image : kept) {
        if (!written) break;
        written = WriteAll(fd, kPadding, Aligned(at) - at);
        at = Aligned(at);
        cairo_surface_t* surface = image->image.get();
        const size_t bytes = static_cast<size_t>(cairo_image_surface_get_stride(surface)) *
                             static_cast<size_t>(cairo_image_surface_get_height(surface));
        written = written && WriteAll(fd, cairo_image_surface_get_data(surface), bytes);
        at += bytes;
    }
    // Flushed before the rename, so that a crash leaves the old file or the new one whole.
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

// ---- reading ---------------------------------------------------------------------------------
// The file mapped whole, copy-on-write: a pixel written by mistake changes
// only this process's copy. It is never cut short under the mapping, as files
// of this kind are replaced by a rename, never rewritten in place.
struct StoredImages::Mapping {
    void* data = MAP_FAILED;
    size_t bytes = 0;
    ~Mapping() {
        if (data != MAP_FAILED) ::munmap(data, bytes);
    }
};

namespace {
// Each image handed out holds the mapping its pixels lie in.
const cairo_user_data_key_t kMappingKey{};
}  // namespace

StoredImages::~StoredImages() = default;

bool StoredImages::Open(const std::string& path) {
    mapping_.reset();
    entries_.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    auto mapping = std::make_shared<Mapping>();
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size >= static_cast<off_t>(kStoredImagesHeaderBytes) &&
        static_cast<std::uint64_t>(info.st_size) <= kMaxStoredFileBytes) {
        mapping->bytes = static_cast<size_t>(info.st_size);
        mapping->data = ::mmap(nullptr, mapping->bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    }
    ::close(fd);
    if (mapping->data == MAP_FAILED) return false;
    const std::string_view bytes(static_cast<const char*>(mapping->data), mapping->bytes);
    std::optional<std::vector<StoredImageEntry>> entries =
        ParseStoredImageIndex(bytes, mapping->bytes);
    if (!entries) return false;
    mapping_ = std::move(mapping);
    for (StoredImageEntry& entry : *entries)
        entries_.insert_or_assign(entry.path, std::move(entry));
    return true;
}

cairo_surface_t* StoredImages::Take(const std::string& path, const ImageFileStamp& stamp) const {
    const auto found = entries_.find(path);
    if (found == entries_.end() || found->second.stamp != stamp) return nullptr;
    const StoredImageEntry& entry = found->second;
    auto* pixels = static_cast<unsigned char*>(mapping_->data) + entry.offset;
    cairo_surface_t* image = cairo_image_surface_create_for_data(pixels, entry.format, entry.width,
                                                                 entry.height, entry.stride);
    auto* holder = new std::shared_ptr<Mapping>(mapping_);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(image, &kMappingKey, holder, [](void* held) {
            delete static_cast<std::shared_ptr<Mapping>*>(held);
        }) != CAIRO_STATUS_SUCCESS) {
        delete holder;
        cairo_surface_destroy(image);
        return nullptr;
    }
    return image;
}

}  // namespace ui
