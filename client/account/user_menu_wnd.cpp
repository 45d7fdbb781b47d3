#include "client/account/user_menu_wnd.h"

#include <cstdio>

#include "client/common/messages.h"
#include "ui/core/skinned_frame.h"

namespace quorvi {

POINT PlaceInsideWorkArea(POINT at, SIZE size, const RECT& workArea) {
    const auto fit = [](LONG start, LONG length, LONG areaStart, LONG areaEnd) {
        if (start + length <= areaEnd) return start;
        return length >= areaEnd - areaStart ? areaStart : areaEnd - length;
    };
    return {fit(at.x, size.cx, workArea.left, workArea.right),
            fit(at.y, size.cy, workArea.top, workArea.bottom)};
}

void CUserMenuWnd::Init(DuiLib::CControlUI* owner, POINT screenPoint, HWND target) {
    m_owner = owner;
    m_at = screenPoint;
    m_target = target;
    HWND parent = owner && owner->GetManager() ? owner->GetManager()->GetPaintWindow() : target;
    if (!Create(parent, "", WS_POPUP, WS_EX_TOOLWINDOW)) return;  // deleted itself
    ShowWindow(true);
    ::SendMessage(::GetAncestor(m_hWnd, GA_ROOTOWNER), WM_NCACTIVATE, TRUE, 0);
}

LRESULT CUserMenuWnd::OnCreate() {
    m_pm.Init(m_hWnd);
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.Create(kSkinFile, nullptr, nullptr, &m_pm);
    if (!root) {
        std::fprintf(stderr, "quorvi: error: the menu skin %s%s could not be built\n",
                     DuiLib::CPaintManagerUI::GetResourcePath().c_str(), kSkinFile);
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    m_pm.SetRoundCorner(3, 3);

    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{};
    if (::GetMonitorInfo(::MonitorFromPoint(m_at, MONITOR_DEFAULTTOPRIMARY), &monitor))
        work = monitor.rcWork;
    const POINT place = IsRectEmpty(&work) ? m_at : PlaceInsideWorkArea(m_at, size, work);
    ::SetWindowPos(m_hWnd, nullptr, place.x, place.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT CUserMenuWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_SIZE:
            DuiLib::ApplyRoundCorners(m_hWnd, m_pm);
            break;
        case WM_KILLFOCUS:
            // The focus going to another window closes the menu.
            if (reinterpret_cast<HWND>(wParam) != m_hWnd) PostMessage(WM_CLOSE);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                Close();
                return 0;
            }
            break;
        case WM_MOUSEWHEEL:
            return 0;
        default:
            break;
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CUserMenuWnd::Notify(DuiLib::TNotifyUI& msg) {
    if (!msg.pSender) return;
    if (msg.sType == "itemselect") {
        Close();
    } else if (msg.sType == "itemclick") {
        const DuiLib::CStdString name = msg.pSender->GetName();
        if (name == "menu_UserCenter") {
            ::SendMessage(m_target, WM_OPEN_PERSONAL_CENTER, 1, 0);
        } else if (name == "menu_Logout") {
            ::SendMessage(m_target, WM_SIGNED_OUT, 1, 0);
        }
    }
}

void CUserMenuWnd::OnFinalMessage(HWND) {
    m_pm.RemoveNotifier(this);
    delete this;
}

}  // namespace quorvi
