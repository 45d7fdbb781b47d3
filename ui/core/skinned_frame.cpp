#include "ui/core/skinned_frame.h"

#include "ui/core/control.h"
#include "ui/core/win_api.h"

namespace DuiLib {

LRESULT SkinnedHitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                       bool (*staysClickable)(const CControlUI& control)) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(hwnd, &point);
    RECT client;
    GetClientRect(hwnd, &client);
    if (!IsZoomed(hwnd)) {
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
    const RECT caption = manager.GetCaptionRect();
    if (point.x >= client.left + caption.left && point.x < client.right - caption.right &&
        point.y >= caption.top && point.y < caption.bottom) {
        CControlUI* control = manager.FindControl(point);
        if (control && !staysClickable(*control)) return HTCAPTION;
    }
    return HTCLIENT;
}

void FillMaximisedSize(HWND hwnd, MINMAXINFO& info) {
    MONITORINFO monitor{};
    if (!GetMonitorInfo(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    info.ptMaxPosition = {work.left, work.top};
    info.ptMaxSize = {work.right - work.left, work.bottom - work.top};
}

}  // namespace DuiLib
