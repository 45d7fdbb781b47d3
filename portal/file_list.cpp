#include "portal/file_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "libmerv/libmerv.h"

namespace portal {

namespace fs = std::filesystem;

bool IsPlainRelativePath(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.find('\\') != std::string_view::npos)
        return false;
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(at, end - at);
        if (part.empty() || part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

std::optional<std::string> BuildFileList(const std::string& pub_root, std::string_view folder) {
    if (!IsPlainRelativePath(folder)) return std::nullopt;
    std::error_code error;
    fs::path base = fs::path(pub_root) / std::string(folder);
    if (!fs::is_directory(base, error)) return std::nullopt;

    std::vector<std::string> server_paths;
    for (auto it = fs::recursive_directory_iterator(base, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        std::string relative = it->path().lexically_relative(base).generic_string();
        server_paths.push_back(std::string(folder) + "/" + relative);
    }
    if (error) return std::nullopt;
    std::sort(server_paths.begin(), server_paths.end());

    std::string list;
    for (const std::string& server_path : server_paths) {
        fs::path file = fs::path(pub_root) / server_path;
        std::string digest = Clibmerv::FileDigest(file.string());
        std::uintmax_t size = fs::file_size(file, error);
        if (digest.empty() || error) continue;  // vanished or unreadable meanwhile
        list += server_path + "|" + digest + "|" + std::to_string(size) + "\n";
    }
    return list;
}

}  // namespace portal
