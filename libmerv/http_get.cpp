// Sections: pace of a transfer | one transfer | into memory | into a file
#include "libmerv/http_get.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

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

// libcurl's global set-up, done once before the first transfer from any thread.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

// Where the body goes: a text or an open file.
struct Transfer {
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
};

std::size_t ReceiveBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* transfer = static_cast<Transfer*>(userData);
    const std::size_t length = size * count;
    const std::uint64_t maximum = transfer->options->limits.maximumBodySize;
    if (length > maximum - std::min<std::uint64_t>(transfer->received, maximum)) {
        // Nothing past the bound is kept, in memory or on disk.
        transfer->Abort(HttpOutcome::TooLarge,
                        "the answer is longer than " + std::to_string(maximum) + " bytes");
        return 0;
    }
    if (transfer->body != nullptr) {
        try {
            transfer->body->append(data, length);
        } catch (const std::bad_alloc&) {
            transfer->Abort(HttpOutcome::TransportError, "out of memory for the answer");
            return 0;  // aborts the transfer; no exception may cross libcurl
        }
    } else {
        for (std::size_t written = 0; written < length;) {
            const ssize_t n = ::write(transfer->fd, data + written, length - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                transfer->Abort(HttpOutcome::FileError,
                                std::string("cannot write the file: ") + std::strerror(errno));
                return 0;
            }
            written += static_cast<std::size_t>(n);
        }
    }
    transfer->received += length;
    return length;
}

// Called by libcurl while data arrives and about once a second when none does.
int WatchTransfer(void* userData, curl_off_t expected, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(userData);
    const HttpOptions& options = *transfer->options;
    if (options.stop != nullptr && options.stop->load()) {
        transfer->Abort(HttpOutcome::Stopped, "stopped on request");
        return 1;
    }
    switch (transfer->pace.Observe(TransferPace::Clock::now(), transfer->received)) {
        case TransferPace::Verdict::Stalled:
            transfer->Abort(HttpOutcome::Stalled, transfer->pace.Reason());
            return 1;
        case TransferPace::Verdict::TooSlow:
            transfer->Abort(HttpOutcome::TooSlow, transfer->pace.Reason());
            return 1;
        case TransferPace::Verdict::Moving:
            break;
    }
    if (options.progress && transfer->received != transfer->reported) {
        transfer->reported = transfer->received;
        try {
            options.progress(transfer->received,
                             expected > 0 ? static_cast<std::uint64_t>(expected) : 0);
        } catch (...) {  // no exception may cross libcurl
            transfer->Abort(HttpOutcome::TransportError, "the progress report failed");
            return 1;
        }
    }
    return 0;
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
    HttpResult result;
    InitCurlOnce();
    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl) {
        result.error = "cannot start a transfer";
        return result;
    }
    const HttpLimits& limits = transfer.options->limits;
    char detail[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, AddressForTransfer(url).c_str());  // libcurl copies it
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, ReceiveBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    // Worker threads transfer concurrently: time-outs must not use signals.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits.connectTimeout.count()));
    // An announced length past the bound is refused before any body arrives
    // (0 would mean no bound to libcurl; the body check covers that case).
    if (limits.maximumBodySize > 0 &&
        limits.maximumBodySize <=
            static_cast<std::uint64_t>(std::numeric_limits<curl_off_t>::max()))
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits.maximumBodySize));

    const CURLcode code = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
    result.bytes = transfer.received;
    if (transfer.abortedAs != HttpOutcome::Complete) {
        result.outcome = transfer.abortedAs;
        result.error = transfer.abortReason;
    } else if (code == CURLE_FILESIZE_EXCEEDED) {
        result.outcome = HttpOutcome::TooLarge;
        result.error = "the announced answer is longer than " +
                       std::to_string(limits.maximumBodySize) + " bytes";
    } else if (code != CURLE_OK) {
        result.outcome = HttpOutcome::TransportError;
        result.error = detail[0] != '\0' ? detail : curl_easy_strerror(code);
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
