#include "client/shell/database.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace quorvi {
namespace {

// A fresh folder per test, removed afterwards.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "dbtestXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
        path = LocalDatabase::PathIn(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Opens and creates/migrates as every start does.
    void Start(LocalDatabase& db) {
        std::ostringstream out, err;
        ASSERT_TRUE(db.Open(path, out, err));
        EXPECT_EQ(out.str(), "successfully!\n");
        EXPECT_EQ(err.str(), "");
        db.CreateAndMigrate();
    }

    // Output of the sqlite3 shell on the file.
    std::string Shell(const std::string& command) {
        const std::string line = "sqlite3 '" + path + "' \"" + command + "\"";
        std::string output;
        if (FILE* pipe = popen(line.c_str(), "r")) {
            char buffer[4096];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
            pclose(pipe);
        }
        return output;
    }

    std::string folder;
    std::string path;
};

constexpr const char kExpectedSchema[] =
    "CREATE TABLE config(ID INTEGER PRIMARY KEY,AutoStartWebPage INTEGER,IsDefaultSavePath "
    "INTEGER,WebPageChannel VARCHAR(255),SavePath VARCHAR(255), IsRemeberPassword INTEGER "
    "DEFAULT 0, IsAutoLogin INTEGER DEFAULT 0, LoginUserName VARCHAR(255) DEFAULT '', "
    "LoginPassword VARCHAR(255) DEFAULT '');\n"
    "CREATE TABLE history(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
    "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255));\n"
    "CREATE TABLE apps(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
    "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255),AppID "
    "INTEGER,AppAction VARCHAR(255), GroupID INTEGER DEFAULT 0);\n"
    "CREATE TABLE apps_recommend(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
    "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255),AppID "
    "INTEGER,AppAction VARCHAR(255),AppRecommend VARCHAR(255), GroupID INTEGER DEFAULT 0);\n"
    "CREATE INDEX apps_AppID ON apps(AppID);\n";

TEST_F(DatabaseTest, FirstStartCreatesTheFileTablesAndSeedRow) {
    ASSERT_FALSE(std::filesystem::exists(path));
    {
        LocalDatabase db;
        Start(db);
        EXPECT_TRUE(db.IsOpen());
    }
    EXPECT_EQ(Shell(".schema"), kExpectedSchema);
    EXPECT_EQ(Shell("SELECT quote(ID),quote(AutoStartWebPage),quote(IsDefaultSavePath),"
                    "quote(WebPageChannel),quote(SavePath),quote(IsRemeberPassword),"
                    "quote(IsAutoLogin),quote(LoginUserName),quote(LoginPassword) FROM config"),
              "1|1|1|'1'|''|0|0|''|''\n");
}

TEST_F(DatabaseTest, LaterStartsChangeNothing) {
    {
        LocalDatabase db;
        Start(db);
        ASSERT_TRUE(
            db.Execute("insert into apps values (NULL,'a','f','u',NULL,'optLink7',7,'x',3)"));
    }
    const std::string before = Shell(".dump");
    for (int start = 0; start < 2; ++start) {
        LocalDatabase db;
        Start(db);
        // The creations and alterations fail on a file that has everything.
        EXPECT_FALSE(db.ErrorText().empty());
    }
    EXPECT_EQ(Shell(".dump"), before);
}

TEST_F(DatabaseTest, FileFromBeforeTheMigrationsGainsColumnsWithDefaults) {
    {
        LocalDatabase db;
        std::ostringstream sink;
        ASSERT_TRUE(db.Open(path, sink, sink));
        ASSERT_TRUE(db.Execute(
            "CREATE TABLE config(ID INTEGER PRIMARY KEY,AutoStartWebPage INTEGER,"
            "IsDefaultSavePath INTEGER,WebPageChannel VARCHAR(255),SavePath VARCHAR(255));"
            "INSERT INTO config VALUES(NULL,0,0,'4','/data/');"
            "CREATE TABLE apps(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
            "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255),"
            "AppID INTEGER,AppAction VARCHAR(255));"
            "INSERT INTO apps VALUES(NULL,'a','f','u','2020-01-01 10:00:00','optLink5',5,'x');"
            "CREATE TABLE apps_recommend(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),"
            "AppForeImage VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName "
            "VARCHAR(255),AppID INTEGER,AppAction VARCHAR(255),AppRecommend VARCHAR(255));"
            "INSERT INTO apps_recommend VALUES(NULL,'a','f','u',NULL,'optLink5',5,'x','1');"));
        db.CreateAndMigrate();
    }
    // The old row stays the only one and reads the new columns' defaults.
    EXPECT_EQ(Shell("SELECT * FROM config"), "1|0|0|4|/data/|0|0||\n");
    EXPECT_EQ(Shell("SELECT * FROM apps"), "1|a|f|u|2020-01-01 10:00:00|optLink5|5|x|0\n");
    EXPECT_EQ(Shell("SELECT * FROM apps_recommend"), "1|a|f|u||optLink5|5|x|1|0\n");
    EXPECT_EQ(Shell("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"),
              "apps\napps_recommend\nconfig\nhistory\n");
}

TEST_F(DatabaseTest, MigratedConfigWithoutRowGetsNoSeedRow) {
    {
        LocalDatabase db;
        Start(db);
        ASSERT_TRUE(db.Execute("DELETE FROM config"));
    }
    LocalDatabase db;
    Start(db);
    EXPECT_TRUE(db.Query("SELECT * FROM config").empty());
}

TEST_F(DatabaseTest, FileThatCannotBeOpenedLeavesTheDatabaseClosed) {
    LocalDatabase db;
    std::ostringstream out, err;
    EXPECT_FALSE(db.Open(folder + "no such folder/" + LocalDatabase::kFileName, out, err));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Can\u2019t open database: unable to open database file\n");

    // Every statement is skipped.
    db.CreateAndMigrate();
    EXPECT_FALSE(db.Execute("SELECT 1"));
    EXPECT_FALSE(db.Execute("SELECT ?", {1}));
    EXPECT_TRUE(db.Query("SELECT 1").empty());
    EXPECT_FALSE(db.Prepare("SELECT 1").IsValid());
}

TEST_F(DatabaseTest, BoundValuesAreStoredAsTheyStand) {
    LocalDatabase db;
    Start(db);
    const std::string text = "it's'; DROP TABLE apps; --";
    ASSERT_TRUE(db.Execute("insert into apps values (NULL,?,?,?,?,?,?,?,?)",
                           {text, "f", "u", nullptr, "n", 7, "a", 2}));
    const auto rows = db.Query("select AppName, Dateline, AppID from apps where AppName=?", {text});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Text(0), text);
    EXPECT_FALSE(rows[0].columns[1].has_value());
    EXPECT_EQ(rows[0].Text(1), "");
    EXPECT_EQ(rows[0].Text(2), "7");
    EXPECT_EQ(rows[0].Text(9), "");  // a column the row does not have reads empty
    EXPECT_EQ(Shell("SELECT count(*) FROM apps"), "1\n");
}

