// The on-screen backend of the widget layer on GTK 3 (X11).
//
// Every window of the layer becomes an undecorated GtkWindow holding a
// GtkLayout: a drawing area the size of the window, where the paint manager
// paints through cairo, and the native children placed over their controls'
// rectangles (entries for edit boxes, web views for browsers). The core keeps
// the geometry and the states; this backend only mirrors them, so maximise,
// minimise, restore, dragging and sizing need no window manager.
//
// Native events become layer input (ui/core/input.h) with Windows virtual-key
// codes; WaitForEvents runs the GLib main loop.
//
// Sections: GtkBackend | installation
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/backend.h"

namespace DuiLib {
class CEditUI;
class CPaintManagerUI;
}  // namespace DuiLib

namespace ui {

struct GtkWindowRecord;  // gtk_window.h

class GtkBackend : public Backend {
public:
    using BrowserFactory = std::function<std::unique_ptr<BrowserEngine>(DuiLib::CActiveXUI& host)>;

    // Opens the display. Null, with a one-line reason, when there is none.
    static std::unique_ptr<GtkBackend> Create(std::string* reason);
    ~GtkBackend() override;

    // Browser engines come from this factory (the WebKit one); without one the
    // headless page stand-in is used.
    void SetBrowserFactory(BrowserFactory factory) { browserFactory_ = std::move(factory); }

    // Native parts of a window, for the browser engine and for tests. Null when unknown.
    GtkWidget* NativeWindow(HWND hwnd) const;               // the GtkWindow of a top-level window
    GtkWidget* ChildLayer(HWND hwnd) const;                 // the GtkLayout native children go into
    GtkWidget* EntryOf(const DuiLib::CEditUI* edit) const;  // an edit box's native entry

    // Paints the live window with its native children (entries, web pages)
    // into a PNG file. False when the window is unknown or not realised.
    bool WriteLivePng(HWND hwnd, const std::string& path);
    // The part of the window painted since the last call (client coordinates;
    // empty when nothing was): what a change made the backend repaint.
    RECT TakePaintedArea(HWND hwnd);
    // The top-level windows on screen now, in creation order of their handles.
    std::vector<HWND> ShownWindows() const;

    // Backend
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
    std::unique_ptr<NativeEdit> CreateNativeEdit(DuiLib::CEditUI& edit) override;
    void ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                        bool warning) override;  // shell_dialogs.cpp
    std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                               std::string_view startFolder) override;

    using Window = GtkWindowRecord;  // one native window

private:
    GtkBackend() = default;
    Window* Find(HWND hwnd) const;
    static bool HasWindowManager();

    std::map<HWND, std::unique_ptr<Window>> windows_;
    BrowserFactory browserFactory_;
};

// ---- installation
// --------------------------------------------------------------------------------- Installs the
// GTK backend (without a browser engine: ui/web's InstallScreenBackend adds WebKit). False, with
// the reason on standard error, when there is no display.
bool InstallGtkBackend();
// The installed GTK backend, or null when another backend is in use.
GtkBackend* GetGtkBackend();

}  // namespace ui
