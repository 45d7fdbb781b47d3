#include "client/catalogue/catalogue_document.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "client/catalogue/catalogue_bench_support.h"
#include "client/catalogue/catalogue_scan.h"
#include "platform/log_test_support.h"

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

const char kGroup[] = "<g caption='g' icon='i' mark='m' id='1'>";

TEST(CatalogueDocumentTest, ReadsGroupsApplicationsAndHoldersInDocumentOrder) {
    const CatalogueDocument document =
        Parse(std::string("<?xml version='1.0'?><!-- c --><apps><group caption='") + kChineseUtf8 +
              "' icon='nav/a.png' mark='learn' id='10'>" + App("1", "appRecommend='5x'") +
              "<h caption='h' icon='h.png' id='2' showSubApps='TRUE'>" + App("21") + "<!-- c -->" +
              App("22", "showSubApps='True'", "http://s/<deep caption='x'/>") + "</h>" + App("3") +
              "</group><!-- between groups --><group caption='g2' icon='b' mark='m2' id='11'>" +
              App("4") + "</group></apps>");
    ASSERT_TRUE(document.hasRoot);
    EXPECT_TRUE(document.problems.empty());
    ASSERT_EQ(document.groups.size(), 2u);
    const CatalogueGroup& group = document.groups[0];
    EXPECT_EQ(group.caption + "|" + group.icon + "|" + group.mark + "|" + group.id,
              std::string(kChineseGbk) + "|nav/a.png|learn|10");
    EXPECT_EQ(group.tag, 10);
    ASSERT_EQ(group.applications.size(), 3u);

    const CatalogueApplication& app = group.applications[0];
    EXPECT_EQ(app.caption + "|" + app.icon + "|" + app.id + "|" + app.action + "|" + app.target +
                  "|" + app.recommendKey,
              "c1|i/1.png|1|web|http://a/|5x");
    EXPECT_EQ(app.tag, 1);
    EXPECT_FALSE(app.holdsSubApps);

    // A sub-application is the last level: its showSubApps and children are not read.
    const CatalogueApplication& holder = group.applications[1];
    ASSERT_TRUE(holder.holdsSubApps);
    ASSERT_EQ(holder.subApplications.size(), 2u);
    EXPECT_EQ(holder.subApplications[0].id, "21");
    EXPECT_FALSE(holder.subApplications[1].holdsSubApps);
    EXPECT_EQ(holder.subApplications[1].target, "http://s/");
    EXPECT_EQ(group.applications[2].id, "3");
    EXPECT_EQ(document.groups[1].applications.at(0).id, "4");
}

TEST(CatalogueDocumentTest, ShowSubAppsIsTrueInAnyLetterCase) {
    const CatalogueDocument document =
        Parse(std::string("<r>") + kGroup + "<a caption='a' icon='i' id='1' showSubApps='true'/>" +
              "<a caption='a' icon='i' id='2' showSubApps='TRUE'/>" +
              App("3", "showSubApps='yes'") + App("4") + "</g></r>");
    const auto& apps = document.groups.at(0).applications;
    ASSERT_EQ(apps.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(apps[i].holdsSubApps, i < 2) << apps[i].id;
}

TEST(CatalogueDocumentTest, RecommendationKeyIsTheRawTextWhenItStartsWithANumber) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "0"}, {"abc", "0"}, {"", "0"},    {"-", "0"},  {"0", "0"},
        {"00", "00"},   {"5x", "5x"}, {" 3", " 3"}, {"-2", "-2"}};
    for (const auto& [raw, key] : cases) EXPECT_EQ(RecommendationKey(raw), key) << raw;
}

