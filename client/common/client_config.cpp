#include "client/common/client_config.h"

namespace quorvi {

namespace {

// Column positions of `config`.
enum ConfigColumn : size_t {
    kAutoStartWebPage = 1,
    kIsDefaultSavePath = 2,
    kWebPageChannel = 3,
    kSavePath = 4,
    kIsRemeberPassword = 5,
    kIsAutoLogin = 6,
    kLoginUserName = 7,
    kLoginPassword = 8,
};

void ReadFlag(const SqlRow& row, size_t column, bool& flag) {
    if (row.Has(column)) flag = row.Text(column) == "1";
}

void ReadTextUnlessEmpty(const SqlRow& row, size_t column, std::string& text) {
    if (std::string value = row.Text(column); !value.empty()) text = std::move(value);
}

}  // namespace

ClientConfig DefaultClientConfig(const std::string& programFolder) {
    ClientConfig config;
    config.SavePath = programFolder;
    return config;
}

void ApplyConfigRow(const SqlRow& row, ClientConfig& config) {
    ReadFlag(row, kAutoStartWebPage, config.AutoStartWebPage);
    ReadFlag(row, kIsDefaultSavePath, config.IsDefaultSavePath);
    if (row.Has(kWebPageChannel)) config.WebPageChannel = row.Text(kWebPageChannel);
    ReadTextUnlessEmpty(row, kSavePath, config.SavePath);
    ReadFlag(row, kIsRemeberPassword, config.IsRemeberPassword);
    ReadFlag(row, kIsAutoLogin, config.IsAutoLogin);
    ReadTextUnlessEmpty(row, kLoginUserName, config.LoginUserName);
    ReadTextUnlessEmpty(row, kLoginPassword, config.LoginPassword);
}

ClientConfig LoadClientConfig(LocalDatabase& db, const std::string& programFolder) {
    ClientConfig config = DefaultClientConfig(programFolder);
    const std::vector<SqlRow> rows = db.Query("SELECT * FROM config");
    if (!rows.empty()) ApplyConfigRow(rows.back(), config);
    return config;
}

// The updates carry no WHERE clause: they set every row, which is the one row.

bool WriteSettings(LocalDatabase& db, const ClientConfig& config) {
    return db.Execute(
        "update config set AutoStartWebPage = ?,IsDefaultSavePath = ?,WebPageChannel = "
        "?,SavePath = ?",
        {config.AutoStartWebPage ? 1 : 0, config.IsDefaultSavePath ? 1 : 0, config.WebPageChannel,
         config.SavePath});
}

bool WriteRememberedLogin(LocalDatabase& db, const ClientConfig& config) {
    if (!config.IsRemeberPassword) {
        return db.Execute(
            "update config set IsRemeberPassword = 0,LoginUserName='',LoginPassword='',"
            "IsAutoLogin=0");
    }
    return db.Execute(
        "update config set IsRemeberPassword = 1,LoginUserName=?,LoginPassword=?,IsAutoLogin=?",
        {config.LoginUserName, config.LoginPassword, config.IsAutoLogin ? 1 : 0});
}

}  // namespace quorvi
