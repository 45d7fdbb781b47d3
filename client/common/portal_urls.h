// Every address the system asks of the portal's servers, in one place.
//
// All server base URLs derive from the build-time origin quorvi::kPortalOrigin
// (scheme, host and port, no trailing slash) and end in "/". Values are put
// into requests as they stand: nothing here URL-encodes.
//
// Sections: compile-time text | server base URLs | fixed addresses and constants |
//           requests that take values
//
// Header-only and standard-library-only, so the client, the launcher and the
// portal stand-in can all include it.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "quorvi/build_config.h"

namespace quorvi::urls {

// ---- compile-time text -------------------------------------------------------------
// A NUL-terminated text of fixed length built at compile time, so every address
// is a constant that C interfaces (libcurl) can take through c_str().
template <std::size_t N>
struct FixedText {
    std::array<char, N + 1> chars{};

    constexpr const char* c_str() const { return chars.data(); }
    constexpr std::string_view view() const { return {chars.data(), N}; }
    constexpr operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
};

template <std::size_t N>
constexpr FixedText<N - 1> Text(const char (&literal)[N]) {
    FixedText<N - 1> out;
    for (std::size_t i = 0; i + 1 < N; ++i) out.chars[i] = literal[i];
    return out;
}

template <std::size_t A, std::size_t B>
constexpr FixedText<A + B - 1> Join(const FixedText<A>& head, const char (&tail)[B]) {
    FixedText<A + B - 1> out;
    for (std::size_t i = 0; i < A; ++i) out.chars[i] = head.chars[i];
    for (std::size_t i = 0; i + 1 < B; ++i) out.chars[A + i] = tail[i];
    return out;
}

// ---- server base URLs ---------------------------------------------------------------
inline constexpr auto kOrigin = Text(quorvi::kPortalOrigin);

inline constexpr auto kUserServer = Join(kOrigin, "/user/");
inline constexpr auto kShopServer = Join(kOrigin, "/shop/");
inline constexpr auto kApplicationServer = Join(kOrigin, "/app/");
inline constexpr auto kAppManagerServer = Join(kOrigin, "/appmgr/");
inline constexpr auto kUpdateServer = Join(kOrigin, "/update/");
inline constexpr auto kCustomerServiceServer = Join(kOrigin, "/service/");
// The portal's web pages: the web host followed by the path "win/".
inline constexpr auto kPortalWebBase = Join(kOrigin, "/web/win/");
// The launcher's home page is a site's root page.
inline constexpr auto kLauncherHomePage = Join(kOrigin, "/launcher/");

// ---- fixed addresses and constants --------------------------------------------------------
inline constexpr std::string_view kClientVersion = "4.05";
// Salt of the login signature: account + password + user type + salt.
inline constexpr std::string_view kSignSalt = "qowlrnsbxetkzmv";

inline constexpr auto kCatalogueUrl = Join(kApplicationServer, "appsn.php");
inline constexpr auto kFileListUrl = Join(kUpdateServer, "pub/UpdateFiles.php");
inline constexpr auto kUpdateLogUrl = Join(kUpdateServer, "pub/update_log.php");
inline constexpr auto kScriptPluginUrl = Join(kAppManagerServer, "plugin/js.php");
// Followed by the school account, unencoded.
inline constexpr auto kRechargeParamsUrl =
    Join(kAppManagerServer, "services/recharge_params.php?account=");

inline constexpr auto kRegisterPageUrl = Join(kUserServer, "Reg/register?userType=1");
inline constexpr auto kForgotPasswordUrl = Join(kUserServer, "User/login");
inline constexpr auto kPersonalCenterUrl = Join(kUserServer, "PersonalCenter");
inline constexpr auto kCustomerServiceUrl = Join(kCustomerServiceServer, "index.php");

// Followed by the sorted, "&"-joined registration parameters and "&sign=".
inline constexpr auto kShopInterface =
    Join(kShopServer, "index.php?controller=interface&action=i&");
// Links that begin with this get the recharge parameters appended on the home page.
inline constexpr auto kPortalRedirect = Join(kPortalWebBase, "redirect.php?dotype=");

// Relative to the application server: "report.php?action=" + action + ...
inline constexpr std::string_view kReportPath = "report.php?action=";
// The update server serves each listed file below "pub/".
inline constexpr std::string_view kUpdateFilesFolder = "pub/";

// ---- requests that take values -----------------------------------------------------------
inline std::string Concat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts) out += part;
    return out;
}

// The login request; sign = UrlSign(account + password + userType + kSignSalt).
inline std::string LoginUrl(std::string_view account, std::string_view password,
                            std::string_view user_type, std::string_view sign) {
    return Concat({kUserServer, "servlet/login?account=", account, "&password=", password,
                   "&userType=", user_type, "&sign=", sign});
}

// The login link opened in a browser: the server signs the browser in, then
// shows target (encoded or not, as the caller chose).
inline std::string SignedLoginLink(std::string_view account, std::string_view password,
                                   std::string_view user_type, std::string_view sign,
                                   std::string_view target) {
    return Concat({LoginUrl(account, password, user_type, sign), "&url=", target});
}

// The shop registration; joined_params are the sorted parameters joined by "&",
// sign = UrlSign(joined_params).
inline std::string ShopRegistrationUrl(std::string_view joined_params, std::string_view sign) {
    return Concat({kShopInterface, joined_params, "&sign=", sign});
}

// An icon of the catalogue, by its "icon" attribute.
inline std::string IconUrl(std::string_view icon) {
    return Concat({kApplicationServer, icon});
}

// A report, by its path relative to the application server ("report.php?action=...").
inline std::string ReportUrl(std::string_view path) {
    return Concat({kApplicationServer, path});
}

inline std::string RechargeParamsUrl(std::string_view school_account) {
    return Concat({kRechargeParamsUrl, school_account});
}

// The file list of the program folder (empty folder name) or of one plugin folder.
inline std::string FileListUrl(std::string_view plugin_folder) {
    if (plugin_folder.empty()) return kFileListUrl.str();
    return Concat({kFileListUrl, "?dir=", plugin_folder});
}

// One listed file, by the first field of its file-list line.
inline std::string UpdateFileUrl(std::string_view server_path) {
    return Concat({kUpdateServer, kUpdateFilesFolder, server_path});
}

// The channel home page (the caller appends "&" + recharge parameters when it has them).
inline std::string HomePageUrl(std::string_view channel) {
    return Concat({kPortalWebBase, "?channel=", channel});
}

}  // namespace quorvi::urls
