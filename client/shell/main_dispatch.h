// The main window's event dispatch: which notification of the skin and which
// window message leads to which operation, in which order the rules are tried.
//
// The dispatch decides; the main window acts. What the dispatch can do with the
// skin alone (caption buttons, focus rules of the mask and the search box, the
// window mechanics) it does itself; everything else goes to a named operation of
// MainWindowActions, which the main window implements.
//
// Sections: MainWindowActions | MainWindowDispatch
#pragma once

#include <span>
#include <string_view>

#include "client/shell/main_timers.h"
#include "client/shell/main_window_controls.h"
#include "client/common/messages.h"
#include "ui/core/paint_manager.h"

namespace quorvi {

// ---- MainWindowActions ------------------------------------------------------------------
class MainWindowActions {
public:
    virtual ~MainWindowActions() = default;

    // state the routing reads
    virtual bool IsSignedIn() const = 0;
    virtual std::span<DuiLib::CControlUI* const> FloatingContainers() const = 0;

    // window creation (WM_CREATE); its result is the message's
    virtual LRESULT OnCreate() = 0;

    // timers
    virtual void RunSecondStage() = 0;    // 1
    virtual void Init() = 0;              // 2: the catalogue retry runs the first stage again
    virtual void LiveSearch() = 0;        // 3
    virtual void SendClientReport() = 0;  // 4
    virtual void TrimWorkingSet() = 0;    // 5

    // clicks
    virtual void SearchNow() = 0;
    virtual void ShowSecondBackground() = 0;
    virtual void HideSecondBackground() = 0;
    virtual void CollapseSideBar() = 0;
    virtual void ExpandSideBar() = 0;
    virtual void ToggleNewsPanel() = 0;
    virtual void ToggleHistoryPanel() = 0;
    virtual void ToggleSettingPanel() = 0;
    virtual void OpenServiceSite() = 0;
    virtual void OpenCatalogueOption(DuiLib::CControlUI& option) = 0;
    virtual void GoHome() = 0;
    virtual void ChooseDownloadFolder() = 0;
    virtual void ShowGroup(DuiLib::CControlUI& option) = 0;
    virtual void CloseDownloadStatus(DuiLib::CControlUI& closeButton) = 0;
    virtual void TipsPanelButton(DuiLib::CControlUI& button) = 0;
    virtual void SettingDialogButton(DuiLib::CControlUI& button) = 0;

    // focus and menu
    virtual void HideNewsPanel() = 0;
    virtual void OpenUserMenu(POINT screenPoint) = 0;

    // custom messages; the result is the message's
    virtual LRESULT OnLoginFailed(LPARAM text) = 0;
    virtual LRESULT OnLoginSucceeded(LPARAM text) = 0;
    virtual LRESULT OnUserInfo(LPARAM userInfo) = 0;
    virtual LRESULT OnOpenApplication(WPARAM appId, LPARAM address) = 0;
    virtual LRESULT OnDownloadProgress(LPARAM progress) = 0;
    virtual LRESULT OnQueryDownloadCancel(LPARAM progress) = 0;
    virtual LRESULT OnStartContentFetch() = 0;
    virtual LRESULT OnOpenSignedLink(LPARAM link) = 0;
    virtual LRESULT OnSaveLogin(LPARAM config) = 0;
    virtual LRESULT OnSignedOut() = 0;
    virtual LRESULT OnOpenPersonalCenter() = 0;
    virtual LRESULT OnHomeContent(WPARAM mode, LPARAM text) = 0;
};

// ---- MainWindowDispatch ------------------------------------------------------------------
class MainWindowDispatch {
public:
    MainWindowDispatch(DuiLib::CPaintManagerUI& manager, const MainWindowControls& controls,
                       MainTimers& timers, MainWindowActions& actions)
        : m_manager(manager), m_controls(controls), m_timers(timers), m_actions(actions) {}

    // Routes one notification of the skin.
    void Notify(DuiLib::TNotifyUI& msg);

    // The window procedure: the main window's own messages, then the paint
    // manager, then default processing.
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void RunTimer(WPARAM id);
    bool RunCaptionButton(DuiLib::CControlUI* sender);
    void RouteSetFocus(std::string_view name);
    void RouteKillFocus(std::string_view name);
    void RouteClick(DuiLib::CControlUI& sender, std::string_view name);
    // The search results list becomes visible (its container's parent).
    void ShowSearchResults();

    DuiLib::CPaintManagerUI& m_manager;
    const MainWindowControls& m_controls;
    MainTimers& m_timers;
    MainWindowActions& m_actions;
};

// Whether a notification type is "timer", in any letter case.
bool IsTimerType(std::string_view type);

}  // namespace quorvi
