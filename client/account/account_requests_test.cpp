// The account's request texts: login, shop registration, signed links, reports.
#include "client/account/account_requests.h"

#include <gtest/gtest.h>

#include "libmerv/libmerv.h"

namespace quorvi {
namespace {

const AccountEndpoints kServers{"http://u.example/", "http://s.example/", "http://a.example/",
                                "http://c.example/"};

TEST(LoginRequest, SignsTheValuesAsTheyStandAndSendsThemUnencoded) {
    EXPECT_EQ(LoginSignInput("a", "b", "1"), "ab1qowlrnsbxetkzmv");
    const std::string sign = Clibmerv::UrlSign("ab1qowlrnsbxetkzmv");
    EXPECT_EQ(LoginRequestUrl(kServers, "a", "b", "1"),
              "http://u.example/servlet/login?account=a&password=b&userType=1&sign=" + sign);

    // "&" and "=" in a password and an apostrophe in an account travel as they are.
    const std::string url = LoginRequestUrl(kServers, "o'brien", "p&w=1", "1");
    EXPECT_NE(url.find("account=o'brien&password=p&w=1&userType=1&sign="), std::string::npos);
    // Empty values are sent too; the server decides.
    EXPECT_NE(LoginRequestUrl(kServers, "", "", "1").find("?account=&password=&userType=1&sign="),
              std::string::npos);
}

TEST(ShopRegistration, ParametersAreSortedByTheirWholeTextAndSignedWithoutSalt) {
    const std::string query = ShopRegistrationQuery("demo", "p&w", "", 1765000000);
    EXPECT_EQ(query,
              "do=Helper_User-i_user_register&fromid=5&pass=p&w&resourse=99&t=1765000000&"
              "useremail=&username=demo&usertype=0");
    // Whole seconds: the same inputs within one second give the same text.
    EXPECT_EQ(ShopRegistrationQuery("demo", "p&w", "", 1765000000), query);
    EXPECT_NE(ShopRegistrationQuery("demo", "p&w", "", 1765000001), query);
    EXPECT_EQ(ShopRegistrationUrl(kServers, query),
              "http://s.example/index.php?controller=interface&action=i&" + query +
                  "&sign=" + Clibmerv::UrlSign(query));
}

TEST(UrlEncoding, KeepsUnreservedBytesAndEscapesEveryOther) {
    EXPECT_EQ(UrlEncode("a b~c"), "a+b%7Ec");
    EXPECT_EQ(UrlEncode("a/b?c=1&d"), "a%2Fb%3Fc%3D1%26d");
    EXPECT_EQ(UrlEncode("Az09-._"), "Az09-._");
    EXPECT_EQ(UrlEncode(std::string("\0", 1)), "%00");
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::string expected = {'%', kHex[byte >> 4], kHex[byte & 15]};
        EXPECT_EQ(UrlEncode(std::string(1, static_cast<char>(byte))), expected) << byte;
    }
}

TEST(SignedLoginLink, AppendsTheTargetEncodedOrAsItIs) {
    UserInfo user;
    user.userType = "1";
    user.account = "u";
    user.password = "p";
    const std::string login = LoginRequestUrl(kServers, "u", "p", "1");
    EXPECT_EQ(SignedLoginLink(kServers, user, "http://u.example/PersonalCenter", false),
              login + "&url=http://u.example/PersonalCenter");
    EXPECT_EQ(SignedLoginLink(kServers, user, "http://c.example/index.php", true),
              login + "&url=http%3A%2F%2Fc.example%2Findex.php");
}

TEST(Reports, PathsCarryTheSignedInUserAndTheSchoolAccountAsTheyAre) {
    UserInfo user;
    EXPECT_EQ(UsageReportPath("app", "12", user), "report.php?action=app&id=12");
    EXPECT_EQ(ClientReportPath(user, "00-1A-2B-3C-4D-5E"),
              "report.php?action=client&version=4.05&usersign=00-1A-2B-3C-4D-5E");

    user.account = "u";
    user.schoolAccount = "s";
    EXPECT_EQ(UsageReportPath("category", "3", user), "report.php?action=category&id=3&username=u");
    EXPECT_EQ(ClientReportPath(user, "**ERROR**"),
              "report.php?action=client&version=4.05&usersign=**ERROR**&username=u&"
              "schoolAccount=s");

    // The user file's content goes as it is, line break included; signed out,
    // only the school account follows.
    user.account.clear();
    user.schoolAccount = "S1\n";
    EXPECT_EQ(ClientReportPath(user, "X"),
              "report.php?action=client&version=4.05&usersign=X&schoolAccount=S1\n");
}

}  // namespace
}  // namespace quorvi
