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

// Buttons, options and texts in the caption band take their own clicks.
bool StaysClickable(const CControlUI& control) {
    const std::string_view kind = control.GetClass();
    return kind == "ButtonUI" || kind == "OptionUI" || kind == "TextUI";
}

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
            ApplyShape();
            break;
        case WM_GETMINMAXINFO:
            FillMaximisedSize(m_hWnd, *reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_NCHITTEST:
            return SkinnedHitTest(m_hWnd, m_pm, lParam, StaysClickable);
        case WM_NCACTIVATE:
            if (::IsIconic(m_hWnd)) break;
            return wParam == 0 ? 1 : 0;
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

// A window that is not minimised gets the skin's rounded shape.
void CVamoFrameWnd::ApplyShape() {
    const SIZE corner = m_pm.GetRoundCorner();
    RECT window{};
    if (::IsIconic(m_hWnd) || (corner.cx == 0 && corner.cy == 0) ||
        !::GetWindowRect(m_hWnd, &window))
        return;
    ::SetWindowRgn(m_hWnd,
                   ::CreateRoundRectRgn(0, 0, window.right - window.left + 1,
                                        window.bottom - window.top + 1, corner.cx, corner.cy),
                   TRUE);
}

// Close ends the loop; other commands get default processing, then the
// maximise and restore buttons follow the new state.
LRESULT CVamoFrameWnd::OnSysCommand(WPARAM command, LPARAM lParam) {
    if ((command & 0xFFF0) == SC_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    const bool wasMaximised = ::IsZoomed(m_hWnd);
    const LRESULT result = CWindowWnd::HandleMessage(WM_SYSCOMMAND, command, lParam);
    if (!::IsWindow(m_hWnd)) return result;
    const bool maximised = ::IsZoomed(m_hWnd);
    if (maximised != wasMaximised) {
        if (m_maxButton) m_maxButton->SetVisible(!maximised);
        if (m_restoreButton) m_restoreButton->SetVisible(maximised);
    }
    return result;
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
