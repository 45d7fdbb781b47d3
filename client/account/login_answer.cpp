#include "client/account/login_answer.h"

#include <json/json.h>

#include <exception>
#include <memory>

#include "platform/chinese_texts.h"
#include "platform/text.h"

namespace quorvi {

// Written out rather than asBool(): jsoncpp throws on asBool() of a text, an
// array or an object.
bool IsTruthy(const Json::Value& value) {
    switch (value.type()) {
        case Json::nullValue:
            return false;
        case Json::booleanValue:
            return value.asBool();
        case Json::intValue:
            return value.asLargestInt() != 0;
        case Json::uintValue:
            return value.asLargestUInt() != 0;
        case Json::realValue:
            return value.asDouble() != 0.0;
        case Json::stringValue: {
            const char* begin = nullptr;
            const char* end = nullptr;
            return value.getString(&begin, &end) && begin != end;
        }
        case Json::arrayValue:
        case Json::objectValue:
            return !value.empty();
    }
    return false;
}

bool ParseLoginAnswer(std::string_view utf8, LoginAnswer& answer) {
    // The JSON is read in UTF-8, before the conversion: a GBK trail byte may be
    // a backslash or a quote, which would break the strings.
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        // jsoncpp throws instead of failing on some inputs (nesting past its
        // stack limit); they are garbage all the same.
        if (!reader->parse(utf8.data(), utf8.data() + utf8.size(), &root, &errors)) return false;
    } catch (const std::exception&) {
        return false;
    }
    if (!root.isObject()) return false;

    LoginAnswer parsed;
    parsed.success = IsTruthy(root["success"]);
    parsed.text = platform::Utf8ToGbk(utf8);
    if (!parsed.success) {
        const Json::Value& message = root["message"];
        if (message.isString()) parsed.message = platform::Utf8ToGbk(message.asString());
        if (parsed.message.empty()) parsed.message = platform::texts::kLoginFailedDefaultMessage;
    }
    answer = std::move(parsed);
    return true;
}

}  // namespace quorvi
