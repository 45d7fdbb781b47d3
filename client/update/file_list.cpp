// Sections: local names | one line | the whole list
#include "client/update/file_list.h"

#include "platform/files.h"

namespace quorvi {

// ---- local names -------------------------------------------------------------------------

std::string LocalNameOf(std::string_view serverPath) {
    for (int cut = 0; cut < 2; ++cut) {
        const std::size_t slash = serverPath.find('/');
        if (slash != std::string_view::npos) serverPath.remove_prefix(slash + 1);
    }
    std::string local(serverPath);
    for (char& c : local)
        if (c == '/') c = platform::kPathSeparator;
    return local;
}

bool IsInsideFolder(std::string_view localName) {
    if (localName.empty() || localName.find('\0') != std::string_view::npos) return false;
    // Both separators count: "\" separates parts on the system's other platform.
    while (true) {
        const std::size_t end = localName.find_first_of("/\\");
        const std::string_view part = localName.substr(0, end);
        // An empty first part is an absolute path; "." and ".." walk about.
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string_view::npos) return true;
        localName.remove_prefix(end + 1);
    }
}

// ---- one line ----------------------------------------------------------------------------
namespace {

// A decimal size: digits only, few enough that the sum of a list cannot overflow.
std::optional<std::int64_t> ParseSize(std::string_view text) {
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<FileListEntry> ParseFileListLine(std::string_view line) {
    // Fields split at every "|"; empty fields are kept and fields past the third ignored.
    std::string_view fields[3];
    std::size_t count = 0;
    while (count < 3) {
        const std::size_t bar = line.find('|');
        fields[count++] = line.substr(0, bar);
        if (bar == std::string_view::npos) break;
        line.remove_prefix(bar + 1);
    }
    if (count < 3) return std::nullopt;

    const std::optional<std::int64_t> size = ParseSize(fields[2]);
    if (!size) return std::nullopt;
    FileListEntry entry{std::string(fields[0]), std::string(fields[1]), *size,
                        LocalNameOf(fields[0])};
    if (!IsInsideFolder(entry.localName)) return std::nullopt;
    return entry;
}

// ---- the whole list ----------------------------------------------------------------------

FileList ParseFileList(std::string_view text) {
    FileList list;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        if (line.size() > kMaxFileListLine) {
            list.endedByLongLine = true;
            break;
        }
        if (std::optional<FileListEntry> entry = ParseFileListLine(line))
            list.entries.push_back(std::move(*entry));
        else
            ++list.skippedLines;
    }
    return list;
}

}  // namespace quorvi
