// The window registry, the UI thread's message queue and loop, timers, and the
// Win32-style window calls built on them.
//
// Sections: backend holder | UI thread | registry | queue and timers | loop |
//           messages | window creation and destruction | states | geometry |
//           focus and misc | regions and monitors | paint managers
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"
#include "ui/core/win_api.h"
#include "ui/core/window.h"
#include "ui/core/window_system.h"

using ui::Clock;
using ui::WindowState;

// ---- backend holder ---------------------------------------------------------------------------
namespace {
std::mutex g_backendMutex;
std::unique_ptr<ui::Backend> g_backend;
}  // namespace

namespace ui {

Backend& GetBackend() {
    std::lock_guard lock(g_backendMutex);
    if (!g_backend) g_backend = std::make_unique<HeadlessBackend>();
    return *g_backend;
}

void InstallBackend(std::unique_ptr<Backend> backend) {
    std::lock_guard lock(g_backendMutex);
    g_backend = std::move(backend);
}

HeadlessBackend& InstallHeadlessBackend() {
    auto backend = std::make_unique<HeadlessBackend>();
    HeadlessBackend& ref = *backend;
    InstallBackend(std::move(backend));
    return ref;
}

// ---- UI thread
// ------------------------------------------------------------------------------------
std::atomic<std::thread::id> g_uiThread{};

bool IsUiThread() {
    return g_uiThread.load() == std::this_thread::get_id();
}
void BindUiThread() {
    g_uiThread.store(std::this_thread::get_id());
}

}  // namespace ui

namespace {

void BindUiThreadIfNone() {
    std::thread::id none{};
    ui::g_uiThread.compare_exchange_strong(none, std::this_thread::get_id());
}

// ---- registry
// --------------------------------------------------------------------------------------
struct WindowRecord {
    DuiLib::CWindowWnd* window = nullptr;
    HWND hwnd = nullptr;
    HWND owner = nullptr;  // parent of a child window, owner of a pop-up
    bool child = false;
    RECT rect{};  // top-level: screen; child: the parent's client coordinates
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false;
    bool enabled = true;
    WindowState state = WindowState::Normal;
    WindowState stateBeforeMinimize = WindowState::Normal;
    RECT restoreRect{};
    std::unique_ptr<HRGN__> shape;
    std::string title;
    std::string className;
    bool destroying = false;
    UINT* modalResult = nullptr;  // while a modal loop runs for this window
};

// Membership is guarded by the mutex (IsWindow is asked from any thread);
// records are created, changed and erased on the UI thread only.
std::mutex g_registryMutex;
std::map<HWND, std::unique_ptr<WindowRecord>> g_windows;
std::uintptr_t g_nextHandle = 0x10000;

WindowRecord* Find(HWND hwnd) {
    if (!hwnd) return nullptr;
    std::lock_guard lock(g_registryMutex);
    auto it = g_windows.find(hwnd);
    return it == g_windows.end() ? nullptr : it->second.get();
}

std::vector<HWND> AllWindows() {
    std::lock_guard lock(g_registryMutex);
    std::vector<HWND> out;
    for (auto& [hwnd, record] : g_windows) out.push_back(hwnd);
    return out;
}

// ---- queue and timers
// -------------------------------------------------------------------------------
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

std::mutex g_queueMutex;
std::condition_variable g_sentDone;
std::deque<SentMessage*> g_sent;
std::deque<PostedItem> g_posted;
std::optional<int> g_quit;
// Set once the program's last loop has ended: nothing will be handled any more.
bool g_messagingClosed = false;

struct Timer {
    HWND owner;
    std::chrono::milliseconds period;
    Clock::time_point due;
    std::function<void()> fire;
};
std::map<std::uint64_t, Timer> g_timers;  // UI thread only
std::uint64_t g_nextTimer = 1;

std::map<HWND, DuiLib::CPaintManagerUI*> g_managers;  // UI thread only
HWND g_focus = nullptr;                               // UI thread only

void WakeLoop() {
    ui::GetBackend().Wake();
}

LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = Find(hwnd);
    if (!record || !record->window) return 0;
    return record->window->HandleMessage(message, wParam, lParam);
}

