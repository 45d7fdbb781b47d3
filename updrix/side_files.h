// Side files: a downloaded replacement for a file that exists waits beside it
// under the file's name followed by ".vmupdate". Applying it puts it in the
// file's place.
//
// Paths and names here are the file system's own bytes, not GBK texts: only the
// ASCII extension is looked at and names go back to the file system as they came,
// so a name that GBK cannot spell is still applied.
#pragma once

#include <string>
#include <string_view>

namespace updrix {

inline constexpr std::string_view kSideFileExtension = ".vmupdate";

// True when the extension of `name` (its text from the last "." on) is exactly
// ".vmupdate", compared case-sensitively, and a name precedes it: "a.txt.vmupdate"
// waits for "a.txt", while ".vmupdate" alone names no file to replace.
bool IsSideFileName(std::string_view name);

// Walks the folder that `pattern` names (its text up to and including the last
// "/"; callers pass the folder followed by "*.*") and, depth first, every
// subfolder whose name does not begin with "." (symbolic links are not followed).
// Every side file found takes the place of its target in one rename, so the target
// is old or new at any moment, never missing; a target that does not exist yet is
// created by the same rename. Returns how many side files were found, applied or
// not; one that could not be applied stays for the next walk.
int ApplySideFiles(const std::string& pattern);

}  // namespace updrix
