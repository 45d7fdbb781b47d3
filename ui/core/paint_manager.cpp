// CPaintManagerUI.
//
// Sections: process-wide | window | tree and lookup | option groups | timers |
//           focus | notifications | input routing | skin values | layout and paint
#include "ui/core/paint_manager.h"

#include <algorithm>
#include <mutex>

#include "platform/files.h"
#include "ui/core/message_loop.h"
#include "ui/core/win_api.h"
#include "ui/core/window_system.h"

namespace DuiLib {

// ---- process-wide ----------------------------------------------------------------------------
namespace {
std::mutex g_pathsMutex;
HINSTANCE g_instance = nullptr;
std::string g_resourcePath;

bool Contains(CControlUI* root, CControlUI* control) {
    for (CControlUI* c = control; c; c = c->GetParent())
        if (c == root) return true;
    return false;
}
}  // namespace

void CPaintManagerUI::SetInstance(HINSTANCE instance) {
    std::lock_guard lock(g_pathsMutex);
    g_instance = instance;
}

HINSTANCE CPaintManagerUI::GetInstance() {
    std::lock_guard lock(g_pathsMutex);
    return g_instance;
}

CStdString CPaintManagerUI::GetInstancePath() {
    return platform::ProgramFolder();
}

void CPaintManagerUI::SetResourcePath(std::string_view path) {
    std::lock_guard lock(g_pathsMutex);
    g_resourcePath = path;
    // Skin files are looked up as path + name, so the path ends in a separator.
    if (!g_resourcePath.empty() && g_resourcePath.back() != '/' && g_resourcePath.back() != '\\')
        g_resourcePath += platform::kPathSeparator;
}

CStdString CPaintManagerUI::GetResourcePath() {
    std::lock_guard lock(g_pathsMutex);
    return g_resourcePath;
}

void CPaintManagerUI::MessageLoop() {
    ui::RunMessageLoop();
}

CPaintManagerUI* CPaintManagerUI::FromWindow(HWND hwnd) {
    return ui::detail::GetPaintManager(hwnd);
}

// ---- window ------------------------------------------------------------------------------------
CPaintManagerUI::CPaintManagerUI() : alive_(std::make_shared<bool>(true)) {}

CPaintManagerUI::~CPaintManagerUI() {
    *alive_ = false;
    RemoveAllTimers();
    root_.reset();  // controls reap themselves from the maps, still valid here
    delayedCleanup_.clear();
    ui::detail::ForgetPaintManager(this);
}

void CPaintManagerUI::Init(HWND hwnd) {
    hwnd_ = hwnd;
    ui::detail::SetPaintManager(hwnd, this);
}

// ---- tree and lookup
// -----------------------------------------------------------------------------
bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (!root) return false;
    if (root_) {
        focus_ = hot_ = pushed_ = focusNeeded_ = nullptr;
        RemoveAllTimers();
        root_.reset();
    }
    root_.reset(root);
    InitControls(root, nullptr);
    NeedUpdate();
    firstLayout_ = true;
    // "windowinit" once the window's creation is over, on the next turn.
    std::weak_ptr<bool> alive = alive_;
    CControlUI* attached = root;
    ui::PostTask([this, alive, attached] {
        if (auto a = alive.lock(); a && *a && root_.get() == attached)
            SendNotify(attached, "windowinit");
    });
    return true;
}

void CPaintManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
    control->SetManager(this, parent, true);
    RegisterNames(control);
}

void CPaintManagerUI::RegisterNames(CControlUI* control) {
    CStdString name = control->GetName();
    if (!name.empty()) {
        auto& list = names_[name];
        if (std::find(list.begin(), list.end(), control) == list.end()) list.push_back(control);
    }
    for (int i = 0, n = control->GetChildCount(); i < n; ++i) RegisterNames(control->GetChildAt(i));
}

