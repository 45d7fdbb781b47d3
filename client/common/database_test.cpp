#include "client/common/database.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "client/common/database_test_support.h"
#include "platform/log_test_support.h"

namespace quorvi {
namespace {

// Output of the sqlite3 shell on a database file.
std::string Shell(const std::string& path, const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(("sqlite3 '" + path + "' \"" + command + "\"").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

constexpr const char kSchema[] =
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

// The config rows: their count, then every settings column of the last one.
constexpr const char kConfigRow[] =
    "SELECT count(*)||':'||AutoStartWebPage||IsDefaultSavePath||WebPageChannel||quote(SavePath)||"
    "IsRemeberPassword||IsAutoLogin||quote(LoginUserName)||quote(LoginPassword) FROM config";

TEST(DatabaseTest, FirstStartCreatesTheSchemaAndSeedRowLaterStartsChangeNothing) {
    TempFolder folder;
    const std::string path = LocalDatabase::PathIn(folder.Path());
    {
        LocalDatabase db;
        StartDatabase(db, folder);
    }
    EXPECT_EQ(Shell(path, ".schema"), kSchema);
    EXPECT_EQ(Shell(path,
                    "SELECT quote(ID),quote(AutoStartWebPage),quote(IsDefaultSavePath),"
                    "quote(WebPageChannel),quote(SavePath),quote(IsRemeberPassword),"
                    "quote(IsAutoLogin),quote(LoginUserName),quote(LoginPassword) FROM config"),
              "1|1|1|'1'|''|0|0|''|''\n");

    const std::string before = Shell(path, ".dump");
    for (int start = 0; start < 2; ++start) {
        LocalDatabase db;
        StartDatabase(db, folder);
    }
    EXPECT_EQ(Shell(path, ".dump"), before);
}

TEST(DatabaseTest, FileFromBeforeTheMigrationsGainsColumnsWithDefaults) {
    TempFolder folder;
    LocalDatabase db;
    std::ostringstream sink;
    ASSERT_TRUE(db.Open(LocalDatabase::PathIn(folder.Path()), sink, sink));
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

    // The old row stays the only one (no seed row) and reads the defaults.
    EXPECT_EQ(Column(db,
                     "SELECT quote(LoginPassword)||','||IsRemeberPassword||IsAutoLogin||"
                     "quote(LoginUserName)||','||WebPageChannel FROM config"),
              "'',00'',4");
    EXPECT_EQ(Column(db, "SELECT Dateline||','||GroupID FROM apps"), "2020-01-01 10:00:00,0");
    EXPECT_EQ(Column(db, "SELECT AppRecommend||','||GroupID FROM apps_recommend"), "1,0");
    EXPECT_EQ(Column(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"),
              "apps|apps_recommend|config|history");

    // A migrated config table that lost its row gets its seed row back, though
    // it has nine columns, so the settings can be saved again.
    ASSERT_TRUE(db.Execute("DELETE FROM config"));
    db.CreateAndMigrate();
    EXPECT_EQ(Column(db, kConfigRow), "1:111''00''''");
}

// Starts the database as the client does, in `count` processes at once on one
// folder; true when each of them exited cleanly.
bool StartConcurrently(const std::string& folder, int count) {
    int gate[2];
    if (pipe(gate) != 0) return false;
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            close(gate[1]);
            char byte;
            (void)!read(gate[0], &byte, 1);  // returns when the parent closes the gate
            std::ostringstream out, err;
            LocalDatabase db;
            const bool opened = db.Open(LocalDatabase::PathIn(folder), out, err);
            if (opened) db.CreateAndMigrate();
            _exit(opened ? 0 : 1);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);  // every child starts at once
    bool clean = true;
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        clean &= WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return clean;
}

TEST(DatabaseTest, ClientsStartedTogetherOnOneFolderLeaveOneValidConfigRow) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempFolder folder;
        ASSERT_TRUE(StartConcurrently(folder.Path(), 2));
        LocalDatabase db;
        std::ostringstream sink;
        ASSERT_TRUE(db.Open(LocalDatabase::PathIn(folder.Path()), sink, sink));
        EXPECT_EQ(Column(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"),
                  "apps|apps_recommend|config|history");
        EXPECT_EQ(Column(db, kConfigRow), "1:111''00''''");
        EXPECT_EQ(Column(db, "SELECT count(*) FROM pragma_table_info('apps') WHERE name='GroupID'"),
                  "1");
    }
}

TEST(DatabaseTest, FileThatCannotBeOpenedLeavesTheDatabaseClosed) {
    TempFolder folder;
    LocalDatabase db;
    std::ostringstream out, err;
    EXPECT_FALSE(db.Open(folder.Path() + "missing/vamo.db", out, err));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Can\u2019t open database: unable to open database file\n");
    db.CreateAndMigrate();  // skipped, no crash
    EXPECT_FALSE(db.Execute("SELECT 1"));
    EXPECT_FALSE(db.Execute("SELECT ?", {1}));
    EXPECT_TRUE(db.Query("SELECT 1").empty());
}

// The file keeps the remembered password.
TEST(DatabaseTest, TheFileIsReadableAndWritableByItsOwnerOnly) {
    TempFolder folder;
    const std::string path = LocalDatabase::PathIn(folder.Path());
    struct stat info {};
    {
        LocalDatabase db;
        StartDatabase(db, folder);
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    // A file an earlier version left open to everybody is closed at the next start.
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    LocalDatabase db;
    StartDatabase(db, folder);
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Column(db, "select count(*) from config"), "1");
}

TEST(DatabaseTest, CorruptFileIsMovedAsideWithTheTimeAndANewOneServes) {
    TempFolder folder;
    const std::string path = LocalDatabase::PathIn(folder.Path());
    const std::string garbage(2048, 'x');
    std::ofstream(path, std::ios::binary) << garbage;
    LocalDatabase db;
    std::ostringstream out, err;
    platform::LogCapture log;
    ASSERT_TRUE(db.Open(path, out, err));
    EXPECT_EQ(out.str(), "successfully!\n");
    EXPECT_EQ(err.str(), "");
    // One line naming the file and the cause, and where the file now is.
    std::smatch match;
    const std::string line = log.Text();
    ASSERT_TRUE(std::regex_match(
        line, match,
        std::regex("error: database (.*) is corrupt \\(file is not a database\\); moved aside "
                   "to (.*\\.corrupt-[0-9]{8}-[0-9]{6}) and a new one is created\n")))
        << line;
    EXPECT_EQ(match[1], path);
    const std::string aside = match[2];
    EXPECT_EQ(aside.substr(0, path.size()), path);

    // Nothing the user had is deleted; the client works on a new file.
    std::ifstream kept(aside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), garbage);
    db.CreateAndMigrate();
    EXPECT_EQ(Column(db, kConfigRow), "1:111''00''''");
}

TEST(DatabaseTest, FileLockedByAnotherProgramIsNamedAndLeftAlone) {
    TempFolder folder;
    const std::string path = LocalDatabase::PathIn(folder.Path());
    {
        LocalDatabase first;
        StartDatabase(first, folder);
    }
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    LocalDatabase db;
    std::ostringstream out, err;
    platform::LogCapture log;
    EXPECT_FALSE(db.Open(path, out, err));  // waits the busy time-out first
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(out.str() + err.str(), "");
    EXPECT_EQ(log.Text(), "error: database " + path +
                              " is locked by another program (database is locked); the client "
                              "runs without a database\n");
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(Shell(path, "SELECT count(*) FROM config"), "1\n");
}

TEST(DatabaseTest, ReadOnlyFileIsNamedAndStillRead) {
    TempFolder folder;
    const std::string path = LocalDatabase::PathIn(folder.Path());
    {
        LocalDatabase first;
        StartDatabase(first, folder);
        ASSERT_TRUE(first.Execute("update config set WebPageChannel='7'"));
    }
    chmod(folder.Path().c_str(), 0755);
    chmod(path.c_str(), 0444);
    // The superuser may write any file: the check runs as an ordinary user.
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        LocalDatabase db;
        std::ostringstream out, err;
        platform::LogCapture log;
        const bool opened = db.Open(path, out, err);
        const std::string text = std::string(opened ? "open|" : "closed|") + out.str() + err.str() +
                                 "|" + log.Text() + "|" +
                                 Column(db, "SELECT WebPageChannel FROM config");
        (void)!write(report[1], text.data(), text.size());
        _exit(0);
    }
    close(report[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(text, "open||error: database " + path +
                        " is read-only; settings and the catalogue are not saved\n|7");
}

TEST(DatabaseTest, BoundValuesAreStoredAsTheyStandAndMisuseFails) {
    TempFolder folder;
    LocalDatabase db;
    StartDatabase(db, folder);
    const std::string text = "it's'; DROP TABLE apps; --";
    ASSERT_TRUE(db.Execute("insert into apps values (NULL,?,?,?,?,?,?,?,?)",
                           {text, "f", "u", nullptr, "n", 7, "a", 2}));
    const auto rows = db.Query("select AppName, Dateline, AppID from apps where AppName=?", {text});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Text(0), text);
    EXPECT_FALSE(rows[0].columns[1].has_value());  // NULL, which reads as empty
    EXPECT_EQ(rows[0].Text(1) + rows[0].Text(2) + rows[0].Text(9), "7");

    // A second statement behind bound values, or a missing value, would do part
    // of the work silently: both fail and change nothing.
    EXPECT_FALSE(db.Execute("update config set SavePath=?; DELETE FROM config", {"x"}));
    EXPECT_FALSE(db.Execute("update config set SavePath=?, WebPageChannel=?", {"x"}));
    EXPECT_EQ(Column(db, "SELECT SavePath||WebPageChannel FROM config"), "1");
    EXPECT_FALSE(db.Execute("SELECT * FROM nowhere"));
    EXPECT_EQ(db.ErrorText(), "no such table: nowhere");
}

TEST(DatabaseTest, FailedStatementsAreLoggedButNotTheSchemaFindingItselfInPlace) {
    TempFolder folder;
    {
        LocalDatabase db;
        StartDatabase(db, folder);
    }
    platform::LogCapture log;
    LocalDatabase db;
    StartDatabase(db, folder);  // every table and column is already there
    EXPECT_TRUE(log.Events().empty()) << log.Text();

    EXPECT_FALSE(db.Execute("SELECT * FROM nowhere"));
    EXPECT_FALSE(db.Execute("update config set SavePath=?, WebPageChannel=?", {"x"}));
    const auto errors = log.Messages(platform::LogLevel::Error);
    ASSERT_EQ(errors.size(), 2u) << log.Text();
    EXPECT_EQ(errors[0], "database: no such table: nowhere (in: SELECT * FROM nowhere)");
    EXPECT_NE(errors[1].find("wrong number of values"), std::string::npos) << errors[1];
    EXPECT_NE(errors[1].find("update config set SavePath=?, WebPageChannel=?"), std::string::npos);
}

TEST(DatabaseTest, LookupByAppIdUsesTheIndex) {
    TempFolder folder;
    LocalDatabase db;
    StartDatabase(db, folder);
    const auto plan = db.Query("EXPLAIN QUERY PLAN select AppID from apps where AppID=?", {7});
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan.back().Text(3).find("INDEX apps_AppID"), std::string::npos);
}

}  // namespace
}  // namespace quorvi
