// The user server's accounts and the recharge parameters by school account,
// read from the data folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portal {

struct Account {
    std::string name;  // UTF-8
    std::string password;
    std::string display_name;
};

// Lines "account|password|display name"; "#" starts a comment line. The password
// is everything between the first and the last "|".
std::vector<Account> ParseAccounts(std::string_view text);

// The account whose name equals name, taken as UTF-8 or as GBK (the client sends
// its texts in GBK, a browser in UTF-8).
const Account* FindAccount(const std::vector<Account>& accounts, std::string_view name);

// Whether password, as it arrived (UTF-8 or GBK), is the account's.
bool PasswordMatches(const Account& account, std::string_view password);

// Lines "school account|query fragment"; "#" starts a comment line.
std::map<std::string, std::string> ParseRechargeParams(std::string_view text);

}  // namespace portal
