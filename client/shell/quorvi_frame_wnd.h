// CQuorviFrameWnd: the client's main window.
//
// It owns the state of the main window (the skin's paint manager, the control
// references, the lists of controls created at run time, the signed-in user,
// the settings record and the database connection) and runs the start-up in two
// stages. Events are routed by MainWindowDispatch; the work of each step lives in
// components (database and settings record, settings panel, timers, window
// mechanics, school account). Operations that later work will build are listed
// in their own section below: each is routed to, and does nothing yet.
//
// Sections: window | start-up | state for tests | MainWindowActions |
//           catalogue | not built yet | members
#pragma once

#include <string>
#include <vector>

#include "client/catalogue/catalogue_document.h"
#include "client/common/client_config.h"
#include "client/common/database.h"
#include "client/shell/main_dispatch.h"
#include "client/shell/main_timers.h"
#include "client/shell/main_window_controls.h"
#include "client/shell/main_window_services.h"
#include "client/common/user_info.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// The program's icon resource (the windows' icon) and the skin image standing for it.
inline constexpr UINT kProgramIcon = 102;
inline constexpr const char kProgramIconImage[] = "logo.png";

class CQuorviFrameWnd : public DuiLib::CWindowWnd,
                        public DuiLib::INotifyUI,
                        private MainWindowActions {
public:
    // `programFolder` ends in the separator: it holds "vamo.db", "apps.xml",
    // "updrix.exe" and the user file. `services` outlives the window.
    CQuorviFrameWnd(std::string programFolder, MainWindowServices& services);
    ~CQuorviFrameWnd() override;

    // ---- window ----
    LPCTSTR GetWindowClassName() const override { return "UIMainFrame"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

    // ---- state for tests ----
    DuiLib::CPaintManagerUI& PaintManager() { return m_pm; }
    const MainTimers& Timers() const { return m_timers; }
    const MainWindowControls& Controls() const { return m_controls; }
    const ClientConfig& Config() const { return m_config; }
    const UserInfo& User() const { return m_user; }
    LocalDatabase& Database() { return m_db; }

protected:
    void OnFinalMessage(HWND hwnd) override;

private:
    // ---- start-up ----
    LRESULT OnCreate() override;
    // Database, schema, settings record, and the settings shown in the panel.
    void OpenDatabase();
    // The first stage (again on every catalogue retry).
    void Init() override;
    void RunSecondStage() override;

    // ---- MainWindowActions built here ----
    bool IsSignedIn() const override { return m_user.IsSignedIn(); }
    std::span<DuiLib::CControlUI* const> FloatingContainers() const override {
        return m_floatingContainers;
    }
    void TrimWorkingSet() override;
    LRESULT OnStartContentFetch() override;

    // ---- catalogue (client/catalogue) ----
    // Navigation, quick bars and panels built with the catalogue pass; their clicks;
    // the channel home page:
    void BuildCatalogue(const CatalogueDocument& document);
    void OpenCatalogueOption(DuiLib::CControlUI& option) override;
    void ShowGroup(DuiLib::CControlUI& option) override;
    void GoHome() override;
    LRESULT OnHomeContent(WPARAM mode, LPARAM text) override;
    // History, search and recommendations:
    void BuildHistoryPanel();
    int BuildRecommendations(const char* category);
    // The history panel and, while they are empty, the recommendation columns.
    void BuildCatalogueLists();
    void LiveSearch() override;
    void SearchNow() override;

    // ---- not built yet ----
    // Routed to by the dispatch and the start-up, built by later work; each does
    // nothing until then. Side panels:
    void ShowSecondBackground() override;
    void HideSecondBackground() override;
    void CollapseSideBar() override;
    void ExpandSideBar() override;
    void ToggleNewsPanel() override;
    void ToggleHistoryPanel() override;
    void HideNewsPanel() override;
    void TipsPanelButton(DuiLib::CControlUI& button) override;
    // Settings panel (its choices):
    void ToggleSettingPanel() override;
    void ChooseDownloadFolder() override;
    void SettingDialogButton(DuiLib::CControlUI& button) override;
    // Login, user menu and signed links:
    void StartAutoLogin();
    void OpenUserMenu(POINT screenPoint) override;
    void OpenServiceSite() override;
    LRESULT OnLoginFailed(LPARAM text) override;
    LRESULT OnLoginSucceeded(LPARAM text) override;
    LRESULT OnUserInfo(LPARAM userInfo) override;
    LRESULT OnOpenSignedLink(LPARAM link) override;
    LRESULT OnSaveLogin(LPARAM config) override;
    LRESULT OnSignedOut() override;
    LRESULT OnOpenPersonalCenter() override;
    // Reports:
    void SendClientReport() override;
    // File updates and downloads:
    void StartFileUpdate();
    void CloseDownloadStatus(DuiLib::CControlUI& closeButton) override;
    LRESULT OnDownloadProgress(LPARAM progress) override;
    LRESULT OnQueryDownloadCancel(LPARAM progress) override;
    // Application dialog:
    LRESULT OnOpenApplication(WPARAM appId, LPARAM address) override;

    // ---- members ----
    const std::string m_programFolder;
    MainWindowServices& m_services;
    DuiLib::CPaintManagerUI m_pm;
    MainWindowControls m_controls;
    std::vector<DuiLib::CControlUI*> m_navigationContainers;
    std::vector<DuiLib::CControlUI*> m_downloadStatusControls;
    std::vector<DuiLib::CControlUI*> m_floatingContainers;
    UserInfo m_user;
    ClientConfig m_config;
    DuiLib::CControlUI* m_homePageBrowser = nullptr;
    LocalDatabase m_db;
    std::string m_searchText;
    int m_recommendationsShown = 0;
    MainTimers m_timers{m_pm};
    MainWindowDispatch m_dispatch{m_pm, m_controls, m_timers, *this};
};

}  // namespace quorvi
