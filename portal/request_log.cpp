#include "portal/request_log.h"

#include <ctime>

#include "portal/text_util.h"

namespace portal {

std::string FormatLogLine(const LogEntry& entry) {
    using namespace std::chrono;
    auto since_epoch = entry.time.time_since_epoch();
    std::time_t seconds = duration_cast<std::chrono::seconds>(since_epoch).count();
    int millis = static_cast<int>(duration_cast<milliseconds>(since_epoch).count() % 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char time_text[40];
    std::size_t length = std::strftime(time_text, sizeof time_text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(time_text + length, sizeof time_text - length, ".%03dZ", millis);

    std::string line =
        "{\"time\":" + JsonQuote(time_text) + ",\"method\":" + JsonQuote(entry.method) +
        ",\"path\":" + JsonQuote(entry.path) + ",\"query\":" + JsonQuote(entry.query) +
        ",\"status\":" + std::to_string(entry.status);
    if (!entry.fault.empty()) line += ",\"fault\":" + JsonQuote(entry.fault);
    if (!entry.note.empty()) line += ",\"note\":" + JsonQuote(entry.note);
    return line + "}";
}

RequestLog::~RequestLog() {
    if (owns_file_ && file_) std::fclose(file_);
}

bool RequestLog::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (path == "-") {
        file_ = stdout;
        owns_file_ = false;
        return true;
    }
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    if (owns_file_ && file_) std::fclose(file_);
    file_ = file;
    owns_file_ = true;
    return true;
}

void RequestLog::Write(const LogEntry& entry) {
    std::string line = FormatLogLine(entry) + "\n";
    std::lock_guard lock(mutex_);
    if (!file_) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

}  // namespace portal
