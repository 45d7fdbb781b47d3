#include "platform/log.h"

#include <errno.h>
#include <unistd.h>

#include <mutex>
#include <utility>

namespace platform {
namespace {

// Never destroyed: workers may still log while static objects are destroyed at exit.
struct LogState {
    std::mutex mutex;
    LogSink sink;
};
LogState& State() {
    static auto* state = new LogState;
    return *state;
}

// Writes the whole line with as few write calls as the kernel allows.
void WriteToStandardError(const std::string& line) {
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count = ::write(STDERR_FILENO, line.data() + written, line.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;  // nowhere to report that reporting failed
        written += static_cast<std::size_t>(count);
    }
}

}  // namespace

std::string_view LogLevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Info:
            return "info";
        case LogLevel::Warning:
            return "warning";
        case LogLevel::Error:
            return "error";
    }
    return "?";
}

std::string FormatLogLine(std::string_view program, LogLevel level, std::string_view message) {
    std::string line;
    line.reserve(program.size() + message.size() + 12);
    line.append(program).append(": ").append(LogLevelName(level)).append(": ");
    for (char c : message) line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    return line;
}

void Log(LogLevel level, std::string_view message) {
    LogState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.sink) {
        state.sink(level, std::string(message));
        return;
    }
    WriteToStandardError(FormatLogLine(program_invocation_short_name, level, message) + "\n");
}

LogSink SetLogSink(LogSink sink) {
    LogState& state = State();
    std::lock_guard lock(state.mutex);
    return std::exchange(state.sink, std::move(sink));
}

}  // namespace platform
