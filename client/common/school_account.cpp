#include "client/common/school_account.h"

#include <fstream>
#include <iterator>

#include "platform/files.h"
#include "platform/text.h"

namespace quorvi {

std::string TextModeContent(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

std::string ReadSchoolAccount(const std::string& programFolder) {
    const std::string path = programFolder + kUserFileName;
    if (!platform::FileExists(path) || platform::IsDirectory(path)) return {};
    std::ifstream file(platform::GbkToUtf8(path), std::ios::binary);
    if (!file) return {};
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return TextModeContent(bytes);
}

}  // namespace quorvi
