// Native input into window messages, with caption dragging and edge sizing
// driven by the window's own hit test.
#include "ui/core/input.h"

#include <algorithm>

#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"

namespace ui {
namespace {

// A caption drag or an edge sizing in progress (UI thread only).
struct Drag {
    HWND hwnd = nullptr;
    LRESULT hit = HTNOWHERE;
    POINT start;
    RECT startRect;
    SIZE minimum{1, 1};
};
Drag g_drag;

bool IsInputMessage(UINT message) {
    return (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) || message == WM_MOUSELEAVE ||
           (message >= WM_KEYDOWN && message <= WM_SYSCHAR);
}

LPARAM ClientPoint(HWND hwnd, POINT screen) {
    ::ScreenToClient(hwnd, &screen);
    return MAKELPARAM(screen.x, screen.y);
}

bool IsSizingCode(LRESULT hit) {
    return hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
}

// The smallest size sizing may give: the window's answer to WM_GETMINMAXINFO,
// and the skin's "mininfo".
SIZE MinimumSize(HWND hwnd) {
    MINMAXINFO info{};
    info.ptMinTrackSize = {1, 1};
    ::SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    SIZE minimum{std::max<LONG>(1, info.ptMinTrackSize.x),
                 std::max<LONG>(1, info.ptMinTrackSize.y)};
    if (auto* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd)) {
        SIZE skin = manager->GetMinInfo();
        minimum = {std::max(minimum.cx, skin.cx), std::max(minimum.cy, skin.cy)};
    }
    return minimum;
}

void ContinueDrag(POINT screen) {
    int dx = screen.x - g_drag.start.x;
    int dy = screen.y - g_drag.start.y;
    RECT rect = g_drag.startRect;
    if (g_drag.hit == HTCAPTION) {
        OffsetRect(&rect, dx, dy);
    } else {
        LRESULT hit = g_drag.hit;
        bool left = hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT;
        bool right = hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT;
        bool top = hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT;
        bool bottom = hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT;
        if (left) rect.left = std::min<LONG>(rect.left + dx, rect.right - g_drag.minimum.cx);
        if (right) rect.right = std::max<LONG>(rect.right + dx, rect.left + g_drag.minimum.cx);
        if (top) rect.top = std::min<LONG>(rect.top + dy, rect.bottom - g_drag.minimum.cy);
        if (bottom) rect.bottom = std::max<LONG>(rect.bottom + dy, rect.top + g_drag.minimum.cy);
    }
    ::SetWindowPos(g_drag.hwnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

LRESULT DeliverInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!::IsWindow(hwnd)) return 0;
    if (IsInputMessage(message) && !::IsWindowEnabled(hwnd)) return 0;
    if (auto* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd)) {
        LRESULT result = 0;
        if (manager->PreMessageHandler(message, wParam, lParam, result)) return result;
    }
    return ::SendMessage(hwnd, message, wParam, lParam);
}

void PointerMoved(HWND hwnd, POINT screenPoint) {
    if (g_drag.hwnd) {
        if (::IsWindow(g_drag.hwnd)) ContinueDrag(screenPoint);
        return;
    }
    DeliverInputMessage(hwnd, WM_MOUSEMOVE, 0, ClientPoint(hwnd, screenPoint));
}

void PointerPressed(HWND hwnd, POINT screenPoint, MouseButton button, bool doubleClick) {
    if (!::IsWindow(hwnd) || !::IsWindowEnabled(hwnd)) return;
    if (button == MouseButton::Middle) return;
    LRESULT hit = ::SendMessage(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
    if (button == MouseButton::Right) {
        if (hit == HTCLIENT)
            DeliverInputMessage(hwnd, WM_RBUTTONDOWN, 0, ClientPoint(hwnd, screenPoint));
        return;
    }
    if (hit == HTCLIENT) {
        DeliverInputMessage(hwnd, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, 0,
                            ClientPoint(hwnd, screenPoint));
        return;
    }
    if (hit == HTCAPTION && doubleClick) {
        ::SendMessage(hwnd, WM_SYSCOMMAND, ::IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE,
                      MAKELPARAM(screenPoint.x, screenPoint.y));
        return;
    }
    if ((hit == HTCAPTION || IsSizingCode(hit)) && !::IsZoomed(hwnd)) {
        g_drag.hwnd = hwnd;
        g_drag.hit = hit;
        g_drag.start = screenPoint;
        ::GetWindowRect(hwnd, &g_drag.startRect);
        g_drag.minimum = IsSizingCode(hit) ? MinimumSize(hwnd) : SIZE{1, 1};
    }
}

void PointerReleased(HWND hwnd, POINT screenPoint, MouseButton button) {
    if (g_drag.hwnd && button == MouseButton::Left) {
        g_drag = Drag{};
        return;
    }
    if (button == MouseButton::Middle) return;
    DeliverInputMessage(hwnd, button == MouseButton::Left ? WM_LBUTTONUP : WM_RBUTTONUP, 0,
                        ClientPoint(hwnd, screenPoint));
}

void PointerLeft(HWND hwnd) {
    if (!g_drag.hwnd) DeliverInputMessage(hwnd, WM_MOUSELEAVE, 0, 0);
}

void WheelTurned(HWND hwnd, POINT screenPoint, int delta) {
    DeliverInputMessage(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta),
                        MAKELPARAM(screenPoint.x, screenPoint.y));
}

void KeyPressed(HWND hwnd, WPARAM virtualKey) {
    DeliverInputMessage(hwnd, WM_KEYDOWN, virtualKey, 0);
}

void KeyReleased(HWND hwnd, WPARAM virtualKey) {
    DeliverInputMessage(hwnd, WM_KEYUP, virtualKey, 0);
}

void CharacterTyped(HWND hwnd, unsigned int character) {
    // A two-byte GBK character arrives as its two bytes, lead byte first.
    if (character > 0xFF) {
        DeliverInputMessage(hwnd, WM_CHAR, (character >> 8) & 0xFF, 0);
        DeliverInputMessage(hwnd, WM_CHAR, character & 0xFF, 0);
        return;
    }
    DeliverInputMessage(hwnd, WM_CHAR, character, 0);
}

void CloseRequested(HWND hwnd) {
    if (::IsWindow(hwnd) && ::IsWindowEnabled(hwnd))
        ::SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void FocusEntered(HWND hwnd) {
    ::SetFocus(hwnd);
}

}  // namespace ui
