#include "portal/sign_check.h"

#include <gtest/gtest.h>

#include "libmerv/libmerv.h"

namespace portal {
namespace {

TEST(PortalSign, ShufflesPairsAtOffsetsNotDivisibleByThree) {
    // Pairs at offsets 0, 6, 12, 18, 24, 30 stay; the ten others are swapped.
    EXPECT_EQ(ShufflePairs("0123456789ab"), "0132546798ba");
    EXPECT_EQ(ShufflePairs("00112233445566778899aabbccddeeff"), "00112233445566778899aabbccddeeff");
    EXPECT_EQ(ShufflePairs("0a1b2c3d4e5f6a7b8c9dae0f1a2b3c4d"), "0ab1c23de4f56ab7c89deaf01ab2c34d");
}

TEST(PortalSign, AgreesWithTheLibraryTheClientSignsWith) {
    for (const char* content : {"a", "ab1qowlrnsbxetkzmv", "demodemo1231qowlrnsbxetkzmv",
                                "do=Helper_User-i_user_register&fromid=5&pass=x"}) {
        std::string sign = PortalSign(content);
        EXPECT_EQ(sign.size(), 32u);
        EXPECT_EQ(sign, Clibmerv::UrlSign(content)) << content;
    }
    EXPECT_EQ(PortalSign(""), "");
    // Not a plain double MD5: the shuffle takes part.
    EXPECT_NE(PortalSign("abc"), Clibmerv::md5ex(Clibmerv::md5ex("abc")));
}

TEST(LoginQuery, SplitsAtTheMarkersSoPasswordsKeepAmpersandsAndEquals) {
    auto query = ParseLoginQuery("account=student01&password=pass&word=1&userType=1&sign=abc");
    ASSERT_TRUE(query);
    EXPECT_EQ(query->account, "student01");
    EXPECT_EQ(query->password, "pass&word=1");
    EXPECT_EQ(query->user_type, "1");
    EXPECT_EQ(query->sign, "abc");
    EXPECT_FALSE(query->url);

    auto link =
        ParseLoginQuery("account=a&password=b&userType=1&sign=s&url=http%3A%2F%2Fx%2Fy%3Fz%3D1");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->sign, "s");
    EXPECT_EQ(link->url, "http%3A%2F%2Fx%2Fy%3Fz%3D1");

    EXPECT_FALSE(ParseLoginQuery("account=a&password=b&sign=s"));
    EXPECT_FALSE(ParseLoginQuery("password=b&account=a&userType=1&sign=s"));
    EXPECT_FALSE(ParseLoginQuery(""));
}

TEST(LoginQuery, SignIsCheckedOnRawValuesAndOnDecodedOnes) {
    std::string sign = PortalSign(std::string("o'brienit's-me1") + std::string(kLoginSignSalt));
    auto raw = ParseLoginQuery("account=o'brien&password=it's-me&userType=1&sign=" + sign);
    ASSERT_TRUE(raw);
    ASSERT_TRUE(CheckLoginSign(*raw));
    EXPECT_EQ(CheckLoginSign(*raw)->account, "o'brien");

    // A browser escapes the apostrophes the client left as they were.
    auto escaped = ParseLoginQuery("account=o%27brien&password=it%27s-me&userType=1&sign=" + sign);
    ASSERT_TRUE(escaped);
    auto checked = CheckLoginSign(*escaped);
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->password, "it's-me");

    // The salt, the user type and every value take part in the sign.
    auto other_type = ParseLoginQuery("account=o'brien&password=it's-me&userType=2&sign=" + sign);
    EXPECT_FALSE(CheckLoginSign(*other_type));
    std::string unsalted = PortalSign("o'brienit's-me1");
    EXPECT_FALSE(CheckLoginSign(
        *ParseLoginQuery("account=o'brien&password=it's-me&userType=1&sign=" + unsalted)));
    EXPECT_FALSE(
        CheckLoginSign(*ParseLoginQuery("account=o'brien&password=it's-me&userType=1&sign=")));
}

TEST(ShopRegistration, TakesTheSortedParametersAndChecksTheirSign) {
    std::string joined =
        "do=Helper_User-i_user_register&fromid=5&pass=p&w=1&resourse=99&t=1700000000&useremail=&"
        "username=demo&"
        "usertype=0";
    auto registration = ParseShopRegistration("controller=interface&action=i&" + joined +
                                              "&sign=" + PortalSign(joined));
    ASSERT_TRUE(registration);
    EXPECT_TRUE(ShopSignMatches(*registration));
    EXPECT_EQ(registration->joined, joined);
    EXPECT_EQ(registration->pass, "p&w=1");
    EXPECT_EQ(registration->username, "demo");
    EXPECT_EQ(registration->useremail, "");
    EXPECT_EQ(registration->t, "1700000000");

    registration->sign[0] = registration->sign[0] == 'a' ? 'b' : 'a';
    EXPECT_FALSE(ShopSignMatches(*registration));

    // A password with a blank arrives escaped; its sign was made over the blank.
    std::string spaced =
        "do=Helper_User-i_user_register&fromid=5&pass=open sesame&resourse=99&"
        "t=1&useremail=&username=guest user&usertype=0";
    std::string escaped =
        "do=Helper_User-i_user_register&fromid=5&pass=open%20sesame&"
        "resourse=99&t=1&useremail=&username=guest%20user&usertype=0";
    auto escaped_registration = ParseShopRegistration("controller=interface&action=i&" + escaped +
                                                      "&sign=" + PortalSign(spaced));
    ASSERT_TRUE(escaped_registration);
    EXPECT_TRUE(ShopSignMatches(*escaped_registration));

    // Parameters out of their sorted order are not a registration of the client.
    std::string unsorted =
        "fromid=5&do=Helper_User-i_user_register&pass=p&resourse=99&t=1&useremail=&username=d&"
        "usertype=0";
    EXPECT_FALSE(ParseShopRegistration("controller=interface&action=i&" + unsorted +
                                       "&sign=" + PortalSign(unsorted)));
    EXPECT_FALSE(ParseShopRegistration(joined + "&sign=" + PortalSign(joined)));
}

}  // namespace
}  // namespace portal
