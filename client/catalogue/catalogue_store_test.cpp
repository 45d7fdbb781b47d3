#include "client/catalogue/catalogue_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace quorvi {
namespace {

class CatalogueStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "storeXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
        std::ostringstream sink;
        ASSERT_TRUE(db.Open(LocalDatabase::PathIn(folder), sink, sink));
        db.CreateAndMigrate();
    }
    void TearDown() override {
        db.Close();
        std::filesystem::remove_all(folder);
    }

    // Parses and stores a document whose root holds `groups`.
    void Sync(const std::string& groups) {
        CatalogueDocument document;
        ASSERT_TRUE(ParseCatalogueDocument("<apps>" + groups + "</apps>", document));
        ASSERT_TRUE(document.problems.empty()) << document.problems[0].reason;
        StoreCatalogue(db, document);
    }

    // One column of every row, in row order, joined by "|".
    std::string Column(const std::string& sql) {
        std::string joined;
        for (const SqlRow& row : db.Query(sql)) {
            if (!joined.empty()) joined += "|";
            joined += row.Text(0);
        }
        return joined;
    }

    std::string folder;
    LocalDatabase db;
};

std::string Group(const std::string& id, const std::string& apps) {
    return "<group caption='g' icon='g.png' iconMd5='0' mark='m" + id + "' id='" + id + "'>" +
           apps + "</group>";
}

std::string App(const std::string& id, const std::string& caption, const std::string& extra = "",
                const std::string& text = "http://a/") {
    return "<app caption=\"" + caption + "\" icon='i/" + id + ".png' iconMd5='0' id='" + id +
           "' action='web' " + extra + ">" + text + "</app>";
}

TEST_F(CatalogueStoreTest, WritesTheRowsOfEveryApplication) {
    Sync(Group("10", App("1", "one", "appRecommend='2'") +
                         "<h caption='h' icon='h.png' iconMd5='0' id='5' showSubApps='True'>" +
                         App("51", "sub", "", "prog/x.exe") + "</h>") +
         Group("11", App("2", "two")));

    const auto apps = db.Query("select * from apps order by ID");
    ASSERT_EQ(apps.size(), 3u);  // the holder itself has no row
    EXPECT_EQ(apps[0].columns, (std::vector<std::optional<std::string>>{
                                   "1", "one", "file='i/1.png' dest='16,0,84,70'", "http://a/",
                                   std::nullopt, "optLink1", "1", "web", "10"}));
    EXPECT_EQ(apps[1].Text(1), "sub");
    EXPECT_EQ(apps[1].Text(3), "prog/x.exe");
    EXPECT_EQ(apps[1].Text(8), "10");  // the holder's group
    EXPECT_EQ(apps[2].Text(8), "11");
    // Ids are stored as numbers, as the unquoted values were.
    EXPECT_EQ(Column("select typeof(AppID)||typeof(GroupID) from apps limit 1"), "integerinteger");

    const auto recommended = db.Query("select * from apps_recommend");
    ASSERT_EQ(recommended.size(), 1u);
    EXPECT_EQ(recommended[0].columns,
              (std::vector<std::optional<std::string>>{
                  "1", "one", "file='i/1.png' dest='5,5,39,41'", "http://a/", std::nullopt,
                  "optLink1", "1", "web", "2", "10"}));
}

TEST_F(CatalogueStoreTest, LaterOccurrenceOfAnIdWins) {
    Sync(Group("10", App("7", "first", "appRecommend='1'", "http://first/")) +
         Group("11", App("7", "second", "appRecommend='3'", "http://second/")));
    EXPECT_EQ(Column("select AppName||' '||UserData||' '||GroupID from apps"),
              "second http://second/ 11");
    EXPECT_EQ(Column("select AppName||' '||AppRecommend from apps_recommend order by ID"),
              "first 1|second 3");
}

TEST_F(CatalogueStoreTest, OnlyKeysStartingWithANumberOtherThanZeroAreRecommended) {
    Sync(Group("1", App("1", "abc", "appRecommend='abc'") + App("2", "missing") +
                        App("3", "zero", "appRecommend='0'") +
                        App("4", "zerozero", "appRecommend='00'") +
                        App("5", "fivex", "appRecommend='5x'")));
    EXPECT_EQ(Column("select AppName||':'||AppRecommend from apps_recommend order by ID"),
              "zerozero:00|fivex:5x");
    EXPECT_EQ(Column("select count(*) from apps"), "5");
}

