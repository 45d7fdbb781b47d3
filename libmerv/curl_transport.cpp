// The GET of http_transport.h on libcurl's easy interface.
#include <curl/curl.h>

#include <limits>
#include <memory>
#include <mutex>

#include "libmerv/http_transport.h"

namespace merv {
namespace {

// libcurl's global set-up, done once before the first transfer from any thread.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

std::size_t ReceiveBody(char* data, std::size_t size, std::size_t count, void* sink) {
    return static_cast<TransferSink*>(sink)->Receive(data, size * count);
}

int WatchTransfer(void* sink, curl_off_t expected, curl_off_t, curl_off_t, curl_off_t) {
    const std::uint64_t announced = expected > 0 ? static_cast<std::uint64_t>(expected) : 0;
    return static_cast<TransferSink*>(sink)->KeepGoing(announced) ? 0 : 1;
}

TransportResult CurlGet(const TransportRequest& request, TransferSink& sink) {
    TransportResult result;
    InitCurlOnce();
    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl) {
        result.error = "cannot start a transfer";
        return result;
    }
    char detail[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());  // libcurl copies it
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, ReceiveBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &sink);
    // Worker threads transfer concurrently: time-outs must not use signals.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
    // (0 would mean no bound to libcurl; the sink's own check covers that case.)
    if (request.maximumBodySize > 0 &&
        request.maximumBodySize <=
            static_cast<std::uint64_t>(std::numeric_limits<curl_off_t>::max()))
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(request.maximumBodySize));

    const CURLcode code = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
    if (code == CURLE_OK) {
        result.outcome = TransportOutcome::Done;
    } else if (code == CURLE_FILESIZE_EXCEEDED) {
        result.outcome = TransportOutcome::TooLong;
    } else {
        result.error = detail[0] != '\0' ? detail : curl_easy_strerror(code);
    }
    return result;
}

}  // namespace
}  // namespace merv

// The module's entry, found by name; inside libmerv.so it stays hidden.
#ifdef MERV_HTTP_MODULE
#define MERV_HTTP_ENTRY __attribute__((visibility("default")))
#else
#define MERV_HTTP_ENTRY
#endif
extern "C" MERV_HTTP_ENTRY const merv::HttpModuleApi* quorvi_http_module() {
    static const merv::HttpModuleApi api{&merv::CurlGet};
    return &api;
}
