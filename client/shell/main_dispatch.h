// The main window's event dispatch: which notification of the skin and which
// window message leads where, and in which order the rules are tried.
//
// The dispatch decides; the components act. What the dispatch can do with the
// skin alone (caption buttons, focus rules of the mask and the search box, the
// window mechanics) it does itself; everything else goes to the handler a
// component registered in MainWindowRoutes. A rule nobody registered does
// nothing; an event nobody registered is answered 0.
#pragma once

#include <functional>
#include <string_view>

#include "client/common/main_timers.h"
#include "client/common/main_window_routes.h"
#include "client/common/user_info.h"
#include "client/shell/main_window_controls.h"
#include "ui/core/paint_manager.h"

namespace quorvi {

class MainWindowDispatch {
public:
    // `onCreate` answers WM_CREATE.
    MainWindowDispatch(DuiLib::CPaintManagerUI& manager, const MainWindowControls& controls,
                       MainTimers& timers, const MainWindowRoutes& routes, const UserInfo& user,
                       std::function<LRESULT()> onCreate)
        : m_manager(manager),
          m_controls(controls),
          m_timers(timers),
          m_routes(routes),
          m_user(user),
          m_onCreate(std::move(onCreate)) {}

    // Routes one notification of the skin.
    void Notify(DuiLib::TNotifyUI& msg);

    // The window procedure: the main window's own messages, then the paint
    // manager, then default processing.
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Escape: closes the topmost of what a press beside it would close, a group's
    // panel of sub-applications (with its mask) or else the search results. False
    // when neither was open.
    bool CloseOnEscape();

private:
    void RunTimer(WPARAM id);
    bool RunCaptionButton(DuiLib::CControlUI* sender);
    void RouteSetFocus(std::string_view name);
    void RouteKillFocus(std::string_view name);
    // Hides the mask and every floating group panel; true when one was shown.
    bool CloseFloatingPanels();
    void RouteClick(DuiLib::CControlUI& sender, std::string_view name);

    DuiLib::CPaintManagerUI& m_manager;
    const MainWindowControls& m_controls;
    MainTimers& m_timers;
    const MainWindowRoutes& m_routes;
    const UserInfo& m_user;
    std::function<LRESULT()> m_onCreate;
};

// Whether a notification type is "timer", in any letter case.
bool IsTimerType(std::string_view type);

}  // namespace quorvi