TEST(CatalogueDocumentTest, IncompleteElementsAreLeftOutAndTheRestIsRead) {
    const CatalogueDocument document =
        Parse("<r>\n<g caption='g' icon='i' id='1'>" + App("1") + "</g>\n" +  // no mark
              "<g caption='g' icon='i' mark='m' id='x2'>" + App("2") + "</g>\n" +
              "<g caption='g' icon='i' mark='m' id='3'>\n" +
              "<a caption='a' icon='i' id='4'>http://no-action/</a>\n" +
              "<a caption='a' icon='i' id='5' action='web'/>\n" +
              "<a caption='a' icon='i' id='6' action='web'><!-- c -->http://late/</a>\n" +
              "<a icon='i' id='7' action='web'>http://no-caption/</a>\n" +
              "<a caption='a' icon='i' id='8a' action='web'>http://bad-id/</a>\n" +
              "<h caption='h' id='9' showSubApps='True'/>\n" +
              "<a caption='a' icon=\"x.png' dest='0,0,900,900\" id='11' action='web'>u</a>\n" +
              "<a caption='a' icon='x\".png' id='12' action='web'>u</a>\n" + App("10") +
              "\n</g>\n<g caption='g' icon=\"n'.png\" mark='m' id='13'>" + App("14") + "</g></r>");
    ASSERT_EQ(document.groups.size(), 1u);
    EXPECT_EQ(document.groups[0].id, "3");
    ASSERT_EQ(document.groups[0].applications.size(), 1u);
    EXPECT_EQ(document.groups[0].applications[0].id, "10");

    std::string problems;
    for (const auto& problem : document.problems) {
        problems += std::to_string(problem.line) + " " + problem.reason + "\n";
    }
    EXPECT_EQ(problems,
              "2 missing attribute mark\n3 id is not a decimal number: x2\n"
              "5 missing attribute action\n6 missing text content\n7 missing text content\n"
              "8 missing attribute caption\n9 id is not a decimal number: 8a\n"
              "10 missing attribute icon\n"
              "11 icon holds a quote: x.png' dest='0,0,900,900\n"
              "12 icon holds a quote: x\".png\n"
              "15 icon holds a quote: n'.png\n");
}

TEST(CatalogueDocumentTest, TextsAreConvertedToGbkWhateverTheirLength) {
    // 6000 characters: more than the 5120 units the conversion once held.
    std::string longUtf8, longGbk;
    for (int i = 0; i < 3000; ++i) longUtf8 += kChineseUtf8, longGbk += kChineseGbk;
    const CatalogueDocument document =
        Parse(std::string("<r>") + kGroup + "<a caption=\"" + longUtf8 +
              " &apos;&quot;\" icon='i' id='2' action='a&apos;b'>" + longUtf8 + "</a></g></r>");
    const auto& app = document.groups.at(0).applications.at(0);
    EXPECT_EQ(app.caption, longGbk + " '\"");
    EXPECT_EQ(app.target, longGbk);
    EXPECT_EQ(app.action, "a'b");
}

TEST(CatalogueDocumentTest, DocumentsThatAreNotWellFormedOrHoldNoElement) {
    CatalogueDocument document;
    EXPECT_FALSE(ParseCatalogueDocument("", document));
    EXPECT_FALSE(ParseCatalogueDocument("<r><g></r>", document));
    EXPECT_FALSE(LoadCatalogueDocument("/nonexistent/apps.xml", document));
    EXPECT_TRUE(ParseCatalogueDocument("<?xml version='1.0'?><!-- nothing -->", document));
    EXPECT_FALSE(document.hasRoot);
    EXPECT_TRUE(ParseCatalogueDocument("<r/>", document));
    EXPECT_TRUE(document.hasRoot);

    // Nested beyond what a recursive parse can take: refused before parsing.
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<g>";
    EXPECT_FALSE(ParseCatalogueDocument(deep, document));
    EXPECT_EQ(document.error, "nested deeper than 256 levels");
}

TEST(CatalogueDocumentTest, OnlyADocumentWithAReadableGroupIsACatalogue) {
    std::string reason;
    EXPECT_TRUE(
        IsReadableCatalogue(std::string("<apps>") + kGroup + App("1") + "</g></apps>", reason));
    // A group without applications still makes a catalogue.
    EXPECT_TRUE(
        IsReadableCatalogue("<apps><g caption='g' icon='i' mark='m' id='1'/></apps>", reason));
    const std::pair<const char*, const char*> refused[] = {
        {"<html><head><title>Sign in</title></head><body><p>Log in</p></body></html>",
         "no group the client can read (line 1: missing attribute caption)"},
        {"<apps/>", "no group the client can read"},
        {"<!-- nothing -->", "no element"},
        {"<apps><g>", "not a well-formed document: Error reading Element value."},
        {"", "not a well-formed document: Error document empty."},
    };
    for (const auto& [xml, why] : refused) {
        EXPECT_FALSE(IsReadableCatalogue(xml, reason)) << xml;
        EXPECT_EQ(reason, why) << xml;
    }
}

