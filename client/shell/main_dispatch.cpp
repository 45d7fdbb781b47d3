// Sections: name rules and the click table | notifications | window messages
#include "client/shell/main_dispatch.h"

#include <algorithm>
#include <cctype>

#include "client/shell/frame_mechanics.h"
#include "platform/chinese_texts.h"
#include "ui/core/UIlib.h"

namespace quorvi {

using DuiLib::CControlUI;

// ---- name rules and the click table ----------------------------------------------------------
namespace {

enum class Match { Is, BeginsWith };

struct ClickRule {
    Match match;
    std::string_view name;
    std::string_view otherName;  // "is" rules that name two buttons
    void (*run)(MainWindowActions&, CControlUI&);
};

bool Matches(const ClickRule& rule, std::string_view name) {
    if (rule.match == Match::BeginsWith) return name.starts_with(rule.name);
    return name == rule.name || (!rule.otherName.empty() && name == rule.otherName);
}

// Tried in this order; every rule that matches runs.
constexpr ClickRule kClickRules[] = {
    {Match::Is, "btnStartSearch", {}, [](MainWindowActions& a, CControlUI&) { a.SearchNow(); }},
    {Match::Is,
     "optNoLinkTB",
     {},
     [](MainWindowActions& a, CControlUI&) { a.ShowSecondBackground(); }},
    {Match::Is,
     "laySecondBg",
     {},
     [](MainWindowActions& a, CControlUI&) { a.HideSecondBackground(); }},
    {Match::Is,
     "btnHideSideBar",
     {},
     [](MainWindowActions& a, CControlUI&) { a.CollapseSideBar(); }},
    {Match::Is,
     "btnExpandSideBar",
     {},
     [](MainWindowActions& a, CControlUI&) { a.ExpandSideBar(); }},
    {Match::Is, "btnShowNewsPanel", "btnCloseNewsPanel",
     [](MainWindowActions& a, CControlUI&) { a.ToggleNewsPanel(); }},
    {Match::Is, "btnShowHistoryPanel", "btnCloseHistoryPanel",
     [](MainWindowActions& a, CControlUI&) { a.ToggleHistoryPanel(); }},
    {Match::Is, "btnShowSettingPanel", "btnCloseSettingDialog",
     [](MainWindowActions& a, CControlUI&) { a.ToggleSettingPanel(); }},
    {Match::Is,
     "btnOpenService",
     {},
     [](MainWindowActions& a, CControlUI&) { a.OpenServiceSite(); }},
    {Match::BeginsWith,
     "optLink",
     {},
     [](MainWindowActions& a, CControlUI& c) { a.OpenCatalogueOption(c); }},
    {Match::Is, "btnGoHome", {}, [](MainWindowActions& a, CControlUI&) { a.GoHome(); }},
    {Match::Is,
     "btnBrowserFolder",
     {},
     [](MainWindowActions& a, CControlUI&) { a.ChooseDownloadFolder(); }},
    {Match::BeginsWith, "optNav", {}, [](MainWindowActions& a, CControlUI& c) { a.ShowGroup(c); }},
    {Match::BeginsWith,
     "closeDownloadStatusoptLink",
     {},
     [](MainWindowActions& a, CControlUI& c) { a.CloseDownloadStatus(c); }},
    {Match::Is, "btnShowUpdateLog", "btnCloseTipsPanel",
     [](MainWindowActions& a, CControlUI& c) { a.TipsPanelButton(c); }},
    {Match::BeginsWith,
     "btnSettingDialog",
     {},
     [](MainWindowActions& a, CControlUI& c) { a.SettingDialogButton(c); }},
};

}  // namespace

// Reserved between the custom messages: answered with 0, nothing else.
constexpr UINT kIgnoredMessage = WM_USER + 109;

bool IsTimerType(std::string_view type) {
    constexpr std::string_view kTimer = "timer";
    return std::ranges::equal(type, kTimer, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// ---- notifications -----------------------------------------------------------------------------
void MainWindowDispatch::Notify(DuiLib::TNotifyUI& msg) {
    std::string_view type = msg.sType;
    if (IsTimerType(type)) {
        RunTimer(msg.wParam);
        return;
    }
    if (type == "click" && RunCaptionButton(msg.pSender)) return;
    if (!msg.pSender) return;
    DuiLib::CStdString name = msg.pSender->GetName();

    if (type == "setfocus") {
        RouteSetFocus(name);
    } else if (type == "killfocus") {
        RouteKillFocus(name);
    } else if (type == "click") {
        RouteClick(*msg.pSender, name);
    } else if (type == "menu") {
        if (m_actions.IsSignedIn() && name == "optNavUser") {
            POINT point = msg.ptMouse;
            ::ClientToScreen(m_manager.GetPaintWindow(), &point);
            m_actions.OpenUserMenu(point);
        }
    }
}

void MainWindowDispatch::RunTimer(WPARAM id) {
    switch (static_cast<MainTimer>(id)) {
        case MainTimer::SecondStage:
            m_actions.RunSecondStage();
            break;
        case MainTimer::CatalogueRetry:
            m_actions.Init();
            break;
        case MainTimer::LiveSearch:
            m_actions.LiveSearch();
            break;
        case MainTimer::ClientReport:
            m_actions.SendClientReport();
            break;
        case MainTimer::TrimWorkingSet:
            m_actions.TrimWorkingSet();
            break;
    }
}

bool MainWindowDispatch::RunCaptionButton(CControlUI* sender) {
    if (!sender) return false;
    HWND hwnd = m_manager.GetPaintWindow();
    if (sender == m_controls.closeButton) {
        ::PostQuitMessage(0);
    } else if (sender == m_controls.minButton) {
        ::SendMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sender == m_controls.maxButton) {
        ::SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (sender == m_controls.restoreButton) {
        ::SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    } else {
        return false;
    }
    return true;
}

void MainWindowDispatch::RouteSetFocus(std::string_view name) {
    // Focus leaving for the mask or a floating group panel closes them all.
    if (name.starts_with("FloatContainer") || name.starts_with("containerMask")) {
        if (CControlUI* mask = m_manager.FindControl("containerMask")) mask->SetVisible(false);
        for (CControlUI* panel : m_actions.FloatingContainers())
            if (panel) panel->SetVisible(false);
        return;
    }
    if ((name == "Container1" || name == "listSearchResultContainer") &&
        m_controls.listSearchResult)
        m_controls.listSearchResult->SetVisible(false);
    if (name == "Container1") m_actions.HideNewsPanel();
    if (name == "signature" && m_controls.signature) {
        CControlUI* box = m_controls.signature;
        m_timers.Set(MainTimer::LiveSearch);
        if (CControlUI* parent = box->GetParent()) parent->SetBkImage("search_bg_hot.png");
        if (box->GetText() == platform::texts::kSearchPlaceholder) box->SetText("");
    }
}

void MainWindowDispatch::RouteKillFocus(std::string_view name) {
    if (name != "signature" || !m_controls.signature) return;
    CControlUI* box = m_controls.signature;
    m_timers.Kill(MainTimer::LiveSearch);
    if (CControlUI* parent = box->GetParent()) parent->SetBkImage("search_bg_normal.png");
    if (box->GetText().empty()) {
        box->SetText(platform::texts::kSearchPlaceholder);
        if (CControlUI* count = m_manager.FindControl("labelSearchResultCount"))
            count->SetVisible(false);
    }
}

void MainWindowDispatch::RouteClick(CControlUI& sender, std::string_view name) {
    for (const ClickRule& rule : kClickRules)
        if (Matches(rule, name)) rule.run(m_actions, sender);
}

void MainWindowDispatch::ShowSearchResults() {
    if (!m_controls.listSearchResultContainer) return;
    if (CControlUI* list = m_controls.listSearchResultContainer->GetParent())
        list->SetVisible(true);
}

// ---- window messages ----------------------------------------------------------------------------
LRESULT MainWindowDispatch::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return m_actions.OnCreate();
        case WM_DESTROY:
            ::PostQuitMessage(0);
            break;
        case WM_CLOSE:
            break;
        case WM_SIZE:
            ApplyRoundCorners(hwnd, m_manager);
            break;
        case WM_GETMINMAXINFO:
            if (lParam) DuiLib::FillMaximisedSize(hwnd, *reinterpret_cast<MINMAXINFO*>(lParam));
            break;
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_NCHITTEST:
            return HitTest(hwnd, m_manager, lParam);
        case WM_NCACTIVATE:
            return NcActivate(hwnd, wParam, lParam);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                ::PostQuitMessage(0);
                return 0;
            }
            return SystemCommand(hwnd, wParam, lParam, m_controls);
        case kIgnoredMessage:
            return 0;
        case WM_LOGIN_FAILED:
            return m_actions.OnLoginFailed(lParam);
        case WM_LOGIN_SUCCEEDED:
            return m_actions.OnLoginSucceeded(lParam);
        case WM_USER_INFO:
            return m_actions.OnUserInfo(lParam);
        case WM_OPEN_APPLICATION:
            return m_actions.OnOpenApplication(wParam, lParam);
        case WM_DOWNLOAD_PROGRESS:
            return m_actions.OnDownloadProgress(lParam);
        case WM_QUERY_DOWNLOAD_CANCEL:
            return m_actions.OnQueryDownloadCancel(lParam);
        case WM_SHOW_SEARCH_RESULTS:
            ShowSearchResults();
            return 0;
        case WM_START_CONTENT_FETCH:
            return m_actions.OnStartContentFetch();
        case WM_OPEN_SIGNED_LINK:
            return m_actions.OnOpenSignedLink(lParam);
        case WM_SAVE_LOGIN:
            return m_actions.OnSaveLogin(lParam);
        case WM_SIGNED_OUT:
            return m_actions.OnSignedOut();
        case WM_OPEN_PERSONAL_CENTER:
            return m_actions.OnOpenPersonalCenter();
        case WM_HOME_CONTENT:
            return m_actions.OnHomeContent(wParam, lParam);
        default:
            break;
    }
    // The default path: the skin's own handling (layout on WM_SIZE, input...), then
    // the layer's default processing.
    LRESULT result = 0;
    if (m_manager.MessageHandler(message, wParam, lParam, result)) return result;
    return ::DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace quorvi
