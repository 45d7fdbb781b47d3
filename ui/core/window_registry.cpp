// The window registry: records, creation and destruction, states, geometry,
// focus, shapes and paint managers.
#include "ui/core/window_registry.h"

#include <algorithm>

namespace ui {

struct WindowRegistry::Record {
    WindowProcedure* window = nullptr;
    HWND hwnd = nullptr;
    HWND owner = nullptr;  // parent of a child window, owner of a pop-up
    bool child = false;
    RECT rect{};  // top-level: screen; child: the parent's client coordinates
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false;
    bool enabled = true;
    WindowState state = WindowState::Normal;
    WindowState stateBeforeMinimize = WindowState::Normal;
    RECT restoreRect{};
    std::unique_ptr<HRGN__> shape;
    std::string title;
    std::string className;
    bool destroying = false;
    std::uint64_t invalidations = 0;
};

WindowRegistry& WindowRegistry::Get() {
    // Lives until exit: windows may still be destroyed while statics go.
    static auto* registry = new WindowRegistry;
    return *registry;
}

WindowRegistry::WindowRegistry() = default;
WindowRegistry::~WindowRegistry() = default;

WindowRegistry::Record* WindowRegistry::Find(HWND hwnd) const {
    if (!hwnd) return nullptr;
    std::lock_guard lock(mutex_);
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second.get();
}

std::vector<HWND> WindowRegistry::AllWindows() const {
    std::lock_guard lock(mutex_);
    std::vector<HWND> out;
    for (auto& [hwnd, record] : windows_) out.push_back(hwnd);
    return out;
}

bool WindowRegistry::IsWindow(HWND hwnd) const {
    if (!hwnd) return false;
    std::lock_guard lock(mutex_);
    auto it = windows_.find(hwnd);
    return it != windows_.end() && !it->second->destroying;
}

bool WindowRegistry::Contains(HWND hwnd) const {
    return Find(hwnd) != nullptr;
}

LRESULT WindowRegistry::Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Record* record = Find(hwnd);
    if (!record || !record->window) return 0;
    return record->window->HandleMessage(message, wParam, lParam);
}

// ---- creation and destruction ----------------------------------------------------------------

