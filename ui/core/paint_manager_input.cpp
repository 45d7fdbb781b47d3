// CPaintManagerUI: where input goes. The focus and the keyboard's walk among tab
// stops, and the routing of mouse and key messages to the controls under them.
//
// Sections: focus | input routing
#include <algorithm>

#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/core/window_system.h"

namespace DuiLib {

// ---- focus
// --------------------------------------------------------------------------------------------
void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == focus_) return;
    if (control &&
        (control->GetManager() != this || !control->IsVisible() || !control->IsEnabled()))
        return;
    std::weak_ptr<bool> alive = alive_;
    if (CControlUI* old = focus_) {
        focus_ = nullptr;
        DispatchEvent(old, EventType::KillFocus, mousePos_);
        if (!*alive_) return;
        // The old control may have left the tree while its event ran.
        if (old->GetManager() == this) SendNotify(old, "killfocus");
        if (auto a = alive.lock(); !a || !*a) return;
    }
    if (!control || control->GetManager() != this) return;
    focus_ = control;
    DispatchEvent(control, EventType::SetFocus, mousePos_);
    if (auto a = alive.lock(); !a || !*a) return;
    if (focus_ == control) SendNotify(control, "setfocus");
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* control) {
    focusNeeded_ = control;
    SetFocus(control);
}

void CPaintManagerUI::CollectTabStops(CControlUI* control, std::vector<CControlUI*>& out) const {
    if (!control->IsVisible() || !control->IsEnabled()) return;
    if (control->IsTabStop()) out.push_back(control);
    for (int i = 0, n = control->GetChildCount(); i < n; ++i)
        CollectTabStops(control->GetChildAt(i), out);
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
    if (!root_) return false;
    std::vector<CControlUI*> stops;
    CollectTabStops(root_.get(), stops);
    if (stops.empty()) return false;
    auto it = std::find(stops.begin(), stops.end(), focus_);
    size_t next;
    if (it == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        size_t at = static_cast<size_t>(it - stops.begin());
        next = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
    }
    SetFocus(stops[next]);
    return true;
}

void CPaintManagerUI::ShowFocusMark(bool show) {
    if (show == focusMarkShown_) return;
    focusMarkShown_ = show;
    if (focus_) focus_->Invalidate();
}

// A row is the options sharing the focused option's parent: the navigation bar,
// a quick bar, a panel of sub-applications.
bool CPaintManagerUI::MoveFocusInRow(bool forward) {
    if (!focus_ || !focus_->GetInterface("Option") || !focus_->GetParent()) return false;
    CControlUI* parent = focus_->GetParent();
    std::vector<CControlUI*> row;
    for (int i = 0, n = parent->GetChildCount(); i < n; ++i) {
        CControlUI* child = parent->GetChildAt(i);
        if (child->GetInterface("Option") && child->IsVisible() && child->IsEnabled())
            row.push_back(child);
    }
    auto it = std::find(row.begin(), row.end(), focus_);
    if (row.size() < 2 || it == row.end()) return false;
    size_t at = static_cast<size_t>(it - row.begin());
    SetFocus(row[forward ? (at + 1) % row.size() : (at + row.size() - 1) % row.size()]);
    return true;
}

// ---- input routing
// ----------------------------------------------------------------------------------------
void CPaintManagerUI::DispatchEvent(CControlUI* control, EventType type, POINT point, WPARAM wParam,
                                    LPARAM lParam) {
    TEventUI event;
    event.Type = type;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
    event.ptMouse = point;
    event.wParam = wParam;
    event.lParam = lParam;
    control->DoEvent(event);
}

void CPaintManagerUI::SetHot(CControlUI* control, POINT point) {
    if (control == hot_) return;
    CControlUI* old = hot_;
    hot_ = control;
    if (old) DispatchEvent(old, EventType::MouseLeave, point);
    if (hot_ == control && control) DispatchEvent(control, EventType::MouseEnter, point);
}

