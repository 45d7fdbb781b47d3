// Threads and events as the system's worker threads use them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// A manual-reset event: once set, every wait returns until it is reset.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet = false) : set_(initiallySet) {}
    void Set();
    void Reset();
    bool IsSet() const;
    void Wait();
    // False when the timeout passed without the event being set.
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;
};

}  // namespace platform