bool QuitPending() {
    std::lock_guard lock(g_queueMutex);
    return g_quit.has_value();
}

// Fires the timers due now, earliest first. A timer killed by an earlier
// callback in the same pass does not fire.
int FireDueTimers() {
    auto now = Clock::now();
    std::vector<std::pair<Clock::time_point, std::uint64_t>> due;
    for (auto& [handle, timer] : g_timers)
        if (timer.due <= now) due.emplace_back(timer.due, handle);
    std::sort(due.begin(), due.end());
    int fired = 0;
    for (auto& [when, handle] : due) {
        auto it = g_timers.find(handle);
        if (it == g_timers.end()) continue;
        it->second.due = Clock::now() + it->second.period;
        auto fire = it->second.fire;  // the callback may kill its own timer
        fire();
        ++fired;
    }
    return fired;
}

std::optional<Clock::time_point> NextTimerDue() {
    std::optional<Clock::time_point> next;
    for (auto& [handle, timer] : g_timers)
        if (!next || timer.due < *next) next = timer.due;
    return next;
}

// ---- loop
// ------------------------------------------------------------------------------------------ One
// turn: sent messages, posted messages queued so far, due timers; when nothing was there and
// `mayWait`, waits for events until `until` or the next timer.
int Turn(bool mayWait, std::optional<Clock::time_point> until) {
    int handled = 0;
    std::deque<SentMessage*> sent;
    size_t postedCount;
    {
        std::lock_guard lock(g_queueMutex);
        sent.swap(g_sent);
        postedCount = g_posted.size();
    }
    for (SentMessage* message : sent) {
        LRESULT result =
            CallWindow(message->hwnd, message->message, message->wParam, message->lParam);
        {
            std::lock_guard lock(g_queueMutex);
            message->result = result;
            message->done = true;
        }
        g_sentDone.notify_all();
        ++handled;
    }
    for (size_t i = 0; i < postedCount; ++i) {
        PostedItem item;
        {
            std::lock_guard lock(g_queueMutex);
            if (g_posted.empty()) break;
            item = std::move(g_posted.front());
            g_posted.pop_front();
        }
        ++handled;
        if (item.task) {
            item.task();
            continue;
        }
        WindowRecord* record = Find(item.hwnd);
        if (!record) continue;  // the window is gone: dropped
        if (item.message == WM_CLOSE && record->modalResult)
            *record->modalResult = static_cast<UINT>(item.wParam);
        CallWindow(item.hwnd, item.message, item.wParam, item.lParam);
    }
    if (QuitPending()) return handled;
    handled += FireDueTimers();
    if (handled == 0 && mayWait) {
        auto deadline = NextTimerDue();
        if (until && (!deadline || *until < *deadline)) deadline = until;
        {
            std::lock_guard lock(g_queueMutex);
            if (!g_sent.empty() || !g_posted.empty() || g_quit) return 0;
        }
        ui::GetBackend().WaitForEvents(deadline);
    }
    return handled;
}

}  // namespace

