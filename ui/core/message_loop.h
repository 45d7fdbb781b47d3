// The UI thread's message loop: sent messages from other threads, posted
// messages in order, timers and native events, one at a time.
//
// Order of work in one turn: messages sent from other threads, then posted
// messages (in posting order), then due timers, then native events (the backend
// waits for those until the next timer is due or something is queued).
//
// Loops nest: a modal window runs its own loop (CWindowWnd::ShowModal) in which
// the other windows' sent and posted messages and timers keep arriving.
// PostQuitMessage ends the innermost loop; a modal loop ended by it passes the
// quit on to the loop outside it.
//
// Tests pump the loop themselves with RunUntilIdle, RunFor and RunUntil.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace ui {

// Runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Handles everything already queued and every timer already due, without
// waiting; returns how many messages and timers were handled. Stops at a quit.
int RunUntilIdle();

// Runs the loop for this long in real time (timers fire as they fall due).
// Stops early at a quit, which stays pending (see TakeQuit).
void RunFor(std::chrono::milliseconds duration);

// Runs the loop until `done` returns true or the timeout passes; returns `done`'s
// last answer. Stops early at a quit.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A quit request that ended RunUntilIdle/RunFor/RunUntil, taken (and cleared).
std::optional<int> TakeQuit();

// Runs `task` on the UI thread at its next turn, in order with posted messages.
// Callable from any thread (backends use it for callbacks from other threads).
void PostTask(std::function<void()> task);

// Ends message handling for good, once the program's last loop has returned:
// messages other threads are waiting on are answered 0 at once, queued
// messages and tasks are dropped, and from now on a send returns 0 at once and
// posts are refused. Threads that report to windows can then be joined safely.
void CloseMessaging();
bool IsMessagingClosed();

// True on the thread that owns the windows.
bool IsUiThread();
// Makes the calling thread the UI thread. The first window's creation does this
// implicitly; tests that run windows on a fresh thread call it first.
void BindUiThread();

}  // namespace ui
