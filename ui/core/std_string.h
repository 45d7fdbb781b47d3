// CStdString: the widget layer's text type, a std::string (GBK bytes) with the
// few helpers the system's code calls on control texts.
#pragma once

#include <string>
#include <string_view>

namespace DuiLib {

class CStdString : public std::string {
public:
    CStdString() = default;
    CStdString(const char* text) : std::string(text ? text : "") {}
    CStdString(std::string text) : std::string(std::move(text)) {}
    CStdString(std::string_view text) : std::string(text) {}

    const char* GetData() const { return c_str(); }
    int GetLength() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }
    void Empty() { clear(); }

    // Position of `part` from `start`, or -1.
    int Find(std::string_view part, int start = 0) const;
    int Find(char c, int start = 0) const;
    int ReverseFind(char c) const;
    CStdString Left(int count) const;
    CStdString Mid(int start, int count = -1) const;
    CStdString Right(int count) const;
    // ASCII-only case folding (GBK lead bytes are never ASCII letters).
    int CompareNoCase(std::string_view other) const;
    void MakeLower();
    void MakeUpper();
    // Replaces every occurrence; an empty pattern replaces nothing. Returns the count.
    int Replace(std::string_view from, std::string_view to);
};

}  // namespace DuiLib
