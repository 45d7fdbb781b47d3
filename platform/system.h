// Small machine facts and process-wide services.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace platform {

// The machine identifier's answer when no network interface has a hardware address.
inline constexpr const char kNoAdapterAddress[] = "**ERROR**";

// Hardware address of the first network interface (in the system's order, that
// is by interface index) that has a non-zero one, as "XX-XX-XX-XX-XX-XX" in
// upper-case hex; "**ERROR**" when none. The loopback interface has an all-zero
// address and is therefore never the one.
std::string FirstAdapterAddress();

// The pure parts of the above, for tests: formats the first six bytes of an
// address (zero-padded when shorter) ...
std::string FormatAdapterAddress(std::span<const unsigned char> address);
// ... and picks, from addresses in the system's order, the first non-empty one
// that is not all zeros.
std::string FirstAdapterAddressOf(const std::vector<std::vector<unsigned char>>& addresses);

// The working-set trim (SetProcessWorkingSetSize(-1, -1)): returns freed heap
// memory to the system.
void TrimWorkingSet();

}  // namespace platform
