// Faults the portal can be told to inject into its answers, per request path.
//
// A fault is set for a path ("/app/appsn.php") or for every path that starts
// with a prefix ("/update/pub/plugins/*"); an exact path wins over a prefix, a
// longer prefix over a shorter one. A fault may be limited to its next N uses.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace portal {

enum class FaultKind {
    Delay,     // the answer is held back `ms` milliseconds, then given whole
    Hold,      // the answer is held back until the faults change, the server
               // stops or `ms` pass (0: no limit), then given whole
    Slow,      // the body trickles out at `rate` bytes per second
    Stall,     // half the body is sent, then nothing until the faults change,
               // the server stops or `ms` pass (0: no limit); then the connection closes
    Truncate,  // the full length is announced, half the body is sent, the connection closes
    Corrupt,   // the body has its length but other bytes (wrong file content)
    Garbage,   // status 200 with `bytes` bytes of binary garbage instead of the answer
    Error,     // HTTP status `status` with a short error page
    Empty,     // status 200 with an empty body
};

std::optional<FaultKind> ParseFaultKind(std::string_view name);
std::string_view FaultKindName(FaultKind kind);

struct Fault {
    FaultKind kind = FaultKind::Error;
    int ms = 0;
    int status = 500;
    int rate = 4096;
    int bytes = 512;
    int times = -1;  // uses left; -1 means until switched off
};

// A fault taken for one request.
struct ActiveFault {
    Fault fault;
    std::uint64_t generation = 0;  // of the table when it was taken
};

class FaultTable {
public:
    void Set(const std::string& pattern, const Fault& fault);
    void Clear(const std::string& pattern);
    void ClearAll();
    // The fault for path, if any, using up one of its uses.
    std::optional<ActiveFault> Take(std::string_view path);
    // One line per fault: "pattern kind ms=.. status=.. rate=.. bytes=.. times=..".
    std::string Describe() const;

    // Sleeps ms milliseconds, or less when the table shuts down.
    void Sleep(int ms);
    // Waits until the table changes after generation, shuts down, or ms pass (0: no limit).
    void WaitForChange(std::uint64_t generation, int ms);
    // Ends every sleep and wait, now and later.
    void Shutdown();

private:
    void ChangedLocked();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Fault, std::less<>> faults_;
    std::uint64_t generation_ = 0;
    bool shut_down_ = false;
};

}  // namespace portal
