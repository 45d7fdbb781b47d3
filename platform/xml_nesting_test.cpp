#include "platform/xml_nesting.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/file_test_support.h"
#include "platform/tinyxml_depth_test_support.h"

namespace platform {
namespace {

std::string Nested(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "<a>";
    for (int i = 0; i < levels; ++i) text += "</a>";
    return text;
}

using testing::TinyXmlDepth;

// The measure never reports less than TinyXML reaches, in any encoding.
void ExpectCovers(const std::string& text) {
    const int measured = XmlNestingDepth(text);
    ASSERT_GE(measured, 0) << text;
    for (TiXmlEncoding encoding :
         {TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY, TIXML_ENCODING_UNKNOWN}) {
        EXPECT_LE(TinyXmlDepth(text, encoding), measured)
            << "encoding " << encoding << ": " << text;
    }
}

using platform::testing::ReadFile;

TEST(XmlNestingTest, DeepDocumentsAreRefusedOrdinaryOnesPass) {
    EXPECT_EQ(XmlNestingDepth(Nested(100000)), 100000);
    EXPECT_FALSE(XmlNestingWithin(Nested(100000)));
    EXPECT_FALSE(XmlNestingWithin(Nested(kMaxXmlNesting + 1)));
    EXPECT_TRUE(XmlNestingWithin(Nested(kMaxXmlNesting)));
    // Unclosed elements count as well: TinyXML recurses before it finds the end missing.
    std::string unclosed;
    for (int i = 0; i < 100000; ++i) unclosed += "<a x='1'>";
    EXPECT_EQ(XmlNestingDepth(unclosed), 100000);

    const std::string catalogue = ReadFile(QUORVI_SOURCE_DIR "/portal/data/app/appsn.xml");
    ASSERT_FALSE(catalogue.empty());
    EXPECT_EQ(XmlNestingDepth(catalogue), 4);  // root, group, holder, sub-application
    const std::string skin = ReadFile(QUORVI_SOURCE_DIR "/skin/quorvi/skin.xml");
    ASSERT_FALSE(skin.empty());
    EXPECT_TRUE(XmlNestingWithin(skin));
    ExpectCovers(catalogue);
    ExpectCovers(skin);
}

TEST(XmlNestingTest, FollowsTinyXmlWhereMarkupHidesInsideOtherMarkup) {
    const std::string deep = Nested(5);
    const std::vector<std::string> texts = {
        "<r><!-- </r></r> -->" + deep + "</r>",
        "<r><![CDATA[ </r> ]]>" + deep + "</r>",
        "<r x='/>' y=\"</r>\">" + deep + "</r>",
        "<r x=\">\"><e/>" + deep + "</r>",
        "<r><!DOCTYPE x>" + deep + "</r>",
        "<r><?pi </r>?>" + deep + "</r>",
        "</r><r>" + deep + "</r>",
        "<?xml version='1.0' encoding='ISO-8859-1'?><r>\xC3</r>" + deep,
        "<?xml version=\"1.0\"?><r>\xC3</r>" + deep,
        "<r x='\xC3'/>" + deep,
        "<r>\xE4</r>" + deep + "</r>",
        "<r>\xF0</r>" + deep + "</r>",
        "<r>\xF0" + deep + "</r>",
        "<r>&#x41;</r>" + deep,
        "<r>&#x4<a>;</r>" + deep,
        "\xEF\xBB\xBF<r>\xC3</r>" + deep,
        "<r/>text" + deep,
        "<a><b/><c><d/></c></a>",
        // A three-byte character carries TinyXML over the NUL after its second byte.
        std::string("\xEF\xBB\xBF<r>\xE6Q\0\xB8\xA8<a/></r>", 19) + deep,
        std::string("<r x='\xE6Q\0\xB8'><a/></r>", 20) + deep,
        std::string("<r>\0<a/></r>", 12),
    };
    for (const std::string& text : texts) ExpectCovers(text);
    EXPECT_EQ(XmlNestingDepth("<a><b/><c><d/></c></a>"), 3);
    EXPECT_EQ(XmlNestingDepth("<r><!-- <a><a><a> --></r>"), 1);
}

TEST(XmlNestingTest, EveryLeadByteStepsAsInTinyXml) {
    // After a lead byte TinyXML reads one to four bytes as one character: the
    // '<' of the end tag may vanish into it, leaving the root open.
    for (int lead = 1; lead < 256; ++lead) {
        const std::string byte(1, static_cast<char>(lead));
        ExpectCovers("<r>" + byte + "</r><a><a><a></a></a></a>");
        ExpectCovers("<r x='" + byte + "'><a><a><a></a></a></a></r>");
    }
}

TEST(XmlNestingTest, DeclarationsItCannotFollowAreRefused) {
    EXPECT_EQ(XmlNestingDepth("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone='yes' ?><r/>"),
              1);
    EXPECT_EQ(XmlNestingDepth("<?xml-stylesheet href='a.xsl' type='text/xsl'?><r/>"), 1);
    // A '>' inside a value would end the declaration early for a naive reader
    // while TinyXML reads on; blanks and quotes change how it pairs the quotes.
    EXPECT_EQ(XmlNestingDepth("<?xml version='1.0>'?><r/>"), -1);
    EXPECT_EQ(XmlNestingDepth("<?xml a=\" version=\"x?><r/>"), -1);
    EXPECT_EQ(XmlNestingDepth("<r><?xml version=\"1\xC3\"?></r>"), -1);
    EXPECT_FALSE(XmlNestingWithin("<?xml version=1.0?><r/>"));
}

TEST(XmlNestingTest, ParseBufferEndsInNuls) {
    const std::string buffer = XmlParseBuffer("<r>\xF0");
    ASSERT_EQ(buffer.size(), 8u);
    EXPECT_EQ(buffer.substr(0, 4), "<r>\xF0");
    EXPECT_EQ(buffer.substr(4), std::string(4, '\0'));
}

}  // namespace
}  // namespace platform
