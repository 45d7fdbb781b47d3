// Sections: construction | window | start-up | actions | catalogue | not built yet
#include "client/shell/quorvi_frame_wnd.h"

#include "client/browser/browser_event_handler.h"
#include "client/catalogue/catalogue_view.h"
#include "client/catalogue/history_panel.h"
#include "client/browser/home_page.h"
#include "client/catalogue/navigation_builder.h"
#include "client/catalogue/recommendations.h"
#include "client/catalogue/search.h"
#include "client/common/school_account.h"
#include "client/shell/settings_panel.h"
#include "platform/system.h"

namespace quorvi {

namespace {

constexpr const char kCatalogueFileName[] = "apps.xml";
constexpr const char kUpdaterImageName[] = "updrix.exe";

// Marks an operation that later work builds: it is routed to and does nothing yet.
void NotBuiltYet(const char* /*operation*/) {}

}  // namespace

// ---- construction ---------------------------------------------------------------------------
CQuorviFrameWnd::CQuorviFrameWnd(std::string programFolder, MainWindowServices& services)
    : m_programFolder(std::move(programFolder)), m_services(services) {}

// The database connection closes with m_db.
CQuorviFrameWnd::~CQuorviFrameWnd() = default;

// ---- window ---------------------------------------------------------------------------------
LRESULT CQuorviFrameWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_dispatch.HandleMessage(m_hWnd, message, wParam, lParam);
}

void CQuorviFrameWnd::Notify(DuiLib::TNotifyUI& msg) {
    m_dispatch.Notify(msg);
}

void CQuorviFrameWnd::OnFinalMessage(HWND) {
    delete this;
}

// ---- start-up -------------------------------------------------------------------------------
LRESULT CQuorviFrameWnd::OnCreate() {
    // No frame of its own: the skin draws the caption.
    LONG style = ::GetWindowLong(m_hWnd, GWL_STYLE);
    style = static_cast<LONG>((static_cast<DWORD>(style) & ~WS_CAPTION) | WS_CLIPSIBLINGS |
                              WS_CLIPCHILDREN);
    ::SetWindowLong(m_hWnd, GWL_STYLE, style);

    m_pm.Init(m_hWnd);
    // The skin's custom controls need CDialogBuilderCallbackEx, which is not built
    // yet; the main skin has none.
    DuiLib::CDialogBuilder builder;
    m_pm.AttachDialog(builder.Create("skin.xml", nullptr, nullptr, &m_pm));
    m_pm.AddNotifier(this);

    OpenDatabase();
    Init();
    BuildCatalogueLists();
    return 0;
}

void CQuorviFrameWnd::OpenDatabase() {
    m_db.Open(LocalDatabase::PathIn(m_programFolder));  // one diagnostic line either way
    m_db.CreateAndMigrate();
    m_config = LoadClientConfig(m_db, m_programFolder);
    ShowSettings(m_pm, m_config);
}

void CQuorviFrameWnd::Init() {
    // A final updater left from an earlier run would end this client.
    if (m_services.IsProcessRunning(kUpdaterImageName)) m_services.KillProcesses(kUpdaterImageName);
    SetIcon(kProgramIcon);

    CatalogueDocument catalogue;
    if (LoadCatalogueDocument(m_programFolder + kCatalogueFileName, catalogue)) {
        const bool retried = m_timers.IsSet(MainTimer::CatalogueRetry);
        m_timers.Kill(MainTimer::CatalogueRetry);
        BuildCatalogue(catalogue);
        // At creation the lists are built right after this pass. A catalogue that
        // arrives later (the first start) fills them now rather than at the next start.
        if (retried) BuildCatalogueLists();
        m_timers.Set(MainTimer::SecondStage);
    } else {
        // Fetch it and look again in 3 s; the second stage waits for it.
        m_services.StartAppListUpdate(m_programFolder);
        m_timers.Set(MainTimer::CatalogueRetry);
    }
    // Looked up on every pass, so the caption buttons, the search box and the
    // settings panel work while the catalogue is still missing.
    m_controls.LookUp(m_pm);
}

