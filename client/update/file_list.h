// The update server's file list ("filesinfo.txt"): one entry per line, fields
// separated by "|": the file's path below "pub/", its MD5 digest, its size.
//
// Parsing is pure (text in, entries out) so it can be tested and fuzzed on its
// own. Lines end in "\n" or "\r\n". A line longer than kMaxFileListLine ends
// the list there; an empty line, a line with fewer than three fields, a size
// that is not a decimal number and a path whose local name would leave the
// folder are skipped, and the lines after them still count.
//
// Sections: entries | local names | parsing
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvi {

// ---- entries -----------------------------------------------------------------------------
struct FileListEntry {
    std::string serverPath;  // below "pub/" on the update server, "/" separators
    std::string digest;      // compared byte for byte with the local file's digest
    std::int64_t size = 0;   // counts progress only
    std::string localName;   // relative to the folder the list describes

    bool operator==(const FileListEntry&) const = default;
};

// ---- local names -------------------------------------------------------------------------
// The local name of a server path: everything up to and including the first
// "/" is removed twice (a text without "/" stays as it is), and "/" becomes the
// platform's separator. "quorvi/program/skin/main.xml" gives "skin/main.xml".
std::string LocalNameOf(std::string_view serverPath);

// Whether a local name stays inside the folder it is appended to: not empty,
// relative, with no empty, "." or ".." part ("/" and "\" both separate parts)
// and no NUL byte.
bool IsInsideFolder(std::string_view localName);

// ---- parsing -----------------------------------------------------------------------------
// Characters of a line, its end not counted, that are read; a longer line ends
// the list (only the lines before it count).
inline constexpr std::size_t kMaxFileListLine = 1022;

// One line without its line end. Empty when the line is malformed or its local
// name would leave the folder.
std::optional<FileListEntry> ParseFileListLine(std::string_view line);

struct FileList {
    std::vector<FileListEntry> entries;  // in list order
    int skippedLines = 0;                // malformed or leaving the folder
    bool endedByLongLine = false;
};

// A whole list as the server sent it.
FileList ParseFileList(std::string_view text);

}  // namespace quorvi
