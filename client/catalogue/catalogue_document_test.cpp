#include "client/catalogue/catalogue_document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quorvi {
namespace {

// "中文" in UTF-8 and in GBK.
constexpr const char kChineseUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";
constexpr const char kChineseGbk[] = "\xD6\xD0\xCE\xC4";

CatalogueDocument Parse(const std::string& xml) {
    CatalogueDocument document;
    EXPECT_TRUE(ParseCatalogueDocument(xml, document)) << xml;
    return document;
}

std::string App(const std::string& id, const std::string& extra = "",
                const std::string& text = "http://a/") {
    return "<app caption='c" + id + "' icon='i/" + id + ".png' iconMd5='0' id='" + id +
           "' action='web' " + extra + ">" + text + "</app>";
}

TEST(CatalogueDocumentTest, ReadsGroupsApplicationsAndHoldersInDocumentOrder) {
    const std::string xml = std::string("<?xml version='1.0' encoding='UTF-8'?>\n") +
                            "<!-- catalogue --><apps version='3'>\n"
                            "<group caption='" +
                            kChineseUtf8 + "' icon='nav/a.png' iconMd5='0' mark='learn' id='10'>" +
                            App("1", "appRecommend='2'") +
                            "<holder caption='h' icon='h.png' iconMd5='0' id='2' "
                            "showSubApps='TRUE'>" +
                            App("21") + "<!-- c -->" + App("22") + "</holder>" + App("3") +
                            "</group>\n<!-- between groups -->\n"
                            "<group caption='g2' icon='nav/b.png' iconMd5='0' mark='m2' "
                            "id='11'>" +
                            App("4") + "</group></apps>";
    const CatalogueDocument document = Parse(xml);
    EXPECT_TRUE(document.hasRoot);
    EXPECT_TRUE(document.problems.empty());
    ASSERT_EQ(document.groups.size(), 2u);

    const CatalogueGroup& first = document.groups[0];
    EXPECT_EQ(first.caption, kChineseGbk);
    EXPECT_EQ(first.icon, "nav/a.png");
    EXPECT_EQ(first.mark, "learn");
    EXPECT_EQ(first.id, "10");
    EXPECT_EQ(first.tag, 10);
    ASSERT_EQ(first.applications.size(), 3u);

    const CatalogueApplication& app = first.applications[0];
    EXPECT_EQ(app.caption, "c1");
    EXPECT_EQ(app.icon, "i/1.png");
    EXPECT_EQ(app.id, "1");
    EXPECT_EQ(app.tag, 1);
    EXPECT_EQ(app.action, "web");
    EXPECT_EQ(app.target, "http://a/");
    EXPECT_EQ(app.recommendKey, "2");
    EXPECT_EQ(app.ForeImage(), "file='i/1.png' dest='16,0,84,70'");
    EXPECT_EQ(app.ControlName(), "optLink1");
    EXPECT_FALSE(app.holdsSubApps);

    const CatalogueApplication& holder = first.applications[1];
    EXPECT_TRUE(holder.holdsSubApps);
    EXPECT_EQ(holder.id, "2");
    ASSERT_EQ(holder.subApplications.size(), 2u);
    EXPECT_EQ(holder.subApplications[0].id, "21");
    EXPECT_EQ(holder.subApplications[1].id, "22");
    EXPECT_EQ(first.applications[2].id, "3");

    EXPECT_EQ(document.groups[1].id, "11");
    ASSERT_EQ(document.groups[1].applications.size(), 1u);
}

TEST(CatalogueDocumentTest, ShowSubAppsIsTrueInAnyLetterCase) {
    const std::string xml =
        "<r><g caption='g' icon='i' mark='m' id='1'>"
        "<a caption='a' icon='i' id='1' showSubApps='true'/>"
        "<a caption='a' icon='i' id='2' showSubApps='TRUE'/>"
        "<a caption='a' icon='i' id='3' showSubApps='tRuE'/>" +
        App("4", "showSubApps='yes'") + App("5", "showSubApps=''") + App("6") + "</g></r>";
    const CatalogueDocument document = Parse(xml);
    ASSERT_EQ(document.groups.size(), 1u);
    const auto& apps = document.groups[0].applications;
    ASSERT_EQ(apps.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(apps[i].holdsSubApps, i < 3) << apps[i].id;
}

TEST(CatalogueDocumentTest, SubApplicationsAreTheLastLevelRead) {
    // A sub-application's own showSubApps and children are not read: it is an
    // ordinary application.
    const std::string xml =
        "<r><g caption='g' icon='i' mark='m' id='1'>"
        "<h caption='h' icon='i' id='2' showSubApps='True'>" +
        App("3", "showSubApps='True'", "http://s/<deep caption='x'/>") + "</h></g></r>";
    const CatalogueDocument document = Parse(xml);
    const auto& subs = document.groups.at(0).applications.at(0).subApplications;
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_FALSE(subs[0].holdsSubApps);
    EXPECT_TRUE(subs[0].subApplications.empty());
    EXPECT_EQ(subs[0].target, "http://s/");
}

TEST(CatalogueDocumentTest, RecommendationKeyIsTheRawTextWhenItStartsWithANumber) {
    EXPECT_EQ(RecommendationKey(nullptr), "0");
    EXPECT_EQ(RecommendationKey("abc"), "0");
    EXPECT_EQ(RecommendationKey(""), "0");
    EXPECT_EQ(RecommendationKey("-"), "0");
    EXPECT_EQ(RecommendationKey("0"), "0");
    EXPECT_EQ(RecommendationKey("00"), "00");
    EXPECT_EQ(RecommendationKey("5x"), "5x");
    EXPECT_EQ(RecommendationKey(" 3"), " 3");
    EXPECT_EQ(RecommendationKey("-2"), "-2");

    const CatalogueDocument document = Parse("<r><g caption='g' icon='i' mark='m' id='1'>" +
                                             App("1", "appRecommend='5x'") + App("2") + "</g></r>");
    EXPECT_EQ(document.groups[0].applications[0].recommendKey, "5x");
    EXPECT_EQ(document.groups[0].applications[1].recommendKey, "0");
}

TEST(CatalogueDocumentTest, NumericIdsAreDecimalIntegers) {
    int value = 0;
    EXPECT_TRUE(ParseNumericId("120", value));
    EXPECT_EQ(value, 120);
    EXPECT_TRUE(ParseNumericId("-3", value));
    EXPECT_EQ(value, -3);
    for (const char* text : {"", "-", "+1", " 1", "1 ", "1a", "0x10", "1.5", "4294967296", "'1"}) {
        EXPECT_FALSE(ParseNumericId(text, value)) << text;
    }
}

TEST(CatalogueDocumentTest, IncompleteElementsAreLeftOutAndTheRestIsRead) {
    const std::string xml =
        "<r>\n"
        "<g caption='g' icon='i' id='1'>" +
        App("1") +
        "</g>\n"  // no mark
        "<g caption='g' icon='i' mark='m' id='x2'>" +
        App("2") +
        "</g>\n"  // id not numeric
        "<g caption='g' icon='i' mark='m' id='3'>\n"
        "<a caption='a' icon='i' id='4'>http://no-action/</a>\n"
        "<a caption='a' icon='i' id='5' action='web'/>\n"
        "<a caption='a' icon='i' id='6' action='web'><!-- c -->http://late-text/</a>\n"
        "<a icon='i' id='7' action='web'>http://no-caption/</a>\n"
        "<a caption='a' icon='i' id='8a' action='web'>http://bad-id/</a>\n"
        "<a caption='a' icon='i' action='web'>http://no-id/</a>\n"
        "<h caption='h' id='9' showSubApps='True'/>\n" +  // holder without icon
        App("10") +
        "\n</g></r>";
    const CatalogueDocument document = Parse(xml);
    ASSERT_EQ(document.groups.size(), 1u);
    EXPECT_EQ(document.groups[0].id, "3");
    ASSERT_EQ(document.groups[0].applications.size(), 1u);
    EXPECT_EQ(document.groups[0].applications[0].id, "10");

    ASSERT_EQ(document.problems.size(), 9u);
    EXPECT_EQ(document.problems[0].line, 2);
    EXPECT_EQ(document.problems[0].reason, "missing attribute mark");
    EXPECT_EQ(document.problems[1].reason, "id is not a decimal number: x2");
    EXPECT_EQ(document.problems[2].line, 5);
    EXPECT_EQ(document.problems[2].reason, "missing attribute action");
    EXPECT_EQ(document.problems[3].reason, "missing text content");
    EXPECT_EQ(document.problems[4].reason, "missing text content");
    EXPECT_EQ(document.problems[8].reason, "missing attribute icon");
}

TEST(CatalogueDocumentTest, TextsAreConvertedToGbkWhateverTheirLength) {
    // 6000 Chinese characters: more than the 5120 units the conversion once held.
    std::string longUtf8, longGbk;
    for (int i = 0; i < 3000; ++i) {
        longUtf8 += kChineseUtf8;
        longGbk += kChineseGbk;
    }
    const std::string longAddress = "http://a/?q=" + std::string(9000, 'x');
    EXPECT_EQ(Utf8ToAnsi(longUtf8), longGbk);

    const CatalogueDocument document = Parse(
        "<r><g caption='g' icon='i' mark='m' id='1'>" + App("1", "", longAddress) + "<a caption='" +
        longUtf8 + "' icon='i' id='2' action='w'>" + longUtf8 + "</a></g></r>");
    const auto& apps = document.groups.at(0).applications;
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].target, longAddress);
    EXPECT_EQ(apps[1].caption, longGbk);
    EXPECT_EQ(apps[1].target, longGbk);
}