HWND WindowRegistry::Create(WindowProcedure* window, const CreateParams& params) {
    auto record = std::make_unique<Record>();
    record->window = window;
    record->owner = IsWindow(params.parent) ? params.parent : nullptr;
    record->child = (params.style & WS_CHILD) != 0 && record->owner;
    record->rect = params.rect;
    record->style = params.style & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
    record->exStyle = params.exStyle;
    record->enabled = (params.style & WS_DISABLED) == 0;
    record->title = params.title ? params.title : "";
    record->className = params.className;
    HWND hwnd;
    {
        std::lock_guard lock(mutex_);
        hwnd = reinterpret_cast<HWND>(nextHandle_++);
        record->hwnd = hwnd;
        windows_[hwnd] = std::move(record);
    }
    window->AttachHandle(hwnd);
    Record* created = Find(hwnd);
    NativeWindowParams native;
    native.owner = created->owner;
    native.child = created->child;
    native.toolWindow = (params.exStyle & WS_EX_TOOLWINDOW) != 0;
    native.title = created->title;
    native.rect = ScreenRectOf(*created);
    GetBackend().CreateNativeWindow(hwnd, native);

    const RECT& rect = params.rect;
    CREATESTRUCT create;
    create.hwndParent = params.parent;
    create.x = rect.left;
    create.y = rect.top;
    create.cx = rect.right - rect.left;
    create.cy = rect.bottom - rect.top;
    create.style = static_cast<LONG>(params.style);
    create.dwExStyle = params.exStyle;
    create.lpszName = params.title;
    if (Deliver(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        Destroy(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;
    SendSize(hwnd);
    if (params.style & WS_MAXIMIZE) Maximize(hwnd);
    if ((params.style & WS_VISIBLE) && IsWindow(hwnd)) SetVisible(hwnd, true, true);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

bool WindowRegistry::Destroy(HWND hwnd) {
    Record* record = Find(hwnd);
    if (!record || record->destroying) return false;
    HWND owner = record->owner;
    bool hadFocus = focus_ == hwnd;
    // Owned and child windows go first, as on Windows.
    for (HWND other : AllWindows()) {
        Record* candidate = Find(other);
        if (candidate && candidate->owner == hwnd && !candidate->destroying) Destroy(other);
    }
    record = Find(hwnd);
    if (!record) return false;
    record->destroying = true;  // IsWindow answers false from here on
    if (focus_ == hwnd) focus_ = nullptr;
    WindowProcedure* window = record->window;
    if (window) window->HandleMessage(WM_DESTROY, 0, 0);
    if (destroyListener_) destroyListener_(hwnd);
    GetBackend().DestroyNativeWindow(hwnd);
    if (window) window->HandleMessage(WM_NCDESTROY, 0, 0);
    managers_.erase(hwnd);
    {
        std::lock_guard lock(mutex_);
        windows_.erase(hwnd);
    }
    if (window) window->FinalMessage(hwnd);
    if (hadFocus && IsWindow(owner)) SetFocus(owner);
    return true;
}

void WindowRegistry::SetDestroyListener(std::function<void(HWND)> listener) {
    destroyListener_ = std::move(listener);
}

// ---- states ----------------------------------------------------------------------------------

void WindowRegistry::SendSize(HWND hwnd) {
    Record* record = Find(hwnd);
    if (!record) return;
    WPARAM kind = record->state == WindowState::Maximized   ? SIZE_MAXIMIZED
                  : record->state == WindowState::Minimized ? SIZE_MINIMIZED
                                                            : SIZE_RESTORED;
    int width = record->rect.right - record->rect.left;
    int height = record->rect.bottom - record->rect.top;
    Deliver(hwnd, WM_SIZE, kind, MAKELPARAM(width, height));
}

void WindowRegistry::SetVisible(HWND hwnd, bool visible, bool activate) {
    Record* record = Find(hwnd);
    if (!record) return;
    if (record->visible != visible) {
        record->visible = visible;
        Deliver(hwnd, WM_SHOWWINDOW, visible ? 1 : 0, 0);
        if (!Find(hwnd)) return;
        GetBackend().ShowNativeWindow(hwnd, visible, activate);
    }
    if (visible && activate) SetFocus(hwnd);
    if (!visible && focus_ == hwnd) {
        HWND owner = record->owner;
        SetFocus(IsWindow(owner) ? owner : nullptr);
    }
}

void WindowRegistry::Maximize(HWND hwnd) {
    Record* record = Find(hwnd);
    if (!record || record->state == WindowState::Maximized) return;
    if (record->state == WindowState::Normal) record->restoreRect = record->rect;
    ScreenInfo screen = GetBackend().GetScreen();
    MINMAXINFO info{};
    info.ptMaxSize = {screen.monitor.right - screen.monitor.left,
                      screen.monitor.bottom - screen.monitor.top};
    info.ptMaxPosition = {screen.monitor.left, screen.monitor.top};
    info.ptMaxTrackSize = info.ptMaxSize;
    Deliver(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    record = Find(hwnd);
    if (!record) return;
    record->state = WindowState::Maximized;
    GetBackend().SetNativeState(hwnd, WindowState::Maximized);
    RECT rect{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
              info.ptMaxPosition.y + info.ptMaxSize.y};
    record->rect = rect;
    GetBackend().MoveNativeWindow(hwnd, ScreenRectOf(*record));
    SendSize(hwnd);  // a state change always reports its size, as on Windows
    SetVisible(hwnd, true, true);
}

void WindowRegistry::Minimize(HWND hwnd) {
    Record* record = Find(hwnd);
    if (!record || record->state == WindowState::Minimized) return;
    record->stateBeforeMinimize = record->state;
    record->state = WindowState::Minimized;
    GetBackend().SetNativeState(hwnd, WindowState::Minimized);
    Deliver(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
}

void WindowRegistry::Restore(HWND hwnd) {
    Record* record = Find(hwnd);
    if (!record) return;
    if (record->state == WindowState::Minimized) {
        record->state = record->stateBeforeMinimize;
        GetBackend().SetNativeState(hwnd, record->state);
        SendSize(hwnd);
    } else if (record->state == WindowState::Maximized) {
        record->state = WindowState::Normal;
        GetBackend().SetNativeState(hwnd, WindowState::Normal);
        RECT restore = record->restoreRect;
        record->rect = restore;
        GetBackend().MoveNativeWindow(hwnd, ScreenRectOf(*record));
        SendSize(hwnd);
    }
    SetVisible(hwnd, true, true);
}

bool WindowRegistry::Show(HWND hwnd, int command) {
    Record* record = Find(hwnd);
    if (!record) return false;
    bool wasVisible = record->visible;
    switch (command) {
        case SW_HIDE:
            SetVisible(hwnd, false, false);
            break;
        case SW_SHOWMAXIMIZED:
            Maximize(hwnd);
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            Minimize(hwnd);
            SetVisible(hwnd, true, false);
            break;
        case SW_RESTORE:
            Restore(hwnd);
            break;
        case SW_SHOWNORMAL:
            if (record->state != WindowState::Normal) Restore(hwnd);
            SetVisible(hwnd, true, true);
            break;
        case SW_SHOWNOACTIVATE:
        case SW_SHOWNA:
            SetVisible(hwnd, true, false);
            break;
        default:
            SetVisible(hwnd, true, true);
            break;
    }
    return wasVisible;
}

bool WindowRegistry::IsVisible(HWND hwnd) const {
    Record* record = Find(hwnd);
    return record && record->visible;
}

WindowState WindowRegistry::StateOf(HWND hwnd) const {
    Record* record = Find(hwnd);
    return record ? record->state : WindowState::Normal;
}

bool WindowRegistry::Enable(HWND hwnd, bool enable) {
    Record* record = Find(hwnd);
    if (!record) return false;
    bool wasDisabled = !record->enabled;
    if (record->enabled != enable) {
        record->enabled = enable;
        GetBackend().SetNativeEnabled(hwnd, enable);
        Deliver(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    }
    return wasDisabled;
}

bool WindowRegistry::IsEnabled(HWND hwnd) const {
    Record* record = Find(hwnd);
    return record && record->enabled;
}

// ---- geometry --------------------------------------------------------------------------------

RECT WindowRegistry::ScreenRectOf(const Record& record) const {
    RECT rect = record.rect;
    if (record.child) {
        if (Record* parent = Find(record.owner)) {
            RECT parentRect = ScreenRectOf(*parent);
            OffsetRect(&rect, parentRect.left, parentRect.top);
        }
    }
    return rect;
}

void WindowRegistry::ApplyRect(HWND hwnd, const RECT& rect) {
    Record* record = Find(hwnd);
    if (!record) return;
    bool sized = (rect.right - rect.left) != (record->rect.right - record->rect.left) ||
                 (rect.bottom - rect.top) != (record->rect.bottom - record->rect.top);
    bool moved = rect.left != record->rect.left || rect.top != record->rect.top;
    record->rect = rect;
    if (moved || sized) GetBackend().MoveNativeWindow(hwnd, ScreenRectOf(*record));
    if (moved) Deliver(hwnd, WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
    if (sized) SendSize(hwnd);
}

bool WindowRegistry::GetWindowRect(HWND hwnd, RECT* rect) const {
    Record* record = Find(hwnd);
    if (!record || !rect) return false;
    *rect = ScreenRectOf(*record);
    return true;
}

bool WindowRegistry::GetClientRect(HWND hwnd, RECT* rect) const {
    Record* record = Find(hwnd);
    if (!record || !rect) return false;
    *rect = {0, 0, record->rect.right - record->rect.left, record->rect.bottom - record->rect.top};
    return true;
}

bool WindowRegistry::SetPos(HWND hwnd, int x, int y, int cx, int cy, UINT flags) {
    Record* record = Find(hwnd);
    if (!record) return false;
    RECT rect = record->rect;
    if (!(flags & SWP_NOMOVE)) OffsetRect(&rect, x - rect.left, y - rect.top);
    if (!(flags & SWP_NOSIZE)) {
        rect.right = rect.left + std::max(cx, 0);
        rect.bottom = rect.top + std::max(cy, 0);
    }
    ApplyRect(hwnd, rect);
    if (flags & SWP_SHOWWINDOW) SetVisible(hwnd, true, !(flags & SWP_NOACTIVATE));
    if (flags & SWP_HIDEWINDOW) SetVisible(hwnd, false, false);
    return true;
}

LONG WindowRegistry::GetLong(HWND hwnd, int index) const {
    Record* record = Find(hwnd);
    if (!record) return 0;
    if (index == GWL_EXSTYLE) return static_cast<LONG>(record->exStyle);
    if (index != GWL_STYLE) return 0;
    DWORD style = record->style;
    if (record->visible) style |= WS_VISIBLE;
    if (record->state == WindowState::Maximized) style |= WS_MAXIMIZE;
    if (record->state == WindowState::Minimized) style |= WS_MINIMIZE;
    if (!record->enabled) style |= WS_DISABLED;
    return static_cast<LONG>(style);
}

LONG WindowRegistry::SetLong(HWND hwnd, int index, LONG value) {
    Record* record = Find(hwnd);
    if (!record) return 0;
    LONG old = GetLong(hwnd, index);
    if (index == GWL_EXSTYLE) record->exStyle = static_cast<DWORD>(value);
    if (index == GWL_STYLE)
        record->style =
            static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE | WS_DISABLED);
    return old;
}

HWND WindowRegistry::GetParent(HWND hwnd) const {
    Record* record = Find(hwnd);
    return record ? record->owner : nullptr;
}

HWND WindowRegistry::SetParent(HWND child, HWND newParent) {
    Record* record = Find(child);
    if (!record) return nullptr;
    HWND old = record->owner;
    RECT screen = ScreenRectOf(*record);
    record->owner = IsWindow(newParent) ? newParent : nullptr;
    record->child = record->owner != nullptr;
    if (record->child) {
        // Keep the window where it is on screen, now in the parent's coordinates.
        RECT parentRect;
        GetWindowRect(newParent, &parentRect);
        OffsetRect(&screen, -parentRect.left, -parentRect.top);
    }
    record->rect = screen;
    GetBackend().SetNativeParent(child, record->owner);
    return old;
}

HWND WindowRegistry::GetAncestor(HWND hwnd, UINT flags) const {
    Record* record = Find(hwnd);
    if (!record) return nullptr;
    if (flags == GA_PARENT) return record->child ? record->owner : nullptr;
    HWND current = hwnd;
    while (Record* r = Find(current)) {
        bool climb = flags == GA_ROOTOWNER ? r->owner != nullptr : r->child;
        if (!climb) break;
        current = r->owner;
    }
    return current;
}

// ---- focus, texts, search --------------------------------------------------------------------

HWND WindowRegistry::SetFocus(HWND hwnd) {
    if (hwnd && !IsWindow(hwnd)) return nullptr;
    HWND old = focus_;
    if (old == hwnd) return old;
    focus_ = hwnd;
    if (IsWindow(old)) Deliver(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && focus_ == hwnd) Deliver(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

bool WindowRegistry::SetTitle(HWND hwnd, const std::string& title) {
    Record* record = Find(hwnd);
    if (!record) return false;
    record->title = title;
    GetBackend().SetNativeTitle(hwnd, record->title);
    return true;
}

std::string WindowRegistry::Title(HWND hwnd) const {
    Record* record = Find(hwnd);
    return record ? record->title : std::string();
}

void WindowRegistry::CountInvalidation(HWND hwnd) {
    if (Record* record = Find(hwnd)) ++record->invalidations;
}

std::uint64_t WindowRegistry::Invalidations(HWND hwnd) const {
    Record* record = Find(hwnd);
    return record ? record->invalidations : 0;
}

HWND WindowRegistry::FindTopLevel(LPCTSTR className, LPCTSTR windowName) const {
    for (HWND hwnd : AllWindows()) {
        Record* record = Find(hwnd);
        if (!record || record->child || record->destroying) continue;
        if (className && record->className != className) continue;
        if (windowName && record->title != windowName) continue;
        return hwnd;
    }
    return nullptr;
}

// ---- regions and paint managers --------------------------------------------------------------

bool WindowRegistry::SetShape(HWND hwnd, HRGN__* shape) {
    Record* record = Find(hwnd);
    if (!record) return false;
    record->shape.reset(shape);
    GetBackend().SetNativeShape(hwnd, record->shape.get());
    return true;
}

bool WindowRegistry::GetShape(HWND hwnd, HRGN__* shape) const {
    Record* record = Find(hwnd);
    if (!record || !record->shape) return false;
    if (shape) *shape = *record->shape;
    return true;
}

void WindowRegistry::SetPaintManager(HWND hwnd, DuiLib::CPaintManagerUI* manager) {
    managers_[hwnd] = manager;
}

void WindowRegistry::ForgetPaintManager(DuiLib::CPaintManagerUI* manager) {
    std::erase_if(managers_, [&](auto& entry) { return entry.second == manager; });
}

DuiLib::CPaintManagerUI* WindowRegistry::PaintManagerOf(HWND hwnd) const {
    auto it = managers_.find(hwnd);
    return it == managers_.end() ? nullptr : it->second;
}

}  // namespace ui
