#include "client/account/user_menu_wnd.h"

#include "client/account/skin_folder.h"
#include "client/common/events.h"
#include "client/common/window_events.h"
#include "ui/core/skinned_frame.h"

namespace quorvi {

// ---- placement --------------------------------------------------------------------------
POINT PlaceInsideWorkArea(POINT at, SIZE size, const RECT& workArea) {
    const auto fit = [](LONG start, LONG length, LONG areaStart, LONG areaEnd) {
        if (start + length <= areaEnd) return start;
        return length >= areaEnd - areaStart ? areaStart : areaEnd - length;
    };
    return {fit(at.x, size.cx, workArea.left, workArea.right),
            fit(at.y, size.cy, workArea.top, workArea.bottom)};
}

// ---- CUserMenuWnd ------------------------------------------------------------------------
void CUserMenuWnd::Init(DuiLib::CControlUI* owner, POINT screenPoint, HWND target) {
    m_owner = owner;
    m_at = screenPoint;
    m_target = target;
    HWND parent = owner && owner->GetManager() ? owner->GetManager()->GetPaintWindow() : target;
    if (!Create(parent, "", WS_POPUP, WS_EX_TOOLWINDOW)) return;  // deleted itself
    ShowWindow(true);
    ::SendMessage(::GetAncestor(m_hWnd, GA_ROOTOWNER), WM_NCACTIVATE, TRUE, 0);
}

DuiLib::CStdString CUserMenuWnd::GetSkinFolder() {
    return SkinFolder();
}

// Rounded, and moved inside the work area of the monitor under its corner.
void CUserMenuWnd::InitWindow() {
    m_PaintManager.SetRoundCorner(3, 3);
    // The keys go to the entries: Up and Down select one, Return runs it.
    m_PaintManager.SetFocusNeeded(m_PaintManager.FindControl("listUserMenu"));
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    MONITORINFO monitor{};
    RECT work{};
    if (::GetMonitorInfo(::MonitorFromPoint(m_at, MONITOR_DEFAULTTOPRIMARY), &monitor))
        work = monitor.rcWork;
    const POINT place = IsRectEmpty(&work) ? m_at : PlaceInsideWorkArea(m_at, size, work);
    ::SetWindowPos(m_hWnd, nullptr, place.x, place.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The focus going to another window closes the menu.
LRESULT CUserMenuWnd::OnKillFocus(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (reinterpret_cast<HWND>(wParam) != m_hWnd) PostMessage(WM_CLOSE);
    handled = false;
    return 0;
}

LRESULT CUserMenuWnd::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled) {
    handled = wParam == VK_ESCAPE;
    if (handled) Close();
    return 0;
}

LRESULT CUserMenuWnd::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
    handled = true;  // swallowed: the menu does not scroll
    return 0;
}

void CUserMenuWnd::Notify(DuiLib::TNotifyUI& msg) {
    if (!msg.pSender) return;
    // Only a click runs an entry and closes the menu; the arrow keys merely select.
    if (msg.sType != "itemclick") return;
    const DuiLib::CStdString name = msg.pSender->GetName();
    if (name == "menu_UserCenter") {
        Raise(m_target, OpenPersonalCenter{});
    } else if (name == "menu_Logout") {
        Raise(m_target, SignedOut{});
    }
    Close();
}

void CUserMenuWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace quorvi
