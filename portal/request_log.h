// The portal's request log: one JSON object per line, written and flushed as
// each request is answered, so a test can read what the client asked for.
//
//   {"time":"2026-12-07T22:31:57.123Z","method":"GET","path":"/app/report.php",
//    "query":"action=app&id=12","status":200}
//
// "query" is the query text exactly as it arrived (not decoded). "fault" (the
// fault injected) and "note" (what the portal made of the request, such as a
// refused sign) appear only when there is something to say.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace portal {

struct LogEntry {
    std::chrono::system_clock::time_point time;
    std::string method;
    std::string path;
    std::string query;
    int status = 0;
    std::string fault;
    std::string note;
};

std::string FormatLogLine(const LogEntry& entry);

class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Starts the log file anew; "-" writes to standard output. False when the file
    // cannot be opened.
    bool Open(const std::string& path);
    void Write(const LogEntry& entry);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    bool owns_file_ = false;
};

}  // namespace portal