void CQuorviFrameWnd::RunSecondStage() {
    if (m_config.IsAutoLogin) StartAutoLogin();
    m_services.StartAppListUpdate(m_programFolder);
    StartFileUpdate();
    m_services.StartProgram(m_programFolder + kUpdaterImageName);
    m_user.schoolAccount = ReadSchoolAccount(m_programFolder);
    m_services.StartRechargeParamsFetch(m_hWnd, m_user.schoolAccount);
    SendClientReport();
    m_timers.Set(MainTimer::ClientReport);
    m_timers.Set(MainTimer::TrimWorkingSet);
    m_timers.Kill(MainTimer::SecondStage);
}

// ---- actions --------------------------------------------------------------------------------
void CQuorviFrameWnd::TrimWorkingSet() {
    platform::TrimWorkingSet();
}

LRESULT CQuorviFrameWnd::OnStartContentFetch() {
    m_services.StartScriptPluginFetch(m_hWnd);
    return 0;
}

// ---- catalogue ------------------------------------------------------------------------------
void CQuorviFrameWnd::BuildCatalogue(const CatalogueDocument& document) {
    const CatalogueControls built = BuildCatalogueView(m_pm, m_db, document);
    m_navigationContainers.insert(m_navigationContainers.end(), built.groupContainers.begin(),
                                  built.groupContainers.end());
    m_floatingContainers.insert(m_floatingContainers.end(), built.floatingPanels.begin(),
                                built.floatingPanels.end());
}

void CQuorviFrameWnd::OpenCatalogueOption(DuiLib::CControlUI& option) {
    // The usage report, the login window and the download of a program are not
    // built yet: without them those steps are left out.
    CatalogueOpenHooks hooks;
    hooks.window = m_hWnd;
    hooks.isSignedIn = [this] { return m_user.IsSignedIn(); };
    quorvi::OpenCatalogueOption({m_pm, m_db, m_navigationContainers, m_floatingContainers}, option,
                                hooks);
}

void CQuorviFrameWnd::ShowGroup(DuiLib::CControlUI& option) {
    quorvi::ShowGroup({m_pm, m_db, m_navigationContainers, m_floatingContainers}, option, {});
}

void CQuorviFrameWnd::GoHome() {
    quorvi::GoHome({m_pm, m_db, m_navigationContainers, m_floatingContainers});
}

LRESULT CQuorviFrameWnd::OnHomeContent(WPARAM mode, LPARAM text) {
    // The home page shows no scroll bars; its handler keeps a copy of the user.
    const auto makeHandler = [this](const UserInfo& user) {
        return std::make_unique<CWebBrowserEventHandlerEx>(m_hWnd, false, user);
    };
    HomePageContext home{m_pm, m_config, m_user, m_homePageBrowser, makeHandler};
    return HandleHomeContent(home, mode, reinterpret_cast<const char*>(text));
}

void CQuorviFrameWnd::BuildHistoryPanel() {
    RebuildHistory(m_pm, m_db);
}

void CQuorviFrameWnd::BuildCatalogueLists() {
    BuildHistoryPanel();
    // The columns are never emptied, so they are built once, when there is
    // something to show.
    if (m_recommendationsShown > 0) return;
    for (const char* category : {"1", "2", "3", "4"})
        m_recommendationsShown += BuildRecommendations(category);
}

int CQuorviFrameWnd::BuildRecommendations(const char* category) {
    return quorvi::BuildRecommendations(m_controls.container1, m_db, category);
}

void CQuorviFrameWnd::LiveSearch() {
    SearchCatalogue(m_pm, m_db, m_searchText, true);
}

void CQuorviFrameWnd::SearchNow() {
    SearchCatalogue(m_pm, m_db, m_searchText, false);
}