namespace ui {

int RunMessageLoop() {
    BindUiThreadIfNone();
    for (;;) {
        Turn(true, std::nullopt);
        if (auto code = TakeQuit()) return *code;
    }
}

int RunUntilIdle() {
    int total = 0;
    for (;;) {
        int handled = Turn(false, std::nullopt);
        total += handled;
        if (handled == 0 || QuitPending()) return total;
    }
}

void RunFor(std::chrono::milliseconds duration) {
    auto end = Clock::now() + duration;
    while (!QuitPending() && Clock::now() < end) Turn(true, end);
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = Clock::now() + timeout;
    while (!done()) {
        if (QuitPending() || Clock::now() >= end) return done();
        // Short waits: `done` may depend on work no message announces.
        Turn(true, std::min(end, Clock::now() + std::chrono::milliseconds(5)));
    }
    return true;
}

std::optional<int> TakeQuit() {
    std::lock_guard lock(g_queueMutex);
    auto quit = g_quit;
    g_quit.reset();
    return quit;
}

void PostTask(std::function<void()> task) {
    {
        std::lock_guard lock(g_queueMutex);
        if (g_messagingClosed) return;  // dropped: `task` is released on return
        g_posted.push_back(PostedItem{nullptr, 0, 0, 0, std::move(task)});
    }
    WakeLoop();
}

void CloseMessaging() {
    std::deque<PostedItem> dropped;
    {
        std::lock_guard lock(g_queueMutex);
        g_messagingClosed = true;
        for (SentMessage* message : g_sent) {
            message->result = 0;
            message->done = true;
        }
        g_sent.clear();
        dropped.swap(g_posted);
    }
    g_sentDone.notify_all();
    // Dropped tasks release what they hold here, outside the queue's lock.
}

bool IsMessagingClosed() {
    std::lock_guard lock(g_queueMutex);
    return g_messagingClosed;
}

namespace detail {

UINT RunModalLoop(HWND hwnd) {
    UINT result = 0;
    WindowRecord* record = Find(hwnd);
    if (!record) return 0;
    UINT* outer = record->modalResult;
    record->modalResult = &result;
    while (Find(hwnd) && !QuitPending()) Turn(true, std::nullopt);
    if (WindowRecord* still = Find(hwnd)) still->modalResult = outer;
    return result;
}

std::uint64_t AddTimer(HWND owner, UINT periodMs, std::function<void()> fire) {
    auto period = std::chrono::milliseconds(std::max<UINT>(periodMs, 1));
    std::uint64_t handle = g_nextTimer++;
    g_timers[handle] = Timer{owner, period, Clock::now() + period, std::move(fire)};
    return handle;
}

void RemoveTimer(std::uint64_t handle) {
    g_timers.erase(handle);
}

void SetPaintManager(HWND hwnd, DuiLib::CPaintManagerUI* manager) {
    g_managers[hwnd] = manager;
}

void ForgetPaintManager(DuiLib::CPaintManagerUI* manager) {
    std::erase_if(g_managers, [&](auto& entry) { return entry.second == manager; });
}

DuiLib::CPaintManagerUI* GetPaintManager(HWND hwnd) {
    auto it = g_managers.find(hwnd);
    return it == g_managers.end() ? nullptr : it->second;
}

WindowState GetWindowState(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record ? record->state : WindowState::Normal;
}

}  // namespace detail
}  // namespace ui

// ---- messages
// ------------------------------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (ui::IsUiThread()) return CallWindow(hwnd, message, wParam, lParam);
    if (!IsWindow(hwnd)) return 0;
    SentMessage sent{hwnd, message, wParam, lParam};
    std::unique_lock lock(g_queueMutex);
    if (g_messagingClosed) return 0;
    g_sent.push_back(&sent);
    lock.unlock();
    WakeLoop();
    lock.lock();
    g_sentDone.wait(lock, [&] { return sent.done; });
    return sent.result;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hwnd)) return FALSE;
    {
        std::lock_guard lock(g_queueMutex);
        if (g_messagingClosed) return FALSE;
        g_posted.push_back(PostedItem{hwnd, message, wParam, lParam, {}});
    }
    WakeLoop();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    {
        std::lock_guard lock(g_queueMutex);
        g_quit = exitCode;
    }
    WakeLoop();
}

namespace {

void SendSize(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record) return;
    WPARAM kind = record->state == WindowState::Maximized   ? SIZE_MAXIMIZED
                  : record->state == WindowState::Minimized ? SIZE_MINIMIZED
                                                            : SIZE_RESTORED;
    int width = record->rect.right - record->rect.left;
    int height = record->rect.bottom - record->rect.top;
    SendMessage(hwnd, WM_SIZE, kind, MAKELPARAM(width, height));
}

