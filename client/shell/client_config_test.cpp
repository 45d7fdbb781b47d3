#include "client/shell/client_config.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace quorvi {
namespace {

constexpr const char kProgramFolder[] = "/opt/quorvi/";

class ClientConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "cfgtestXXXXXX").string();
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

    ClientConfig Load() { return LoadClientConfig(db, kProgramFolder); }

    std::string folder;
    LocalDatabase db;
};

SqlRow RowWith(size_t column, std::optional<std::string> value) {
    SqlRow row{{"1", "1", "1", "1", "", "1", "1", "", ""}};
    row.columns[column] = std::move(value);
    return row;
}

TEST_F(ClientConfigTest, FirstStartReadsTheDefaults) {
    const ClientConfig config = Load();
    EXPECT_TRUE(config.AutoStartWebPage);
    EXPECT_TRUE(config.IsDefaultSavePath);
    EXPECT_EQ(config.WebPageChannel, "1");
    EXPECT_EQ(config.SavePath, kProgramFolder);  // the stored empty path keeps the default
    EXPECT_FALSE(config.IsRemeberPassword);
    EXPECT_FALSE(config.IsAutoLogin);
    EXPECT_EQ(config.LoginUserName, "");
    EXPECT_EQ(config.LoginPassword, "");
}

TEST(ClientConfigRow, OnlyTheExactTextOneSetsAFlag) {
    struct Flag {
        size_t column;
        bool ClientConfig::*member;
    };
    const Flag flags[] = {{1, &ClientConfig::AutoStartWebPage},
                          {2, &ClientConfig::IsDefaultSavePath},
                          {5, &ClientConfig::IsRemeberPassword},
                          {6, &ClientConfig::IsAutoLogin}};
    for (const Flag& flag : flags) {
        for (const char* text : {"01", "true", " 1", "1 ", "2", "1.0", ""}) {
            ClientConfig config;
            config.*flag.member = true;
            ApplyConfigRow(RowWith(flag.column, text), config);
            EXPECT_FALSE(config.*flag.member) << "column " << flag.column << " '" << text << "'";
        }
        ClientConfig config;
        config.*flag.member = true;
        ApplyConfigRow(RowWith(flag.column, std::nullopt), config);
        EXPECT_FALSE(config.*flag.member) << "NULL in column " << flag.column;

        config.*flag.member = false;
        ApplyConfigRow(RowWith(flag.column, "1"), config);
        EXPECT_TRUE(config.*flag.member) << "column " << flag.column;
    }
}

TEST(ClientConfigRow, EmptyTextsKeepDefaultsExceptTheChannel) {
    ClientConfig config = DefaultClientConfig(kProgramFolder);
    config.LoginUserName = "kept";
    config.LoginPassword = "kept too";
    ApplyConfigRow(SqlRow{{"1", "0", "1", "", std::nullopt, "0", "0", "", std::nullopt}}, config);
    EXPECT_EQ(config.WebPageChannel, "");
    EXPECT_EQ(config.SavePath, kProgramFolder);
    EXPECT_EQ(config.LoginUserName, "kept");
    EXPECT_EQ(config.LoginPassword, "kept too");
    EXPECT_FALSE(config.AutoStartWebPage);
    EXPECT_TRUE(config.IsDefaultSavePath);
}

TEST(ClientConfigRow, ColumnsTheRowDoesNotHaveKeepTheirValues) {
    ClientConfig config = DefaultClientConfig(kProgramFolder);
    config.IsAutoLogin = true;
    config.LoginUserName = "u";
    ApplyConfigRow(SqlRow{{"1", "0", "0", "3", "/d/"}}, config);
    EXPECT_FALSE(config.AutoStartWebPage);
    EXPECT_EQ(config.WebPageChannel, "3");
    EXPECT_EQ(config.SavePath, "/d/");
    EXPECT_TRUE(config.IsAutoLogin);
    EXPECT_EQ(config.LoginUserName, "u");
}