void CPaintManagerUI::RenameControl(CControlUI* control, std::string_view oldName,
                                    std::string_view newName) {
    if (!oldName.empty()) {
        auto it = names_.find(std::string(oldName));
        if (it != names_.end()) {
            std::erase(it->second, control);
            if (it->second.empty()) names_.erase(it);
        }
    }
    if (!newName.empty()) names_[std::string(newName)].push_back(control);
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (!control) return;
    CStdString name = control->GetName();
    if (!name.empty()) {
        auto it = names_.find(name);
        if (it != names_.end()) {
            std::erase(it->second, control);
            if (it->second.empty()) names_.erase(it);
        }
    }
    KillTimer(control);
    if (focus_ == control) focus_ = nullptr;
    if (focusNeeded_ == control) focusNeeded_ = nullptr;
    if (hot_ == control) hot_ = nullptr;
    if (pushed_ == control) pushed_ = nullptr;
    for (int i = 0, n = control->GetChildCount(); i < n; ++i) ReapObjects(control->GetChildAt(i));
}

void CPaintManagerUI::AddDelayedCleanup(std::unique_ptr<CControlUI> control) {
    bool schedule = delayedCleanup_.empty();
    delayedCleanup_.push_back(std::move(control));
    if (!schedule) return;
    std::weak_ptr<bool> alive = alive_;
    ui::PostTask([this, alive] {
        if (auto a = alive.lock(); a && *a) {
            auto doomed = std::move(delayedCleanup_);
            delayedCleanup_.clear();
        }
    });
}

CControlUI* CPaintManagerUI::FindControl(std::string_view name) const {
    if (name.empty()) return nullptr;
    auto it = names_.find(std::string(name));
    return it == names_.end() || it->second.empty() ? nullptr : it->second.front();
}

CControlUI* CPaintManagerUI::FindControl(POINT point) {
    if (!root_) return nullptr;
    UpdateLayout();
    return root_->FindControlAt(point);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, std::string_view name) const {
    auto it = names_.find(std::string(name));
    if (it == names_.end()) return nullptr;
    for (CControlUI* control : it->second)
        if (Contains(parent, control)) return control;
    return nullptr;
}

// ---- option groups
// ---------------------------------------------------------------------------------
void CPaintManagerUI::AddOptionGroup(std::string_view group, COptionUI* option) {
    optionGroups_[std::string(group)].insert(option);
}

void CPaintManagerUI::RemoveOptionGroup(std::string_view group, COptionUI* option) {
    auto it = optionGroups_.find(group);
    if (it == optionGroups_.end()) return;
    it->second.erase(option);
    if (it->second.empty()) optionGroups_.erase(it);
}

const std::unordered_set<COptionUI*>* CPaintManagerUI::GetOptionGroup(
    std::string_view group) const {
    auto it = optionGroups_.find(group);
    return it == optionGroups_.end() ? nullptr : &it->second;
}

// ---- timers
// -----------------------------------------------------------------------------------------
bool CPaintManagerUI::SetTimer(CControlUI* control, UINT timerId, UINT elapse) {
    if (!control || !::IsWindow(hwnd_)) return false;
    KillTimer(control, timerId);
    std::weak_ptr<bool> alive = alive_;
    timers_[{control, timerId}] =
        ui::detail::AddTimer(hwnd_, elapse, [this, alive, control, timerId] {
            if (auto a = alive.lock(); a && *a) FireTimer(control, timerId);
        });
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT timerId) {
    auto it = timers_.find({control, timerId});
    if (it == timers_.end()) return false;
    ui::detail::RemoveTimer(it->second);
    timers_.erase(it);
    return true;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    auto it = timers_.lower_bound({control, 0});
    while (it != timers_.end() && it->first.control == control) {
        ui::detail::RemoveTimer(it->second);
        it = timers_.erase(it);
    }
}

void CPaintManagerUI::RemoveAllTimers() {
    for (auto& [key, handle] : timers_) ui::detail::RemoveTimer(handle);
    timers_.clear();
}

void CPaintManagerUI::FireTimer(CControlUI* control, UINT timerId) {
    TEventUI event;
    event.Type = EventType::Timer;
    event.pSender = control;
    event.dwTimestamp = ::GetTickCount();
    event.ptMouse = mousePos_;
    event.wParam = timerId;
    control->DoEvent(event);
}

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

