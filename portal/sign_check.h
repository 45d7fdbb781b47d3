// The user server's and the shop's checks of signed requests.
//
// The portal computes signatures in its own code (only MD5 comes from libmerv),
// so that it checks the client's signing independently:
//   sign = md5(shuffle(md5(content)))
// where shuffle walks the 32 hex digits in pairs at offsets 0, 2, ..., 30 and
// swaps the two digits of every pair whose offset is not divisible by 3.
// The login signs account + password + userType + salt; the shop registration
// signs its sorted parameters joined by "&", without salt.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace portal {

// The salt the user server shares with its clients.
inline constexpr std::string_view kLoginSignSalt = "qowlrnsbxetkzmv";

std::string ShufflePairs(std::string_view hex);
// Empty for empty content.
std::string PortalSign(std::string_view content);

// The values of a login request ("account=...&password=...&userType=...&sign=..."
// with an optional "&url=..." after it), split at those markers in that order, so
// a password holding "&" or "=" arrives whole, as the client sends it unencoded.
struct LoginQuery {
    std::string account;
    std::string password;
    std::string user_type;
    std::string sign;
    std::optional<std::string> url;
};
std::optional<LoginQuery> ParseLoginQuery(std::string_view raw_query);

// Checks the sign of a login as it arrived, and, failing that, with the values
// percent-decoded (a browser escapes what the client left as it was). Returns the
// values that the sign matched, or nothing.
std::optional<LoginQuery> CheckLoginSign(const LoginQuery& query);

// The shop's registration request after "controller=interface&action=i&": the
// parameters do, fromid, pass, resourse, t, useremail, username, usertype in this
// (sorted) order, then "&sign=".
struct ShopRegistration {
    std::string joined;  // the signed text: the parameters joined by "&"
    std::string sign;
    std::string do_action, fromid, pass, resourse, t, useremail, username, usertype;
};
std::optional<ShopRegistration> ParseShopRegistration(std::string_view raw_query);
// The sign checked over the parameters as they arrived and, failing that, over
// their percent-decoded text (the client escapes blanks and control bytes).
bool ShopSignMatches(const ShopRegistration& registration);

}  // namespace portal
