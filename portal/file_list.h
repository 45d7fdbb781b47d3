// The update server's file lists.
//
// A list describes one folder below the update server's "pub/" folder: one line
// per regular file, "server path|md5|size\n", where the server path is the
// file's path below "pub/" with "/" separators (the client fetches it as
// "pub/" + server path). Lines are sorted by server path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace portal {

// The list of pub_root/folder (folder relative to pub_root, "/"-separated), or
// nothing when that folder does not exist or folder is not a plain relative path.
std::optional<std::string> BuildFileList(const std::string& pub_root, std::string_view folder);

// A relative "/"-separated path without empty, "." or ".." parts and without "\".
bool IsPlainRelativePath(std::string_view path);

}  // namespace portal
