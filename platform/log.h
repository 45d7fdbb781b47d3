// The program's diagnostics: one line per event on standard error,
// "PROGRAM: LEVEL: MESSAGE" (for example "quorvi: error: cannot build skin.xml"),
// or into a sink that a test puts in its place.
//
// Any thread may log. Each event is written whole, in one piece, so lines from
// several threads never interleave.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

enum class LogLevel { Info, Warning, Error };

// "info", "warning", "error".
std::string_view LogLevelName(LogLevel level);

// The line written for an event, without its line end. Line breaks inside the
// message become spaces, so every event stays one line.
std::string FormatLogLine(std::string_view program, LogLevel level, std::string_view message);

void Log(LogLevel level, std::string_view message);
inline void LogInfo(std::string_view message) {
    Log(LogLevel::Info, message);
}
inline void LogWarning(std::string_view message) {
    Log(LogLevel::Warning, message);
}
inline void LogError(std::string_view message) {
    Log(LogLevel::Error, message);
}

// Receives every event instead of standard error. It is called with the log's
// lock held, one event at a time, and must not log itself.
using LogSink = std::function<void(LogLevel level, const std::string& message)>;

// Sends every later event to sink; an empty sink restores standard error.
// Returns the sink it replaces (empty for standard error).
LogSink SetLogSink(LogSink sink);

}  // namespace platform
