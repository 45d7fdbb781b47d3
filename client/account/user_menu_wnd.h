// CUserMenuWnd: the small pop-up menu of the signed-in user (skin "menu.xml"),
// opened by a right click on the user option. "menu_UserCenter" asks the
// target window for the personal centre (OpenPersonalCenter),
// "menu_Logout" signs out (SignedOut). It closes when it loses the focus,
// on Escape and once an item is chosen, and deletes itself.
//
// Sections: placement | CUserMenuWnd
#pragma once

#include "ui/core/UIlib.h"
#include "ui/core/window_impl_base.h"

namespace quorvi {

// Where a menu of `size` opened at `at` goes so that it lies inside `workArea`:
// moved up (left) to end at the work area's bottom (right) edge, or to its top
// (left) edge when it is taller (wider) than the work area.
POINT PlaceInsideWorkArea(POINT at, SIZE size, const RECT& workArea);

class CUserMenuWnd : public DuiLib::WindowImplBase {
public:
    static constexpr const char kSkinFile[] = "menu.xml";

    // Shows the menu with its top-left corner at `screenPoint`; `owner` is the
    // option it was opened from, `target` receives its commands.
    void Init(DuiLib::CControlUI* owner, POINT screenPoint, HWND target);

    LPCTSTR GetWindowClassName() const override { return "UserMenuWnd"; }
    void InitWindow() override;
    LRESULT OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CStdString GetSkinFolder() override;
    DuiLib::CStdString GetSkinFile() override { return kSkinFile; }
    void OnFinalMessage(HWND hwnd) override;

private:
    DuiLib::CControlUI* m_owner = nullptr;
    POINT m_at{};
    HWND m_target = nullptr;
};

}  // namespace quorvi
