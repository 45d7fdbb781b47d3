// The one HTTP module: every transfer of the system is a blocking GET made
// here (on libcurl's easy interface, in libquorvi-http.so), into memory or
// into a file.
//
// Every transfer has the same limits: a connect time-out, a stall limit (nothing
// arrives for a while) and a minimum rate over a window, so that a server that
// trickles is abandoned as surely as one that stops, and a size bound, so that a
// server that sends without end fills neither memory nor disk. A transfer into a file can
// report its progress and be stopped from another thread. A failed transfer is
// logged with its status.
//
// Sections: limits | options and result | transfers | pace of a transfer
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace merv {

// ---- limits ----------------------------------------------------------------------------
struct HttpLimits {
    // Give up on an address that does not accept the connection in this time.
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(30)};
    // Give up when nothing at all arrives for this long (the answer's first byte
    // included).
    std::chrono::milliseconds stallTime{std::chrono::seconds(60)};
    // Give up when fewer than minimumRate bytes per second arrived over the last
    // rateWindow (measured once the transfer is that old). 0 switches it off.
    std::uint64_t minimumRate = 1024;
    std::chrono::milliseconds rateWindow{std::chrono::seconds(30)};
    // Generous for every answer the portal gives without a listed size (a
    // login answer, a script, a file list, an icon), and far below what would
    // strain memory or disk.
    static constexpr std::uint64_t kDefaultMaximumBodySize = 16u << 20;
    // Give up as soon as the body grows past this many bytes, or at once when
    // the server announces a longer one.
    std::uint64_t maximumBodySize = kDefaultMaximumBodySize;
};

inline constexpr HttpLimits kDefaultHttpLimits{};

// ---- options and result ----------------------------------------------------------------
struct HttpOptions {
    HttpLimits limits;
    // When set, the transfer ends soon after it becomes true (checked at least
    // about once a second, and whenever data arrives).
    const std::atomic<bool>* stop = nullptr;
    // Called on the transferring thread whenever more of the body has arrived:
    // bytes so far and the announced length (0 when the server gave none).
    std::function<void(std::uint64_t received, std::uint64_t expected)> progress;
    // HttpGetFile: flush the file to the disk before it takes its name, so a
    // crash never leaves a torn file under that name. A caller that checks the
    // file itself before trusting it (a digest) may switch this off for speed.
    bool durable = true;
};

enum class HttpOutcome {
    Complete,        // the whole answer arrived with a 2xx status
    HttpError,       // the whole answer arrived with another status
    TransportError,  // no answer or a broken one (refused, reset, cut short, time-out)
    Stalled,         // nothing arrived for the stall time
    TooSlow,         // less than the minimum rate over the window
    Stopped,         // the stop request was seen
    FileError,       // the destination file could not be written
    TooLarge,        // the body grew (or was announced) past the maximum size
};

struct HttpResult {
    HttpOutcome outcome = HttpOutcome::TransportError;
    long status = 0;          // HTTP status of the answer; 0 when none arrived
    std::uint64_t bytes = 0;  // body bytes received
    std::string error;        // empty when complete; otherwise one line saying what failed

    bool Succeeded() const { return outcome == HttpOutcome::Complete; }
};

// ---- transfers -------------------------------------------------------------------------
// GET url into body (replaced). The body holds whatever arrived, whatever the
// outcome, except that a body past the maximum size is dropped whole (it is
// empty then); redirects are not followed.
HttpResult HttpGetText(const std::string& url, std::string& body, const HttpOptions& options = {});

// GET url into the file at path (a GBK path; its folder must exist). The body
// goes to a temporary file beside it, which replaces path only when the
// transfer is complete; otherwise path is left as it was and the temporary
// file is removed (it never holds more than the maximum size).
HttpResult HttpGetFile(const std::string& url, const std::string& path,
                       const HttpOptions& options = {});

// The body of a GET of url exactly as received (binary-safe, any status, no
// redirect followed). A failed transfer yields what arrived before the failure,
// usually nothing.
std::string HttpGet(const std::string& url, const HttpLimits& limits = kDefaultHttpLimits);

// ---- pace of a transfer ----------------------------------------------------------------
// Judges a transfer's pace from the running count of bytes received, given at
// the moments libcurl reports them. Kept apart from libcurl so the rule can be
// checked with a clock of the test's own.
class TransferPace {
public:
    using Clock = std::chrono::steady_clock;
    enum class Verdict { Moving, Stalled, TooSlow };

    TransferPace(const HttpLimits& limits, Clock::time_point start);

    Verdict Observe(Clock::time_point now, std::uint64_t received);
    // What the last verdict other than Moving means, as a line for the log.
    const std::string& Reason() const { return m_reason; }

private:
    struct Sample {
        Clock::time_point time;
        std::uint64_t received;
    };

    HttpLimits m_limits;
    Clock::time_point m_start;
    Clock::time_point m_lastArrival;
    std::uint64_t m_received = 0;
    std::deque<Sample> m_samples;  // oldest first; the first lies at least a window back
    std::string m_reason;
};

}  // namespace merv