TEST_F(DatabaseTest, MisusedStatementsFailInsteadOfDoingPartOfTheWork) {
    LocalDatabase db;
    Start(db);
    // A second statement behind bound values would silently not run.
    EXPECT_FALSE(db.Execute("update config set SavePath=?; DELETE FROM config", {"x"}));
    EXPECT_FALSE(db.ErrorText().empty());
    // Too few values would store NULLs.
    EXPECT_FALSE(db.Execute("update config set SavePath=?, WebPageChannel=?", {"x"}));
    EXPECT_FALSE(db.Execute("no such statement", {1}));
    EXPECT_EQ(Shell("SELECT SavePath, WebPageChannel FROM config"), "|1\n");
    // A statement's error is in the error-text slot.
    EXPECT_FALSE(db.Execute("SELECT * FROM nowhere"));
    EXPECT_EQ(db.ErrorText(), "no such table: nowhere");
}

TEST_F(DatabaseTest, LookupByAppIdUsesTheIndex) {
    LocalDatabase db;
    Start(db);
    const auto plan = db.Query("EXPLAIN QUERY PLAN select AppID from apps where AppID=?", {7});
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan.back().Text(3).find("USING COVERING INDEX apps_AppID"), std::string::npos)
        << plan.back().Text(3);
}

}  // namespace
}  // namespace quorvi