TEST_F(ClientConfigTest, StoredTextOtherThanOneReadsFalse) {
    ASSERT_TRUE(db.Execute("update config set AutoStartWebPage='true',IsAutoLogin='yes'"));
    const ClientConfig config = Load();
    EXPECT_FALSE(config.AutoStartWebPage);
    EXPECT_FALSE(config.IsAutoLogin);
    EXPECT_TRUE(config.IsDefaultSavePath);
}

TEST_F(ClientConfigTest, LastOfSeveralRowsIsLoadedAndSettingsRewriteEveryRow) {
    ASSERT_TRUE(db.Execute("INSERT INTO config VALUES(NULL,0,0,'7','/second/',1,1,'bo','pw')"));
    ClientConfig config = Load();
    EXPECT_FALSE(config.AutoStartWebPage);
    EXPECT_EQ(config.WebPageChannel, "7");
    EXPECT_EQ(config.SavePath, "/second/");
    EXPECT_TRUE(config.IsRemeberPassword);
    EXPECT_EQ(config.LoginPassword, "pw");

    config.WebPageChannel = "2";
    ASSERT_TRUE(WriteSettings(db, config));
    const auto rows = db.Query("SELECT WebPageChannel FROM config");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Text(0), "2");
    EXPECT_EQ(rows[1].Text(0), "2");
}

TEST_F(ClientConfigTest, SettingsWithQuotesAreSavedAndReadBackUnchanged) {
    ClientConfig config = Load();
    config.AutoStartWebPage = false;
    config.IsDefaultSavePath = false;
    config.WebPageChannel = "3'";
    config.SavePath = "/home/o'brien/dl; DELETE FROM config; --'/";
    ASSERT_TRUE(WriteSettings(db, config));

    const ClientConfig loaded = Load();
    EXPECT_FALSE(loaded.AutoStartWebPage);
    EXPECT_FALSE(loaded.IsDefaultSavePath);
    EXPECT_EQ(loaded.WebPageChannel, config.WebPageChannel);
    EXPECT_EQ(loaded.SavePath, config.SavePath);
    // Flags are stored as numbers, as before.
    EXPECT_EQ(db.Query("SELECT typeof(AutoStartWebPage) FROM config")[0].Text(0), "integer");
}

TEST_F(ClientConfigTest, RememberedLoginIsStoredAndCleared) {
    ClientConfig login;
    login.IsRemeberPassword = true;
    login.IsAutoLogin = true;
    login.LoginUserName = "o'neil";
    login.LoginPassword = "p'w',LoginUserName='x";
    ASSERT_TRUE(WriteRememberedLogin(db, login));

    ClientConfig loaded = Load();
    EXPECT_TRUE(loaded.IsRemeberPassword);
    EXPECT_TRUE(loaded.IsAutoLogin);
    EXPECT_EQ(loaded.LoginUserName, login.LoginUserName);
    EXPECT_EQ(loaded.LoginPassword, login.LoginPassword);

    login.IsAutoLogin = false;
    ASSERT_TRUE(WriteRememberedLogin(db, login));
    EXPECT_FALSE(Load().IsAutoLogin);

    // Not remembering clears all four, whatever the record holds.
    login.IsRemeberPassword = false;
    login.IsAutoLogin = true;
    ASSERT_TRUE(WriteRememberedLogin(db, login));
    loaded = Load();
    EXPECT_FALSE(loaded.IsRemeberPassword);
    EXPECT_FALSE(loaded.IsAutoLogin);
    EXPECT_EQ(loaded.LoginUserName, "");
    EXPECT_EQ(loaded.LoginPassword, "");
}

TEST(ClientConfigWithoutDatabase, KeepsTheDefaultsAndWritesNothing) {
    LocalDatabase db;
    std::ostringstream sink;
    ASSERT_FALSE(db.Open("/nonexistent-folder/vamo.db", sink, sink));
    const ClientConfig config = LoadClientConfig(db, kProgramFolder);
    EXPECT_TRUE(config.AutoStartWebPage);
    EXPECT_EQ(config.SavePath, kProgramFolder);
    EXPECT_FALSE(WriteSettings(db, config));
    EXPECT_FALSE(WriteRememberedLogin(db, config));
}

}  // namespace
}  // namespace quorvi
