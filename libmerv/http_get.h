// One blocking HTTP GET with libcurl's easy interface.
#pragma once

#include <chrono>
#include <string>

namespace merv {

struct HttpLimits {
    // Give up on an address that does not accept the connection in this time.
    std::chrono::milliseconds connectTimeout;
    // Give up when the transfer receives (on average) less than one byte per
    // second for this long. A slow transfer that keeps moving is never cut.
    std::chrono::seconds stallTime;
};

inline constexpr HttpLimits kDefaultHttpLimits{std::chrono::seconds(30), std::chrono::seconds(60)};

// The body of a GET of url exactly as received (binary-safe, any status, no
// redirect followed). A failed transfer yields what arrived before the failure,
// usually nothing.
std::string HttpGet(const std::string& url, const HttpLimits& limits = kDefaultHttpLimits);

}  // namespace merv
