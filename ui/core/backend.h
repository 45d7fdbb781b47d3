// The seam between the widget layer's core and what shows it.
//
// The core keeps every window's state itself (geometry, style, visibility,
// maximised/minimised state, shape, focus) and runs the message loop, timers and
// cross-thread messages. A backend only mirrors that state onto native windows,
// waits for native events and turns them into input for the core (see input.h),
// and creates browser engines. The headless backend (headless_backend.h) does
// all of this without a display; the on-screen backend does it with GTK.
//
// Every Backend call happens on the UI thread, except Wake(), which any thread
// may call.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/core/win_types.h"

namespace DuiLib {
class CActiveXUI;
class CEditUI;
}  // namespace DuiLib

namespace ui {

using Clock = std::chrono::steady_clock;

// The screen the layer places windows on (one monitor).
struct ScreenInfo {
    RECT monitor{0, 0, 1920, 1080};
    RECT workArea{0, 0, 1920, 1040};
};

enum class WindowState { Normal, Minimized, Maximized };

// What a native window needs to know at creation.
struct NativeWindowParams {
    HWND owner = nullptr;  // owner window (pop-ups) or parent (child windows)
    bool child = false;    // WS_CHILD: lives inside the parent's surface
    bool toolWindow = false;
    std::string title;  // GBK
    RECT rect;          // screen coordinates (client = whole window)
};

// A page engine behind a browser control (CWebBrowserUI, or CActiveXUI with the
// browser's class id). It raises the control's events through the control's
// handler (CActiveXUI::GetWebBrowserEventHandler, may be null), on the UI thread.
class BrowserEngine {
public:
    virtual ~BrowserEngine() = default;
    virtual void Navigate(const std::string& url) = 0;  // GBK/ASCII text
    virtual void RunJavaScript(const std::u16string& script) = 0;
    // Where the page lies: the control's rectangle in its window's client
    // coordinates, and whether the control is shown.
    virtual void SetBounds(const RECT& clientRect, bool visible) = 0;
    virtual void SetScrollBarsHidden(bool hidden) = 0;
};

// A native text entry over a CEditUI (on screen; headless edits take keys
// themselves). The entry reports the user's text with CEditUI::SetTextFromUser,
// its focus with CEditUI::SetFocus, and Return with ui::KeyPressed(hwnd, VK_RETURN).
class NativeEdit {
public:
    virtual ~NativeEdit() = default;
    virtual void SetBounds(const RECT& clientRect, bool visible) = 0;
    virtual void SetText(const std::string& text) = 0;  // GBK
    virtual void SetPasswordMode(bool password) = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
    virtual void SetFocused(bool focused) = 0;
};

// Drawing: when a window needs painting, the backend calls
// CPaintManagerUI::FromWindow(hwnd)->Paint(target, rect) with its own
// ui::RenderTarget (render.h); Invalidate below says what changed.
class Backend {
public:
    virtual ~Backend() = default;

    // ---- native windows (mirror of the core's state) ----
    virtual void CreateNativeWindow(HWND hwnd, const NativeWindowParams& params) = 0;
    virtual void DestroyNativeWindow(HWND hwnd) = 0;
    virtual void ShowNativeWindow(HWND hwnd, bool visible, bool activate) = 0;
    virtual void MoveNativeWindow(HWND hwnd, const RECT& screenRect) = 0;
    virtual void SetNativeState(HWND hwnd, WindowState state) = 0;
    // Rounded-rectangle shape in window coordinates; null removes the shape.
    virtual void SetNativeShape(HWND hwnd, const HRGN__* shape) = 0;
    virtual void SetNativeTitle(HWND hwnd, const std::string& title) = 0;
    // The window's icon, from an image file (GBK path).
    virtual void SetNativeIcon(HWND hwnd, const std::string& imagePath) = 0;
    virtual void SetNativeParent(HWND hwnd, HWND parent) = 0;
    virtual void SetNativeEnabled(HWND hwnd, bool enabled) = 0;
    // Part of the window needs drawing again (client coordinates).
    virtual void Invalidate(HWND hwnd, const RECT& rect) = 0;

    // ---- the loop ----
    // Waits until native events arrive (and dispatches them into the core), Wake()
    // is called, or the deadline passes (none: wait without limit). Returns early
    // when already woken since the last call.
    virtual void WaitForEvents(std::optional<Clock::time_point> deadline) = 0;
    // Interrupts WaitForEvents; callable from any thread.
    virtual void Wake() = 0;

    // ---- screen and browser ----
    virtual ScreenInfo GetScreen() const = 0;
    virtual std::unique_ptr<BrowserEngine> CreateBrowserEngine(DuiLib::CActiveXUI& host) = 0;
    // Null: the edit handles keys and characters itself (the headless case).
    virtual std::unique_ptr<NativeEdit> CreateNativeEdit(DuiLib::CEditUI&) { return nullptr; }

    // ---- shell dialogs (GBK texts and paths; modal over owner, the loop running) ----
    // A message box with an OK button. Without a screen the text goes to the log.
    virtual void ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                                bool warning);
    // The folder the user picked, or nothing when cancelled or without a screen.
    virtual std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                                       std::string_view startFolder);
};

// The backend in use. Until one is installed the headless backend is used.
Backend& GetBackend();
// Installs a backend; call before the first window is created.
void InstallBackend(std::unique_ptr<Backend> backend);

}  // namespace ui