TEST(CatalogueDocumentTest, LoadingLogsEachElementLeftOutWithItsLine) {
    std::string folder = (std::filesystem::temp_directory_path() / "catalogueXXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string path = folder + "/apps.xml";
    std::ofstream(path) << "<apps>\n"
                        << kGroup << "\n"
                        << App("1") << "\n<app caption='x' icon='y' id='7z' action='a'>t</app>\n"
                        << "</g>\n<g caption='g' mark='m' id='2'/>\n</apps>\n";
    platform::LogCapture log;
    CatalogueDocument document;
    EXPECT_TRUE(LoadCatalogueDocument(path, document));
    std::filesystem::remove_all(folder);
    EXPECT_EQ(document.groups.at(0).applications.size(), 1u);
    EXPECT_EQ(
        log.Messages(platform::LogLevel::Warning),
        (std::vector<std::string>{
            "catalogue " + path +
                " line 4: id is not a decimal number: 7z; left out with what it holds",
            "catalogue " + path + " line 6: missing attribute icon; left out with what it holds"}));
}

// Catalogues in the plain form are read in one pass without TinyXML's tree; the
// result must be TinyXML's to the byte, problems and their lines included. Each
// document here is either read by the pass (`plain`) or left to TinyXML.
TEST(CatalogueDocumentTest, ThePlainPassReadsWhatTinyXmlReads) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::pair<std::string, bool> documents[] = {
        {bench::GenerateCatalogueDocument(130), true},
        // Entities, blanks condensed in texts but kept in values, Chinese, a
        // comment before the text (no text then), texts split by a comment.
        {decl + "<!-- c --><apps a='1'>\r\n<g caption=' &lt;G&gt; &amp; \"x\" ' icon='i' mark='" +
             kChineseUtf8 +
             "' id='-3'>\n<app caption=\"&apos;&quot;\" icon='a' id='1' "
             "action='w'>  http://x/?a=1&amp;b=2 \r\n\t y  </app>\n<app caption='c' icon='i' "
             "id='2' action='w'><!--n-->http://y/</app><app caption='c' icon='i' id='3' "
             "action='w'>one<!--n-->two<deep><deeper x='1'/></deep></app></g>\n</apps><!--t-->\n",
         true},
        // Problems on lines counted over \r\n, \n\r and lone \r; holders and
        // their sub-applications, a holder's own problems, a deep sub-element.
        {"<apps>\r\n<g caption='g' icon='i' mark='m' id='1'>\n\r<h caption='h' icon='h' id='5' "
         "showSubApps='tRUE'>\r<app caption='s' icon='s' id='51' action='p'>x</app>\n<app "
         "icon='s' id='52' action='p'>x</app>\r\n<app caption='s' icon='s' id='53' "
         "action='p'/></h>\n<h caption='h' icon=\"h'\" id='6' showSubApps='true'/>\n<app "
         "caption='x' icon='y' id='7z' action='a' appRecommend=' +4x'>t</app>\n<app caption='x' "
         "icon='y' id='99999999999' action='a'>t</app></g><g caption='g' icon='i' mark='m' "
         "id='x'/><g caption='g' icon='i' mark='m' id='2'><app caption='c' icon='i' id='8' "
         "action='a' appRecommend='-2'>t</app></g></apps>",
         true},
        {"<apps/>", true},
        // Left to TinyXML: a repeated attribute, an unknown entity, a character
        // reference, CDATA, a DOCTYPE, a byte order mark, unquoted values, blanks
        // around '=', a second root, text after the root, malformed ones.
        {"<apps><g caption='g' caption='h' icon='i' mark='m' id='1'/></apps>", false},
        {"<apps><g caption='&nbsp;' icon='i' mark='m' id='1'/></apps>", false},
        {"<apps><g caption='&#65;' icon='i' mark='m' id='1'/></apps>", false},
        {"<apps><g caption='g' icon='i' mark='m' id='1'><app caption='c' icon='i' id='1' "
         "action='w'><![CDATA[ http://a/ ]]></app></g></apps>",
         false},
        {"<!DOCTYPE apps><apps/>", false},
        {"\xEF\xBB\xBF<apps/>", false},
        {"<apps><g caption=g icon='i' mark='m' id='1'/></apps>", false},
        {"<apps><g caption = 'g' icon='i' mark='m' id='1'/></apps>", false},
        {"<apps/><apps><g caption='g' icon='i' mark='m' id='1'/></apps>", false},
        {"<apps/>text", false},
        {"<apps><g></apps>", false},
        {"<apps><g caption='g' icon='i' mark='m' id='1'>", false},
        {"<apps><g caption='g></apps>", false},
        {"<apps>\xFF</apps>", false},
        {"", false},
        {std::string("<apps>\0<g/></apps>", 17), false},
    };
    for (const auto& [xml, plain] : documents) {
        scan::Document scanned;
        EXPECT_EQ(scan::ScanPlainDocument(xml, scanned), plain) << xml;
        CatalogueDocument fast, tree;
        const bool fastOk = ParseCatalogueDocument(xml, fast);
        EXPECT_EQ(fastOk, ParseCatalogueDocumentWithTinyXml(xml, tree)) << xml;
        EXPECT_EQ(fast, tree) << xml;
        EXPECT_TRUE(!plain || (fastOk && fast.hasRoot)) << xml;
    }
    // What the pass read, seen from here: problems, lines, texts.
    CatalogueDocument second;
    ASSERT_TRUE(ParseCatalogueDocument(documents[2].first, second));
    std::vector<std::string> problems;
    for (const CatalogueProblem& p : second.problems)
        problems.push_back(std::to_string(p.line) + " " + p.reason);
    EXPECT_EQ(problems,
              (std::vector<std::string>{
                  "5 missing attribute caption", "6 missing text content",
                  "7 icon holds a quote: h'", "8 id is not a decimal number: 7z",
                  "9 id is not a decimal number: 99999999999", "9 id is not a decimal number: x"}));
    CatalogueDocument first;
    ASSERT_TRUE(ParseCatalogueDocument(documents[1].first, first));
    const auto& apps = first.groups.at(0).applications;
    EXPECT_EQ(first.groups[0].caption, " <G> & \"x\" ");
    EXPECT_EQ(apps.at(0).target, "http://x/?a=1&b=2 y");
    EXPECT_EQ(apps.at(0).caption, "'\"");
    ASSERT_EQ(apps.size(), 2u);  // the second has no text: its first child is a comment
    EXPECT_EQ(apps.at(1).target, "one");
}

