#include "client/common/client_config.h"

#include "client/common/database_test_support.h"

namespace quorvi {
namespace {

constexpr const char kProgramFolder[] = "/opt/quorvi/";

TEST(ClientConfigTest, OnlyTheExactTextOneSetsAFlag) {
    const std::pair<size_t, bool ClientConfig::*> flags[] = {{1, &ClientConfig::AutoStartWebPage},
                                                             {2, &ClientConfig::IsDefaultSavePath},
                                                             {5, &ClientConfig::IsRemeberPassword},
                                                             {6, &ClientConfig::IsAutoLogin}};
    const std::optional<std::string> values[] = {"01", "true", " 1", "1 ", "1.0", "", std::nullopt};
    for (const auto& [column, member] : flags) {
        SqlRow row{{"1", "1", "1", "1", "", "1", "1", "", ""}};
        for (const auto& value : values) {
            ClientConfig config;
            config.*member = true;
            row.columns[column] = value;
            ApplyConfigRow(row, config);
            EXPECT_FALSE(config.*member) << column << " '" << value.value_or("NULL") << "'";
        }
        ClientConfig config;
        row.columns[column] = "1";
        ApplyConfigRow(row, config);
        EXPECT_TRUE(config.*member) << column;
    }
}

TEST(ClientConfigTest, EmptyTextsAndMissingColumnsKeepWhatTheRecordHolds) {
    ClientConfig config = DefaultClientConfig(kProgramFolder);
    config.IsAutoLogin = true;
    config.LoginUserName = "kept";
    ApplyConfigRow(SqlRow{{"1", "0", "1", "", std::nullopt, "0"}}, config);
    EXPECT_FALSE(config.AutoStartWebPage);
    EXPECT_EQ(config.WebPageChannel, "");  // the channel is taken even when empty
    EXPECT_EQ(config.SavePath, kProgramFolder);
    EXPECT_TRUE(config.IsAutoLogin);  // no column 6
    EXPECT_EQ(config.LoginUserName, "kept");
}

TEST(ClientConfigTest, LoadsTheLastRowAndSettingsRewriteEveryRow) {
    TempFolder folder;
    LocalDatabase db;
    StartDatabase(db, folder);
    ClientConfig config = LoadClientConfig(db, kProgramFolder);
    EXPECT_TRUE(config.AutoStartWebPage && config.IsDefaultSavePath);
    EXPECT_FALSE(config.IsRemeberPassword || config.IsAutoLogin);
    EXPECT_EQ(config.WebPageChannel, "1");
    EXPECT_EQ(config.SavePath, kProgramFolder);  // the stored empty path keeps the default

    ASSERT_TRUE(db.Execute("INSERT INTO config VALUES(NULL,'true',0,'7','/b/',1,1,'bo','pw')"));
    config = LoadClientConfig(db, kProgramFolder);
    EXPECT_FALSE(config.AutoStartWebPage);
    EXPECT_EQ(config.SavePath, "/b/");
    EXPECT_EQ(config.LoginPassword, "pw");

    config.IsDefaultSavePath = false;
    config.WebPageChannel = "3'";
    config.SavePath = "/home/o'brien/dl'; DELETE FROM config; --/";
    ASSERT_TRUE(WriteSettings(db, config));
    EXPECT_EQ(Column(db,
                     "SELECT AutoStartWebPage||IsDefaultSavePath||WebPageChannel||SavePath "
                     "FROM config"),
              "003'/home/o'brien/dl'; DELETE FROM config; --/|"
              "003'/home/o'brien/dl'; DELETE FROM config; --/");
    EXPECT_EQ(Column(db, "SELECT typeof(AutoStartWebPage) FROM config LIMIT 1"), "integer");

    // Without a database the defaults stay and nothing is written.
    LocalDatabase closed;
    EXPECT_EQ(LoadClientConfig(closed, kProgramFolder).SavePath, kProgramFolder);
    EXPECT_FALSE(WriteSettings(closed, config) || WriteRememberedLogin(closed, config));
}

TEST(ClientConfigTest, RememberedLoginIsStoredAndCleared) {
    TempFolder folder;
    LocalDatabase db;
    StartDatabase(db, folder);
    ClientConfig login;
    login.IsRemeberPassword = true;
    login.IsAutoLogin = true;
    login.LoginUserName = "o'neil";
    login.LoginPassword = "p'w',LoginUserName='x";
    ASSERT_TRUE(WriteRememberedLogin(db, login));
    ClientConfig loaded = LoadClientConfig(db, kProgramFolder);
    EXPECT_TRUE(loaded.IsRemeberPassword && loaded.IsAutoLogin);
    EXPECT_EQ(loaded.LoginUserName, login.LoginUserName);
    EXPECT_EQ(loaded.LoginPassword, login.LoginPassword);

    // Not remembering clears all four, whatever the record holds.
    login.IsRemeberPassword = false;
    ASSERT_TRUE(WriteRememberedLogin(db, login));
    EXPECT_EQ(Column(db,
                     "SELECT IsRemeberPassword||IsAutoLogin||LoginUserName||LoginPassword "
                     "FROM config"),
              "00");
}

}  // namespace
}  // namespace quorvi
