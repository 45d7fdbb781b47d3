#include "portal/accounts.h"

#include "platform/text.h"

namespace portal {

namespace {

template <typename OnLine>
void ForEachDataLine(std::string_view text, OnLine on_line) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() != '#') on_line(line);
        at = end + 1;
    }
}

bool SameText(std::string_view stored_utf8, std::string_view received) {
    return received == stored_utf8 || received == platform::Utf8ToGbk(stored_utf8);
}

}  // namespace

std::vector<Account> ParseAccounts(std::string_view text) {
    std::vector<Account> accounts;
    ForEachDataLine(text, [&](std::string_view line) {
        std::size_t first = line.find('|');
        std::size_t last = line.rfind('|');
        if (first == std::string_view::npos || first == last) return;
        accounts.push_back({std::string(line.substr(0, first)),
                            std::string(line.substr(first + 1, last - first - 1)),
                            std::string(line.substr(last + 1))});
    });
    return accounts;
}

const Account* FindAccount(const std::vector<Account>& accounts, std::string_view name) {
    for (const Account& account : accounts)
        if (SameText(account.name, name)) return &account;
    return nullptr;
}

bool PasswordMatches(const Account& account, std::string_view password) {
    return SameText(account.password, password);
}

std::map<std::string, std::string> ParseRechargeParams(std::string_view text) {
    std::map<std::string, std::string> params;
    ForEachDataLine(text, [&](std::string_view line) {
        std::size_t bar = line.find('|');
        if (bar == std::string_view::npos) return;
        params[std::string(line.substr(0, bar))] = std::string(line.substr(bar + 1));
    });
    return params;
}

}  // namespace portal
