// The headless backend and its recording page engine.
#include "ui/core/headless_backend.h"

#include "ui/core/browser.h"

namespace ui {

// ---- HeadlessBrowserEngine ----------------------------------------------------------------------
DuiLib::CWebBrowserEventHandler* HeadlessBrowserEngine::Handler() const {
    return host_.GetWebBrowserEventHandler();
}

bool HeadlessBrowserEngine::RaiseBeforeNavigate2(const std::u16string& url) {
    DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
    if (auto* handler = Handler()) handler->BeforeNavigate2(nullptr, url.c_str(), 0, u"", &cancel);
    return cancel != DuiLib::VARIANT_FALSE;
}

bool HeadlessBrowserEngine::RaiseNewWindow3(const std::u16string& url, DWORD flags,
                                            const std::u16string& urlContext) {
    DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
    void* newWindow = nullptr;
    if (auto* handler = Handler())
        handler->NewWindow3(&newWindow, &cancel, flags, urlContext.c_str(), url.c_str());
    return cancel != DuiLib::VARIANT_FALSE;
}

bool HeadlessBrowserEngine::RaiseNavigateError(const std::u16string& url, int statusCode) {
    DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
    if (auto* handler = Handler())
        handler->NavigateError(nullptr, url.c_str(), u"", statusCode, &cancel);
    return cancel != DuiLib::VARIANT_FALSE;
}

void HeadlessBrowserEngine::RaiseNavigateComplete2(const std::u16string& url) {
    if (auto* handler = Handler()) handler->NavigateComplete2(nullptr, url.c_str());
}

void HeadlessBrowserEngine::RaiseDocumentComplete(const std::u16string& url) {
    if (auto* handler = Handler()) handler->DocumentComplete(nullptr, url.c_str());
}

void HeadlessBrowserEngine::RaiseProgressChange(long progress, long progressMax) {
    if (auto* handler = Handler()) handler->ProgressChange(progress, progressMax);
}

void HeadlessBrowserEngine::RaiseCommandStateChange(long command, bool enable) {
    if (auto* handler = Handler())
        handler->CommandStateChange(command, enable ? DuiLib::VARIANT_TRUE : DuiLib::VARIANT_FALSE);
}

HRESULT HeadlessBrowserEngine::RaiseShowContextMenu(POINT point) {
    auto* handler = Handler();
    return handler ? handler->ShowContextMenu(0, &point, nullptr, nullptr) : S_FALSE;
}

HRESULT HeadlessBrowserEngine::RaiseDownload(const std::u16string& url) {
    auto* handler = Handler();
    return handler ? handler->Download(url.c_str()) : S_FALSE;
}

// ---- HeadlessBackend
// ------------------------------------------------------------------------------
void HeadlessBackend::SetScreen(const ScreenInfo& screen) {
    std::lock_guard lock(mutex_);
    screen_ = screen;
}

ScreenInfo HeadlessBackend::GetScreen() const {
    std::lock_guard lock(mutex_);
    return screen_;
}

bool HeadlessBackend::GetWindowView(HWND hwnd, WindowView* view) const {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return false;
    if (view) *view = it->second;
    return true;
}

void HeadlessBackend::CreateNativeWindow(HWND hwnd, const NativeWindowParams& params) {
    std::lock_guard lock(mutex_);
    WindowView view;
    view.rect = params.rect;
    view.title = params.title;
    view.parent = params.child ? params.owner : nullptr;
    windows_[hwnd] = view;
}

void HeadlessBackend::DestroyNativeWindow(HWND hwnd) {
    std::lock_guard lock(mutex_);
    windows_.erase(hwnd);
}

void HeadlessBackend::ShowNativeWindow(HWND hwnd, bool visible, bool) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.visible = visible;
}

void HeadlessBackend::MoveNativeWindow(HWND hwnd, const RECT& screenRect) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.rect = screenRect;
}

void HeadlessBackend::SetNativeState(HWND hwnd, WindowState state) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.state = state;
}

void HeadlessBackend::SetNativeShape(HWND hwnd, const HRGN__* shape) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return;
    it->second.hasShape = shape != nullptr;
    if (shape) it->second.shape = *shape;
}

void HeadlessBackend::SetNativeTitle(HWND hwnd, const std::string& title) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.title = title;
}

void HeadlessBackend::SetNativeIcon(HWND hwnd, const std::string& imagePath) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.icon = imagePath;
}

void HeadlessBackend::SetNativeParent(HWND hwnd, HWND parent) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.parent = parent;
}

void HeadlessBackend::SetNativeEnabled(HWND hwnd, bool enabled) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.enabled = enabled;
}

void HeadlessBackend::Invalidate(HWND hwnd, const RECT&) {
    std::lock_guard lock(mutex_);
    if (auto it = windows_.find(hwnd); it != windows_.end()) ++it->second.invalidations;
}

// Nothing native happens headless: waiting is sleeping until woken or due.
void HeadlessBackend::WaitForEvents(std::optional<Clock::time_point> deadline) {
    std::unique_lock lock(mutex_);
    if (deadline)
        wake_.wait_until(lock, *deadline, [&] { return woken_; });
    else
        wake_.wait(lock, [&] { return woken_; });
    woken_ = false;
}

void HeadlessBackend::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

std::unique_ptr<BrowserEngine> HeadlessBackend::CreateBrowserEngine(DuiLib::CActiveXUI& host) {
    return std::make_unique<HeadlessBrowserEngine>(host);
}

}  // namespace ui
