// The pair shuffle applied to a digest before it is hashed again for a signature.
#pragma once

#include <string>
#include <string_view>

namespace merv {

// Walks the hex text in two-digit pairs at offsets 0, 2, 4, ...: a pair whose
// offset is divisible by 3 is kept, every other pair has its two digits swapped.
// A trailing odd digit is dropped.
std::string ShuffleDigestPairs(std::string_view hex);

}  // namespace merv
