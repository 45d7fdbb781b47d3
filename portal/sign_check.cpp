#include "portal/sign_check.h"

#include <array>
#include <vector>

#include "libmerv/libmerv.h"
#include "portal/text_util.h"

namespace portal {

namespace {

// Splits text at the markers, which must appear in this order, the first one at
// the start. Each value runs up to the first occurrence of the next marker.
std::optional<std::vector<std::string>> SplitAtMarkers(
    std::string_view text, std::initializer_list<std::string_view> markers) {
    std::vector<std::string> values;
    std::size_t at = 0;
    bool first = true;
    for (std::string_view marker : markers) {
        std::size_t found =
            first ? (text.substr(0, marker.size()) == marker ? 0 : std::string_view::npos)
                  : text.find(marker, at);
        if (found == std::string_view::npos) return std::nullopt;
        if (!first) values.emplace_back(text.substr(at, found - at));
        at = found + marker.size();
        first = false;
    }
    values.emplace_back(text.substr(at));
    return values;
}

}  // namespace

std::string ShufflePairs(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        if (i % 3 == 0) {
            out += hex[i];
            out += hex[i + 1];
        } else {
            out += hex[i + 1];
            out += hex[i];
        }
    }
    return out;
}

std::string PortalSign(std::string_view content) {
    if (content.empty()) return {};
    return Clibmerv::md5ex(ShufflePairs(Clibmerv::md5ex(std::string(content))));
}

std::optional<LoginQuery> ParseLoginQuery(std::string_view raw_query) {
    std::optional<std::string> url;
    std::string_view signed_part = raw_query;
    // The sign is 32 hex digits; a target follows it after "&url=".
    std::size_t sign_at = raw_query.find("&sign=");
    if (sign_at != std::string_view::npos) {
        std::size_t url_at = raw_query.find("&url=", sign_at);
        if (url_at != std::string_view::npos) {
            url = std::string(raw_query.substr(url_at + 5));
            signed_part = raw_query.substr(0, url_at);
        }
    }
    auto values = SplitAtMarkers(signed_part, {"account=", "&password=", "&userType=", "&sign="});
    if (!values) return std::nullopt;
    LoginQuery query{(*values)[0], (*values)[1], (*values)[2], (*values)[3], url};
    return query;
}

std::optional<LoginQuery> CheckLoginSign(const LoginQuery& query) {
    auto matches = [](const LoginQuery& q) {
        return !q.sign.empty() && PortalSign(q.account + q.password + q.user_type +
                                             std::string(kLoginSignSalt)) == q.sign;
    };
    if (matches(query)) return query;
    LoginQuery decoded = query;
    decoded.account = PercentDecode(query.account);
    decoded.password = PercentDecode(query.password);
    decoded.user_type = PercentDecode(query.user_type);
    if (matches(decoded)) return decoded;
    return std::nullopt;
}

std::optional<ShopRegistration> ParseShopRegistration(std::string_view raw_query) {
    constexpr std::string_view prefix = "controller=interface&action=i&";
    if (raw_query.substr(0, prefix.size()) != prefix) return std::nullopt;
    std::string_view rest = raw_query.substr(prefix.size());
    std::size_t sign_at = rest.rfind("&sign=");
    if (sign_at == std::string_view::npos) return std::nullopt;
    ShopRegistration registration;
    registration.joined = std::string(rest.substr(0, sign_at));
    registration.sign = std::string(rest.substr(sign_at + 6));
    auto values =
        SplitAtMarkers(registration.joined, {"do=", "&fromid=", "&pass=", "&resourse=", "&t=",
                                             "&useremail=", "&username=", "&usertype="});
    if (!values) return std::nullopt;
    std::array<std::string*, 8> fields = {&registration.do_action, &registration.fromid,
                                          &registration.pass,      &registration.resourse,
                                          &registration.t,         &registration.useremail,
                                          &registration.username,  &registration.usertype};
    for (std::size_t i = 0; i < fields.size(); ++i) *fields[i] = (*values)[i];
    return registration;
}

bool ShopSignMatches(const ShopRegistration& registration) {
    if (registration.sign.empty()) return false;
    return PortalSign(registration.joined) == registration.sign ||
           PortalSign(PercentDecode(registration.joined)) == registration.sign;
}

}  // namespace portal
