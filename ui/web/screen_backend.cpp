#include "ui/web/screen_backend.h"

#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/text.h"
#include "ui/core/control_map.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/window_image.h"
#include "ui/web/webkit_engine.h"

namespace ui {
namespace {

// Beside a window's screenshot: where each of its named controls is shown, so
// that a script can click a control by its name.
void WriteControlMap(HWND hwnd, const std::string& path) {
    const DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd);
    if (manager == nullptr) return;
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const std::string map = FormatControlMap(VisibleNamedControls(manager->GetRoot()), origin);
    // Written under another name first, so a reader never sees half a map.
    const std::string partial = path + ".part";
    if (std::FILE* file = std::fopen(partial.c_str(), "wb")) {
        const bool whole = std::fwrite(map.data(), 1, map.size(), file) == map.size();
        if (std::fclose(file) == 0 && whole) std::rename(partial.c_str(), path.c_str());
    }
}

// Without a GPU (Xvfb, remote displays) WebKit's accelerated compositing draws
// nothing that GTK can show or capture; the page then paints through GTK. A
// setting the user made is kept.
void PrepareWebKitEnvironment() {
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
}

}  // namespace

bool InstallScreenBackend() {
    PrepareWebKitEnvironment();
    if (!InstallGtkBackend()) return false;
    GtkBackend* backend = GetGtkBackend();
    backend->SetBrowserFactory(
        [backend](DuiLib::CActiveXUI& host) -> std::unique_ptr<BrowserEngine> {
            return std::make_unique<WebKitBrowserEngine>(host, *backend);
        });
    static std::string screenshotFolder;
    if (const char* folder = std::getenv("QUORVI_SCREENSHOT_DIR"); folder && *folder) {
        screenshotFolder = folder;
        g_unix_signal_add(
            SIGUSR2,
            [](gpointer) {
                SaveShownWindowsPng(screenshotFolder);
                return G_SOURCE_CONTINUE;
            },
            nullptr);
    }
    return true;
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
    if (GtkBackend* backend = GetGtkBackend(); backend && backend->WriteLivePng(hwnd, path))
        return true;
    return WriteWindowPng(hwnd, path);
}

int SaveShownWindowsPng(const std::string& folder) {
    GtkBackend* backend = GetGtkBackend();
    if (!backend) return 0;
    int written = 0, index = 0;
    for (HWND hwnd : backend->ShownWindows()) {
        std::string name = platform::GbkToUtf8(GetWindowTextString(hwnd));
        for (char& c : name)
            if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
        if (name.empty()) name = "window";
        const std::string base = folder + "/" + name + "-" + std::to_string(++index);
        if (SaveWindowPng(hwnd, base + ".png")) ++written;
        WriteControlMap(hwnd, base + ".controls.txt");
    }
    return written;
}

}  // namespace ui
