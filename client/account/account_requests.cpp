#include "client/account/account_requests.h"

#include <algorithm>
#include <array>
#include <vector>

#include "client/common/portal_urls.h"
#include "libmerv/libmerv.h"

namespace quorvi {

AccountEndpoints AccountEndpoints::Default() {
    return {urls::kUserServer.str(), urls::kShopServer.str(), urls::kApplicationServer.str(),
            urls::kCustomerServiceServer.str()};
}

// ---- login ------------------------------------------------------------------------------
std::string LoginSignInput(std::string_view account, std::string_view password,
                           std::string_view userType) {
    return urls::Concat({account, password, userType, urls::kSignSalt});
}

std::string LoginRequestUrl(const AccountEndpoints& servers, std::string_view account,
                            std::string_view password, std::string_view userType) {
    const std::string sign = Clibmerv::UrlSign(LoginSignInput(account, password, userType));
    return urls::Concat({servers.userServer, "servlet/login?account=", account,
                         "&password=", password, "&userType=", userType, "&sign=", sign});
}

// ---- shop registration ------------------------------------------------------------------
std::string ShopRegistrationQuery(std::string_view userName, std::string_view password,
                                  std::string_view email, std::int64_t seconds) {
    std::vector<std::string> parameters = {
        "do=Helper_User-i_user_register",
        urls::Concat({"username=", userName}),
        urls::Concat({"pass=", password}),
        "usertype=0",
        "fromid=5",
        urls::Concat({"useremail=", email}),
        "t=" + std::to_string(seconds),
        "resourse=99",  // spelled so by the shop's interface
    };
    std::sort(parameters.begin(), parameters.end());
    std::string joined;
    for (const std::string& parameter : parameters) {
        if (!joined.empty()) joined += '&';
        joined += parameter;
    }
    return joined;
}

std::string ShopRegistrationUrl(const AccountEndpoints& servers, std::string_view query) {
    return urls::Concat({servers.shopServer, "index.php?controller=interface&action=i&", query,
                         "&sign=", Clibmerv::UrlSign(std::string(query))});
}

// ---- signed links -----------------------------------------------------------------------
std::string UrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_';
        if (plain) {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string SignedLoginLink(const AccountEndpoints& servers, const UserInfo& user,
                            std::string_view target, bool encodeTarget) {
    const std::string login = LoginRequestUrl(servers, user.account, user.password, user.userType);
    return login + "&url=" + (encodeTarget ? UrlEncode(target) : std::string(target));
}

// ---- reports ----------------------------------------------------------------------------
std::string UsageReportPath(std::string_view action, std::string_view id, const UserInfo& user) {
    std::string path = urls::Concat({urls::kReportPath, action, "&id=", id});
    if (!user.account.empty()) path += urls::Concat({"&username=", user.account});
    return path;
}

std::string ClientReportPath(const UserInfo& user, std::string_view machineId) {
    std::string path = urls::Concat(
        {urls::kReportPath, "client&version=", urls::kClientVersion, "&usersign=", machineId});
    if (!user.account.empty()) path += urls::Concat({"&username=", user.account});
    if (!user.schoolAccount.empty()) path += urls::Concat({"&schoolAccount=", user.schoolAccount});
    return path;
}

}  // namespace quorvi