// ---- notifications
// -------------------------------------------------------------------------------------
bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (!notifier || std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end())
        return false;
    notifiers_.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    return std::erase(notifiers_, notifier) > 0;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
    if (!filter || std::find(preFilters_.begin(), preFilters_.end(), filter) != preFilters_.end())
        return false;
    preFilters_.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
    return std::erase(preFilters_, filter) > 0;
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    if (!filter || std::find(filters_.begin(), filters_.end(), filter) != filters_.end())
        return false;
    filters_.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    return std::erase(filters_, filter) > 0;
}

void CPaintManagerUI::SendNotify(CControlUI* control, std::string_view type, WPARAM wParam,
                                 LPARAM lParam, bool async) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
    msg.dwTimestamp = ::GetTickCount();
    msg.ptMouse = mousePos_;
    if (async) {
        std::weak_ptr<bool> alive = alive_;
        TNotifyUI copy = msg;
        ui::PostTask([this, alive, copy]() mutable {
            if (auto a = alive.lock(); !a || !*a) return;
            // The sender may have left the window meanwhile.
            if (copy.pSender && !Contains(root_.get(), copy.pSender)) return;
            SendNotify(copy, false);
        });
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    auto notifiers = notifiers_;  // a notifier may remove itself or others
    for (INotifyUI* notifier : notifiers) {
        if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end()) continue;
        notifier->Notify(msg);
        if (auto a = alive.lock(); !a || !*a) return;  // the window went in the handler
    }
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
                mousePos_ = POINT{at.left, at.bottom};
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

// ---- skin values
// ---------------------------------------------------------------------------------------------
void CPaintManagerUI::SetInitSize(int cx, int cy) {
    initSize_ = {cx, cy};
    if (::IsWindow(hwnd_))
        ::SetWindowPos(hwnd_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CPaintManagerUI::AddDefaultAttributeList(std::string_view controlClass,
                                              std::string_view list) {
    defaultAttributes_[std::string(controlClass)] = std::string(list);
}

CStdString CPaintManagerUI::GetDefaultAttributeList(std::string_view controlClass) const {
    auto it = defaultAttributes_.find(controlClass);
    return it == defaultAttributes_.end() ? CStdString() : CStdString(it->second);
}

int CPaintManagerUI::AddFont(const TFontInfo& font, bool isDefault) {
    fonts_.push_back(font);
    int index = static_cast<int>(fonts_.size()) - 1;
    if (isDefault || defaultFont_ < 0) defaultFont_ = index;
    return index;
}

const TFontInfo* CPaintManagerUI::GetFontInfo(int index) const {
    if (index >= 0 && index < static_cast<int>(fonts_.size()))
        return &fonts_[static_cast<size_t>(index)];
    if (defaultFont_ >= 0) return &fonts_[static_cast<size_t>(defaultFont_)];
    return nullptr;
}

// ---- layout and paint
// ----------------------------------------------------------------------------------------
void CPaintManagerUI::NeedUpdate() {
    if (updateNeeded_) return;
    updateNeeded_ = true;
    if (::IsWindow(hwnd_)) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void CPaintManagerUI::UpdateLayout() {
    if (!root_ || !updateNeeded_) return;
    updateNeeded_ = false;
    RECT client{};
    if (::IsWindow(hwnd_)) ::GetClientRect(hwnd_, &client);
    if (root_->IsFloat())
        root_->SetAbsolutePos(root_->FloatRectIn(client));
    else
        root_->SetAbsolutePos(client);
    firstLayout_ = false;
}

void CPaintManagerUI::Invalidate(const RECT& rect) {
    if (::IsWindow(hwnd_)) ::InvalidateRect(hwnd_, &rect, FALSE);
}

void CPaintManagerUI::Paint(ui::RenderTarget& target, const RECT& paintRect) {
    if (!root_) return;
    UpdateLayout();
    root_->DoPaint(target, paintRect);
}

}  // namespace DuiLib
