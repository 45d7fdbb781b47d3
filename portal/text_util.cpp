#include "portal/text_util.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace portal {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    char escape[8];
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            std::size_t length = Utf8SequenceLength(text, i);
            if (length > 0) {
                out.append(text.substr(i, length));
                i += length;
            } else {
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
                ++i;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    return out + "\"";
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::string FillTemplate(std::string_view page, const std::map<std::string, std::string>& values) {
    std::string out;
    std::size_t at = 0;
    while (true) {
        std::size_t open = page.find("{{", at);
        std::size_t close = open == std::string_view::npos ? open : page.find("}}", open + 2);
        if (close == std::string_view::npos) break;
        out.append(page.substr(at, open - at));
        auto value = values.find(std::string(page.substr(open + 2, close - open - 2)));
        if (value != values.end()) out += HtmlEscape(value->second);
        at = close + 2;
    }
    out.append(page.substr(at));
    return out;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return content.str();
}

std::optional<std::string> RawQueryValue(std::string_view query, std::string_view key) {
    std::size_t at = 0;
    while (at <= query.size()) {
        std::size_t end = query.find('&', at);
        if (end == std::string_view::npos) end = query.size();
        std::string_view pair = query.substr(at, end - at);
        if (pair.size() > key.size() && pair.substr(0, key.size()) == key &&
            pair[key.size()] == '=')
            return std::string(pair.substr(key.size() + 1));
        if (pair == key) return std::string();
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace portal
