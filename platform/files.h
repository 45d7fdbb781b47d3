// Files and folders with the semantics of the Win32 calls the system was written
// against. Every path is a GBK text; it is converted to the file system's UTF-8
// here, at the edge.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The path separator of this platform; the system's "\" literals use it.
inline constexpr char kPathSeparator = '/';
inline constexpr const char kPathSeparatorText[] = "/";

// Folder of the running executable (from /proc/self/exe), ending in the separator.
std::string ProgramFolder();

bool FileExists(const std::string& path);  // file or folder
bool IsDirectory(const std::string& path);
bool DeleteFile(const std::string& path);       // files only; false when missing
bool CreateDirectory(const std::string& path);  // one level; false when it exists
// Renames `from` to `to`, never replacing: fails when `to` already exists.
bool MoveFile(const std::string& from, const std::string& to);
// Replaces `replaced` by `replacement` (which disappears under its own name and
// takes the permission bits of the file it replaces, never its set-id or sticky
// bits). Both must be existing files, not links; otherwise nothing changes and
// the result is false.
bool ReplaceFile(const std::string& replaced, const std::string& replacement);

// Directory listing in the manner of FindFirstFile/FindNextFile on "dir\*":
// the first entry is ".", then "..", then the folder's entries sorted by name.
// Empty when the folder cannot be listed. Names the file system holds in a form
// GBK cannot represent come back with '?' in place of those characters.
struct DirEntry {
    std::string name;          // GBK
    bool isDirectory = false;  // a symbolic link to a folder is not a folder here
};
std::vector<DirEntry> ListDirectory(const std::string& dir);

}  // namespace platform
