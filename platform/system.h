// Small machine facts and process-wide services.
#pragma once

#include <string>

namespace platform {

// Hardware address of the first network interface (in the system's order) that
// has one, as "XX-XX-XX-XX-XX-XX" in upper-case hex; "**ERROR**" when none.
std::string FirstAdapterAddress();

// The working-set trim (SetProcessWorkingSetSize(-1, -1)): returns freed heap
// memory to the system.
void TrimWorkingSet();

}  // namespace platform
