// Sections: construction | window | start-up
#include "client/shell/quorvi_frame_wnd.h"

#include <cstdio>
#include <utility>

#include "client/common/events.h"
#include "client/common/school_account.h"
#include "platform/system.h"
#include "ui/render/cairo_target.h"

namespace quorvi {

namespace {

constexpr const char kCatalogueFileName[] = "apps.xml";
constexpr const char kUpdaterImageName[] = "updrix.exe";

}  // namespace

// ---- construction ---------------------------------------------------------------------------
CQuorviFrameWnd::CQuorviFrameWnd(std::string programFolder, MainWindowServices& services,
                                 std::optional<DuiLib::SkinFile> mainSkin)
    : m_programFolder(std::move(programFolder)),
      m_services(services),
      m_mainSkin(std::move(mainSkin)) {
    RegisterOwnRoutes();
    m_catalogue.Register(m_routes);
    m_homePage.Register(m_routes);
    m_applications.Register(m_routes);
    m_sidePanels.Register(m_routes);
    m_settings.Register(m_routes);
    m_account.Register(m_routes);
    CatalogueOpenHooks& hooks = m_catalogue.OpenHooks();
    hooks.report = [this](int id, std::string_view action) { m_account.ReportUsage(id, action); };
    hooks.showLoginWindow = [this] { m_account.ShowLoginWindow(); };
    hooks.openUserEntry = [this] { m_account.OpenPersonalCenter(); };
    hooks.closeSidePanels = [this] { m_sidePanels.CloseSidePanels(); };
    hooks.homeViewShown = [this] { m_homePage.ShowKeptPage(); };
    m_downloads.Register(m_routes);
    hooks.startDownload = [this](DuiLib::CControlUI& option) {
        m_downloads.StartDownload(m_hWnd, option);
    };
}

// The database connection closes with m_db.
CQuorviFrameWnd::~CQuorviFrameWnd() = default;

void CQuorviFrameWnd::RegisterOwnRoutes() {
    m_routes.OnTimer(MainTimer::SecondStage, [this] { RunSecondStage(); });
    m_routes.OnTimer(MainTimer::CatalogueRetry, [this] { Init(); });
    m_routes.OnTimer(MainTimer::TrimWorkingSet, [] { platform::TrimWorkingSet(); });
    m_routes.On<StartContentFetch>(
        [this](const StartContentFetch&) { m_services.StartScriptPluginFetch(m_hWnd); });
}

// ---- window ---------------------------------------------------------------------------------
LRESULT CQuorviFrameWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Escape closes the topmost pop-up, else the side panels; the window itself stays.
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        if (!m_dispatch.CloseOnEscape()) m_sidePanels.CloseSidePanels();
        return 0;
    }
    return m_dispatch.HandleMessage(m_hWnd, message, wParam, lParam);
}

void CQuorviFrameWnd::Notify(DuiLib::TNotifyUI& msg) {
    m_dispatch.Notify(msg);
}

void CQuorviFrameWnd::OnFinalMessage(HWND) {
    delete this;
}

// ---- start-up -------------------------------------------------------------------------------
void CQuorviFrameWnd::PreloadCatalogue() {
    // Read while the window is made, its skin built and the database opened.
    const std::string path = m_programFolder + kCatalogueFileName;
    if (!ui::DecodeAheadPays()) {
        m_catalogue.Preload(path);
        return;
    }
    // The icons of the first frame are then decoded ahead too, found where the
    // window will look for them (the skin folder as it is now: other windows
    // change it briefly while they build).
    m_catalogue.Preload(
        path, [skin = DuiLib::CPaintManagerUI::GetResourcePath()](std::vector<std::string> icons) {
            ui::PreloadImages(icons, skin);
        });
}

LRESULT CQuorviFrameWnd::OnCreate() {
    // No frame of its own: the skin draws the caption.
    LONG style = ::GetWindowLong(m_hWnd, GWL_STYLE);
    style = static_cast<LONG>((static_cast<DWORD>(style) & ~WS_CAPTION) | WS_CLIPSIBLINGS |
                              WS_CLIPCHILDREN);
    ::SetWindowLong(m_hWnd, GWL_STYLE, style);

    PreloadCatalogue();
    m_pm.Init(m_hWnd);
    DuiLib::CDialogBuilder builder;
    const DuiLib::SkinFile skin =
        m_mainSkin ? *std::exchange(m_mainSkin, std::nullopt) : DuiLib::ReadSkin(kMainSkin);
    DuiLib::CControlUI* root = builder.Create(skin, &m_builderCallback, &m_pm);
    if (!root) {
        // Without its skin the window would be empty and every timer silently off.
        std::fprintf(stderr, "quorvi: error: the main skin %s could not be built\n",
                     skin.path.c_str());
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);

    OpenDatabase();
    Init();
    m_catalogue.BuildLists(m_controls.container1);
    if (m_catalogue.HasWaitingStore())
        m_pm.RunAfterNextPaint([this] { m_catalogue.StoreWaitingCatalogue(); });
    // The images of the first frame are kept for the next start.
    m_pm.RunAfterNextPaint([] { ui::StoreDecodedImages(); });
    return 0;
}

void CQuorviFrameWnd::OpenDatabase() {
    m_db.Open(LocalDatabase::PathIn(m_programFolder));  // one diagnostic line either way
    m_db.CreateAndMigrate();
    m_config = LoadClientConfig(m_db, m_programFolder);
    m_settings.Show();
}

void CQuorviFrameWnd::Init() {
    // A final updater of this folder left from an earlier run would end this client.
    const std::string updater = m_programFolder + kUpdaterImageName;
    if (m_services.IsProgramRunning(updater)) m_services.KillProgram(updater);
    SetIcon(kProgramIcon);

    const bool retried = m_timers.IsSet(MainTimer::CatalogueRetry);
    // A retry comes after the first frame: nothing to wait for then.
    const auto store = m_storeCatalogueLater && !retried ? CatalogueComponent::StoreTime::Later
                                                         : CatalogueComponent::StoreTime::Now;
    if (m_catalogue.Load(m_programFolder + kCatalogueFileName, store)) {
        m_timers.Kill(MainTimer::CatalogueRetry);
        // At creation the lists are built right after this pass. A catalogue that
        // arrives later (the first start) fills them now rather than at the next start.
        if (retried) m_catalogue.BuildLists(m_controls.container1);
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
    // A window not painted by now stores its catalogue all the same.
    m_catalogue.StoreWaitingCatalogue();
    m_account.StartAutomaticLogin();
    m_services.StartAppListUpdate(m_programFolder);
    m_downloads.StartClientUpdate(m_hWnd);
    m_services.StartProgram(m_programFolder + kUpdaterImageName);
    m_user.schoolAccount = ReadSchoolAccount(m_programFolder);
    m_services.StartRechargeParamsFetch(m_hWnd, m_user.schoolAccount);
    m_account.SendClientReport();
    m_timers.Set(MainTimer::ClientReport);
    m_timers.Set(MainTimer::TrimWorkingSet);
    m_timers.Kill(MainTimer::SecondStage);
}

}  // namespace quorvi
