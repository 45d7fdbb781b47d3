#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/chinese_texts.h"

namespace platform {
namespace {

struct ChineseText {
    const char* gbk;
    const char* utf8;
};

// Every Chinese text of the system against its UTF-8 spelling.
const ChineseText kChineseTexts[] = {
    {texts::kSearchPlaceholder, "搜索更多应用"},
    {texts::kSearchEnterKeyword, "请输入关键词搜索"},
    {texts::kSearchCountPrefix, "共搜索到 "},
    {texts::kSearchCountSuffix, " 个应用"},
    {texts::kCancelDownloadTooltip, "取消下载"},
    {texts::kLoginFailedDefaultMessage, "登录失败,请确认用户名密码是否正确"},
    {texts::kLoginServerUnreachable, "无法连接服务器,请检查网络后重试"},
    {texts::kLoginAnswerUnreadable, "服务器返回的信息无法识别,请稍后重试"},
    {texts::kLoginButtonText, "登录"},
    {texts::kAlreadyRunningMessage, "程序已经在运行中,请勿重复启动!"},
};

TEST(ChineseTexts, AreTheGbkSpellingOfTheirTexts) {
    for (const auto& text : kChineseTexts) {
        SCOPED_TRACE(text.utf8);
        EXPECT_EQ(GbkToUtf8(text.gbk), text.utf8);
        EXPECT_EQ(Utf8ToGbk(text.utf8), text.gbk);
    }
}

TEST(Text, ChineseTextsRoundTripThroughUtf16) {
    for (const auto& text : kChineseTexts) {
        SCOPED_TRACE(text.utf8);
        const std::u16string wide = GbkToUtf16(text.gbk);
        EXPECT_EQ(wide, Utf8ToUtf16(text.utf8));
        EXPECT_EQ(Utf16ToGbk(wide), text.gbk);
        EXPECT_EQ(Utf16ToUtf8(wide), text.utf8);
    }
    EXPECT_EQ(GbkToUtf16(texts::kLoginButtonText), u"登录");
}

TEST(Text, LongTextsConvertWhole) {
    std::string gbk;
    std::string utf8;
    for (int i = 0; i < 5000; ++i) {
        gbk += texts::kLoginButtonText;
        gbk += "x";
        utf8 += "登录x";
    }
    EXPECT_EQ(GbkToUtf8(gbk), utf8);
    EXPECT_EQ(Utf8ToGbk(utf8), gbk);
}

TEST(Text, CodePage936Extras) {
    EXPECT_EQ(GbkToUtf8("\x80"), "€");       // the euro sign of code page 936
    EXPECT_EQ(GbkToUtf8("\x95\x5C"), "昞");  // a trail byte that is a backslash in ASCII
}

TEST(Text, InvalidGbkBytesBecomeReplacementCharacters) {
    EXPECT_EQ(GbkToUtf8("a\xFF"
                        "b"),
              "a\uFFFDb");
    EXPECT_EQ(GbkToUtf8("a\xD6"), "a\uFFFD");          // lead byte cut off at the end
    EXPECT_EQ(GbkToUtf8("\xD6 b"), "\uFFFD b");        // lead byte without a trail byte
    EXPECT_EQ(GbkToUtf8("\xFF\xD6\xD0"), "\uFFFD中");  // conversion goes on after the fault
    EXPECT_EQ(GbkToUtf16("\xFF"
                         "a"),
              u"\uFFFDa");
    EXPECT_EQ(GbkToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Text, InvalidUtf8BytesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToGbk("x\xC3"), "x?");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong '/'
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"
                          "a"),
              u"\uFFFD\uFFFDa");                                              // cut-off sequence
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
}

TEST(Text, CharactersOutsideGbkBecomeOneQuestionMark) {
    EXPECT_EQ(Utf8ToGbk("😀a"), "?a");
    EXPECT_EQ(Utf16ToGbk(u"😀中"), "?\xD6\xD0");
}

TEST(Text, Utf16SurrogatesArePairedOrReplaced) {
    EXPECT_EQ(Utf16ToUtf8(u"😀"), "😀");
    EXPECT_EQ(Utf8ToUtf16("😀"), u"😀");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'a'}), "\uFFFDa");  // lone high
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xDC00}), "a\uFFFD");  // lone low
    EXPECT_EQ(Utf16ToGbk(std::u16string{0xDBFF}), "?");
}

TEST(Text, AsciiCaseIsIgnoredAndNothingElse) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Timer", "timer"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("TRUE", "true"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("timers", "timer"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("timer", "timer "));
    // Neighbours of the letter ranges are not letters: '@'/'`' and '['/'{'.
    EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));
    // GBK bytes are compared as they are, whatever the locale says of them.
    const std::string login = texts::kLoginButtonText;
    EXPECT_TRUE(EqualsIgnoringAsciiCase(login + "A", login + "a"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC1", "\xE1"));  // Latin-1 "A" and "a" with grave
    EXPECT_EQ(LowerAscii('\xC1'), '\xC1');
    EXPECT_EQ(UpperAscii('z'), 'Z');
    EXPECT_EQ(LowerAscii('Z'), 'z');

    EXPECT_TRUE(StartsWithIgnoringAsciiCase("<?XML version", "<?xml"));
    EXPECT_TRUE(EndsWithIgnoringAsciiCase("icons/A.PNG", ".png"));
    EXPECT_TRUE(EndsWithIgnoringAsciiCase("png", ""));
    EXPECT_FALSE(StartsWithIgnoringAsciiCase("<?x", "<?xml"));
    EXPECT_FALSE(EndsWithIgnoringAsciiCase("ng", ".png"));
    EXPECT_FALSE(EndsWithIgnoringAsciiCase("a.\xC1", ".\xE1"));
}

TEST(Text, TrimmingTakesAsciiSpaceOffBothEndsAndNothingElse) {
    EXPECT_EQ(TrimAsciiSpace(" \t\r\n\v\fkey = value \r\n"), "key = value");
    EXPECT_EQ(TrimAsciiSpace(" \t\r\n"), "");
    EXPECT_EQ(TrimAsciiSpace(""), "");
    EXPECT_EQ(TrimAsciiSpace("x"), "x");
    // 0xA0 is a space in Latin-1 locales but a GBK lead or trail byte here.
    EXPECT_EQ(TrimAsciiSpace("\xA0\xA1 "), "\xA0\xA1");
}

}  // namespace
}  // namespace platform
