#include "ui/core/std_string.h"

#include <algorithm>

#include "platform/text.h"

namespace DuiLib {
namespace {
using platform::LowerAscii;
using platform::UpperAscii;
}  // namespace

int CStdString::Find(std::string_view part, int start) const {
    if (start < 0 || static_cast<size_t>(start) > size()) return -1;
    size_t at = find(part, static_cast<size_t>(start));
    return at == npos ? -1 : static_cast<int>(at);
}

int CStdString::Find(char c, int start) const {
    return Find(std::string_view(&c, 1), start);
}

int CStdString::ReverseFind(char c) const {
    size_t at = rfind(c);
    return at == npos ? -1 : static_cast<int>(at);
}

CStdString CStdString::Left(int count) const {
    return substr(0, static_cast<size_t>(std::clamp(count, 0, GetLength())));
}

CStdString CStdString::Mid(int start, int count) const {
    if (start < 0) start = 0;
    if (start >= GetLength()) return {};
    if (count < 0) return substr(static_cast<size_t>(start));
    return substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

CStdString CStdString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return substr(size() - static_cast<size_t>(count));
}

int CStdString::CompareNoCase(std::string_view other) const {
    size_t n = std::min(size(), other.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(LowerAscii((*this)[i]));
        unsigned char b = static_cast<unsigned char>(LowerAscii(other[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (size() == other.size()) return 0;
    return size() < other.size() ? -1 : 1;
}

void CStdString::MakeLower() {
    std::transform(begin(), end(), begin(), LowerAscii);
}
void CStdString::MakeUpper() {
    std::transform(begin(), end(), begin(), UpperAscii);
}

int CStdString::Replace(std::string_view from, std::string_view to) {
    if (from.empty()) return 0;
    int count = 0;
    size_t at = 0;
    while ((at = find(from, at)) != npos) {
        replace(at, from.size(), to);
        at += to.size();
        ++count;
    }
    return count;
}

}  // namespace DuiLib
