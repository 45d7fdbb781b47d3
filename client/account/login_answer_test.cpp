// The login answer: the truth of "success", the refusal's message, texts in GBK.
#include "client/account/login_answer.h"

#include <gtest/gtest.h>

#include "platform/chinese_texts.h"
#include "platform/text.h"

namespace quorvi {
namespace {

LoginAnswer Parsed(std::string_view utf8) {
    LoginAnswer answer;
    EXPECT_TRUE(ParseLoginAnswer(utf8, answer)) << utf8;
    return answer;
}

TEST(LoginAnswer, SuccessIsTrueForTrueNonZeroAndNonEmptyValues) {
    for (const char* success :
         {"true", "1", "-2", "0.5", "\"yes\"", "\"false\"", "[0]", "{\"a\":0}"}) {
        const std::string text = std::string(R"({"success":)") + success + "}";
        EXPECT_TRUE(Parsed(text).success) << text;
        EXPECT_EQ(Parsed(text).message, "") << text;
    }
    for (const char* success : {"false", "0", "0.0", "\"\"", "[]", "{}", "null"}) {
        const std::string text = std::string(R"({"success":)") + success + "}";
        EXPECT_FALSE(Parsed(text).success) << text;
    }
    EXPECT_FALSE(Parsed(R"({"message":"x"})").success);
}

TEST(LoginAnswer, ARefusalCarriesTheServersMessageOrTheDefaultOne) {
    // The server's UTF-8 message arrives in GBK.
    const LoginAnswer refused = Parsed(R"({"success":false,"message":"用户名或密码错误"})");
    EXPECT_EQ(refused.message, platform::Utf8ToGbk("用户名或密码错误"));

    const std::string fallback = platform::texts::kLoginFailedDefaultMessage;
    EXPECT_EQ(Parsed(R"({"success":false,"message":""})").message, fallback);
    EXPECT_EQ(Parsed(R"({"success":false})").message, fallback);
    // A message that is not a text counts as empty.
    EXPECT_EQ(Parsed(R"({"success":0,"message":42})").message, fallback);
    EXPECT_EQ(Parsed(R"({"success":[],"message":["x"]})").message, fallback);
    EXPECT_EQ(Parsed(R"({"success":null,"message":{"t":"x"}})").message, fallback);
}

TEST(LoginAnswer, TheWholeAnswerIsConvertedToGbkAtAnyLength) {
    // Far more than 5119 UTF-16 units.
    std::string name;
    for (int i = 0; i < 3000; ++i) name += "张三";
    const std::string text = R"({"success":true,"name":")" + name + R"("})";
    const LoginAnswer accepted = Parsed(text);
    EXPECT_EQ(accepted.text, platform::Utf8ToGbk(text));
    EXPECT_EQ(accepted.text.size(), text.size() - 6000 * 3 + 6000 * 2);

    const std::string message(6000, 'm');
    EXPECT_EQ(Parsed(R"({"success":false,"message":")" + message + R"("})").message, message);
}

TEST(LoginAnswer, WhatIsNotAJsonObjectIsNoAnswer) {
    for (const std::string& text :
         {std::string(), std::string("<html>502</html>"), std::string(R"({"success":tr)"),
          std::string("[true]"), std::string("\"success\""), std::string("true"),
          std::string("\xFF\xFE\x00garbage", 10), std::string(100000, '[')}) {
        LoginAnswer answer;
        answer.message = "untouched";
        EXPECT_FALSE(ParseLoginAnswer(text, answer)) << text.substr(0, 20);
        EXPECT_EQ(answer.message, "untouched");
    }
}

}  // namespace
}  // namespace quorvi
