// For tests: the events logged while a LogCapture lives, from any thread.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log.h"

namespace platform {

struct LogEvent {
    LogLevel level;
    std::string message;
};

class LogCapture {
public:
    LogCapture() {
        m_previous = SetLogSink([this](LogLevel level, const std::string& message) {
            std::lock_guard lock(m_mutex);
            m_events.push_back({level, message});
        });
    }
    ~LogCapture() { SetLogSink(std::move(m_previous)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogEvent> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    // Messages of the given level, in order.
    std::vector<std::string> Messages(LogLevel level) const {
        std::vector<std::string> messages;
        for (const LogEvent& event : Events())
            if (event.level == level) messages.push_back(event.message);
        return messages;
    }
    // Whether an event of this level holds `part` in its message.
    bool Holds(LogLevel level, std::string_view part) const {
        for (const std::string& message : Messages(level))
            if (message.find(part) != std::string::npos) return true;
        return false;
    }
    // Every event as "level: message" lines, for failure messages.
    std::string Text() const {
        std::string text;
        for (const LogEvent& event : Events())
            text.append(LogLevelName(event.level)).append(": ").append(event.message) += '\n';
        return text;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<LogEvent> m_events;
    LogSink m_previous;
};

}  // namespace platform
