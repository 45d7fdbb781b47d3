// The account's requests of the portal: the login, the shop registration, the
// signed login link that opens a portal page already signed in, and the
// usage and client reports. Pure text work, so every query can be checked
// without a server.
//
// Values go into queries as they stand (the servers expect them so): only the
// target of a signed link may be URL-encoded, and only when the caller asks.
// The HTTP module escapes the few bytes that cannot travel raw (blanks, control
// bytes, "#") when it sends a request; the signs are made over the values.
//
// Sections: servers | login | shop registration | signed links | reports
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "client/common/user_info.h"

namespace quorvi {

// ---- servers ----------------------------------------------------------------------------
// The servers the account talks to, each ending in "/". Tests point them at
// a portal stand-in of their own.
struct AccountEndpoints {
    std::string userServer;
    std::string shopServer;
    std::string applicationServer;
    std::string customerServiceServer;

    static AccountEndpoints Default();  // the build's portal
};

// ---- login ------------------------------------------------------------------------------
// The user type of every login the client makes.
inline constexpr std::string_view kLoginUserType = "1";

// The text whose signature proves a login: account + password + user type +
// salt, plainly concatenated.
std::string LoginSignInput(std::string_view account, std::string_view password,
                           std::string_view userType);

// user server + "servlet/login?account=..&password=..&userType=..&sign=..".
std::string LoginRequestUrl(const AccountEndpoints& servers, std::string_view account,
                            std::string_view password, std::string_view userType);

// ---- shop registration ------------------------------------------------------------------
// The registration's parameters sorted by their whole text and joined by "&";
// `seconds` is the time since 1970 in whole seconds.
std::string ShopRegistrationQuery(std::string_view userName, std::string_view password,
                                  std::string_view email, std::int64_t seconds);

// shop server + "index.php?controller=interface&action=i&" + query + "&sign=" + sign.
std::string ShopRegistrationUrl(const AccountEndpoints& servers, std::string_view query);

// ---- signed links -----------------------------------------------------------------------
// Letters, digits, "-", "." and "_" stay; a blank becomes "+"; every other byte
// becomes "%XX" (upper-case hex).
std::string UrlEncode(std::string_view text);

// The login request of `user` followed by "&url=" and the target, encoded when
// `encodeTarget` is set: the user server signs the browser in, then shows the target.
std::string SignedLoginLink(const AccountEndpoints& servers, const UserInfo& user,
                            std::string_view target, bool encodeTarget);

// ---- reports ----------------------------------------------------------------------------
// "report.php?action=" + action + "&id=" + id, with "&username=" when signed in.
std::string UsageReportPath(std::string_view action, std::string_view id, const UserInfo& user);

// "report.php?action=client&version=..&usersign=" + machine id, then
// "&username=" and "&schoolAccount=" when the user has them.
std::string ClientReportPath(const UserInfo& user, std::string_view machineId);

}  // namespace quorvi
