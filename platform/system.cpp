// Machine facts: the first hardware address; the working-set trim.
#include "platform/system.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <malloc.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>

namespace platform {

std::string FormatAdapterAddress(std::span<const unsigned char> address) {
    unsigned char bytes[6] = {};
    std::copy_n(address.begin(), std::min<size_t>(address.size(), 6), bytes);
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return text;
}

std::string FirstAdapterAddressOf(const std::vector<std::vector<unsigned char>>& addresses) {
    for (const auto& address : addresses) {
        const bool allZero =
            std::all_of(address.begin(), address.end(), [](unsigned char b) { return b == 0; });
        if (!allZero) return FormatAdapterAddress(address);
    }
    return kNoAdapterAddress;
}

std::string FirstAdapterAddress() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return kNoAdapterAddress;
    // getifaddrs lists link-layer (AF_PACKET) entries in interface index order.
    std::vector<std::vector<unsigned char>> addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        const size_t length = std::min<size_t>(link->sll_halen, sizeof link->sll_addr);
        addresses.emplace_back(link->sll_addr, link->sll_addr + length);
    }
    ::freeifaddrs(list);
    return FirstAdapterAddressOf(addresses);
}

namespace {

// Called through a pointer the loader fills as the program starts. A call
// through the linkage table would look the name up at the first trim, half a
// minute after the start, across the symbol tables of every library loaded by
// then, in memory gone cold while the program was idle (about 3 ms here).
// Volatile: so the compiler keeps the pointer instead of calling the name.
int (*const volatile g_mallocTrim)(size_t) = &::malloc_trim;

}  // namespace

void TrimWorkingSet() {
    g_mallocTrim(0);
}

}  // namespace platform
