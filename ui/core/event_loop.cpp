// The UI thread's event loop: queue, timers, turns and modal loops.
#include "ui/core/event_loop.h"

#include <algorithm>
#include <vector>

namespace ui {

EventLoop& EventLoop::Get() {
    // Lives until exit, like the registry it serves.
    static auto* loop = new EventLoop(WindowRegistry::Get());
    return *loop;
}

EventLoop::EventLoop(WindowRegistry& registry) : registry_(registry) {
    registry_.SetDestroyListener([this](HWND hwnd) {
        std::erase_if(timers_, [&](auto& entry) { return entry.second.owner == hwnd; });
    });
}

EventLoop::~EventLoop() {
    registry_.SetDestroyListener({});
}

void EventLoop::BindIfUnbound() {
    std::thread::id none{};
    thread_.compare_exchange_strong(none, std::this_thread::get_id());
}

// ---- the queue -------------------------------------------------------------------------------

LRESULT EventLoop::Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsOwnThread()) return registry_.Deliver(hwnd, message, wParam, lParam);
    if (!registry_.IsWindow(hwnd)) return 0;
    SentMessage sent{hwnd, message, wParam, lParam};
    std::unique_lock lock(mutex_);
    if (closed_) return 0;
    sent_.push_back(&sent);
    lock.unlock();
    GetBackend().Wake();
    lock.lock();
    sentDone_.wait(lock, [&] { return sent.done; });
    return sent.result;
}

bool EventLoop::Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!registry_.IsWindow(hwnd)) return false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        posted_.push_back(PostedItem{hwnd, message, wParam, lParam, {}});
    }
    GetBackend().Wake();
    return true;
}

void EventLoop::PostQuit(int exitCode) {
    {
        std::lock_guard lock(mutex_);
        quit_ = exitCode;
    }
    GetBackend().Wake();
}

void EventLoop::PostTask(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;  // dropped: `task` is released on return
        posted_.push_back(PostedItem{nullptr, 0, 0, 0, std::move(task)});
    }
    GetBackend().Wake();
}

std::optional<int> EventLoop::TakeQuit() {
    std::lock_guard lock(mutex_);
    auto quit = quit_;
    quit_.reset();
    return quit;
}

bool EventLoop::QuitPending() const {
    std::lock_guard lock(mutex_);
    return quit_.has_value();
}

void EventLoop::Close() {
    std::deque<PostedItem> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        for (SentMessage* message : sent_) {
            message->result = 0;
            message->done = true;
        }
        sent_.clear();
        dropped.swap(posted_);
    }
    sentDone_.notify_all();
    // Dropped tasks release what they hold here, outside the queue's lock.
}

bool EventLoop::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

// ---- timers ----------------------------------------------------------------------------------

std::uint64_t EventLoop::AddTimer(HWND owner, UINT periodMs, std::function<void()> fire) {
    auto period = std::chrono::milliseconds(std::max<UINT>(periodMs, 1));
    std::uint64_t handle = nextTimer_++;
    timers_[handle] = Timer{owner, period, Clock::now() + period, std::move(fire)};
    return handle;
}

void EventLoop::RemoveTimer(std::uint64_t handle) {
    timers_.erase(handle);
}

// Fires the timers due now, earliest first. A timer killed by an earlier
// callback in the same pass does not fire.
int EventLoop::FireDueTimers() {
    auto now = Clock::now();
    std::vector<std::pair<Clock::time_point, std::uint64_t>> due;
    for (auto& [handle, timer] : timers_)
        if (timer.due <= now) due.emplace_back(timer.due, handle);
    std::sort(due.begin(), due.end());
    int fired = 0;
    for (auto& [when, handle] : due) {
        auto it = timers_.find(handle);
        if (it == timers_.end()) continue;
        it->second.due = Clock::now() + it->second.period;
        auto fire = it->second.fire;  // the callback may kill its own timer
        fire();
        ++fired;
    }
    return fired;
}

std::optional<Clock::time_point> EventLoop::NextTimerDue() const {
    std::optional<Clock::time_point> next;
    for (auto& [handle, timer] : timers_)
        if (!next || timer.due < *next) next = timer.due;
    return next;
}

// ---- running ---------------------------------------------------------------------------------

// One turn: sent messages, posted messages queued so far, due timers; when
// nothing was there and `mayWait`, waits for events until `until` or the next timer.
int EventLoop::Turn(bool mayWait, std::optional<Clock::time_point> until) {
    int handled = 0;
    std::deque<SentMessage*> sent;
    size_t postedCount;
    {
        std::lock_guard lock(mutex_);
        sent.swap(sent_);
        postedCount = posted_.size();
    }
    for (SentMessage* message : sent) {
        LRESULT result =
            registry_.Deliver(message->hwnd, message->message, message->wParam, message->lParam);
        {
            std::lock_guard lock(mutex_);
            message->result = result;
            message->done = true;
        }
        sentDone_.notify_all();
        ++handled;
    }
    for (size_t i = 0; i < postedCount; ++i) {
        PostedItem item;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty()) break;
            item = std::move(posted_.front());
            posted_.pop_front();
        }
        ++handled;
        if (item.task) {
            item.task();
            continue;
        }
        if (!registry_.Contains(item.hwnd)) continue;  // the window is gone: dropped
        if (item.message == WM_CLOSE) {
            auto modal = modalResults_.find(item.hwnd);
            if (modal != modalResults_.end()) *modal->second = static_cast<UINT>(item.wParam);
        }
        registry_.Deliver(item.hwnd, item.message, item.wParam, item.lParam);
    }
    if (QuitPending()) return handled;
    handled += FireDueTimers();
    if (handled == 0 && mayWait) {
        auto deadline = NextTimerDue();
        if (until && (!deadline || *until < *deadline)) deadline = until;
        {
            std::lock_guard lock(mutex_);
            if (!sent_.empty() || !posted_.empty() || quit_) return 0;
        }
        GetBackend().WaitForEvents(deadline);
    }
    return handled;
}

int EventLoop::Run() {
    BindIfUnbound();
    for (;;) {
        Turn(true, std::nullopt);
        if (auto code = TakeQuit()) return *code;
    }
}

int EventLoop::RunUntilIdle() {
    int total = 0;
    for (;;) {
        int handled = Turn(false, std::nullopt);
        total += handled;
        if (handled == 0 || QuitPending()) return total;
    }
}

void EventLoop::RunFor(std::chrono::milliseconds duration) {
    auto end = Clock::now() + duration;
    while (!QuitPending() && Clock::now() < end) Turn(true, end);
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = Clock::now() + timeout;
    while (!done()) {
        if (QuitPending() || Clock::now() >= end) return done();
        // Short waits: `done` may depend on work no message announces.
        Turn(true, std::min(end, Clock::now() + std::chrono::milliseconds(5)));
    }
    return true;
}

UINT EventLoop::RunModal(HWND hwnd) {
    if (!registry_.Contains(hwnd)) return 0;
    UINT result = 0;
    auto outer = modalResults_.find(hwnd);
    UINT* outerResult = outer == modalResults_.end() ? nullptr : outer->second;
    modalResults_[hwnd] = &result;
    while (registry_.Contains(hwnd) && !QuitPending()) Turn(true, std::nullopt);
    // The loop outside (if any) takes the window's WM_CLOSE again.
    if (outerResult)
        modalResults_[hwnd] = outerResult;
    else
        modalResults_.erase(hwnd);
    return result;
}

}  // namespace ui
