// What the main window's components attach to: the skin's click rules, the
// timers, the client's events (events.h) and the two focus and menu events that
// reach a feature. The main window's dispatch decides the order in which rules are
// tried; each component registers handlers for the routes of what it builds.
// A route nobody registered does nothing.
//
//     routes.OnClick(ClickRule::GoHome, [this](CControlUI&) { GoHome(); });
//     routes.On<HomeContent>([this](const HomeContent& content) { ... });
//
// Sections: click rules | MainWindowRoutes
#pragma once

#include <array>
#include <functional>
#include <map>
#include <span>
#include <string_view>

#include "client/common/main_timers.h"
#include "client/common/window_events.h"
#include "ui/core/win_types.h"

namespace DuiLib {
class CControlUI;
}

namespace quorvi {

// ---- click rules ------------------------------------------------------------------------
// The rules for "click" notifications, in the order they are tried. Every rule
// whose name matches runs.
enum class ClickRule {
    StartSearch,           // is "btnStartSearch"
    ShowSecondBackground,  // is "optNoLinkTB"
    HideSecondBackground,  // is "laySecondBg"
    HideSideBar,           // is "btnHideSideBar"
    ExpandSideBar,         // is "btnExpandSideBar"
    NewsPanel,             // is "btnShowNewsPanel" or "btnCloseNewsPanel"
    HistoryPanel,          // is "btnShowHistoryPanel" or "btnCloseHistoryPanel"
    SettingPanel,          // is "btnShowSettingPanel" or "btnCloseSettingDialog"
    OpenService,           // is "btnOpenService"
    CatalogueOption,       // begins with "optLink"
    GoHome,                // is "btnGoHome"
    BrowseFolder,          // is "btnBrowserFolder"
    NavigationOption,      // begins with "optNav"
    CloseDownloadStatus,   // begins with "closeDownloadStatusoptLink"
    TipsPanel,             // is "btnShowUpdateLog" or "btnCloseTipsPanel"
    SettingDialogButton,   // begins with "btnSettingDialog"
};
inline constexpr std::size_t kClickRuleCount = 16;

// Whether a control of this name triggers the rule.
bool ClickRuleMatches(ClickRule rule, std::string_view name);

// ---- MainWindowRoutes -------------------------------------------------------------------
class MainWindowRoutes {
public:
    using ControlHandler = std::function<void(DuiLib::CControlUI&)>;
    using TimerHandler = std::function<void()>;
    using MenuHandler = std::function<void(POINT screenPoint)>;
    using PanelsQuery = std::function<std::span<DuiLib::CControlUI* const>()>;

    // Each route has one owner: registering a route twice is a programming error
    // (std::logic_error), found by the first test that builds the window.
    void OnClick(ClickRule rule, ControlHandler handler);
    void OnTimer(MainTimer timer, TimerHandler handler);
    // An event raised at the main window: `handler` takes a const E& (and
    // answers a query with a bool).
    template <typename E, typename Handler>
    void On(Handler handler) {
        m_events.On<E>(std::move(handler));
    }
    // "menu" on the user option while somebody is signed in; the point is on screen.
    void OnUserMenu(MenuHandler handler);
    // The home view ("Container1") took the focus.
    void OnHomeViewFocus(TimerHandler handler);
    // The floating group panels that focus on the mask closes.
    void SetFloatingPanels(PanelsQuery query);

    // For the dispatch: the registered handler, or null.
    const ControlHandler* Click(ClickRule rule) const;
    const TimerHandler* Timer(MainTimer timer) const;
    const EventRoutes& Events() const { return m_events; }
    // Runs the handler of `event` now, without the window (tests, benchmarks).
    template <typename E>
    AnswerOf<E> Raise(const E& event) const {
        return m_events.Raise(event);
    }
    const MenuHandler* UserMenu() const { return m_userMenu ? &m_userMenu : nullptr; }
    const TimerHandler* HomeViewFocus() const {
        return m_homeViewFocus ? &m_homeViewFocus : nullptr;
    }
    std::span<DuiLib::CControlUI* const> FloatingPanels() const;

private:
    std::array<ControlHandler, kClickRuleCount> m_clicks;
    std::map<MainTimer, TimerHandler> m_timers;
    EventRoutes m_events;
    MenuHandler m_userMenu;
    TimerHandler m_homeViewFocus;
    PanelsQuery m_floatingPanels;
};

}  // namespace quorvi
