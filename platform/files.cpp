// Files and folders. Paths arrive as GBK and are converted to UTF-8 here.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/text.h"

namespace platform {
namespace {

std::string Native(const std::string& path) {
    return GbkToUtf8(path);
}

bool StatNative(const std::string& native, struct stat* info) {
    return ::stat(native.c_str(), info) == 0;
}

// Renames without replacing where the file system cannot do it atomically:
// a hard link fails when the target exists; folders (which cannot be linked)
// fall back to a check followed by a rename.
bool RenameNoReplaceFallback(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) return true;
        ::unlink(to.c_str());
        return false;
    }
    if (errno == EEXIST) return false;
    struct stat info;
    if (::lstat(to.c_str(), &info) == 0 || errno != ENOENT) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0) return {};
    path.resize(static_cast<size_t>(length));
    std::string gbk = Utf8ToGbk(path);
    // '/' (0x2F) is never a GBK trail byte (0x40-0xFE), so a plain search is safe.
    return gbk.substr(0, gbk.rfind(kPathSeparator) + 1);
}

bool FileExists(const std::string& path) {
    struct stat info;
    return StatNative(Native(path), &info);
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return StatNative(Native(path), &info) && S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& path) {
    return ::unlink(Native(path).c_str()) == 0;
}

bool CreateDirectory(const std::string& path) {
    return ::mkdir(Native(path).c_str(), 0777) == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
    const std::string nativeFrom = Native(from);
    const std::string nativeTo = Native(to);
    if (::renameat2(AT_FDCWD, nativeFrom.c_str(), AT_FDCWD, nativeTo.c_str(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    // File systems without RENAME_NOREPLACE answer EINVAL (or ENOSYS on old kernels).
    if (errno != EINVAL && errno != ENOSYS) return false;
    return RenameNoReplaceFallback(nativeFrom, nativeTo);
}

bool ReplaceFile(const std::string& replaced, const std::string& replacement) {
    const std::string nativeReplaced = Native(replaced);
    const std::string nativeReplacement = Native(replacement);
    struct stat replacedInfo;
    if (::lstat(nativeReplaced.c_str(), &replacedInfo) != 0 || !S_ISREG(replacedInfo.st_mode))
        return false;
    // The permissions are set on the file as opened without following a link (a
    // link put under the name cannot redirect them; non-blocking, so a pipe cannot
    // hold the caller), and are its permission bits only: a program stays
    // runnable, but set-id and sticky bits of an old file never pass to a new one.
    const int fd =
        ::open(nativeReplacement.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat replacementInfo;
    const mode_t mode = replacedInfo.st_mode & 0777;
    const bool ready = ::fstat(fd, &replacementInfo) == 0 && S_ISREG(replacementInfo.st_mode) &&
                       ((replacementInfo.st_mode & 07777) == mode || ::fchmod(fd, mode) == 0);
    ::close(fd);
    return ready && ::rename(nativeReplacement.c_str(), nativeReplaced.c_str()) == 0;
}

std::vector<DirEntry> ListDirectory(const std::string& dir) {
    const std::string native = Native(dir);
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(native.c_str()), ::closedir);
    if (!handle) return {};
    std::vector<DirEntry> entries;
    while (const dirent* entry = ::readdir(handle.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            // Symbolic links are not followed, so a walk over the tree cannot loop.
            struct stat info;
            const std::string full = native + kPathSeparator + name;
            isDirectory = ::lstat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        entries.push_back({Utf8ToGbk(name), isDirectory});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    entries.insert(entries.begin(), {{".", true}, {"..", true}});
    return entries;
}

}  // namespace platform
