// Sections: pace of a transfer | one transfer | into memory | into a file
#include "libmerv/http_get.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "libmerv/http_transport.h"
#include "libmerv/transfer_address.h"
#include "platform/log.h"
#include "platform/text.h"

namespace merv {

// ---- pace of a transfer -----------------------------------------------------------------

TransferPace::TransferPace(const HttpLimits& limits, Clock::time_point start)
    : m_limits(limits), m_start(start), m_lastArrival(start) {
    m_samples.push_back({start, 0});
}

TransferPace::Verdict TransferPace::Observe(Clock::time_point now, std::uint64_t received) {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    if (received > m_received) {
        m_received = received;
        m_lastArrival = now;
    }
    if (m_limits.stallTime.count() > 0 && now - m_lastArrival >= m_limits.stallTime) {
        m_reason = "stalled: nothing arrived for " +
                   std::to_string(duration_cast<milliseconds>(now - m_lastArrival).count()) + " ms";
        return Verdict::Stalled;
    }
    const milliseconds window = m_limits.rateWindow;
    if (m_limits.minimumRate == 0 || window.count() <= 0) return Verdict::Moving;

    // A sample every 1/32 of the window keeps the record short at any speed.
    if (now - m_samples.back().time >= window / 32) m_samples.push_back({now, received});
    while (m_samples.size() >= 2 && m_samples[1].time <= now - window) m_samples.pop_front();
    const Sample& oldest = m_samples.front();
    if (now - m_start < window || oldest.time > now - window) return Verdict::Moving;

    const auto span = duration_cast<milliseconds>(now - oldest.time).count();
    const std::uint64_t arrived = received - oldest.received;
    if (arrived * 1000 >= m_limits.minimumRate * static_cast<std::uint64_t>(span))
        return Verdict::Moving;
    m_reason = "too slow: " + std::to_string(arrived) + " bytes in the last " +
               std::to_string(span) + " ms, below " + std::to_string(m_limits.minimumRate) +
               " bytes/s";
    return Verdict::TooSlow;
}

// ---- one transfer -------------------------------------------------------------------------
namespace {

// Where the body goes (a text or an open file), and the watch over the transfer.
class Transfer final : public TransferSink {
public:
    explicit Transfer(const HttpOptions& options)
        : options(&options), pace(options.limits, TransferPace::Clock::now()) {}

    const HttpOptions* options;
    TransferPace pace;
    std::string* body = nullptr;
    int fd = -1;
    std::uint64_t received = 0;
    std::uint64_t reported = 0;  // last count handed to the progress callback
    HttpOutcome abortedAs = HttpOutcome::Complete;
    std::string abortReason;

    void Abort(HttpOutcome outcome, std::string reason) {
        abortedAs = outcome;
        abortReason = std::move(reason);
    }

