#include "ui/core/attributes.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(AttributeParsers, RectanglesAndSizesNeedEveryNumber) {
    EXPECT_EQ(ParseRect("15,20,84,70"), (RECT{15, 20, 84, 70}));
    EXPECT_EQ(ParseRect(" -5, 0 ,10,+3 "), (RECT{-5, 0, 10, 3}));
    EXPECT_FALSE(ParseRect("1,2,3"));
    EXPECT_FALSE(ParseRect("1,2,3,4,5"));
    EXPECT_FALSE(ParseRect("1,2,x,4"));
    EXPECT_FALSE(ParseRect("1,,3,4"));
    EXPECT_FALSE(ParseRect(""));
    EXPECT_EQ(ParseSize("950,553"), (SIZE{950, 553}));
    EXPECT_FALSE(ParseSize("950"));
    EXPECT_FALSE(ParseSize("950,553,1"));
    EXPECT_EQ(ParseInt("-12"), -12);
    EXPECT_FALSE(ParseInt("12px"));
    EXPECT_FALSE(ParseInt("99999999999"));
}

TEST(AttributeParsers, BooleansAndColours) {
    EXPECT_EQ(ParseBool("true"), true);
    EXPECT_EQ(ParseBool("FALSE"), false);
    EXPECT_EQ(ParseBool("1"), true);
    EXPECT_FALSE(ParseBool("yes"));
    EXPECT_EQ(ParseColor("#00FFFBF0"), 0x00FFFBF0u);  // alpha 0 is kept, not treated as opaque
    EXPECT_EQ(ParseColor("#FFFBF0"), 0xFFFFFBF0u);
    EXPECT_EQ(ParseColor("0xFF102030"), 0xFF102030u);
    EXPECT_FALSE(ParseColor("FFFBF0"));
    EXPECT_FALSE(ParseColor("#FFFBF"));
    EXPECT_FALSE(ParseColor("#GGFFFBF0"));
}

TEST(AttributeParsers, ImageSpecs) {
    auto plain = ParseImageSpec("toolbar_normal.png");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->file, "toolbar_normal.png");
    EXPECT_FALSE(plain->dest);

    auto full = ParseImageSpec(
        "file='progress_fk.png' dest='5,5,50,10' source='0,0,56,10' corner='4,4,4,4'");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->file, "progress_fk.png");
    EXPECT_EQ(full->dest, (RECT{5, 5, 50, 10}));
    EXPECT_EQ(full->source, (RECT{0, 0, 56, 10}));
    EXPECT_EQ(full->corner, (RECT{4, 4, 4, 4}));

    auto empty = ParseImageSpec("");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());

    EXPECT_FALSE(ParseImageSpec("file='a.png' dest='1,2,3'"));  // bad rectangle
    EXPECT_FALSE(ParseImageSpec("file='a.png' colour='red'"));  // unknown key
    EXPECT_FALSE(ParseImageSpec("file='a.png"));                // unclosed quote
    EXPECT_FALSE(ParseImageSpec("dest='1,2,3,4'"));             // no file
}

TEST(AttributeParsers, ValuesThatWouldBreakOutOfAnImageSpecsQuotes) {
    // Put between the quotes, this file name brings a key of its own.
    const std::string hostile = "x.png' dest='0,0,900,900";
    auto spec = ParseImageSpec("file='" + hostile + "' source='0,0,1,1'");
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->dest, (RECT{0, 0, 900, 900}));
    EXPECT_FALSE(IsQuotableImageValue(hostile));
    EXPECT_FALSE(IsQuotableImageValue("a\"b.png"));
    EXPECT_TRUE(IsQuotableImageValue("images/app 1.png"));
    EXPECT_TRUE(IsQuotableImageValue(""));
}

TEST(AttributeParsers, AlignmentWords) {
    auto centerBottom = ParseAlign("centerbottom");
    ASSERT_TRUE(centerBottom);
    EXPECT_TRUE(*centerBottom & DT_CENTER);
    EXPECT_TRUE(*centerBottom & DT_BOTTOM);
    EXPECT_FALSE(*centerBottom & DT_VCENTER);
    auto left = ParseAlign("left");
    ASSERT_TRUE(left);
    EXPECT_FALSE(*left & (DT_CENTER | DT_RIGHT));
    EXPECT_TRUE(*left & DT_VCENTER);
    auto vcenter = ParseAlign("vcenter");
    ASSERT_TRUE(vcenter);
    EXPECT_FALSE(*vcenter & DT_CENTER);  // "vcenter" is not horizontal centring
    EXPECT_FALSE(ParseAlign("middle"));
}

TEST(AttributeParsers, AttributeLists) {
    auto list =
        ParseAttributeList(R"(textcolor="#FF000000" normalimage='file=\'a.png\'' height="20")");
    EXPECT_FALSE(list);  // an escaped quote is not XML; the list is malformed
    list = ParseAttributeList(R"(textcolor="#FF000000" normalimage="file='a.png'" height='20')");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[1].first, "normalimage");
    EXPECT_EQ((*list)[1].second, "file='a.png'");
    EXPECT_EQ((*list)[2].second, "20");
    EXPECT_FALSE(ParseAttributeList("height=20"));
    EXPECT_TRUE(ParseAttributeList("  ")->empty());
    EXPECT_EQ(FormatRect({1, -2, 3, 4}), "1,-2,3,4");
}

}  // namespace
}  // namespace ui