RECT ScreenRectOf(const WindowRecord& record) {
    RECT rect = record.rect;
    if (record.child) {
        if (WindowRecord* parent = Find(record.owner)) {
            RECT parentRect = ScreenRectOf(*parent);
            OffsetRect(&rect, parentRect.left, parentRect.top);
        }
    }
    return rect;
}

void ApplyRect(HWND hwnd, const RECT& rect) {
    WindowRecord* record = Find(hwnd);
    if (!record) return;
    bool sized = (rect.right - rect.left) != (record->rect.right - record->rect.left) ||
                 (rect.bottom - rect.top) != (record->rect.bottom - record->rect.top);
    bool moved = rect.left != record->rect.left || rect.top != record->rect.top;
    record->rect = rect;
    if (moved || sized) ui::GetBackend().MoveNativeWindow(hwnd, ScreenRectOf(*record));
    if (moved) SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
    if (sized) SendSize(hwnd);
}

void SetVisible(HWND hwnd, bool visible, bool activate) {
    WindowRecord* record = Find(hwnd);
    if (!record) return;
    if (record->visible != visible) {
        record->visible = visible;
        SendMessage(hwnd, WM_SHOWWINDOW, visible ? 1 : 0, 0);
        if (!Find(hwnd)) return;
        ui::GetBackend().ShowNativeWindow(hwnd, visible, activate);
    }
    if (visible && activate) SetFocus(hwnd);
    if (!visible && g_focus == hwnd) {
        HWND owner = record->owner;
        SetFocus(IsWindow(owner) ? owner : nullptr);
    }
}

// ---- states
// -------------------------------------------------------------------------------------------
void Maximize(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record || record->state == WindowState::Maximized) return;
    if (record->state == WindowState::Normal) record->restoreRect = record->rect;
    ui::ScreenInfo screen = ui::GetBackend().GetScreen();
    MINMAXINFO info{};
    info.ptMaxSize = {screen.monitor.right - screen.monitor.left,
                      screen.monitor.bottom - screen.monitor.top};
    info.ptMaxPosition = {screen.monitor.left, screen.monitor.top};
    info.ptMaxTrackSize = info.ptMaxSize;
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    record = Find(hwnd);
    if (!record) return;
    record->state = WindowState::Maximized;
    ui::GetBackend().SetNativeState(hwnd, WindowState::Maximized);
    RECT rect{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
              info.ptMaxPosition.y + info.ptMaxSize.y};
    record->rect = rect;
    ui::GetBackend().MoveNativeWindow(hwnd, ScreenRectOf(*record));
    SendSize(hwnd);  // a state change always reports its size, as on Windows
    SetVisible(hwnd, true, true);
}

void Minimize(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record || record->state == WindowState::Minimized) return;
    record->stateBeforeMinimize = record->state;
    record->state = WindowState::Minimized;
    ui::GetBackend().SetNativeState(hwnd, WindowState::Minimized);
    SendMessage(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
}

void Restore(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record) return;
    if (record->state == WindowState::Minimized) {
        record->state = record->stateBeforeMinimize;
        ui::GetBackend().SetNativeState(hwnd, record->state);
        SendSize(hwnd);
    } else if (record->state == WindowState::Maximized) {
        record->state = WindowState::Normal;
        ui::GetBackend().SetNativeState(hwnd, WindowState::Normal);
        RECT restore = record->restoreRect;
        record->rect = restore;
        ui::GetBackend().MoveNativeWindow(hwnd, ScreenRectOf(*record));
        SendSize(hwnd);
    }
    SetVisible(hwnd, true, true);
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MAXIMIZE:
                    Maximize(hwnd);
                    return 0;
                case SC_MINIMIZE:
                    Minimize(hwnd);
                    return 0;
                case SC_RESTORE:
                    Restore(hwnd);
                    return 0;
                case SC_CLOSE:
                    SendMessage(hwnd, WM_CLOSE, 0, 0);
                    return 0;
                default:
                    return 0;
            }
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_NCACTIVATE:
            return TRUE;
        case WM_MOUSEACTIVATE:
            return 1;
        default:
            (void)lParam;
            return 0;
    }
}

