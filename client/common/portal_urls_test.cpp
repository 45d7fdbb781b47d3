#include "client/common/portal_urls.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

namespace {

using namespace quorvi::urls;

// An absolute http address: "http://" host[:port] then a path beginning with "/"
// that holds no empty segment, no space, no backslash and no control byte.
::testing::AssertionResult IsWellFormedHttpUrl(std::string_view url) {
    constexpr std::string_view scheme = "http://";
    if (url.substr(0, scheme.size()) != scheme)
        return ::testing::AssertionFailure() << url << " does not start with http://";
    std::string_view rest = url.substr(scheme.size());
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || slash == 0)
        return ::testing::AssertionFailure() << url << " has no host or no path";
    std::string_view host = rest.substr(0, slash);
    std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        std::string_view port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5)
            return ::testing::AssertionFailure() << url << " has a bad port";
        for (char c : port)
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return ::testing::AssertionFailure() << url << " has a bad port";
    }
    std::string_view path = rest.substr(slash);
    if (path.find("//") != std::string_view::npos)
        return ::testing::AssertionFailure() << url << " has an empty path segment";
    for (char c : url)
        if (c == ' ' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return ::testing::AssertionFailure() << url << " holds a bad character";
    return ::testing::AssertionSuccess();
}

TEST(PortalUrls, BaseUrlsAreAbsoluteUnderTheOriginAndEndInSlash) {
    const std::string_view bases[] = {kUserServer,       kShopServer,      kApplicationServer,
                                      kAppManagerServer, kUpdateServer,    kCustomerServiceServer,
                                      kPortalWebBase,    kLauncherHomePage};
    for (std::string_view base : bases) {
        EXPECT_TRUE(IsWellFormedHttpUrl(base));
        EXPECT_EQ(base.substr(0, kOrigin.view().size()), kOrigin.view()) << base;
        EXPECT_EQ(base.back(), '/') << base;
        EXPECT_EQ(std::string_view(base.data()).size(), base.size()) << "NUL-terminated " << base;
    }
    EXPECT_EQ(kOrigin.view(), std::string_view(quorvi::kPortalOrigin));
    EXPECT_NE(kOrigin.view().back(), '/');
    // The redirect links are recognised by a web base whose path ends in "win/".
    EXPECT_TRUE(kPortalWebBase.view().ends_with("win/"));
}

TEST(PortalUrls, FixedAddressesAreWellFormedAndSitOnTheirServers) {
    struct Case {
        std::string_view url, base, path;
    };
    const Case cases[] = {
        {kCatalogueUrl, kApplicationServer, "appsn.php"},
        {kFileListUrl, kUpdateServer, "pub/UpdateFiles.php"},
        {kUpdateLogUrl, kUpdateServer, "pub/update_log.php"},
        {kScriptPluginUrl, kAppManagerServer, "plugin/js.php"},
        {kRechargeParamsUrl, kAppManagerServer, "services/recharge_params.php?account="},
        {kRegisterPageUrl, kUserServer, "Reg/register?userType=1"},
        {kForgotPasswordUrl, kUserServer, "User/login"},
        {kPersonalCenterUrl, kUserServer, "PersonalCenter"},
        {kCustomerServiceUrl, kCustomerServiceServer, "index.php"},
        {kShopInterface, kShopServer, "index.php?controller=interface&action=i&"},
        {kPortalRedirect, kPortalWebBase, "redirect.php?dotype="},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(IsWellFormedHttpUrl(c.url));
        EXPECT_EQ(c.url, std::string(c.base) + std::string(c.path));
    }
}

TEST(PortalUrls, ConstantsOfTheClient) {
    EXPECT_EQ(kClientVersion, "4.05");
    EXPECT_EQ(kSignSalt.size(), 15u);
    for (char c : kSignSalt) EXPECT_TRUE(c >= 'a' && c <= 'z');
    EXPECT_EQ(kSignSalt, "qowlrnsbxetkzmv");
}

TEST(PortalUrls, RequestsPutValuesInUnencoded) {
    EXPECT_EQ(LoginUrl("a", "p&w=1", "1", "SIGN"),
              kUserServer.str() + "servlet/login?account=a&password=p&w=1&userType=1&sign=SIGN");
    EXPECT_EQ(SignedLoginLink("a", "b", "1", "S", "http%3A%2F%2Fx"),
              kUserServer.str() +
                  "servlet/login?account=a&password=b&userType=1&sign=S&url=http%3A%2F%2Fx");
    EXPECT_EQ(ShopRegistrationUrl("do=x&fromid=5", "S"),
              kShopServer.str() + "index.php?controller=interface&action=i&do=x&fromid=5&sign=S");
    EXPECT_EQ(IconUrl("nav_study.png"), kApplicationServer.str() + "nav_study.png");
    EXPECT_EQ(ReportUrl("report.php?action=app&id=12"),
              kApplicationServer.str() + "report.php?action=app&id=12");
    EXPECT_EQ(RechargeParamsUrl(""), kRechargeParamsUrl.str());
    EXPECT_EQ(RechargeParamsUrl("S1"), kRechargeParamsUrl.str() + "S1");
    EXPECT_EQ(FileListUrl(""), kFileListUrl.str());
    EXPECT_EQ(FileListUrl("tool"), kFileListUrl.str() + "?dir=tool");
    EXPECT_EQ(UpdateFileUrl("a/b/skin/main.xml"), kUpdateServer.str() + "pub/a/b/skin/main.xml");
    EXPECT_EQ(HomePageUrl("3"), kPortalWebBase.str() + "?channel=3");
}

}  // namespace
