#include "client/shell/frame_mechanics.h"

#include <string_view>

#include "ui/core/control.h"
#include "ui/core/win_api.h"

namespace quorvi {

LRESULT CaptionHitTest(const RECT& client, const RECT& caption, POINT point,
                       const DuiLib::CControlUI* underPoint) {
    if (point.x < client.left + caption.left || point.x >= client.right - caption.right)
        return HTCLIENT;
    if (point.y < caption.top || point.y >= caption.bottom) return HTCLIENT;
    if (!underPoint) return HTCLIENT;
    // Controls that take clicks stay clickable inside the band (exact class names).
    std::string_view kind = underPoint->GetClass();
    if (kind == "ButtonUI" || kind == "OptionUI" || kind == "TextUI") return HTCLIENT;
    return HTCAPTION;
}

LRESULT HitTest(HWND hwnd, DuiLib::CPaintManagerUI& manager, LPARAM lParam) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(hwnd, &point);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    return CaptionHitTest(client, manager.GetCaptionRect(), point, manager.FindControl(point));
}

void ApplyRoundCorners(HWND hwnd, const DuiLib::CPaintManagerUI& manager) {
    SIZE corner = manager.GetRoundCorner();
    if (::IsIconic(hwnd) || (corner.cx == 0 && corner.cy == 0)) return;
    RECT window{};
    if (!::GetWindowRect(hwnd, &window)) return;
    HRGN region = ::CreateRoundRectRgn(0, 0, window.right - window.left + 1,
                                       window.bottom - window.top + 1, corner.cx, corner.cy);
    ::SetWindowRgn(hwnd, region, TRUE);
}

LRESULT NcActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (::IsIconic(hwnd)) return ::DefWindowProc(hwnd, WM_NCACTIVATE, wParam, lParam);
    return wParam == 0 ? 1 : 0;
}

LRESULT SystemCommand(HWND hwnd, WPARAM command, LPARAM lParam,
                      const MainWindowControls& controls) {
    bool wasMaximised = ::IsZoomed(hwnd);
    LRESULT result = ::DefWindowProc(hwnd, WM_SYSCOMMAND, command, lParam);
    if (!::IsWindow(hwnd)) return result;
    bool maximised = ::IsZoomed(hwnd);
    if (maximised != wasMaximised) {
        if (controls.maxButton) controls.maxButton->SetVisible(!maximised);
        if (controls.restoreButton) controls.restoreButton->SetVisible(maximised);
    }
    return result;
}

}  // namespace quorvi
