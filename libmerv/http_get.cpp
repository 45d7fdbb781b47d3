#include "libmerv/http_get.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <new>

namespace merv {
namespace {

// libcurl's global set-up, done once before the first transfer from any thread.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* body = static_cast<std::string*>(userData);
    if (body == nullptr) return 0;
    try {
        body->append(data, size * count);
    } catch (const std::bad_alloc&) {
        return 0;  // aborts the transfer; no exception may cross libcurl
    }
    return size * count;
}

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

}  // namespace

std::string HttpGet(const std::string& url, const HttpLimits& limits) {
    InitCurlOnce();
    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl) return {};

    std::string body;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
    // Worker threads call this concurrently: time-outs must not use signals.
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(limits.stallTime.count()));

    // The outcome is not examined: callers treat an empty body as "no answer".
    curl_easy_perform(curl.get());
    return body;
}

}  // namespace merv
