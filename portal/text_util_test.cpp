#include "portal/text_util.h"

#include <gtest/gtest.h>

#include "portal/command_line.h"
#include "portal/request_log.h"

namespace portal {
namespace {

TEST(TextUtil, JsonQuoteKeepsUtf8AndEscapesEverythingElse) {
    EXPECT_EQ(JsonQuote("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(JsonQuote("张三"), "\"张三\"");
    // GBK bytes of 张 (D5 C5) are no UTF-8: each byte is written as \u00XX.
    EXPECT_EQ(JsonQuote("\xD5\xC5x"), "\"\\u00d5\\u00c5x\"");
    // An overlong or cut-short sequence is no UTF-8 either.
    EXPECT_EQ(JsonQuote("\xC0\xAF"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(JsonQuote("\xE5\xBC"), "\"\\u00e5\\u00bc\"");
}

TEST(TextUtil, PercentDecodeOnlyDecodesWholeEscapes) {
    EXPECT_EQ(PercentDecode("a%2Fb%3d+c"), "a/b=+c");
    EXPECT_EQ(PercentDecode("100%"), "100%");
    EXPECT_EQ(PercentDecode("%zz%4"), "%zz%4");
    EXPECT_EQ(PercentDecode("%E5%BC%A0"), "张");
}

TEST(TextUtil, TemplatesEscapeTheirValues) {
    EXPECT_EQ(FillTemplate("<b>{{a}}</b>{{missing}}|{{a}}", {{"a", "<x & 'y'>"}}),
              "<b>&lt;x &amp; &#39;y&#39;&gt;</b>|&lt;x &amp; &#39;y&#39;&gt;");
    EXPECT_EQ(FillTemplate("no end {{a", {{"a", "1"}}), "no end {{a");
}

TEST(TextUtil, RawQueryValueTakesTheFirstWholeKey) {
    EXPECT_EQ(RawQueryValue("dir=calc&x=1", "dir"), "calc");
    EXPECT_EQ(RawQueryValue("adir=1&dir=", "dir"), "");
    EXPECT_EQ(RawQueryValue("account", "account"), "");
    EXPECT_FALSE(RawQueryValue("x=1", "dir"));
}

TEST(CommandLine, OptionsOverTheDefaults) {
    CommandLine defaults;
    defaults.port = PortOfOrigin("http://127.0.0.1:8737");
    EXPECT_EQ(defaults.port, 8737);
    EXPECT_EQ(PortOfOrigin("http://portal.example.edu"), 80);
    std::string error;
    auto line = ParseCommandLine({"--port", "0", "--data", "d", "--log", "l"}, defaults, error);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->port, 0);
    EXPECT_EQ(line->data_dir, "d");
    EXPECT_EQ(line->log_path, "l");
    EXPECT_EQ(line->host, "127.0.0.1");
    EXPECT_FALSE(ParseCommandLine({"--port", "70000"}, defaults, error));
    EXPECT_FALSE(ParseCommandLine({"--port", "12x"}, defaults, error));
    EXPECT_FALSE(ParseCommandLine({"--data"}, defaults, error));
    EXPECT_FALSE(ParseCommandLine({"--verbose", "1"}, defaults, error));
    EXPECT_EQ(error, "unknown option --verbose");
}

TEST(RequestLog, LineHoldsTimeInUtcWithMilliseconds) {
    LogEntry entry;
    entry.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1765000000123));
    entry.method = "GET";
    entry.path = "/app/report.php";
    entry.query = "action=app&id=12";
    entry.status = 200;
    EXPECT_EQ(
        FormatLogLine(entry),
        "{\"time\":\"2025-12-06T05:46:40.123Z\",\"method\":\"GET\",\"path\":\"/app/report.php\","
        "\"query\":\"action=app&id=12\",\"status\":200}");
    entry.fault = "truncate";
    entry.note = "x";
    EXPECT_EQ(FormatLogLine(entry).substr(FormatLogLine(entry).find(",\"fault\"")),
              ",\"fault\":\"truncate\",\"note\":\"x\"}");
}

}  // namespace
}  // namespace portal
