// Side files: finding them in a folder tree and putting them in place.
//
// Sections: names | one folder | putting one in place | the walk
#include "updrix/side_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <utility>
#include <vector>

namespace updrix {

// ---- names -----------------------------------------------------------------------

bool IsSideFileName(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && dot > 0 && name.substr(dot) == kSideFileExtension;
}

namespace {

// ---- one folder --------------------------------------------------------------------

// Owns a file descriptor.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

enum class EntryKind { kFile, kFolder, kOther };

EntryKind KindOf(int folder, const dirent& entry) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        // Some file systems do not say; ask without following a link.
        struct stat info;
        if (::fstatat(folder, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::kOther;
        type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    if (type == DT_REG) return EntryKind::kFile;
    if (type == DT_DIR) return EntryKind::kFolder;
    return EntryKind::kOther;  // links, pipes, sockets, devices
}

struct FolderListing {
    std::vector<std::string> sideFiles;
    std::vector<std::string> subfolders;  // without "." and ".." and dot folders
};

// Lists a folder completely before anything in it is renamed, so that the
// renames cannot disturb the listing. The folder's descriptor stays open.
FolderListing ListFolder(int folder) {
    FolderListing listing;
    const int own = ::dup(folder);  // closedir closes the descriptor it is given
    if (own < 0) return listing;
    DIR* stream = ::fdopendir(own);
    if (!stream) {
        ::close(own);
        return listing;
    }
    ::rewinddir(stream);
    while (const dirent* entry = ::readdir(stream)) {
        const std::string_view name = entry->d_name;
        switch (KindOf(folder, *entry)) {
            case EntryKind::kFile:
                if (IsSideFileName(name)) listing.sideFiles.emplace_back(name);
                break;
            case EntryKind::kFolder:
                if (!name.starts_with('.')) listing.subfolders.emplace_back(name);
                break;
            case EntryKind::kOther:
                break;
        }
    }
    ::closedir(stream);
    return listing;
}

// ---- putting one in place ----------------------------------------------------------------

std::string Because(std::string_view what, int error) {
    return std::string(what) + ": " + std::error_code(error, std::generic_category()).message();
}

}  // namespace

// One rename: an existing target is replaced atomically (the name never points at
// nothing, so a crash at any moment leaves the old file or the new one), a missing
// one is created. The permission step works on the descriptor opened without
// following links, so a link swapped in after the listing cannot redirect it.
std::optional<std::string> PutSideFileInPlace(int folder, const std::string& sideName) {
    if (!IsSideFileName(sideName)) return "not a side file name";
    const std::string target = sideName.substr(0, sideName.size() - kSideFileExtension.size());
    // Non-blocking: a pipe put under the name must not hold up the tick.
    UniqueFd side(
        ::openat(folder, sideName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!side.valid()) return Because("cannot open it", errno);
    struct stat sideInfo;
    if (::fstat(side.get(), &sideInfo) != 0) return Because("cannot read it", errno);
    if (!S_ISREG(sideInfo.st_mode)) return "it is not a regular file";

    // A program stays runnable; a download never gains set-id or sticky bits.
    mode_t mode = sideInfo.st_mode & 0777;
    struct stat targetInfo;
    if (::fstatat(folder, target.c_str(), &targetInfo, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(targetInfo.st_mode)) return "its target is a folder";
        if (S_ISREG(targetInfo.st_mode)) mode = targetInfo.st_mode & 0777;
    }
    if ((sideInfo.st_mode & 07777) != mode && ::fchmod(side.get(), mode) != 0)
        return Because("cannot set its permissions", errno);
    if (::fsync(side.get()) != 0) return Because("cannot flush it to the disk", errno);
    if (::renameat(folder, sideName.c_str(), folder, target.c_str()) != 0)
        return Because("cannot rename it", errno);
    return std::nullopt;
}

// ---- the walk -------------------------------------------------------------------------

SideFileReport ApplySideFiles(const std::string& pattern) {
    const size_t separator = pattern.rfind('/');
    const std::string root =
        separator == std::string::npos ? std::string("./") : pattern.substr(0, separator + 1);

    // Depth first with a stack of open folders instead of recursion, so a deep
    // tree cannot overflow the thread's stack; a folder that cannot be opened
    // (too deep for the descriptor limit, no access) is skipped.
    struct OpenFolder {
        UniqueFd fd;
        std::string path;  // ends in "/"
        std::vector<std::string> subfolders;
        size_t next = 0;
    };
    std::vector<OpenFolder> stack;
    SideFileReport report;
    auto enter = [&](UniqueFd folder, std::string path) {
        FolderListing listing = ListFolder(folder.get());
        for (const std::string& side : listing.sideFiles) {
            if (auto cause = PutSideFileInPlace(folder.get(), side))
                report.failures.push_back({path + side, std::move(*cause)});
            else
                ++report.applied;
        }
        if (!listing.subfolders.empty())
            stack.push_back({std::move(folder), std::move(path), std::move(listing.subfolders)});
    };

    constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd top(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.valid()) return report;
    enter(std::move(top), root);
    while (!stack.empty()) {
        OpenFolder& current = stack.back();
        if (current.next == current.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const std::string& name = current.subfolders[current.next++];
        UniqueFd sub(::openat(current.fd.get(), name.c_str(), kFolderFlags));
        if (sub.valid()) enter(std::move(sub), current.path + name + "/");
    }
    return report;
}

}  // namespace updrix
