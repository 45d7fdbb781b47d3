// The window calls that need no window: rectangles, the tick count, region
// objects and the one monitor.
#include "ui/core/win_api.h"

#include <algorithm>
#include <chrono>

#include "ui/core/backend.h"

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

// ---- regions ---------------------------------------------------------------------------------
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

// ---- monitors --------------------------------------------------------------------------------
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
