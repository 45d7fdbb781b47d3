// The Win32-style window calls and the loop calls, each a thin call into the
// window registry or the UI thread's event loop.
//
// Sections: loop | internal calls | messages | windows | geometry | focus and texts | regions
#include "ui/core/window_system.h"

#include "ui/core/event_loop.h"
#include "ui/core/message_loop.h"
#include "ui/core/win_api.h"
#include "ui/core/window_registry.h"

using ui::EventLoop;
using ui::WindowRegistry;

namespace {

WindowRegistry& Registry() {
    return WindowRegistry::Get();
}

EventLoop& Loop() {
    return EventLoop::Get();
}

BOOL AsBool(bool value) {
    return value ? TRUE : FALSE;
}

}  // namespace

// ---- loop ------------------------------------------------------------------------------------
namespace ui {

int RunMessageLoop() {
    return Loop().Run();
}
int RunUntilIdle() {
    return Loop().RunUntilIdle();
}
void RunFor(std::chrono::milliseconds duration) {
    Loop().RunFor(duration);
}
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return Loop().RunUntil(done, timeout);
}
std::optional<int> TakeQuit() {
    return Loop().TakeQuit();
}
void PostTask(std::function<void()> task) {
    Loop().PostTask(std::move(task));
}
void CloseMessaging() {
    Loop().Close();
}
bool IsMessagingClosed() {
    return Loop().IsClosed();
}
bool IsUiThread() {
    return Loop().IsOwnThread();
}
void BindUiThread() {
    Loop().Bind();
}

// ---- internal calls --------------------------------------------------------------------------
namespace detail {

HWND CreateWindowFor(WindowProcedure* window, const std::string& className, HWND parent,
                     const char* title, DWORD style, DWORD exStyle, RECT rect) {
    Loop().BindIfUnbound();
    return Registry().Create(window, {className, parent, title, style, exStyle, rect});
}

UINT RunModalLoop(HWND hwnd) {
    return Loop().RunModal(hwnd);
}

std::uint64_t AddTimer(HWND owner, UINT periodMs, std::function<void()> fire) {
    return Loop().AddTimer(owner, periodMs, std::move(fire));
}

void RemoveTimer(std::uint64_t handle) {
    Loop().RemoveTimer(handle);
}

void SetPaintManager(HWND hwnd, DuiLib::CPaintManagerUI* manager) {
    Registry().SetPaintManager(hwnd, manager);
}

void ForgetPaintManager(DuiLib::CPaintManagerUI* manager) {
    Registry().ForgetPaintManager(manager);
}

DuiLib::CPaintManagerUI* GetPaintManager(HWND hwnd) {
    return Registry().PaintManagerOf(hwnd);
}

WindowState GetWindowState(HWND hwnd) {
    return Registry().StateOf(hwnd);
}

}  // namespace detail
}  // namespace ui

// ---- messages --------------------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Loop().Send(hwnd, message, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return AsBool(Loop().Post(hwnd, message, wParam, lParam));
}

void PostQuitMessage(int exitCode) {
    Loop().PostQuit(exitCode);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MAXIMIZE:
                    Registry().Maximize(hwnd);
                    return 0;
                case SC_MINIMIZE:
                    Registry().Minimize(hwnd);
                    return 0;
                case SC_RESTORE:
                    Registry().Restore(hwnd);
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
            return 0;
    }
}

// ---- windows ---------------------------------------------------------------------------------
BOOL IsWindow(HWND hwnd) {
    return AsBool(Registry().IsWindow(hwnd));
}
BOOL DestroyWindow(HWND hwnd) {
    return AsBool(Registry().Destroy(hwnd));
}
BOOL ShowWindow(HWND hwnd, int command) {
    return AsBool(Registry().Show(hwnd, command));
}
BOOL IsWindowVisible(HWND hwnd) {
    return AsBool(Registry().IsVisible(hwnd));
}
BOOL IsIconic(HWND hwnd) {
    return AsBool(Registry().StateOf(hwnd) == ui::WindowState::Minimized);
}
BOOL IsZoomed(HWND hwnd) {
    return AsBool(Registry().StateOf(hwnd) == ui::WindowState::Maximized);
}
BOOL EnableWindow(HWND hwnd, BOOL enable) {
    return AsBool(Registry().Enable(hwnd, enable != FALSE));
}
BOOL IsWindowEnabled(HWND hwnd) {
    return AsBool(Registry().IsEnabled(hwnd));
}

// ---- geometry --------------------------------------------------------------------------------
BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    return AsBool(Registry().GetWindowRect(hwnd, rect));
}
BOOL GetClientRect(HWND hwnd, RECT* rect) {
    return AsBool(Registry().GetClientRect(hwnd, rect));
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
    return AsBool(Registry().SetPos(hwnd, x, y, cx, cy, flags));
}
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
LONG GetWindowLong(HWND hwnd, int index) {
    return Registry().GetLong(hwnd, index);
}
LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    return Registry().SetLong(hwnd, index, value);
}
HWND GetParent(HWND hwnd) {
    return Registry().GetParent(hwnd);
}
HWND SetParent(HWND child, HWND newParent) {
    return Registry().SetParent(child, newParent);
}
HWND GetAncestor(HWND hwnd, UINT flags) {
    return Registry().GetAncestor(hwnd, flags);
}

// ---- focus and texts -------------------------------------------------------------------------
HWND GetFocus() {
    return Registry().Focus();
}
HWND SetFocus(HWND hwnd) {
    return Registry().SetFocus(hwnd);
}
HWND GetActiveWindow() {
    HWND focus = Registry().Focus();
    return focus ? GetAncestor(focus, GA_ROOT) : nullptr;
}
BOOL SetWindowText(HWND hwnd, LPCTSTR text) {
    return AsBool(Registry().SetTitle(hwnd, text ? text : ""));
}
std::string GetWindowTextString(HWND hwnd) {
    return Registry().Title(hwnd);
}
HWND FindWindow(LPCTSTR className, LPCTSTR windowName) {
    return Registry().FindTopLevel(className, windowName);
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    RECT client;
    if (!GetClientRect(hwnd, &client)) return FALSE;
    Registry().CountInvalidation(hwnd);
    ui::GetBackend().Invalidate(hwnd, rect ? *rect : client);
    return TRUE;
}

std::uint64_t InvalidationCount(HWND hwnd) {
    return Registry().Invalidations(hwnd);
}

// ---- regions ---------------------------------------------------------------------------------
int SetWindowRgn(HWND hwnd, HRGN region, BOOL) {
    return Registry().SetShape(hwnd, region) ? 1 : 0;
}
bool GetWindowShape(HWND hwnd, HRGN__* shape) {
    return Registry().GetShape(hwnd, shape);
}
