// Side files: a downloaded replacement for a file that exists waits beside it
// under the file's name followed by ".vmupdate". Applying it puts it in the
// file's place.
//
// Paths and names here are the file system's own bytes, not GBK texts: only the
// ASCII extension is looked at and names go back to the file system as they came,
// so a name that GBK cannot spell is still applied.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updrix {

inline constexpr std::string_view kSideFileExtension = ".vmupdate";

// True when the extension of `name` (its text from the last "." on) is exactly
// ".vmupdate", compared case-sensitively, and a name precedes it: "a.txt.vmupdate"
// waits for "a.txt", while ".vmupdate" alone names no file to replace.
bool IsSideFileName(std::string_view name);

// A side file that could not be put in place, and why.
struct SideFileFailure {
    std::string path;   // the walked folder followed by the path below it
    std::string cause;  // for a person: "its target is a folder", "Permission denied"
};

// What one walk did.
struct SideFileReport {
    int applied = 0;
    std::vector<SideFileFailure> failures;  // their side files stay where they are
};

// Walks the folder that `pattern` names (its text up to and including the last
// "/"; callers pass the folder followed by "*.*") and, depth first, every
// subfolder whose name does not begin with "." (symbolic links are not followed).
// Every side file found takes the place of its target in one rename, so the target
// is old or new at any moment, never missing; a target that does not exist yet is
// created by the same rename.
SideFileReport ApplySideFiles(const std::string& pattern);

// Puts the side file `sideName` of the open folder `folder` in place of its
// target. Acts only on the side file as it opens it without following a link:
// a name that is no longer a regular file (a link or a pipe put there since the
// folder was listed) is left alone. The file takes the permission bits of a
// regular file it replaces (never set-id or sticky bits) and reaches the disk
// before the rename. Nothing on success, otherwise the cause.
std::optional<std::string> PutSideFileInPlace(int folder, const std::string& sideName);

}  // namespace updrix