// ---- window creation and destruction
// ----------------------------------------------------------------
namespace ui::detail {

HWND CreateWindowFor(DuiLib::CWindowWnd* window, const std::string& className, HWND parent,
                     const char* title, DWORD style, DWORD exStyle, RECT rect) {
    BindUiThreadIfNone();
    auto record = std::make_unique<WindowRecord>();
    record->window = window;
    record->owner = IsWindow(parent) ? parent : nullptr;
    record->child = (style & WS_CHILD) != 0 && record->owner;
    record->rect = rect;
    record->style = style & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
    record->exStyle = exStyle;
    record->enabled = (style & WS_DISABLED) == 0;
    record->title = title ? title : "";
    record->className = className;
    HWND hwnd;
    {
        std::lock_guard lock(g_registryMutex);
        hwnd = reinterpret_cast<HWND>(g_nextHandle++);
        record->hwnd = hwnd;
        g_windows[hwnd] = std::move(record);
    }
    window->AttachHandle(hwnd);
    WindowRecord* created = Find(hwnd);
    NativeWindowParams params;
    params.owner = created->owner;
    params.child = created->child;
    params.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    params.title = created->title;
    params.rect = ScreenRectOf(*created);
    GetBackend().CreateNativeWindow(hwnd, params);

    CREATESTRUCT create;
    create.hwndParent = parent;
    create.x = rect.left;
    create.y = rect.top;
    create.cx = rect.right - rect.left;
    create.cy = rect.bottom - rect.top;
    create.style = static_cast<LONG>(style);
    create.dwExStyle = exStyle;
    create.lpszName = title;
    if (CallWindow(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;
    SendSize(hwnd);
    if (style & WS_MAXIMIZE) Maximize(hwnd);
    if ((style & WS_VISIBLE) && IsWindow(hwnd)) SetVisible(hwnd, true, true);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

}  // namespace ui::detail

BOOL IsWindow(HWND hwnd) {
    if (!hwnd) return FALSE;
    std::lock_guard lock(g_registryMutex);
    auto it = g_windows.find(hwnd);
    return it != g_windows.end() && !it->second->destroying ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    if (!record || record->destroying) return FALSE;
    HWND owner = record->owner;
    bool hadFocus = g_focus == hwnd;
    // Owned and child windows go first, as on Windows.
    for (HWND other : AllWindows()) {
        WindowRecord* candidate = Find(other);
        if (candidate && candidate->owner == hwnd && !candidate->destroying) DestroyWindow(other);
    }
    record = Find(hwnd);
    if (!record) return FALSE;
    record->destroying = true;  // IsWindow answers false from here on
    if (g_focus == hwnd) g_focus = nullptr;
    DuiLib::CWindowWnd* window = record->window;
    if (window) window->HandleMessage(WM_DESTROY, 0, 0);
    std::erase_if(g_timers, [&](auto& entry) { return entry.second.owner == hwnd; });
    ui::GetBackend().DestroyNativeWindow(hwnd);
    if (window) window->HandleMessage(WM_NCDESTROY, 0, 0);
    g_managers.erase(hwnd);
    {
        std::lock_guard lock(g_registryMutex);
        g_windows.erase(hwnd);
    }
    if (window) window->FinalMessage(hwnd);
    if (hadFocus && IsWindow(owner)) SetFocus(owner);
    return TRUE;
}

// ---- geometry
// -------------------------------------------------------------------------------------------
BOOL ShowWindow(HWND hwnd, int command) {
    WindowRecord* record = Find(hwnd);
    if (!record) return FALSE;
    BOOL wasVisible = record->visible ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            SetVisible(hwnd, false, false);
            break;
        case SW_SHOWMAXIMIZED:
            Maximize(hwnd);
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            Minimize(hwnd);
            SetVisible(hwnd, true, false);
            break;
        case SW_RESTORE:
            Restore(hwnd);
            break;
        case SW_SHOWNORMAL:
            if (record->state != WindowState::Normal) Restore(hwnd);
            SetVisible(hwnd, true, true);
            break;
        case SW_SHOWNOACTIVATE:
        case SW_SHOWNA:
            SetVisible(hwnd, true, false);
            break;
        default:
            SetVisible(hwnd, true, true);
            break;
    }
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record && record->visible ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record && record->state == WindowState::Minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record && record->state == WindowState::Maximized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    WindowRecord* record = Find(hwnd);
    if (!record) return FALSE;
    BOOL wasDisabled = record->enabled ? FALSE : TRUE;
    if (record->enabled != (enable != FALSE)) {
        record->enabled = enable != FALSE;
        ui::GetBackend().SetNativeEnabled(hwnd, record->enabled);
        SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record && record->enabled ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    WindowRecord* record = Find(hwnd);
    if (!record || !rect) return FALSE;
    *rect = ScreenRectOf(*record);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    WindowRecord* record = Find(hwnd);
    if (!record || !rect) return FALSE;
    *rect = {0, 0, record->rect.right - record->rect.left, record->rect.bottom - record->rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    RECT rect;
    if (!point || !GetWindowRect(hwnd, &rect)) return FALSE;
    point->x -= rect.left;
    point->y -= rect.top;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    RECT rect;
    if (!point || !GetWindowRect(hwnd, &rect)) return FALSE;
    point->x += rect.left;
    point->y += rect.top;
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    WindowRecord* record = Find(hwnd);
    if (!record) return FALSE;
    RECT rect = record->rect;
    if (!(flags & SWP_NOMOVE)) OffsetRect(&rect, x - rect.left, y - rect.top);
    if (!(flags & SWP_NOSIZE)) {
        rect.right = rect.left + std::max(cx, 0);
        rect.bottom = rect.top + std::max(cy, 0);
    }
    ApplyRect(hwnd, rect);
    if (flags & SWP_SHOWWINDOW) SetVisible(hwnd, true, !(flags & SWP_NOACTIVATE));
    if (flags & SWP_HIDEWINDOW) SetVisible(hwnd, false, false);
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LONG GetWindowLong(HWND hwnd, int index) {
    WindowRecord* record = Find(hwnd);
    if (!record) return 0;
    if (index == GWL_EXSTYLE) return static_cast<LONG>(record->exStyle);
    if (index != GWL_STYLE) return 0;
    DWORD style = record->style;
    if (record->visible) style |= WS_VISIBLE;
    if (record->state == WindowState::Maximized) style |= WS_MAXIMIZE;
    if (record->state == WindowState::Minimized) style |= WS_MINIMIZE;
    if (!record->enabled) style |= WS_DISABLED;
    return static_cast<LONG>(style);
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    WindowRecord* record = Find(hwnd);
    if (!record) return 0;
    LONG old = GetWindowLong(hwnd, index);
    if (index == GWL_EXSTYLE) record->exStyle = static_cast<DWORD>(value);
    if (index == GWL_STYLE)
        record->style =
            static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE | WS_DISABLED);
    return old;
}

HWND GetParent(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record ? record->owner : nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
    WindowRecord* record = Find(child);
    if (!record) return nullptr;
    HWND old = record->owner;
    RECT screen = ScreenRectOf(*record);
    record->owner = IsWindow(newParent) ? newParent : nullptr;
    record->child = record->owner != nullptr;
    if (record->child) {
        // Keep the window where it is on screen, now in the parent's coordinates.
        RECT parentRect;
        GetWindowRect(newParent, &parentRect);
        OffsetRect(&screen, -parentRect.left, -parentRect.top);
    }
    record->rect = screen;
    ui::GetBackend().SetNativeParent(child, record->owner);
    return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    WindowRecord* record = Find(hwnd);
    if (!record) return nullptr;
    if (flags == GA_PARENT) return record->child ? record->owner : nullptr;
    HWND current = hwnd;
    while (WindowRecord* r = Find(current)) {
        bool climb = flags == GA_ROOTOWNER ? r->owner != nullptr : r->child;
        if (!climb) break;
        current = r->owner;
    }
    return current;
}

// ---- focus and misc
// ---------------------------------------------------------------------------------------
HWND GetFocus() {
    return g_focus;
}

HWND SetFocus(HWND hwnd) {
    if (hwnd && !IsWindow(hwnd)) return nullptr;
    HWND old = g_focus;
    if (old == hwnd) return old;
    g_focus = hwnd;
    if (IsWindow(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && g_focus == hwnd) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetActiveWindow() {
    return g_focus ? GetAncestor(g_focus, GA_ROOT) : nullptr;
}

BOOL SetWindowText(HWND hwnd, LPCTSTR text) {
    WindowRecord* record = Find(hwnd);
    if (!record) return FALSE;
    record->title = text ? text : "";
    ui::GetBackend().SetNativeTitle(hwnd, record->title);
    return TRUE;
}

std::string GetWindowTextString(HWND hwnd) {
    WindowRecord* record = Find(hwnd);
    return record ? record->title : std::string();
}

HWND FindWindow(LPCTSTR className, LPCTSTR windowName) {
    for (HWND hwnd : AllWindows()) {
        WindowRecord* record = Find(hwnd);
        if (!record || record->child || record->destroying) continue;
        if (className && record->className != className) continue;
        if (windowName && record->title != windowName) continue;
        return hwnd;
    }
    return nullptr;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    RECT client;
    if (!GetClientRect(hwnd, &client)) return FALSE;
    ui::GetBackend().Invalidate(hwnd, rect ? *rect : client);
    return TRUE;
}

DWORD GetTickCount() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
                   point.y < rect->bottom
               ? TRUE
               : FALSE;
}

BOOL IsRectEmpty(const RECT* rect) {
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top ? TRUE : FALSE;
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
    if (!out || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *out = {};
        return FALSE;
    }
    *out = r;
    return TRUE;
}

// ---- regions and monitors
// ------------------------------------------------------------------------------------
HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return new HRGN__{{left, top, right, bottom}, 0, 0};
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight) {
    return new HRGN__{{left, top, right, bottom}, ellipseWidth, ellipseHeight};
}

BOOL DeleteObject(HRGN region) {
    delete region;
    return region ? TRUE : FALSE;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL) {
    WindowRecord* record = Find(hwnd);
    if (!record) return 0;
    record->shape.reset(region);
    ui::GetBackend().SetNativeShape(hwnd, region);
    return 1;
}

bool GetWindowShape(HWND hwnd, HRGN__* shape) {
    WindowRecord* record = Find(hwnd);
    if (!record || !record->shape) return false;
    if (shape) *shape = *record->shape;
    return true;
}

namespace {
HMONITOR const kOnlyMonitor = reinterpret_cast<HMONITOR>(1);
}

HMONITOR MonitorFromWindow(HWND, DWORD) {
    return kOnlyMonitor;
}
HMONITOR MonitorFromPoint(POINT, DWORD) {
    return kOnlyMonitor;
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
    if (monitor != kOnlyMonitor || !info) return FALSE;
    ui::ScreenInfo screen = ui::GetBackend().GetScreen();
    info->rcMonitor = screen.monitor;
    info->rcWork = screen.workArea;
    info->dwFlags = 1;  // MONITORINFOF_PRIMARY
    return TRUE;
}