TEST(CatalogueDocumentTest, EntitiesAreDecoded) {
    const CatalogueDocument document = Parse(
        "<r><g caption='g' icon='i' mark='m' id='1'>"
        "<a caption=\"it&apos;s &quot;x&quot;; &#x4E2D;\" icon='i' id='1' "
        "action='a&apos;b'>http://a/?x=1&amp;y='2'</a></g></r>");
    const auto& app = document.groups.at(0).applications.at(0);
    EXPECT_EQ(app.caption, "it's \"x\"; \xD6\xD0");
    EXPECT_EQ(app.action, "a'b");
    EXPECT_EQ(app.target, "http://a/?x=1&y='2'");
}

TEST(CatalogueDocumentTest, DocumentsThatAreNotWellFormedOrHaveNoElement) {
    CatalogueDocument document;
    EXPECT_FALSE(ParseCatalogueDocument("", document));
    EXPECT_FALSE(ParseCatalogueDocument("<r><g></r>", document));
    EXPECT_TRUE(ParseCatalogueDocument("<?xml version='1.0'?><!-- nothing -->", document));
    EXPECT_FALSE(document.hasRoot);
    EXPECT_TRUE(ParseCatalogueDocument("<r/>", document));
    EXPECT_TRUE(document.hasRoot);
    EXPECT_TRUE(document.groups.empty());
}

TEST(CatalogueDocumentTest, LoadsAFile) {
    std::string pattern = (std::filesystem::temp_directory_path() / "catXXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string path = pattern + "/apps.xml";
    std::ofstream(path) << "<r><g caption='g' icon='i' mark='m' id='1'>" << App("1") << "</g></r>";

    CatalogueDocument document;
    EXPECT_TRUE(LoadCatalogueDocument(path, document));
    EXPECT_EQ(document.groups.at(0).applications.at(0).id, "1");
    EXPECT_FALSE(LoadCatalogueDocument(pattern + "/missing.xml", document));
    EXPECT_TRUE(document.groups.empty());
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace quorvi
