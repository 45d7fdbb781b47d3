// The periodic timer thread.
#include "platform/timer_thread.h"

#include <condition_variable>
#include <mutex>

namespace platform {

// Shared with the thread, so that a timer stopped from its own callback can let
// the thread finish on its own after the timer object is gone.
struct TimerThread::State {
    std::mutex mutex;
    std::condition_variable stopped;
    bool stopping = false;
    Callback callback;
};

TimerThread::TimerThread(std::chrono::milliseconds firstDelay, std::chrono::milliseconds period,
                         Callback callback)
    : state_(std::make_shared<State>()) {
    state_->callback = std::move(callback);
    thread_ = std::thread([state = state_, firstDelay, period] {
        using Clock = std::chrono::steady_clock;
        auto due = Clock::now() + firstDelay;
        std::unique_lock lock(state->mutex);
        while (true) {
            if (state->stopped.wait_until(lock, due, [&] { return state->stopping; })) return;
            lock.unlock();
            state->callback();
            lock.lock();
            due += period;
            const auto now = Clock::now();
            if (due < now) due = now + period;
        }
    });
}

TimerThread::~TimerThread() {
    Stop();
}

void TimerThread::Stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->stopped.notify_all();
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

}  // namespace platform
