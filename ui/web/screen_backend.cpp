#include "ui/web/screen_backend.h"

#include <glib-unix.h>

#include <csignal>
#include <cstdlib>

#include "platform/text.h"
#include "ui/core/win_api.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/window_image.h"
#include "ui/web/webkit_engine.h"

namespace ui {

bool InstallScreenBackend() {
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
        const std::string path = folder + "/" + name + "-" + std::to_string(++index) + ".png";
        if (SaveWindowPng(hwnd, path)) ++written;
    }
    return written;
}

}  // namespace ui
