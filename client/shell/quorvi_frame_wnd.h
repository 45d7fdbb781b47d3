// CQuorviFrameWnd: the client's main window.
//
// It owns the state every feature shares (the skin's paint manager, the control
// references, the signed-in user, the settings record and the database
// connection), runs the start-up in two stages, and hands events to the
// features' components through MainWindowRoutes. Each component owns its own
// state and registers the routes of what it builds; adding a feature means
// adding its component here and one Register() call.
//
// Sections: window | state for tests | start-up | members | components
#pragma once

#include <optional>
#include <string>

#include "client/account/account_component.h"
#include "client/browser/application_component.h"
#include "client/browser/home_page_component.h"
#include "client/catalogue/catalogue_component.h"
#include "client/common/client_config.h"
#include "client/common/database.h"
#include "client/common/main_timers.h"
#include "client/common/main_window_routes.h"
#include "client/common/portal_urls.h"
#include "client/common/user_info.h"
#include "client/panels/settings_panel.h"
#include "client/panels/side_panels.h"
#include "client/shell/main_dispatch.h"
#include "client/shell/main_window_controls.h"
#include "client/shell/main_window_services.h"
#include "client/update/download_component.h"
#include "ui/core/UIlib.h"
#include "ui/custom/computer_examine.h"

namespace quorvi {

// The program's icon resource (the windows' icon) and the skin image standing for it.
inline constexpr UINT kProgramIcon = 102;
inline constexpr const char kProgramIconImage[] = "logo.png";
// The main window's skin file, in the skin folder.
inline constexpr const char kMainSkin[] = "skin.xml";

class CQuorviFrameWnd : public DuiLib::CWindowWnd, public DuiLib::INotifyUI {
public:
    // `programFolder` ends in the separator: it holds "vamo.db", "apps.xml",
    // "updrix.exe" and the user file. `services` outlives the window. `mainSkin`:
    // kMainSkin already read (DuiLib::ReadSkin), or nothing to read it when the
    // window is made.
    CQuorviFrameWnd(std::string programFolder, MainWindowServices& services,
                    std::optional<DuiLib::SkinFile> mainSkin = std::nullopt);
    ~CQuorviFrameWnd() override;

    // Starts reading the catalogue ahead (see CatalogueComponent::Preload),
    // before the window is made; the window's creation starts it otherwise.
    void PreloadCatalogue();
    // The catalogue read at creation is stored after the window's first frame,
    // not before it (see CatalogueComponent::StoreTime). Before Create.
    void StoreCatalogueAfterFirstFrame() { m_storeCatalogueLater = true; }

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
    DownloadComponent& Downloads() { return m_downloads; }

protected:
    void OnFinalMessage(HWND hwnd) override;

private:
    // ---- start-up ----
    LRESULT OnCreate();
    // Database, schema, settings record, and the settings shown in the panel.
    void OpenDatabase();
    // The first stage (again on every catalogue retry).
    void Init();
    void RunSecondStage();
    // The routes the window answers itself: its timers and the content fetch.
    void RegisterOwnRoutes();

    // ---- members ----
    const std::string m_programFolder;
    MainWindowServices& m_services;
    std::optional<DuiLib::SkinFile> m_mainSkin;  // until the window is made
    bool m_storeCatalogueLater = false;
    DuiLib::CPaintManagerUI m_pm;
    MainWindowControls m_controls;
    UserInfo m_user;
    ClientConfig m_config;
    LocalDatabase m_db;
    MainTimers m_timers{m_pm};
    MainWindowRoutes m_routes;
    MainWindowDispatch m_dispatch{m_pm,     m_controls, m_timers,
                                  m_routes, m_user,     [this] { return OnCreate(); }};

    // ---- components ----
    CatalogueComponent m_catalogue{m_pm, m_db, m_user};
    HomePageComponent m_homePage{m_pm, m_config, m_user};
    // The skins' custom controls (the check-up panel), for the main skin and the dialogs.
    DuiLib::CDialogBuilderCallbackEx m_builderCallback;
    ApplicationDialogComponent m_applications{m_pm,
                                              m_db,
                                              {.scriptPluginUrl = urls::kScriptPluginUrl.str(),
                                               .workers = &m_services.Workers(),
                                               .builderCallback = &m_builderCallback}};
    SidePanelsComponent m_sidePanels{m_pm, m_controls.settingDialog};
    SettingsPanelComponent m_settings{m_pm, m_db, m_config, m_programFolder,
                                      m_controls.settingDialog};
    AccountComponent m_account{m_pm, m_db, m_config, m_user, m_services.Workers(), m_programFolder};
    DownloadComponent m_downloads{m_pm, m_config, m_user, m_services.Workers(),
                                  FileUpdateSettings::Default(m_programFolder)};
};

}  // namespace quorvi
