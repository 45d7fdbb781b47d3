// Sections: window | creation | notifications | check-up pages
#include "launcher/vamo_frame_wnd.h"

#include <array>

#include "client/common/portal_urls.h"
#include "launcher/launcher_program.h"
#include "platform/text.h"
#include "ui/core/skinned_frame.h"
#include "ui/custom/computer_examine.h"

namespace vamo {

using namespace DuiLib;

namespace {

// The page options of "switch", in page order.
constexpr std::array<const char*, 8> kPageOptions = {
    "examine", "trojan", "plugins", "vulnerability", "rubbish", "cleanup", "fix", "tool"};

}  // namespace

CVamoFrameWnd::CVamoFrameWnd(std::string programFolder)
    : m_programFolder(std::move(programFolder)) {}

// ---- window ---------------------------------------------------------------------------------
LRESULT CVamoFrameWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_DESTROY:
            ::PostQuitMessage(0);
            break;
        case WM_SIZE:
            ApplyRoundCorners(m_hWnd, m_pm);
            break;
        case WM_GETMINMAXINFO:
            FillMaximisedSize(m_hWnd, *reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_NCHITTEST:
            return CaptionOnlyHitTest(m_hWnd, m_pm, lParam, IsButtonOptionOrText);
        case WM_NCACTIVATE:
            return NcActivate(m_hWnd, wParam, lParam);
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam, lParam);
        default:
            break;
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CVamoFrameWnd::OnFinalMessage(HWND) {
    delete this;  // the paint manager goes with it
}

// Close ends the loop; other commands get default processing, then the
// maximise and restore buttons follow the new state.
LRESULT CVamoFrameWnd::OnSysCommand(WPARAM command, LPARAM lParam) {
    if ((command & 0xFFF0) == SC_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    return SystemCommand(m_hWnd, command, lParam, m_maxButton, m_restoreButton);
}

// ---- creation -------------------------------------------------------------------------------
LRESULT CVamoFrameWnd::OnCreate() {
    // No frame of its own: the skin draws the caption.
    const DWORD style = static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE));
    ::SetWindowLong(m_hWnd, GWL_STYLE,
                    static_cast<LONG>((style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));

    m_pm.Init(m_hWnd);
    CDialogBuilder builder;
    CDialogBuilderCallbackEx callback;
    CControlUI* root = builder.Create(kLauncherSkin, nullptr, &callback, &m_pm);
    // Without its skin the window would be an empty frame that cannot even be
    // closed: creation fails instead, and the program says why.
    if (!root) return -1;
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    SetIcon(kLauncherIcon);
    InitWindow();
    return 0;
}

void CVamoFrameWnd::InitWindow() {
    m_entity = SwapEntitySideFile(m_programFolder);
    m_pm.SetTimer(m_pm.GetRoot(), kModuleTimer, kModuleTimerPeriodMs);

    if (m_module.Load(m_programFolder)) {
        m_moduleWindow = m_module.RunVamo();
        if (m_moduleWindow) {
            ::SetParent(m_moduleWindow, m_hWnd);
            ::MoveWindow(m_moduleWindow, kModuleWindowPlace.left, kModuleWindowPlace.top,
                         kModuleWindowPlace.right, kModuleWindowPlace.bottom, FALSE);
        }
    }

    m_closeButton = m_pm.FindControl("closebtn");
    m_maxButton = m_pm.FindControl("maxbtn");
    m_restoreButton = m_pm.FindControl("restorebtn");
    m_minButton = m_pm.FindControl("minbtn");

    if (CControlUI* ie = m_pm.FindControl("ie")) {
        auto* activeX = static_cast<CActiveXUI*>(ie->GetInterface("ActiveX"));
        LPVOID browser = nullptr;
        if (activeX && activeX->GetControl(IID_IWebBrowser2, &browser) && browser) {
            m_webBrowser = static_cast<IWebBrowser2*>(browser);
            const std::u16string url = platform::GbkToUtf16(quorvi::urls::kLauncherHomePage.view());
            m_webBrowser->Navigate(url.c_str(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    ShowCheckUp();
}

// ---- notifications --------------------------------------------------------------------------
void CVamoFrameWnd::Notify(TNotifyUI& msg) {
    if (msg.sType.CompareNoCase("timer") == 0) {
        // Every timer: the module's export is looked up again each time.
        m_module.ConnectVamo(kConnectArgument);
        return;
    }
    if (!msg.pSender) return;
    const CStdString name = msg.pSender->GetName();
    if (msg.sType == "click") {
        if (name == "closebtn")
            ::PostQuitMessage(0);
        else if (name == "minbtn")
            SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        else if (name == "maxbtn")
            SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        else if (name == "restorebtn")
            SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (name == "btnExamineRefresh")
            ShowCheckUp();
    } else if (msg.sType == "selectchanged") {
        SelectPage(name);
    }
}

void CVamoFrameWnd::SelectPage(const CStdString& optionName) {
    auto* pages = m_pm.FindControl("switch");
    auto* tabs = pages ? static_cast<CTabLayoutUI*>(pages->GetInterface("TabLayout")) : nullptr;
    if (!tabs) return;  // a skin without the page layout: nothing to select
    for (size_t page = 0; page < kPageOptions.size(); ++page) {
        if (optionName == kPageOptions[page]) {
            tabs->SelectItem(static_cast<int>(page));
            return;
        }
    }
}

// ---- check-up pages -------------------------------------------------------------------------
void CVamoFrameWnd::ShowCheckUp() {
    LauncherState state;
    state.moduleLoaded = m_module.IsLoaded();
    state.moduleWindowEmbedded = m_moduleWindow != nullptr;
    state.entity = m_entity;
    FillPages(m_pm.GetRoot(),
              MakePageValues(ReadMachineFacts(m_programFolder), ReadFolderFacts(m_programFolder),
                             state, m_programFolder));
}

}  // namespace vamo
