// Small text helpers of the portal stand-in: escaping for JSON and HTML,
// percent-decoding, page templates and whole-file reads.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace portal {

// A JSON string literal (with its quotes). Valid UTF-8 is kept as it is; a byte
// that is not part of valid UTF-8 (a GBK byte, say) is written as \u00XX, so the
// line stays valid JSON and the byte value can still be read back.
std::string JsonQuote(std::string_view text);

// Text safe inside HTML element content and attribute values.
std::string HtmlEscape(std::string_view text);

// Decodes %XX escapes only; "+" and malformed escapes stay as they are.
std::string PercentDecode(std::string_view text);

// Every "{{key}}" of the template replaced by the HTML-escaped value of key;
// placeholders without a value become empty.
std::string FillTemplate(std::string_view page, const std::map<std::string, std::string>& values);

void ReplaceAll(std::string& text, std::string_view from, std::string_view to);

// The whole content of a file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The value of the first "key=" parameter of a raw query, up to the next "&";
// nothing when the key is absent.
std::optional<std::string> RawQueryValue(std::string_view query, std::string_view key);

}  // namespace portal
