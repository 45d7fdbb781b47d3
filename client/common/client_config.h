// The settings record ClientConfig, loaded from the one `config` row of the local
// database, and the statements that write it back (the settings panel's choices
// and the remembered login).
#pragma once

#include <string>

#include "client/common/database.h"

namespace quorvi {

struct ClientConfig {
    bool AutoStartWebPage = true;  // show the channel home page once it has loaded
    std::string WebPageChannel = "1";
    bool IsDefaultSavePath = true;  // downloads go to the program folder
    std::string SavePath;           // the program folder unless a folder was chosen
    bool IsRemeberPassword = false;
    bool IsAutoLogin = false;
    std::string LoginUserName;
    std::string LoginPassword;  // kept as the login window hands it over
};

// The record before anything is loaded; `programFolder` ends in the separator.
ClientConfig DefaultClientConfig(const std::string& programFolder);

// Applies a `config` row (columns by position) to `config`. A flag is set only by
// the exact text "1"; an empty SavePath or login text keeps what `config` holds;
// a column the row does not have keeps its value.
void ApplyConfigRow(const SqlRow& row, ClientConfig& config);

// The defaults, then the last row of `config` when there is one. A closed or
// unreadable database leaves the defaults.
ClientConfig LoadClientConfig(LocalDatabase& db, const std::string& programFolder);

// Writes the four settings of the settings panel to every `config` row.
bool WriteSettings(LocalDatabase& db, const ClientConfig& config);

// Writes the remembered login: account, password and auto-login when
// IsRemeberPassword is set, otherwise clears all four.
bool WriteRememberedLogin(LocalDatabase& db, const ClientConfig& config);

}  // namespace quorvi