    std::size_t Receive(const char* data, std::size_t length) override;
    bool KeepGoing(std::uint64_t expected) override;
};

std::size_t Transfer::Receive(const char* data, std::size_t length) {
    const std::uint64_t maximum = options->limits.maximumBodySize;
    if (length > maximum - std::min<std::uint64_t>(received, maximum)) {
        // Nothing past the bound is kept, in memory or on disk.
        Abort(HttpOutcome::TooLarge,
              "the answer is longer than " + std::to_string(maximum) + " bytes");
        return 0;
    }
    if (body != nullptr) {
        try {
            body->append(data, length);
        } catch (const std::bad_alloc&) {
            Abort(HttpOutcome::TransportError, "out of memory for the answer");
            return 0;  // ends the transfer; no exception may cross libcurl
        }
    } else {
        for (std::size_t written = 0; written < length;) {
            const ssize_t n = ::write(fd, data + written, length - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                Abort(HttpOutcome::FileError,
                      std::string("cannot write the file: ") + std::strerror(errno));
                return 0;
            }
            written += static_cast<std::size_t>(n);
        }
    }
    received += length;
    return length;
}

bool Transfer::KeepGoing(std::uint64_t expected) {
    if (options->stop != nullptr && options->stop->load()) {
        Abort(HttpOutcome::Stopped, "stopped on request");
        return false;
    }
    switch (pace.Observe(TransferPace::Clock::now(), received)) {
        case TransferPace::Verdict::Stalled:
            Abort(HttpOutcome::Stalled, pace.Reason());
            return false;
        case TransferPace::Verdict::TooSlow:
            Abort(HttpOutcome::TooSlow, pace.Reason());
            return false;
        case TransferPace::Verdict::Moving:
            break;
    }
    if (options->progress && received != reported) {
        reported = received;
        try {
            options->progress(received, expected);
        } catch (...) {  // no exception may cross libcurl
            Abort(HttpOutcome::TransportError, "the progress report failed");
            return false;
        }
    }
    return true;
}

// The address without its query, which may carry a password.
std::string AddressForLog(const std::string& url) {
    const std::size_t query = url.find('?');
    return query == std::string::npos ? url : url.substr(0, query) + "?...";
}

void LogFailure(const std::string& url, const HttpResult& result) {
    if (result.Succeeded()) return;
    const std::string line = "GET " + AddressForLog(url) + ": " + result.error + " (status " +
                             std::to_string(result.status) + ", " + std::to_string(result.bytes) +
                             " bytes)";
    // A stop is the caller's choice, not a failure.
    if (result.outcome == HttpOutcome::Stopped)
        platform::LogInfo(line);
    else
        platform::LogWarning(line);
}

HttpResult Perform(const std::string& url, Transfer& transfer) {
    const HttpLimits& limits = transfer.options->limits;
    TransportRequest request;
    request.url = AddressForTransfer(url);
    request.connectTimeoutMs = static_cast<long>(limits.connectTimeout.count());
    request.maximumBodySize = limits.maximumBodySize;
    const TransportResult answer = TransportGet(request, transfer);

    HttpResult result;
    result.status = answer.status;
    result.bytes = transfer.received;
    if (transfer.abortedAs != HttpOutcome::Complete) {
        result.outcome = transfer.abortedAs;
        result.error = transfer.abortReason;
    } else if (answer.outcome == TransportOutcome::TooLong) {
        result.outcome = HttpOutcome::TooLarge;
        result.error = "the announced answer is longer than " +
                       std::to_string(limits.maximumBodySize) + " bytes";
    } else if (answer.outcome == TransportOutcome::Failed) {
        result.outcome = HttpOutcome::TransportError;
        result.error = answer.error;
    } else if (result.status < 200 || result.status > 299) {
        result.outcome = HttpOutcome::HttpError;
        result.error = "HTTP status " + std::to_string(result.status);
    } else {
        result.outcome = HttpOutcome::Complete;
    }
    return result;
}

}  // namespace

// ---- into memory -----------------------------------------------------------------------------

HttpResult HttpGetText(const std::string& url, std::string& body, const HttpOptions& options) {
    body.clear();
    Transfer transfer(options);
    transfer.body = &body;
    HttpResult result = Perform(url, transfer);
    if (result.outcome == HttpOutcome::TooLarge) std::string().swap(body);  // frees it too
    LogFailure(url, result);
    return result;
}

std::string HttpGet(const std::string& url, const HttpLimits& limits) {
    std::string body;
    HttpOptions options;
    options.limits = limits;
    HttpGetText(url, body, options);
    return body;
}

// ---- into a file -----------------------------------------------------------------------------
namespace {

// A new file beside path, named after it and unique in this process and
// among processes: concurrent transfers to one destination never share it.
int CreateTemporaryBeside(const std::string& nativePath, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = nativePath + ".part-" + std::to_string(::getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

HttpResult HttpGetFile(const std::string& url, const std::string& path,
                       const HttpOptions& options) {
    const std::string nativePath = platform::GbkToUtf8(path);
    std::string temporary;
    const int fd = CreateTemporaryBeside(nativePath, temporary);
    if (fd < 0) {
        HttpResult result;
        result.outcome = HttpOutcome::FileError;
        result.error = "cannot create a file beside " + nativePath + ": " + std::strerror(errno);
        LogFailure(url, result);
        return result;
    }

    Transfer transfer(options);
    transfer.fd = fd;
    HttpResult result = Perform(url, transfer);
    // The data must be on disk before the name points at it, or a crash could
    // leave an empty file in place of the old one.
    const bool synced = !result.Succeeded() || !options.durable || ::fsync(fd) == 0;
    const int syncError = errno;
    const bool closed = ::close(fd) == 0;
    if (result.Succeeded() && (!synced || !closed)) {
        result.outcome = HttpOutcome::FileError;
        result.error =
            std::string("cannot write the file: ") + std::strerror(synced ? errno : syncError);
    }
    if (result.Succeeded() && ::rename(temporary.c_str(), nativePath.c_str()) != 0) {
        result.outcome = HttpOutcome::FileError;
        result.error =
            "cannot put the file in place at " + nativePath + ": " + std::strerror(errno);
    }
    if (!result.Succeeded()) ::unlink(temporary.c_str());
    LogFailure(url, result);
    return result;
}

}  // namespace merv
