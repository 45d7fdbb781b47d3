// The one place that calls libcurl: a GET whose body goes to a sink. It is the
// module libquorvi-http.so, which a program loads with its first transfer:
// libcurl and the libraries it needs (TLS, Kerberos, LDAP, SSH, ...) are a
// third of what the client would otherwise load before its window shows, and
// nothing there is needed to show it. libmerv.so links the same code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace merv {

// Where a transfer's body goes, and whether the transfer goes on.
class TransferSink {
public:
    // Takes `length` bytes of the body; returning fewer ends the transfer.
    virtual std::size_t Receive(const char* data, std::size_t length) = 0;
    // Called while data arrives and about once a second when none does, with
    // the announced length of the body (0 when none); false ends the transfer.
    virtual bool KeepGoing(std::uint64_t expected) = 0;

protected:
    ~TransferSink() = default;
};

struct TransportRequest {
    std::string url;  // as it goes on the wire
    long connectTimeoutMs = 0;
    // An answer that announces a longer body is refused before it arrives; 0: no bound.
    std::uint64_t maximumBodySize = 0;
};

enum class TransportOutcome {
    Done,     // the answer arrived whole (any status)
    TooLong,  // the announced body is longer than the bound
    Failed,   // no answer, a broken one, or the sink ended it
};

struct TransportResult {
    TransportOutcome outcome = TransportOutcome::Failed;
    long status = 0;    // HTTP status; 0 when no answer arrived
    std::string error;  // Failed: one line saying what went wrong
};

// What the module hands the program (its entry point is quorvi_http_module).
struct HttpModuleApi {
    TransportResult (*get)(const TransportRequest& request, TransferSink& sink);
};

// One GET through the module, loaded by the first call from any thread. Failed,
// saying why, when the module cannot be loaded.
TransportResult TransportGet(const TransportRequest& request, TransferSink& sink);

}  // namespace merv
