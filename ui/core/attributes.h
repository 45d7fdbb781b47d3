// Pure parsers for skin attribute values. Each takes the text as written in a
// skin (or passed to SetAttribute) and gives a typed value, or nothing when the
// text is malformed, so the caller can report it instead of drawing it wrong.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/core/win_types.h"

namespace ui {

// "l,t,r,b" (blanks allowed around numbers; negative numbers allowed).
std::optional<RECT> ParseRect(std::string_view text);
// "cx,cy".
std::optional<SIZE> ParseSize(std::string_view text);
// A decimal integer, optionally signed, nothing else.
std::optional<int> ParseInt(std::string_view text);
// "true"/"false" (also "1"/"0"), case-insensitive.
std::optional<bool> ParseBool(std::string_view text);
// "#AARRGGBB" or "#RRGGBB" (opaque) or "0xAARRGGBB"; gives 0xAARRGGBB.
std::optional<DWORD> ParseColor(std::string_view text);

// An image reference: a plain file name, or key='value' pairs
// (file, dest, source, corner; also res, fade, mask which are kept as text).
struct ImageSpec {
    std::string file;
    std::optional<RECT> dest;    // where in the control, relative to its top-left
    std::optional<RECT> source;  // part of the image file
    RECT corner{};               // 9-slice insets
    int fade = 255;
    std::optional<DWORD> mask;
    bool empty() const { return file.empty(); }
    friend bool operator==(const ImageSpec&, const ImageSpec&) = default;
};
// Empty text gives an empty spec (no image). Unknown keys or a value that does
// not parse make the whole spec malformed.
std::optional<ImageSpec> ParseImageSpec(std::string_view text);
// Whether `value` can stand between the quotes of an image spec (file='...'):
// it holds neither quote character, so it cannot end its value early and add
// keys of its own.
bool IsQuotableImageValue(std::string_view value);

// Text alignment: "left", "right", "center", "top", "bottom", "vcenter",
// "centerbottom"... any mix of these words; gives DT_* style flags.
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_SINGLELINE = 0x0020;
std::optional<UINT> ParseAlign(std::string_view text);

// An attribute list as class defaults hold it: name="value" pairs separated by
// blanks (values in double or single quotes). Malformed text gives nothing.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseAttributeList(
    std::string_view text);

// The text of a rectangle as the attribute "pos" expects it: "l,t,r,b".
std::string FormatRect(const RECT& rect);

}  // namespace ui