// A file reads as its text parses, whether it can be sized first or only streamed
// (a pipe), and whether or not it ends inside a multibyte character.
TEST(CatalogueDocumentTest, LoadingReadsAFileOrAPipeAsItsText) {
    std::string folder = (std::filesystem::temp_directory_path() / "catalogueXXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string whole =
        std::string("<apps>") + kGroup + App("1", "", kChineseUtf8) + "</g></apps>";
    const std::string cut = std::string("<apps>") + kGroup + "<app caption='\xE4\xB8";
    for (const std::string& text : {whole, cut}) {
        CatalogueDocument parsed, fromFile, fromPipe;
        const bool parsedOk = ParseCatalogueDocument(text, parsed);
        const std::string file = folder + "/apps.xml", pipe = folder + "/pipe";
        std::ofstream(file, std::ios::binary) << text;
        EXPECT_EQ(LoadCatalogueDocument(file, fromFile), parsedOk);
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << text; });
        EXPECT_EQ(LoadCatalogueDocument(pipe, fromPipe), parsedOk);
        writer.join();
        std::filesystem::remove(pipe);
        for (const CatalogueDocument* loaded : {&fromFile, &fromPipe}) {
            EXPECT_EQ(loaded->error, parsed.error);
            ASSERT_EQ(loaded->groups.size(), parsed.groups.size());
            if (!parsed.groups.empty()) {
                EXPECT_EQ(loaded->groups[0].applications.at(0).target, kChineseGbk);
            }
        }
    }
    EXPECT_FALSE(Parse(whole).groups.empty());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quorvi
