// A periodic timer whose callbacks run on a thread of its own, one at a time.
//
// The stand-in for a timer-queue timer that runs in the timer thread: a callback
// that outlasts the period delays the next one instead of overlapping it (ticks
// that were missed meanwhile are dropped, the next comes one period after the late
// callback ended).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

class TimerThread {
public:
    using Callback = std::function<void()>;

    // Calls `callback` first after `firstDelay`, then every `period`.
    TimerThread(std::chrono::milliseconds firstDelay, std::chrono::milliseconds period,
                Callback callback);
    ~TimerThread();  // Stop()
    TimerThread(const TimerThread&) = delete;
    TimerThread& operator=(const TimerThread&) = delete;

    // No callback starts after this returns. From any other thread it also waits
    // for a running callback to end; from within the callback it returns at once
    // (the thread ends after the callback returns).
    void Stop();

private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace platform
