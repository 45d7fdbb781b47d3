#include "client/catalogue/catalogue_store.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "client/common/database_test_support.h"
#include "platform/log_test_support.h"

namespace quorvi {
namespace {

class CatalogueStoreTest : public ::testing::Test {
protected:
    void SetUp() override { StartDatabase(db, folder); }

    // Writes "apps.xml" with `groups` under its root, loads it and stores it.
    void Sync(const std::string& groups) {
        const std::string path = folder.Path() + "apps.xml";
        std::ofstream(path) << "<?xml version='1.0' encoding='UTF-8'?>\n<apps>" << groups
                            << "</apps>";
        CatalogueDocument document;
        ASSERT_TRUE(LoadCatalogueDocument(path, document));
        ASSERT_TRUE(document.problems.empty()) << document.problems[0].reason;
        StoreCatalogue(db, document);
    }
    std::string Column(const std::string& sql) { return quorvi::Column(db, sql); }

    TempFolder folder;
    LocalDatabase db;
};

std::string Group(const std::string& id, const std::string& apps) {
    return "<group caption='g' icon='g.png' mark='m' id='" + id + "'>" + apps + "</group>";
}

std::string App(const std::string& id, const std::string& caption, const std::string& extra = "",
                const std::string& text = "http://a/") {
    return "<app caption=\"" + caption + "\" icon='i/" + id + ".png' id='" + id +
           "' action='web' " + extra + ">" + text + "</app>";
}

using Columns = std::vector<std::optional<std::string>>;

TEST_F(CatalogueStoreTest, WritesOneRowPerApplicationAndSubApplication) {
    Sync(Group("10", App("1", "one", "appRecommend='2'") +
                         "<h caption='h' icon='h.png' id='5' showSubApps='True'>" +
                         App("51", "sub", "", "prog/x.exe") + "</h>") +
         Group("11", App("2", "two")));
    const auto apps = db.Query("select * from apps order by ID");
    ASSERT_EQ(apps.size(), 3u);  // the holder itself has no row
    EXPECT_EQ(apps[0].columns, (Columns{"1", "one", "file='i/1.png' dest='16,0,84,70'", "http://a/",
                                        std::nullopt, "optLink1", "1", "web", "10"}));
    EXPECT_EQ(apps[1].Text(3) + " " + apps[1].Text(8), "prog/x.exe 10");  // the holder's group
    EXPECT_EQ(apps[2].Text(8), "11");
    // Ids are numbers, as the unquoted values of the statements made them.
    EXPECT_EQ(Column("select typeof(AppID)||typeof(GroupID) from apps limit 1"), "integerinteger");
    const auto recommended = db.Query("select * from apps_recommend");
    ASSERT_EQ(recommended.size(), 1u);
    EXPECT_EQ(recommended[0].columns,
              (Columns{"1", "one", "file='i/1.png' dest='5,5,39,41'", "http://a/", std::nullopt,
                       "optLink1", "1", "web", "2", "10"}));
}

// The client's tables have no sequence to reset: storing logs no error.
TEST_F(CatalogueStoreTest, StoringInTheClientsOwnDatabaseLogsNothing) {
    testing::internal::CaptureStderr();
    Sync(Group("10", App("1", "one", "appRecommend='2'")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "1");
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
    Sync(Group("1", App("1", "old", "appRecommend='1'") + App("2", "two")));
    ASSERT_TRUE(db.Execute("update apps set Dateline='2026-01-02 03:04:05' where AppID=1"));
    // 1 changes, 2 leaves, 4 joins (twice: its later occurrence wins)
    Sync(
        Group("3", App("1", "new", "", "http://new/") + App("4", "four") + App("4", "four again")));
    EXPECT_EQ(
        Column("select AppName||'|'||UserData||'|'||GroupID||'|'||ifnull(Dateline,'') from apps "
               "order by ID"),
        "new|http://new/|3|2026-01-02 03:04:05|two|http://a/|1||four again|http://a/|3|");
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "0");  // emptied on every pass

    // A document without any element is no pass at all.
    Sync(Group("1", App("1", "one", "appRecommend='1'")));
    CatalogueDocument empty;
    ASSERT_TRUE(ParseCatalogueDocument("<!-- nothing -->", empty));
    StoreCatalogue(db, empty);
    EXPECT_EQ(Column("select count(*) from apps_recommend"), "1");
}

// A start stores the catalogue it already stored: nothing is written then (no
// transaction to wait for), and anything that differs from what a pass would
// write makes the pass.
TEST_F(CatalogueStoreTest, TheSameDocumentAgainWritesNothingAndAnyDifferenceIsWritten) {
    const std::string groups =
        Group("1", App("1", "one", "appRecommend='1'") + App("2", "two", "appRecommend='1'")) +
        Group("2", App("3", "three"));
    Sync(groups);
    const int changes = sqlite3_total_changes(db.Handle());
    Sync(groups);
    EXPECT_EQ(sqlite3_total_changes(db.Handle()), changes) << "the same catalogue written again";

    // Rows changed, added or removed behind the window are put right.
    ASSERT_TRUE(db.Execute("update apps_recommend set Dateline='x' where AppID=2"));
    ASSERT_TRUE(db.Execute("update apps set AppAction='run' where AppID=3"));
    Sync(groups);
    EXPECT_EQ(Column("select ifnull(Dateline,'-') from apps_recommend order by ID"), "-|-");
    EXPECT_EQ(Column("select AppAction from apps where AppID=3"), "web");
    ASSERT_TRUE(db.Execute("insert into apps_recommend (AppName) values ('stray')"));
    ASSERT_TRUE(db.Execute("delete from apps where AppID=3"));
    Sync(groups);
    EXPECT_EQ(Column("select AppName from apps_recommend order by ID"), "one|two");
    EXPECT_EQ(Column("select AppName from apps order by ID"), "one|two|three");

    // And so is a document that differs in one value.
    Sync(Group("1", App("1", "one", "appRecommend='1'") + App("2", "two")) +
         Group("2", App("3", "three")));
    EXPECT_EQ(Column("select AppName from apps_recommend order by ID"), "one");
}

TEST_F(CatalogueStoreTest, NonAsciiTextsAreStoredAsGbkWhateverTheirLength) {
    std::string caption;
    for (int i = 0; i < 3000; ++i) caption += "\xE4\xB8\xAD\xE6\x96\x87";
    Sync(Group("1", App("1", "\xE4\xB8\xAD\xE6\x96\x87", "", "http://a/?q=\xE6\x96\x87") +
                        App("2", caption, "", "http://a/?q=" + std::string(8000, 'x'))));
    EXPECT_EQ(Column("select hex(AppName)||' '||hex(UserData) from apps where AppID=1"),
              "D6D0CEC4 687474703A2F2F612F3F713DCEC4");
    EXPECT_EQ(Column("select length(CAST(AppName AS BLOB))||' '||length(UserData) from apps "
                     "where AppID=2"),
              "12000 8012");
}

TEST_F(CatalogueStoreTest, QuotesAndSemicolonsNeitherBreakNorExtendStatements) {
    const std::string caption = "it&apos;s', 'x'); DELETE FROM apps; --";
    const std::string address = "http://a/?q=1';DROP TABLE apps;--";
    const std::string app = "<app caption=\"" + caption + "\" icon=\"ob.png\" id='1' " +
                            "action=\"run';\" appRecommend=\"1';\">" + address + "</app>";
    Sync(Group("1", app + App("2", "plain")));
    Sync(Group("1", app));  // found by its id and updated in place
    const auto rows = db.Query("select * from apps order by ID");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Text(1), "it's', 'x'); DELETE FROM apps; --");
    EXPECT_EQ(rows[0].Text(2), "file='ob.png' dest='16,0,84,70'");
    EXPECT_EQ(rows[0].Text(3), address);
    EXPECT_EQ(rows[0].Text(7), "run';");
    EXPECT_EQ(Column("select AppRecommend||AppForeImage from apps_recommend"),
              "1';file='ob.png' dest='5,5,39,41'");
}

TEST_F(CatalogueStoreTest, PassIsOneTransactionAndRefusesIdsThatAreNotNumbers) {
    {
        CatalogueStorePass pass(db);
        EXPECT_EQ(sqlite3_get_autocommit(db.Handle()), 0);
        const CatalogueOption option{"t", "file='i' dest='16,0,84,70'", "http://a/", "optLink1"};
        EXPECT_TRUE(pass.Store(option, {"1", "web", "0", "2"}));
        EXPECT_FALSE(pass.Store(option, {"1 or 1=1", "web", "0", "2"}));
        EXPECT_FALSE(pass.Store(option, {"3", "web", "0", "2);--"}));
    }
    EXPECT_NE(sqlite3_get_autocommit(db.Handle()), 0);
    EXPECT_EQ(Column("select AppID from apps"), "1");
}

// A pass is all or nothing: one that fails part way, or whose process is killed
// inside it, leaves the previous applications and their recommendations.
TEST_F(CatalogueStoreTest, PassThatFailsOrIsKilledPartWayChangesNothing) {
    Sync(Group("10", App("1", "old", "appRecommend='1'") + App("2", "two")));
    const auto expectPrevious = [&] {
        EXPECT_EQ(Column("select AppName||' '||GroupID from apps order by ID"), "old 10|two 10");
        EXPECT_EQ(Column("select AppName||' '||AppRecommend from apps_recommend"), "old 1");
        EXPECT_NE(sqlite3_get_autocommit(db.Handle()), 0);
    };

    // The third application's insert fails (as a full disk would fail it).
    ASSERT_TRUE(
        db.Execute("CREATE TRIGGER refuse BEFORE INSERT ON apps WHEN NEW.AppID=3 "
                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const std::string next = Group("11", App("1", "new", "appRecommend='2'") + App("3", "three") +
                                             App("4", "four", "appRecommend='1'"));
    {
        platform::LogCapture log;
        Sync(next);
        EXPECT_TRUE(log.Holds(platform::LogLevel::Warning, "catalogue not stored")) << log.Text();
    }
    expectPrevious();
    ASSERT_TRUE(db.Execute("DROP TRIGGER refuse"));

    // Killed after the recommendations were emptied and an application updated.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        LocalDatabase other;
        std::ostringstream out, err;
        if (!other.Open(LocalDatabase::PathIn(folder.Path()), out, err)) _exit(1);
        CatalogueStorePass pass(other);
        pass.Store({"new", "file='n' dest='16,0,84,70'", "http://n/", "optLink1"},
                   {"1", "web", "2", "11"});
        raise(SIGKILL);
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    expectPrevious();

    // The next whole pass replaces both.
    Sync(next);
    EXPECT_EQ(Column("select AppName from apps order by ID"), "new|two|three|four");
    EXPECT_EQ(Column("select AppName||' '||AppRecommend from apps_recommend order by ID"),
              "new 2|four 1");
}

}  // namespace
}  // namespace quorvi
