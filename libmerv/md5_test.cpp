#include "libmerv/md5.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "libmerv/libmerv.h"

namespace {

TEST(Md5, Rfc1321TestSuite) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, digest] : vectors) {
        EXPECT_EQ(Clibmerv::md5ex(input), digest) << '"' << input << '"';
    }
}

TEST(Md5, HashesEveryByteIncludingNul) {
    EXPECT_EQ(Clibmerv::md5ex(std::string(1, '\0')), "93b885adfe0da089cdf634904fd59f71");
    EXPECT_EQ(Clibmerv::md5ex(std::string("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
}

TEST(Md5, MillionLetters) {
    EXPECT_EQ(Clibmerv::md5ex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5, PiecewiseUpdatesMatchOneUpdate) {
    std::mt19937 random(7);
    std::string data(10000, '\0');
    for (char& c : data) c = static_cast<char>(random());
    const std::string whole = merv::Md5Hex(data);

    for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 127u, 1000u}) {
        merv::Md5 md5;
        for (std::size_t at = 0; at < data.size(); at += piece) {
            md5.Update(std::string_view(data).substr(at, piece));
        }
        EXPECT_EQ(md5.HexDigest(), whole) << "pieces of " << piece;
    }
}

TEST(Md5, DigestLeavesTheContextOpenForMoreData) {
    merv::Md5 md5;
    md5.Update("message ");
    EXPECT_EQ(md5.HexDigest(), merv::Md5Hex("message "));
    EXPECT_EQ(md5.HexDigest(), merv::Md5Hex("message "));  // asking twice changes nothing
    md5.Update("digest");
    EXPECT_EQ(md5.HexDigest(), "f96b697d7cb7938d525a2f31aaf161d0");
}

}  // namespace
