// Whole files read and written by tests.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace platform::testing {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes `content` as the whole file, making its folders; true when written
// whole and, when `mode` is given, with that mode.
inline bool WriteFile(const std::filesystem::path& path, const std::string& content,
                      mode_t mode = 0) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return out.good() && (mode == 0 || ::chmod(path.c_str(), mode) == 0);
}

}  // namespace platform::testing
