#include "ui/core/attributes.h"

#include <array>
#include <charconv>

#include "platform/text.h"

namespace ui {
namespace {

// Splits "a,b,c" into exactly `count` integers.
template <size_t N>
std::optional<std::array<int, N>> ParseInts(std::string_view text) {
    std::array<int, N> out{};
    for (size_t i = 0; i < N; ++i) {
        size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == N - 1)) return std::nullopt;
        auto value = ParseInt(text.substr(0, comma));
        if (!value) return std::nullopt;
        out[i] = *value;
        if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
    }
    return out;
}

}  // namespace

std::optional<int> ParseInt(std::string_view text) {
    text = platform::TrimAsciiSpace(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<RECT> ParseRect(std::string_view text) {
    auto values = ParseInts<4>(text);
    if (!values) return std::nullopt;
    return RECT{(*values)[0], (*values)[1], (*values)[2], (*values)[3]};
}

std::optional<SIZE> ParseSize(std::string_view text) {
    auto values = ParseInts<2>(text);
    if (!values) return std::nullopt;
    return SIZE{(*values)[0], (*values)[1]};
}

std::optional<bool> ParseBool(std::string_view text) {
    text = platform::TrimAsciiSpace(text);
    if (platform::EqualsIgnoringAsciiCase(text, "true") || text == "1") return true;
    if (platform::EqualsIgnoringAsciiCase(text, "false") || text == "0") return false;
    return std::nullopt;
}

std::optional<DWORD> ParseColor(std::string_view text) {
    text = platform::TrimAsciiSpace(text);
    if (text.starts_with('#'))
        text.remove_prefix(1);
    else if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    else
        return std::nullopt;
    if (text.size() != 6 && text.size() != 8) return std::nullopt;
    DWORD value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (text.size() == 6) value |= 0xFF000000u;
    return value;
}

std::optional<ImageSpec> ParseImageSpec(std::string_view text) {
    ImageSpec spec;
    text = platform::TrimAsciiSpace(text);
    if (text.empty()) return spec;
    if (text.find('=') == std::string_view::npos) {
        spec.file = std::string(text);
        return spec;
    }
    // key='value' pairs, as in an attribute list; an unknown key (an empty one
    // or one with a space or quote in it among them) makes the image invalid.
    const auto pairs = ParseAttributeList(text);
    if (!pairs) return std::nullopt;
    for (const auto& [key, value] : *pairs) {
        if (key == "file" || key == "res") {
            spec.file = std::string(value);
        } else if (key == "dest") {
            auto rect = ParseRect(value);
            if (!rect) return std::nullopt;
            spec.dest = *rect;
        } else if (key == "source") {
            auto rect = ParseRect(value);
            if (!rect) return std::nullopt;
            spec.source = *rect;
        } else if (key == "corner") {
            auto rect = ParseRect(value);
            if (!rect) return std::nullopt;
            spec.corner = *rect;
        } else if (key == "fade") {
            auto fade = ParseInt(value);
            if (!fade || *fade < 0 || *fade > 255) return std::nullopt;
            spec.fade = *fade;
        } else if (key == "mask") {
            auto mask = ParseColor(value);
            if (!mask) return std::nullopt;
            spec.mask = *mask;
        } else {
            return std::nullopt;
        }
    }
    if (spec.file.empty()) return std::nullopt;
    return spec;
}

bool IsQuotableImageValue(std::string_view value) {
    return value.find_first_of("'\"") == std::string_view::npos;
}

std::optional<UINT> ParseAlign(std::string_view text) {
    UINT style = DT_SINGLELINE;
    bool any = false;
    // "vcenter" contains "center": look at it first and blank it out.
    std::string rest(text);
    if (auto at = rest.find("vcenter"); at != std::string::npos) {
        style |= DT_VCENTER;
        rest.replace(at, 7, 7, ' ');
        any = true;
    }
    if (rest.find("left") != std::string::npos) any = true;  // the default
    if (rest.find("center") != std::string::npos) style |= DT_CENTER, any = true;
    if (rest.find("right") != std::string::npos) style |= DT_RIGHT, any = true;
    if (rest.find("top") != std::string::npos) any = true;
    if (rest.find("bottom") != std::string::npos) style |= DT_BOTTOM, any = true;
    if (!(style & DT_BOTTOM) && rest.find("top") == std::string::npos) style |= DT_VCENTER;
    if (!any) return std::nullopt;
    return style;
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseAttributeList(
    std::string_view text) {
    std::vector<std::pair<std::string, std::string>> out;
    while (true) {
        text = platform::TrimAsciiSpace(text);
        if (text.empty()) return out;
        size_t equals = text.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        std::string_view name = platform::TrimAsciiSpace(text.substr(0, equals));
        if (name.empty() || name.find_first_of(" \t\"'") != std::string_view::npos)
            return std::nullopt;
        text.remove_prefix(equals + 1);
        text = platform::TrimAsciiSpace(text);
        if (text.empty() || (text.front() != '"' && text.front() != '\'')) return std::nullopt;
        char quote = text.front();
        size_t close = text.find(quote, 1);
        if (close == std::string_view::npos) return std::nullopt;
        out.emplace_back(std::string(name), std::string(text.substr(1, close - 1)));
        text.remove_prefix(close + 1);
    }
}

std::string FormatRect(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

}  // namespace ui
