// Sections: notifications | window messages
#include "client/shell/main_dispatch.h"

#include <algorithm>
#include <cctype>

#include "platform/chinese_texts.h"
#include "platform/text.h"
#include "ui/core/UIlib.h"
#include "ui/core/skinned_frame.h"

namespace quorvi {

using DuiLib::CControlUI;

bool IsTimerType(std::string_view type) {
    return platform::EqualsIgnoringAsciiCase(type, "timer");
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
    } else if (type == "textchanged") {
        // A changed keyword is searched at the next tick; typing on does not
        // put that tick off.
        if (name == "signature" && m_controls.signature && !m_timers.IsSet(MainTimer::LiveSearch))
            m_timers.Set(MainTimer::LiveSearch);
    } else if (type == "click") {
        RouteClick(*msg.pSender, name);
    } else if (type == "menu") {
        const auto* openMenu = m_routes.UserMenu();
        if (openMenu && m_user.IsSignedIn() && name == "optNavUser") {
            // The point the notification carries: the pointer's for a right click,
            // the control's for Shift+F10 or a screen reader's "menu" action, so a
            // menu asked for from the keyboard opens at the control, not at
            // wherever the pointer was left.
            POINT point{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            ::ClientToScreen(m_manager.GetPaintWindow(), &point);
            (*openMenu)(point);
        }
    }
}

void MainWindowDispatch::RunTimer(WPARAM id) {
    if (id < 1 || id > static_cast<WPARAM>(MainTimer::TrimWorkingSet)) return;
    // The live search ticks once per change of the keyword, not on and on while
    // the box has the focus: an idle window stays asleep.
    if (id == static_cast<WPARAM>(MainTimer::LiveSearch)) m_timers.Kill(MainTimer::LiveSearch);
    if (const auto* handler = m_routes.Timer(static_cast<MainTimer>(id))) (*handler)();
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

bool MainWindowDispatch::CloseFloatingPanels() {
    bool closed = false;
    if (CControlUI* mask = m_manager.FindControl("containerMask")) {
        closed = mask->IsVisible();
        mask->SetVisible(false);
    }
    for (CControlUI* panel : m_routes.FloatingPanels()) {
        if (!panel) continue;
        closed = closed || panel->IsVisible();
        panel->SetVisible(false);
    }
    return closed;
}

bool MainWindowDispatch::CloseOnEscape() {
    if (CloseFloatingPanels()) return true;
    CControlUI* results = m_controls.listSearchResult;
    if (!results || !results->IsVisible()) return false;
    results->SetVisible(false);
    return true;
}

void MainWindowDispatch::RouteSetFocus(std::string_view name) {
    // A press on the mask or a floating group panel closes them all; Tab reaching
    // a panel's list leaves it open, so its options can be reached by keyboard.
    if (name.starts_with("FloatContainer") || name.starts_with("containerMask")) {
        if (!m_manager.IsFocusMarkShown()) CloseFloatingPanels();
        return;
    }
    if ((name == "Container1" || name == "listSearchResultContainer") &&
        m_controls.listSearchResult)
        m_controls.listSearchResult->SetVisible(false);
    if (name == "Container1")
        if (const auto* handler = m_routes.HomeViewFocus()) (*handler)();
    if (name == "signature" && m_controls.signature) {
        CControlUI* box = m_controls.signature;
        // One tick: a keyword changed before the box last lost the focus is
        // searched now.
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
    // Tried in the rules' order; every rule that matches runs.
    for (std::size_t i = 0; i < kClickRuleCount; ++i) {
        const auto rule = static_cast<ClickRule>(i);
        if (!ClickRuleMatches(rule, name)) continue;
        if (const auto* handler = m_routes.Click(rule)) (*handler)(sender);
    }
}

// ---- window messages ----------------------------------------------------------------------------
LRESULT MainWindowDispatch::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto answer = m_routes.Events().Handle(message, lParam)) return *answer;
    switch (message) {
        case WM_CREATE:
            return m_onCreate ? m_onCreate() : 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            break;
        case WM_CLOSE:
            break;
        case WM_SIZE:
            DuiLib::ApplyRoundCorners(hwnd, m_manager);
            break;
        case WM_GETMINMAXINFO:
            if (lParam) DuiLib::FillMaximisedSize(hwnd, *reinterpret_cast<MINMAXINFO*>(lParam));
            break;
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_NCHITTEST:
            return DuiLib::CaptionOnlyHitTest(hwnd, m_manager, lParam,
                                              DuiLib::IsButtonOptionOrText);
        case WM_NCACTIVATE:
            return DuiLib::NcActivate(hwnd, wParam, lParam);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                ::PostQuitMessage(0);
                return 0;
            }
            return DuiLib::SystemCommand(hwnd, wParam, lParam, m_controls.maxButton,
                                         m_controls.restoreButton);
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
