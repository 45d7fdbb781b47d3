// The headless backend: windows, messages, timers and modal loops run without
// a display. It records what a screen would show (window rectangles, shapes,
// visibility) for tests, answers with a configurable screen, and gives
// CWebBrowserUI a recording page engine whose events a test raises by hand.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/core/backend.h"
#include "ui/core/win_api.h"

namespace DuiLib {
class CWebBrowserEventHandler;
}

namespace ui {

// A page engine that records what it is asked and raises the handler's events
// on request. It stands in for the real engine in tests of browser logic.
class HeadlessBrowserEngine : public BrowserEngine {
public:
    explicit HeadlessBrowserEngine(DuiLib::CActiveXUI& host) : host_(host) {}

    void Navigate(const std::string& url) override { navigations_.push_back(url); }
    void RunJavaScript(const std::u16string& script) override { scripts_.push_back(script); }
    void SetBounds(const RECT& clientRect, bool visible) override {
        bounds_ = clientRect;
        visible_ = visible;
    }
    void SetScrollBarsHidden(bool hidden) override { scrollBarsHidden_ = hidden; }

    const std::vector<std::string>& Navigations() const { return navigations_; }
    const std::vector<std::u16string>& Scripts() const { return scripts_; }
    RECT Bounds() const { return bounds_; }
    bool IsShown() const { return visible_; }
    bool ScrollBarsHidden() const { return scrollBarsHidden_; }

    // Raise the handler's events as the page would; each returns the cancel
    // flag the handler left (false without a handler).
    bool RaiseBeforeNavigate2(const std::u16string& url);
    bool RaiseNewWindow3(const std::u16string& url, DWORD flags = 0,
                         const std::u16string& urlContext = u"");
    bool RaiseNavigateError(const std::u16string& url, int statusCode);
    void RaiseNavigateComplete2(const std::u16string& url);
    void RaiseDocumentComplete(const std::u16string& url);
    void RaiseProgressChange(long progress, long progressMax);
    void RaiseCommandStateChange(long command, bool enable);
    // S_OK from the handler means no context menu; gives the handler's answer.
    HRESULT RaiseShowContextMenu(POINT point);
    HRESULT RaiseDownload(const std::u16string& url);

private:
    DuiLib::CWebBrowserEventHandler* Handler() const;

    DuiLib::CActiveXUI& host_;
    std::vector<std::string> navigations_;
    std::vector<std::u16string> scripts_;
    RECT bounds_{};
    bool visible_ = false;
    bool scrollBarsHidden_ = false;
};

class HeadlessBackend : public Backend {
public:
    // What a screen would show of one window.
    struct WindowView {
        RECT rect;
        bool visible = false;
        bool enabled = true;
        WindowState state = WindowState::Normal;
        bool hasShape = false;
        HRGN__ shape;
        std::string title;
        std::string icon;  // image file of the window's icon
        HWND parent = nullptr;
        int invalidations = 0;
    };

    void SetScreen(const ScreenInfo& screen);

    // Tests: what the backend was told about a window (false when unknown).
    bool GetWindowView(HWND hwnd, WindowView* view) const;

    void CreateNativeWindow(HWND hwnd, const NativeWindowParams& params) override;
    void DestroyNativeWindow(HWND hwnd) override;
    void ShowNativeWindow(HWND hwnd, bool visible, bool activate) override;
    void MoveNativeWindow(HWND hwnd, const RECT& screenRect) override;
    void SetNativeState(HWND hwnd, WindowState state) override;
    void SetNativeShape(HWND hwnd, const HRGN__* shape) override;
    void SetNativeTitle(HWND hwnd, const std::string& title) override;
    void SetNativeIcon(HWND hwnd, const std::string& imagePath) override;
    void SetNativeParent(HWND hwnd, HWND parent) override;
    void SetNativeEnabled(HWND hwnd, bool enabled) override;
    void Invalidate(HWND hwnd, const RECT& rect) override;

    void WaitForEvents(std::optional<Clock::time_point> deadline) override;
    void Wake() override;

    ScreenInfo GetScreen() const override;
    std::unique_ptr<BrowserEngine> CreateBrowserEngine(DuiLib::CActiveXUI& host) override;

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    ScreenInfo screen_;
    std::map<HWND, WindowView> windows_;
};

// Installs a fresh headless backend and returns it (tests configure it).
HeadlessBackend& InstallHeadlessBackend();

}  // namespace ui