// ---- not built yet --------------------------------------------------------------------------
void CQuorviFrameWnd::ShowSecondBackground() {
    NotBuiltYet("ShowSecondBackground");
}
void CQuorviFrameWnd::HideSecondBackground() {
    NotBuiltYet("HideSecondBackground");
}
void CQuorviFrameWnd::CollapseSideBar() {
    NotBuiltYet("CollapseSideBar");
}
void CQuorviFrameWnd::ExpandSideBar() {
    NotBuiltYet("ExpandSideBar");
}
void CQuorviFrameWnd::ToggleNewsPanel() {
    NotBuiltYet("ToggleNewsPanel");
}
void CQuorviFrameWnd::ToggleHistoryPanel() {
    NotBuiltYet("ToggleHistoryPanel");
}
void CQuorviFrameWnd::HideNewsPanel() {
    NotBuiltYet("HideNewsPanel");
}
void CQuorviFrameWnd::TipsPanelButton(DuiLib::CControlUI&) {
    NotBuiltYet("TipsPanelButton");
}
void CQuorviFrameWnd::ToggleSettingPanel() {
    NotBuiltYet("ToggleSettingPanel");
}
void CQuorviFrameWnd::ChooseDownloadFolder() {
    NotBuiltYet("ChooseDownloadFolder");
}
void CQuorviFrameWnd::SettingDialogButton(DuiLib::CControlUI&) {
    NotBuiltYet("SettingDialogButton");
}
void CQuorviFrameWnd::StartAutoLogin() {
    NotBuiltYet("StartAutoLogin");
}
void CQuorviFrameWnd::OpenUserMenu(POINT) {
    NotBuiltYet("OpenUserMenu");
}
void CQuorviFrameWnd::OpenServiceSite() {
    NotBuiltYet("OpenServiceSite");
}
LRESULT CQuorviFrameWnd::OnLoginFailed(LPARAM) {
    NotBuiltYet("OnLoginFailed");
    return 0;
}
LRESULT CQuorviFrameWnd::OnLoginSucceeded(LPARAM) {
    NotBuiltYet("OnLoginSucceeded");
    return 0;
}
LRESULT CQuorviFrameWnd::OnUserInfo(LPARAM) {
    NotBuiltYet("OnUserInfo");
    return 0;
}
LRESULT CQuorviFrameWnd::OnOpenSignedLink(LPARAM) {
    NotBuiltYet("OnOpenSignedLink");
    return 0;
}
LRESULT CQuorviFrameWnd::OnSaveLogin(LPARAM) {
    NotBuiltYet("OnSaveLogin");
    return 0;
}
LRESULT CQuorviFrameWnd::OnSignedOut() {
    NotBuiltYet("OnSignedOut");
    return 0;
}
LRESULT CQuorviFrameWnd::OnOpenPersonalCenter() {
    NotBuiltYet("OnOpenPersonalCenter");
    return 0;
}
void CQuorviFrameWnd::SendClientReport() {
    NotBuiltYet("SendClientReport");
}
void CQuorviFrameWnd::StartFileUpdate() {
    NotBuiltYet("StartFileUpdate");
}
void CQuorviFrameWnd::CloseDownloadStatus(DuiLib::CControlUI&) {
    NotBuiltYet("CloseDownloadStatus");
}
LRESULT CQuorviFrameWnd::OnDownloadProgress(LPARAM) {
    NotBuiltYet("OnDownloadProgress");
    return 0;
}
LRESULT CQuorviFrameWnd::OnQueryDownloadCancel(LPARAM) {
    NotBuiltYet("OnQueryDownloadCancel");
    return 0;
}
LRESULT CQuorviFrameWnd::OnOpenApplication(WPARAM, LPARAM) {
    NotBuiltYet("OnOpenApplication");
    return 0;
}

}  // namespace quorvi
