// Sections: hit testing | shape and activation | maximise and restore
#include "ui/core/skinned_frame.h"

#include <string_view>

#include "ui/core/control.h"
#include "ui/core/win_api.h"

namespace DuiLib {

// ---- hit testing ---------------------------------------------------------------------------
bool IsButtonOptionOrText(const CControlUI& control) {
    std::string_view kind = control.GetClass();
    return kind == "ButtonUI" || kind == "OptionUI" || kind == "TextUI";
}

bool IsButton(const CControlUI& control) {
    return std::string_view(control.GetClass()) == "ButtonUI";
}

LRESULT CaptionHitTest(const RECT& client, const RECT& caption, POINT point,
                       const CControlUI* underPoint, ClickablePredicate staysClickable) {
    if (point.x < client.left + caption.left || point.x >= client.right - caption.right)
        return HTCLIENT;
    if (point.y < caption.top || point.y >= caption.bottom) return HTCLIENT;
    if (!underPoint || staysClickable(*underPoint)) return HTCLIENT;
    return HTCAPTION;
}

namespace {

LRESULT HitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                ClickablePredicate staysClickable, bool sizingBorders) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(hwnd, &point);
    RECT client{};
    GetClientRect(hwnd, &client);
    if (sizingBorders && !IsZoomed(hwnd)) {
        const RECT box = manager.GetSizeBox();
        const bool top = point.y < client.top + box.top;
        const bool bottom = point.y >= client.bottom - box.bottom;
        const bool left = point.x < client.left + box.left;
        const bool right = point.x >= client.right - box.right;
        if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
    }
    return CaptionHitTest(client, manager.GetCaptionRect(), point, manager.FindControl(point),
                          staysClickable);
}

}  // namespace

LRESULT SkinnedHitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                       ClickablePredicate staysClickable) {
    return HitTest(hwnd, manager, lParam, staysClickable, true);
}

LRESULT CaptionOnlyHitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                           ClickablePredicate staysClickable) {
    return HitTest(hwnd, manager, lParam, staysClickable, false);
}

// ---- shape and activation --------------------------------------------------------------------
void ApplyRoundCorners(HWND hwnd, const CPaintManagerUI& manager) {
    SIZE corner = manager.GetRoundCorner();
    if (IsIconic(hwnd) || (corner.cx == 0 && corner.cy == 0)) return;
    RECT window{};
    if (!GetWindowRect(hwnd, &window)) return;
    HRGN region = CreateRoundRectRgn(0, 0, window.right - window.left + 1,
                                     window.bottom - window.top + 1, corner.cx, corner.cy);
    SetWindowRgn(hwnd, region, TRUE);
}

LRESULT NcActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (IsIconic(hwnd)) return DefWindowProc(hwnd, WM_NCACTIVATE, wParam, lParam);
    return wParam == 0 ? 1 : 0;
}

// ---- maximise and restore --------------------------------------------------------------------
void FillMaximisedSize(HWND hwnd, MINMAXINFO& info) {
    MONITORINFO monitor{};
    if (!GetMonitorInfo(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    info.ptMaxPosition = {work.left, work.top};
    info.ptMaxSize = {work.right - work.left, work.bottom - work.top};
}

LRESULT SystemCommand(HWND hwnd, WPARAM command, LPARAM lParam, CControlUI* maxButton,
                      CControlUI* restoreButton) {
    const bool wasMaximised = IsZoomed(hwnd);
    LRESULT result = DefWindowProc(hwnd, WM_SYSCOMMAND, command, lParam);
    if (!IsWindow(hwnd)) return result;
    const bool maximised = IsZoomed(hwnd);
    if (maximised != wasMaximised) {
        if (maxButton) maxButton->SetVisible(!maximised);
        if (restoreButton) restoreButton->SetVisible(maximised);
    }
    return result;
}

}  // namespace DuiLib
