#include "platform/system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace platform {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(AdapterAddress, FormatsSixUpperCaseBytes) {
    EXPECT_EQ(FormatAdapterAddress(Bytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(FormatAdapterAddress(Bytes{0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88}),
              "FF-EE-DD-CC-BB-AA");
    EXPECT_EQ(FormatAdapterAddress(Bytes{0xAB, 0x01}), "AB-01-00-00-00-00");
}

TEST(AdapterAddress, TakesTheFirstInterfaceWithAnAddress) {
    const Bytes loopback(6, 0);
    const Bytes tunnel;
    const Bytes first{0x02, 0xFC, 0x00, 0x00, 0x00, 0x01};
    const Bytes second{0x4A, 0xA1, 0x23, 0x0F, 0x57, 0x2D};
    EXPECT_EQ(FirstAdapterAddressOf({loopback, tunnel, first, second}), "02-FC-00-00-00-01");
    EXPECT_EQ(FirstAdapterAddressOf({second, first}), "4A-A1-23-0F-57-2D");
    EXPECT_EQ(FirstAdapterAddressOf({loopback, tunnel}), "**ERROR**");
    EXPECT_EQ(FirstAdapterAddressOf({}), "**ERROR**");
}

// The live answer agrees with the kernel's own list, read another way.
TEST(AdapterAddress, MatchesTheLowestIndexedInterfaceInSysfs) {
    std::map<int, std::string> byIndex;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net")) {
        int index = 0;
        std::string address;
        std::ifstream(entry.path() / "ifindex") >> index;
        std::ifstream(entry.path() / "address") >> address;
        if (address.empty() || address.find_first_not_of("0:") == std::string::npos) continue;
        if (address.size() > 17) address.resize(17);
        for (char& c : address) c = c == ':' ? '-' : static_cast<char>(std::toupper(c));
        byIndex[index] = address;
    }
    const std::string expected = byIndex.empty() ? "**ERROR**" : byIndex.begin()->second;
    EXPECT_EQ(FirstAdapterAddress(), expected);
}

}  // namespace
}  // namespace platform
