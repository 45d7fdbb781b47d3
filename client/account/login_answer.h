// The user server's answer to a login: a UTF-8 JSON object whose "success"
// says whether the account is signed in and whose "message" is the refusal's
// text. The client keeps its texts in GBK, so the answer and its message are
// handed on converted.
#pragma once

#include <string>
#include <string_view>

namespace Json {
class Value;
}

namespace quorvi {

struct LoginAnswer {
    bool success = false;
    // The refusal's text in GBK: the server's "message" when it is a non-empty
    // text, else the client's default message. Empty on success.
    std::string message;
    // The whole answer in GBK, at any length.
    std::string text;
};

// Reads a login answer. False (and `answer` untouched) when the text is not a
// JSON object: an empty answer, garbage or a cut-off transfer.
bool ParseLoginAnswer(std::string_view utf8, LoginAnswer& answer);

// The truth of a JSON value as the login reads "success": true for boolean
// true, a non-zero number, a non-empty text, array or object; false for null,
// false, zero and empty ones.
bool IsTruthy(const Json::Value& value);

}  // namespace quorvi