bool CPaintManagerUI::HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    std::weak_ptr<bool> alive = alive_;
    auto gone = [&] {
        auto a = alive.lock();
        return !a || !*a;
    };
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (uMsg == WM_MOUSEWHEEL) ::ScreenToClient(hwnd_, &point);
    if (uMsg != WM_MOUSELEAVE) mousePos_ = point;
    switch (uMsg) {
        case WM_MOUSEMOVE: {
            if (pushed_) {
                CControlUI* pushed = pushed_;
                RECT rect = pushed->GetAbsolutePos();
                SetHot(PtInRect(&rect, point) ? pushed : nullptr, point);
                if (gone()) return true;
                if (pushed_ == pushed) DispatchEvent(pushed, EventType::MouseMove, point);
                return true;
            }
            CControlUI* control = FindControl(point);
            SetHot(control, point);
            if (gone()) return true;
            if (control && hot_ == control) DispatchEvent(control, EventType::MouseMove, point);
            return control != nullptr;
        }
        case WM_MOUSELEAVE:
            if (!pushed_) SetHot(nullptr, mousePos_);
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            ShowFocusMark(false);
            CControlUI* control = FindControl(point);
            if (!control || !control->IsEnabled()) return false;
            pushed_ = control;
            SetHot(control, point);
            if (gone() || pushed_ != control) return true;
            SetFocus(control);
            if (gone() || pushed_ != control) return true;
            DispatchEvent(control,
                          uMsg == WM_LBUTTONDOWN ? EventType::ButtonDown : EventType::DoubleClick,
                          point, wParam);
            return true;
        }
        case WM_LBUTTONUP: {
            CControlUI* control = pushed_;
            pushed_ = nullptr;
            if (!control) return false;
            DispatchEvent(control, EventType::ButtonUp, point, wParam);
            if (gone()) return true;
            // The hot control follows the pointer again.
            if (hwnd_) SetHot(FindControl(point), point);
            return true;
        }
        case WM_RBUTTONDOWN: {
            ShowFocusMark(false);
            CControlUI* control = FindControl(point);
            if (!control || !control->IsEnabled()) return false;
            SetFocus(control);
            if (gone()) return true;
            if (control->GetManager() == this)
                DispatchEvent(control, EventType::RightButtonDown, point, wParam);
            return true;
        }
        case WM_RBUTTONUP: {
            CControlUI* control = FindControl(point);
            if (!control || !control->IsEnabled()) return false;
            DispatchEvent(control, EventType::RightButtonUp, point, wParam);
            if (gone()) return true;
            if (control->GetManager() == this)
                SendNotify(control, "menu", 0, MAKELPARAM(point.x, point.y));
            return true;
        }
        case WM_MOUSEWHEEL: {
            CControlUI* control = FindControl(point);
            if (!control) return false;
            DispatchEvent(control, EventType::ScrollWheel, point, wParam);
            return true;
        }
        default:
            return false;
    }
}

bool CPaintManagerUI::HandleKey(UINT uMsg, WPARAM wParam) {
    if (uMsg != WM_CHAR && wParam == VK_SHIFT) shiftDown_ = uMsg == WM_KEYDOWN;
    if (uMsg == WM_KEYUP) return false;
    if (uMsg == WM_KEYDOWN) {
        switch (wParam) {
            case VK_TAB:
                ShowFocusMark(true);
                return SetNextTabControl(!shiftDown_);
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN:
                if (!MoveFocusInRow(wParam == VK_RIGHT || wParam == VK_DOWN)) break;
                ShowFocusMark(true);
                return true;
            case VK_F10: {
                if (!shiftDown_ || !focus_) break;
                // A context menu asked by keyboard opens at the control's bottom-left
                // corner, as if the control had been right-clicked there.
                const RECT at = focus_->GetAbsolutePos();
                SendNotify(focus_, "menu", 0, MAKELPARAM(at.left, at.bottom));
                return true;
            }
            default:
                break;
        }
    }
    if (!focus_) return false;
    DispatchEvent(focus_, uMsg == WM_KEYDOWN ? EventType::KeyDown : EventType::Char, mousePos_,
                  wParam);
    return true;
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    auto filters = preFilters_;
    for (IMessageFilterUI* filter : filters) {
        if (std::find(preFilters_.begin(), preFilters_.end(), filter) == preFilters_.end())
            continue;
        bool handled = false;
        LRESULT answer = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (!hwnd_) return false;
    auto filters = filters_;
    for (IMessageFilterUI* filter : filters) {
        bool handled = false;
        LRESULT answer = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    switch (uMsg) {
        case WM_SIZE:
            NeedUpdate();
            return false;
        case WM_SETFOCUS:
            if (!focus_ && focusNeeded_) SetFocus(focusNeeded_);
            return false;
        case WM_KILLFOCUS:
            if (pushed_) pushed_ = nullptr;
            shiftDown_ = false;  // its release goes to the window taking the focus
            return false;
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MOUSEWHEEL:
            return HandleMouse(uMsg, wParam, lParam);
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            return HandleKey(uMsg, wParam);
        default:
            return false;
    }
}

}  // namespace DuiLib
