// CPaintManagerUI.
//
// Sections: process-wide | window | tree and lookup | option groups | timers |
//           notifications | skin values | layout and paint
// Focus and input routing are in paint_manager_input.cpp.
#include "ui/core/paint_manager.h"

#include <algorithm>
#include <mutex>
#include <utility>

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
    PaintAhead(target, paintRect);
    FramePainted();
}

void CPaintManagerUI::PaintAhead(ui::RenderTarget& target, const RECT& paintRect) {
    if (!root_) return;
    UpdateLayout();
    root_->DoPaint(target, paintRect);
}

void CPaintManagerUI::FramePainted() {
    if (!root_) return;
    // Posted, not run here: the frame goes to the screen first.
    for (std::function<void()>& task : std::exchange(afterPaint_, {})) {
        std::weak_ptr<bool> alive = alive_;
        ui::PostTask([alive, task = std::move(task)] {
            if (auto a = alive.lock(); a && *a) task();
        });
    }
}

void CPaintManagerUI::RunAfterNextPaint(std::function<void()> task) {
    afterPaint_.push_back(std::move(task));
}

}  // namespace DuiLib
