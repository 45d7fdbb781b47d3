// The UI thread's event loop: the message queue (messages sent from other
// threads, posted messages and tasks, the quit request), the timers, and the
// turns that handle them one at a time (see message_loop.h for the order).
// There is one, bound to the UI thread; windows' messages reach their window
// procedures through the window registry.
//
// Threads: Send, Post, PostQuit, PostTask, Close and IsClosed may be called
// from any thread; everything else belongs to the UI thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "ui/core/backend.h"
#include "ui/core/window_registry.h"

namespace ui {

class EventLoop {
public:
    // The loop of the UI thread, over the program's window registry.
    static EventLoop& Get();

    explicit EventLoop(WindowRegistry& registry);
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // ---- the UI thread
    bool IsOwnThread() const { return thread_.load() == std::this_thread::get_id(); }
    void Bind() { thread_.store(std::this_thread::get_id()); }
    // Binds the calling thread unless a thread is bound already.
    void BindIfUnbound();

    // ---- the queue
    // On the UI thread the window procedure is called at once; from another
    // thread the message waits in the queue and the caller blocks until it is handled.
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void PostQuit(int exitCode);
    void PostTask(std::function<void()> task);
    std::optional<int> TakeQuit();
    // See CloseMessaging in message_loop.h.
    void Close();
    bool IsClosed() const;

    // ---- running
    int Run();
    int RunUntilIdle();
    void RunFor(std::chrono::milliseconds duration);
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs until `hwnd` is gone or a quit arrives; gives the wParam of the
    // WM_CLOSE posted to it meanwhile (0 if none).
    UINT RunModal(HWND hwnd);

    // ---- timers (dropped with the window that owns them)
    std::uint64_t AddTimer(HWND owner, UINT periodMs, std::function<void()> fire);
    void RemoveTimer(std::uint64_t handle);

private:
    struct SentMessage {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result = 0;
        bool done = false;
    };
    struct PostedItem {
        HWND hwnd = nullptr;
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        std::function<void()> task;  // set for PostTask items
    };
    struct Timer {
        HWND owner;
        std::chrono::milliseconds period;
        Clock::time_point due;
        std::function<void()> fire;
    };

    int Turn(bool mayWait, std::optional<Clock::time_point> until);
    int FireDueTimers();
    std::optional<Clock::time_point> NextTimerDue() const;
    bool QuitPending() const;

    WindowRegistry& registry_;
    std::atomic<std::thread::id> thread_{};

    // The queue, shared with other threads.
    mutable std::mutex mutex_;
    std::condition_variable sentDone_;
    std::deque<SentMessage*> sent_;
    std::deque<PostedItem> posted_;
    std::optional<int> quit_;
    bool closed_ = false;  // the program's last loop has ended: nothing is handled any more

    // UI thread only.
    std::map<std::uint64_t, Timer> timers_;
    std::uint64_t nextTimer_ = 1;
    std::map<HWND, UINT*> modalResults_;  // where a running modal loop takes its WM_CLOSE value
};

}  // namespace ui