TEST_F(CatalogueStoreTest, RowsOutliveTheDocumentAndKeepTheirLastUse) {
    Sync(Group("1", App("1", "old one", "appRecommend='1'") + App("2", "two")));
    ASSERT_TRUE(db.Execute("update apps set Dateline='2026-01-02 03:04:05' where AppID=1"));

    // Application 1 changes, application 2 leaves the catalogue.
    Sync(Group("3", App("1", "new one", "", "http://new/")));
    EXPECT_EQ(Column("select AppName||'|'||UserData||'|'||GroupID||'|'||Dateline from apps "
                     "where AppID=1"),
              "new one|http://new/|3|2026-01-02 03:04:05");
    EXPECT_EQ(Column("select AppName||'|'||GroupID from apps where AppID=2"), "two|1");
    EXPECT_EQ(Column("select count(*) from apps"), "2");
    // Recommendations are those of the last pass only.
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "0");
}

TEST_F(CatalogueStoreTest, DocumentWithoutElementsLeavesTheTablesAlone) {
    Sync(Group("1", App("1", "one", "appRecommend='1'")));
    CatalogueDocument empty;
    ASSERT_TRUE(ParseCatalogueDocument("<!-- nothing -->", empty));
    StoreCatalogue(db, empty);
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "1");

    // A root without groups is a pass with nothing in it.
    Sync("");
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "0");
    EXPECT_EQ(Column("select count(*) from apps"), "1");
}

TEST_F(CatalogueStoreTest, NonAsciiCaptionIsStoredAsGbk) {
    Sync(Group("1", App("1", "\xE4\xB8\xAD\xE6\x96\x87", "", "http://a/?q=\xE6\x96\x87")));
    EXPECT_EQ(Column("select hex(AppName)||' '||hex(UserData) from apps"),
              "D6D0CEC4 687474703A2F2F612F3F713DCEC4");
}

TEST_F(CatalogueStoreTest, QuotesAndSemicolonsNeitherBreakNorExtendStatements) {
    const std::string caption = "it&apos;s', 'x'); DELETE FROM apps; --";
    const std::string address = "http://a/?q=1';DROP TABLE apps;--";
    Sync(Group("1", "<app caption=\"" + caption + "\" icon=\"o'brien.png\" iconMd5='0' id='1' " +
                        "action=\"run';\" appRecommend=\"1';\">" + address + "</app>" +
                        App("2", "plain")));
    const auto rows = db.Query("select * from apps order by ID");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Text(1), "it's', 'x'); DELETE FROM apps; --");
    EXPECT_EQ(rows[0].Text(2), "file='o'brien.png' dest='16,0,84,70'");
    EXPECT_EQ(rows[0].Text(3), address);
    EXPECT_EQ(rows[0].Text(7), "run';");
    EXPECT_EQ(Column("select AppRecommend||AppForeImage from apps_recommend"),
              "1';file='o'brien.png' dest='5,5,39,41'");

    // Stored again: found by its id and updated in place, still one row each.
    Sync(Group("1", "<app caption=\"" + caption + "\" icon='i' iconMd5='0' id='1' " +
                        "action='web'>" + address + "</app>"));
    EXPECT_EQ(Column("select count(*) from apps"), "2");
    EXPECT_EQ(Column("select AppName from apps where AppID=1"), rows[0].Text(1));
}

TEST_F(CatalogueStoreTest, TextsLongerThanTheOldConversionBufferAreStoredWhole) {
    std::string caption;
    for (int i = 0; i < 3000; ++i) caption += "\xE4\xB8\xAD\xE6\x96\x87";
    const std::string address = "http://a/?q=" + std::string(8000, 'x');
    Sync(Group("1", App("1", caption, "", address)));
    EXPECT_EQ(Column("select length(CAST(AppName AS BLOB))||' '||length(UserData) from apps"),
              "12000 " + std::to_string(address.size()));
}

TEST_F(CatalogueStoreTest, PassRunsInOneTransactionAndRefusesIdsThatAreNotNumbers) {
    {
        CatalogueStorePass pass(db);
        EXPECT_EQ(sqlite3_get_autocommit(db.Handle()), 0);
        const CatalogueOption option{"t", "file='i' dest='16,0,84,70'", "http://a/", "optLink1"};
        EXPECT_TRUE(pass.Store(option, {"1", "web", "0", "2"}));
        EXPECT_FALSE(pass.Store(option, {"1 or 1=1", "web", "0", "2"}));
        EXPECT_FALSE(pass.Store(option, {"3", "web", "0", "2);--"}));
        EXPECT_FALSE(pass.Store(option, {"", "web", "0", "2"}));
    }
    EXPECT_NE(sqlite3_get_autocommit(db.Handle()), 0);
    EXPECT_EQ(Column("select AppID from apps"), "1");
}

TEST(RecommendationForeImage, ReplacesTheDestination) {
    EXPECT_EQ(RecommendationForeImage("file='a.png' dest='16,0,84,70'"),
              "file='a.png' dest='5,5,39,41'");
    EXPECT_EQ(RecommendationForeImage("file='a.png'"), "");
    EXPECT_EQ(RecommendationForeImage("dest='1,1,1,1'"), "");
}

}  // namespace
}  // namespace quorvi
