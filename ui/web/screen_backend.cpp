#include "ui/web/screen_backend.h"

#include <dlfcn.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <variant>
#include <vector>

#include "platform/module.h"
#include "platform/process.h"
#include "platform/text.h"
#include "ui/core/browser.h"
#include "ui/core/control_map.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/window_image.h"
#include "ui/web/web_module.h"

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

// ---- the web module

const WebModuleApi* g_webModule = nullptr;
bool g_webModuleTried = false;
bool g_spareViewWanted = false;
bool g_loadScheduled = false;
bool g_framePainted = false;  // a window of the program has been painted

class DeferredEngine;
std::vector<DeferredEngine*> g_waitingEngines;

// A browser control's engine until the module is loaded: it keeps the
// control's requests in order and replays them on the WebKit engine.
class DeferredEngine : public BrowserEngine {
public:
    DeferredEngine(DuiLib::CActiveXUI& host, GtkBackend& backend) : host_(host), backend_(backend) {
        g_waitingEngines.push_back(this);
    }
    ~DeferredEngine() override { Forget(); }

    void Navigate(const std::string& url) override {
        if (engine_)
            engine_->Navigate(url);
        else
            requests_.emplace_back(url);
    }
    void RunJavaScript(const std::u16string& script) override {
        if (engine_)
            engine_->RunJavaScript(script);
        else
            requests_.emplace_back(script);
    }
    void SetBounds(const RECT& clientRect, bool visible) override {
        if (engine_) return engine_->SetBounds(clientRect, visible);
        bounds_ = clientRect;
        visible_ = visible;
        hasBounds_ = true;
    }
    void SetScrollBarsHidden(bool hidden) override {
        if (engine_) return engine_->SetScrollBarsHidden(hidden);
        scrollBarsHidden_ = hidden;
    }

    void Start(const WebModuleApi& module) {
        Forget();
        engine_ = module.createEngine(host_, backend_);
        if (scrollBarsHidden_) engine_->SetScrollBarsHidden(*scrollBarsHidden_);
        if (hasBounds_) engine_->SetBounds(bounds_, visible_);
        for (const auto& request : requests_) {
            if (const auto* url = std::get_if<std::string>(&request))
                engine_->Navigate(*url);
            else
                engine_->RunJavaScript(std::get<std::u16string>(request));
        }
        requests_.clear();
    }

private:
    void Forget() { std::erase(g_waitingEngines, this); }

    DuiLib::CActiveXUI& host_;
    GtkBackend& backend_;
    std::unique_ptr<BrowserEngine> engine_;
    std::vector<std::variant<std::string, std::u16string>> requests_;
    RECT bounds_{};
    bool visible_ = false;
    bool hasBounds_ = false;
    std::optional<bool> scrollBarsHidden_;
};

using ModuleEntry = const WebModuleApi* (*)();

// Beside the program (its program folder), else where the build made it. The
// entry, or null with the reasons in `reasons`.
ModuleEntry OpenWebModule(std::string& reasons) {
    // A program linked with the engine itself (the engine's tests) uses it.
    if (auto entry = reinterpret_cast<ModuleEntry>(dlsym(RTLD_DEFAULT, "quorvi_web_module")))
        return entry;
#ifdef QUORVI_WEB_MODULE_BUILD_PATH
    const char* buildPath = QUORVI_WEB_MODULE_BUILD_PATH;
#else
    const char* buildPath = nullptr;
#endif
    // Local: WebKit's symbols stay out of the lookups of the rest of the program.
    return reinterpret_cast<ModuleEntry>(
        platform::OpenModuleEntry("libquorvi-web.so", buildPath, "quorvi_web_module", reasons));
}

void ScheduleLoad() {
    if (g_loadScheduled || g_webModuleTried) return;
    g_loadScheduled = true;
    // Low priority: after the frame being painted has gone to the screen. On
    // this thread: a library WebKit loads opens modules from its constructor,
    // which deadlocks with GTK looking up a module's symbol on this thread
    // while another thread holds the loader's lock.
    g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer) {
            LoadWebEngine();
            return G_SOURCE_REMOVE;
        },
        nullptr, nullptr);
}

// Loads the module after the first frame of a window painted from now on. A
// program whose windows are not painted still gets it: three seconds after the
// first call, or one when a window has been painted by then (a slow start must
// not have the engine loaded between the window's map and its first frame).
void LoadAfterFirstPaint() {
    static bool waiting = false;
    if (waiting) return;
    waiting = true;
    // Any widget's draw: the engine waits for a frame of the program, not of
    // the window holding the browser (the program's first window may be one
    // without a browser).
    g_signal_add_emission_hook(
        g_signal_lookup("draw", GTK_TYPE_WIDGET), 0,
        [](GSignalInvocationHint*, guint, const GValue*, gpointer) -> gboolean {
            g_framePainted = true;
            ScheduleLoad();
            return FALSE;  // once
        },
        nullptr, nullptr);
    g_timeout_add(
        1000,
        [](gpointer) {
            static int seconds = 0;
            if (!g_framePainted && ++seconds < 3) return G_SOURCE_CONTINUE;
            ScheduleLoad();
            return G_SOURCE_REMOVE;
        },
        nullptr);
}

}  // namespace

void PrepareScreenEnvironment() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    // Settings the user made are kept, and programs the user starts from ours
    // (the system browser among them) do not inherit ours.
    // Without a GPU (Xvfb, remote displays) WebKit's accelerated compositing
    // draws nothing that GTK can show or capture; the page then paints through
    // GTK.
    platform::SetOwnEnvironmentVariable("WEBKIT_DISABLE_COMPOSITING_MODE", "1");
    // The windows are painted with cairo and WebKit does not composite, so
    // GDK's probe of OpenGL (which loads the GL drivers) is left out.
    platform::SetOwnEnvironmentVariable("GDK_GL", "disable");
}

bool InstallScreenBackend() {
    PrepareScreenEnvironment();
    if (!InstallGtkBackend()) return false;
    GtkBackend* backend = GetGtkBackend();
    backend->SetBrowserFactory(
        [backend](DuiLib::CActiveXUI& host) -> std::unique_ptr<BrowserEngine> {
            if (g_webModule) return g_webModule->createEngine(host, *backend);
            if (g_webModuleTried) return nullptr;
            auto engine = std::make_unique<DeferredEngine>(host, *backend);
            LoadAfterFirstPaint();
            return engine;
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

bool LoadWebEngine() {
    if (!g_webModuleTried) {
        g_webModuleTried = true;
        std::string reasons;
        if (ModuleEntry entry = OpenWebModule(reasons)) {
            g_webModule = entry();
        } else {
            std::fprintf(stderr, "quorvi: the web engine module could not be loaded:%s\n",
                         reasons.c_str());
        }
        // The shared page process first, so the waiting controls' views join it
        // instead of each starting a process of its own.
        if (g_webModule && g_spareViewWanted) g_webModule->enableSpareView();
        // Started in the order the controls were made; each start removes one.
        while (g_webModule && !g_waitingEngines.empty())
            g_waitingEngines.front()->Start(*g_webModule);
    }
    return g_webModule != nullptr;
}

void EnableSpareWebView() {
    g_spareViewWanted = true;
    if (g_webModule) {
        g_webModule->enableSpareView();
    } else if (GetGtkBackend() != nullptr) {
        LoadAfterFirstPaint();
    }
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
