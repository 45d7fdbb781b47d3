// The browser control on WebKitGTK under a virtual X server: page events,
// scripts, refused new windows, the scroll flag, the context menu, and the
// launcher's ActiveX browser navigated through its IWebBrowser2.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/text.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/render/skin_window_for_tests.h"
#include "ui/web/screen_backend.h"
#include "ui/web/web_view_reserve.h"
#include "ui/web/webkit_engine.h"

namespace {

using namespace DuiLib;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Records what the page raised; refuses new windows unless told otherwise.
struct RecordingHandler : CWebBrowserEventHandler {
    std::vector<std::string> events;  // "event url" in UTF-8
    std::vector<std::string> newWindows;
    bool refuseNewWindows = true;
    bool hideScrollBars = false;
    int contextMenus = 0;

    void Record(const char* event, BSTR url) {
        events.push_back(std::string(event) + " " + platform::Utf16ToUtf8(url ? url : u""));
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (auto& e : events) n += e.rfind(prefix, 0) == 0;
        return n;
    }
    void BeforeNavigate2(void*, BSTR url, DWORD, BSTR, VARIANT_BOOL*) override {
        Record("BeforeNavigate2", url);
    }
    void NavigateComplete2(void*, BSTR url) override { Record("NavigateComplete2", url); }
    void DocumentComplete(void*, BSTR url) override { Record("DocumentComplete", url); }
    void NewWindow3(void**, VARIANT_BOOL* cancel, DWORD, BSTR, BSTR url) override {
        newWindows.push_back(platform::Utf16ToUtf8(url));
        *cancel = refuseNewWindows ? VARIANT_TRUE : VARIANT_FALSE;
    }
    HRESULT ShowContextMenu(DWORD, POINT*, void*, void*) override {
        ++contextMenus;
        return S_OK;
    }
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) override {
        if (hideScrollBars) info->dwFlags |= DOCHOSTUIFLAG_SCROLL_NO;
        return S_OK;
    }
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
    return ui::RunUntil(done, timeout);
}

int MappedToplevels() {
    int mapped = 0;
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next) mapped += gtk_widget_get_mapped(GTK_WIDGET(l->data));
    g_list_free(tops);
    return mapped;
}

// The web processes this program started.
std::vector<pid_t> WebProcesses() {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const pid_t pid = std::atoi(entry.path().filename().c_str());
        std::string name;
        if (pid <= 0 || !std::getline(std::ifstream(entry.path() / "comm"), name) ||
            name.find("WebKitWebProces") == std::string::npos)
            continue;
        // Its parent is this program, or a sandbox this program started.
        for (pid_t up = pid, hops = 0; up > 1 && hops < 4; ++hops) {
            std::string stat;
            std::getline(std::ifstream("/proc/" + std::to_string(up) + "/stat"), stat);
            const auto close = stat.rfind(')');
            if (close == std::string::npos) break;
            up = std::atoi(stat.c_str() + close + 4);  // ") S <ppid>"
            if (up == getpid()) {
                found.push_back(pid);
                break;
            }
        }
    }
    return found;
}

class WebKitBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(ui::InstallScreenBackend()) << "needs an X display";
        // As in the client: every browser after the first may get a spare view.
        ui::WebViewReserve::Get().Enable();
        pages_ = fs::temp_directory_path() / ("quorvi-web-" + std::to_string(getpid()));
        fs::create_directories(pages_);
        std::ofstream(pages_ / "page.html")
            << "<html><head><title>page</title></head><body style='height:3000px'>"
               "<a id='blank' href='other.html' target='_blank'>other</a></body></html>";
        std::ofstream(pages_ / "other.html") << "<html><body>other</body></html>";
        // A pop-up no user asked for: the page opens it by itself after loading.
        std::ofstream(pages_ / "popup.html")
            << "<html><body><script>setTimeout(function() {"
               " window.open('other.html?by=page'); }, 50);</script></body></html>";
    }
    static void TearDownTestSuite() { fs::remove_all(pages_); }

    static std::string Url(const char* page) { return "file://" + (pages_ / page).string(); }

    // A window holding a browser control at 10,40 (300 x 200) with the handler;
    // the web engine is loaded first unless the test waits for the backend to.
    void Open(bool loadEngine = true) {
        if (loadEngine) {
            ASSERT_TRUE(ui::LoadWebEngine());
        }
        window_ = std::make_unique<ui::testing::SkinWindow>(
            "<Window size=\"320,250\"><Container bkcolor=\"#FFFFFFFF\">"
            "<WebBrowser name=\"web\" float=\"true\" pos=\"10,40,310,240\"/>"
            "</Container></Window>");
        ASSERT_NE(window_->Create(nullptr, "web", WS_POPUP | WS_VISIBLE, 0, 100, 100, 320, 250),
                  nullptr);
        browser_ = window_->Find<CWebBrowserUI>("web");
        ASSERT_NE(browser_, nullptr);
        browser_->SetWebBrowserEventHandler(&handler_);
    }

    ui::WebKitBrowserEngine* Engine() {
        return dynamic_cast<ui::WebKitBrowserEngine*>(browser_->GetEngine());
    }

    // Loads a page and waits for it to complete.
    void Load(const char* page) {
        const int before = handler_.Count("DocumentComplete");
        browser_->Navigate2(Url(page));
        ASSERT_TRUE(WaitFor([&] { return handler_.Count("DocumentComplete") > before; }))
            << "page did not load";
    }

    std::string Title() {
        const char* title = webkit_web_view_get_title(Engine()->View());
        return title ? title : "";
    }

    void TearDown() override {
        if (window_ && IsWindow(window_->GetHWND())) DestroyWindow(window_->GetHWND());
        ui::RunUntilIdle();
    }

    static inline fs::path pages_;
    RecordingHandler handler_;
    std::unique_ptr<ui::testing::SkinWindow> window_;
    CWebBrowserUI* browser_ = nullptr;
};

// The reserve is turned on when web processes may start (in the set-up, here,
// with no main loop run since): the shared process starts at once, so a page
// window opened right after finds it on its way.
TEST_F(WebKitBrowser, SharedProcessStartsAsSoonAsTheReserveIsTurnedOn) {
    ui::WebViewReserve& reserve = ui::WebViewReserve::Get();
    EXPECT_TRUE(reserve.HasSharedProcess()) << "the process waits for the program to go idle";
    EXPECT_FALSE(reserve.SharedProcessReady());
    EXPECT_TRUE(WaitFor([&] { return reserve.SharedProcessReady(); }))
        << "the shared process never loaded its blank page";
}

// The programs load the web engine after their first paint. A control made
// before that keeps what it was asked (its place, its page) and the page shows
// over it once the engine has come. (Early in the file: later tests load the
// engine at once.)
TEST_F(WebKitBrowser, PageAskedForBeforeTheEngineLoadsShowsOverTheControlOnceItHas) {
    Open(false);
    browser_->Navigate2(Url("page.html"));
    ASSERT_TRUE(WaitFor([&] { return handler_.Count("DocumentComplete") > 0; }))
        << "the page asked for before the engine was loaded never loaded";
    EXPECT_EQ(handler_.events.back(), "DocumentComplete " + Url("page.html"));
    GtkWidget* layer = ui::GetGtkBackend()->ChildLayer(window_->GetHWND());
    ASSERT_NE(layer, nullptr);
    GtkWidget* view = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(layer));
    for (GList* l = children; l; l = l->next)
        if (WEBKIT_IS_WEB_VIEW(l->data)) view = GTK_WIDGET(l->data);
    g_list_free(children);
    ASSERT_NE(view, nullptr);
    // GTK maps a new child before its first size allocation: wait for both.
    GtkAllocation placed{};
    EXPECT_TRUE(WaitFor([&] {
        gtk_widget_get_allocation(view, &placed);
        return gtk_widget_get_mapped(view) && placed.width > 1;
    }));
    EXPECT_EQ(placed.x, 10);
    EXPECT_EQ(placed.y, 40);
    EXPECT_EQ(placed.width, 300);
    EXPECT_EQ(placed.height, 200);
}

TEST_F(WebKitBrowser, LocalPageRaisesItsEventsInOrderOverTheControl) {
    Open();
    ASSERT_NE(Engine(), nullptr);
    Load("page.html");
    const std::string url = Url("page.html");
    ASSERT_GE(handler_.events.size(), 3u);
    EXPECT_EQ(handler_.events[0], "BeforeNavigate2 " + url);
    EXPECT_EQ(handler_.Count("NavigateComplete2 " + url), 1);
    EXPECT_EQ(handler_.events.back(), "DocumentComplete " + url);
    // The page lies over the control's rectangle.
    GtkAllocation placed;
    gtk_widget_get_allocation(GTK_WIDGET(Engine()->View()), &placed);
    EXPECT_EQ(placed.x, 10);
    EXPECT_EQ(placed.y, 40);
    EXPECT_EQ(placed.width, 300);
    EXPECT_EQ(placed.height, 200);
}

// Every browser's view shares the reserve's web process: two page windows run
// in the process the reserve's blank page started, and the blank page's events
// reach no browser. When that process ends, each page loads again, its events
// raised again, in its place and with its style sheets, and the pages share
// one process again.
TEST_F(WebKitBrowser, BrowsersShareOneWebProcessAndComeBackWhenItEnds) {
    ASSERT_TRUE(WaitFor([] { return ui::WebViewReserve::Get().SharedProcessReady(); }));
    Open();
    Load("page.html");
    RecordingHandler otherEvents;
    ui::testing::SkinWindow other(
        "<Window size=\"200,150\"><Container>"
        "<WebBrowser name=\"web\" float=\"true\" pos=\"0,0,200,150\"/></Container></Window>");
    ASSERT_NE(other.Create(nullptr, "other", WS_POPUP | WS_VISIBLE, 0, 500, 100, 200, 150),
              nullptr);
    auto* otherBrowser = other.Find<CWebBrowserUI>("web");
    otherBrowser->SetWebBrowserEventHandler(&otherEvents);
    otherBrowser->Navigate2(Url("other.html"));
    ASSERT_TRUE(WaitFor([&] { return otherEvents.Count("DocumentComplete") == 1; }));
    // The views share a process, not their style sheets: one hiding its
    // scroll bars leaves the other's.
    handler_.hideScrollBars = true;
    Load("page.html");
    const char* overflow = "document.title = getComputedStyle(document.documentElement).overflow;";
    const std::u16string overflow16 = platform::Utf8ToUtf16(overflow);
    auto* otherView = dynamic_cast<ui::WebKitBrowserEngine*>(otherBrowser->GetEngine())->View();
    webkit_web_view_evaluate_javascript(otherView, overflow, -1, nullptr, nullptr, nullptr, nullptr,
                                        nullptr);
    EXPECT_TRUE(WaitFor([&] {
        const char* title = webkit_web_view_get_title(otherView);
        return title && std::string(title) == "visible";
    })) << "one window's style sheet reached another";
    const std::vector<pid_t> shared = WebProcesses();
    EXPECT_EQ(shared.size(), 1u) << "each view started a web process of its own";
    for (const auto& event : handler_.events)
        EXPECT_EQ(event.find("about:blank"), std::string::npos);
    EXPECT_EQ(handler_.events.front(), "BeforeNavigate2 " + Url("page.html"));

    browser_->RunJavaScript(u"document.title = 'changed';");
    ASSERT_TRUE(WaitFor([&] { return Title() == "changed"; }));
    for (pid_t pid : shared) kill(pid, SIGKILL);
    EXPECT_TRUE(WaitFor([&] {
        return handler_.Count("DocumentComplete") == 3 &&
               otherEvents.Count("DocumentComplete") == 2;
    })) << "a page stayed blank after its process ended";
    EXPECT_EQ(handler_.events.back(), "DocumentComplete " + Url("page.html"));
    EXPECT_EQ(otherEvents.events.back(), "DocumentComplete " + Url("other.html"));
    EXPECT_TRUE(WaitFor([&] { return Title() == "page"; })) << "the page was not loaded again";
    EXPECT_EQ(WebProcesses().size(), 1u) << "the pages came back in processes of their own";
    GtkAllocation placed;
    gtk_widget_get_allocation(GTK_WIDGET(Engine()->View()), &placed);
    EXPECT_EQ((RECT{placed.x, placed.y, placed.x + placed.width, placed.y + placed.height}),
              (RECT{10, 40, 310, 240}));
    browser_->RunJavaScript(overflow16);
    EXPECT_TRUE(WaitFor([&] { return Title() == "hidden"; })) << Title();
    DestroyWindow(other.GetHWND());
    Load("other.html");
}

// The reserve's blank page runs only while no page does: a page window takes
// the shared process over from it, and the last page window to close leaves its
// view behind, blank, holding the process, so the next window opens on it.
TEST_F(WebKitBrowser, SharedProcessOutlivesThePageWindowsWithNoBlankPageBesideThem) {
    ui::WebViewReserve& reserve = ui::WebViewReserve::Get();
    ASSERT_TRUE(WaitFor([&] { return reserve.SharedProcessReady(); }));
    const std::vector<pid_t> shared = WebProcesses();
    ASSERT_EQ(shared.size(), 1u);
    Open();
    EXPECT_FALSE(reserve.HasHolder()) << "a blank page runs beside the page window";
    Load("page.html");
    DestroyWindow(window_->GetHWND());
    window_.reset();  // with its controls
    EXPECT_TRUE(reserve.HasHolder()) << "nothing kept the process of the last page window";
    ui::RunFor(500ms);  // time for the process to end, were it left without a page
    EXPECT_EQ(WebProcesses(), shared);
    Open();
    Load("other.html");
    EXPECT_EQ(WebProcesses(), shared) << "the next page window started a process of its own";
    EXPECT_FALSE(reserve.HasHolder());
}

TEST_F(WebKitBrowser, MissingPageRaisesNavigateErrorNotDocumentComplete) {
    struct ErrorHandler : RecordingHandler {
        int errors = 0;
        void NavigateError(void*, BSTR url, BSTR, int, VARIANT_BOOL*) override {
            ++errors;
            Record("NavigateError", url);
        }
    };
    Open();
    ErrorHandler errors;
    browser_->SetWebBrowserEventHandler(&errors);
    browser_->Navigate2(Url("missing.html"));
    EXPECT_TRUE(WaitFor([&] { return errors.errors == 1; }));
    ui::RunFor(300ms);
    EXPECT_EQ(errors.Count("DocumentComplete"), 0);
    EXPECT_EQ(errors.events.back(), "NavigateError " + Url("missing.html"));
}

TEST_F(WebKitBrowser, RunJavaScriptChangesThePage) {
    Open();
    Load("page.html");
    browser_->RunJavaScript(u"document.title = '\u5e94\u7528' + (6 * 7);");  // "应用42"
    EXPECT_TRUE(WaitFor([&] { return Title() == "应用42"; })) << Title();
    // A script whose last line is a comment runs as well.
    browser_->RunJavaScript(u"document.title = 'done'; // the end");
    EXPECT_TRUE(WaitFor([&] { return Title() == "done"; })) << Title();
}

TEST_F(WebKitBrowser, NewWindowRequestsReachTheHandlerAndRefusedOnesOpenNothing) {
    Open();
    Load("page.html");
    const int windows = MappedToplevels();
    browser_->RunJavaScript(u"window.open('other.html?from=script');");
    ASSERT_TRUE(WaitFor([&] { return handler_.newWindows.size() == 1; }));
    EXPECT_EQ(handler_.newWindows[0], Url("other.html") + "?from=script");

    browser_->RunJavaScript(u"document.getElementById('blank').click();");
    ASSERT_TRUE(WaitFor([&] { return handler_.newWindows.size() == 2; }));
    EXPECT_EQ(handler_.newWindows[1], Url("other.html"));

    ui::RunFor(300ms);                          // time for a window to appear if one were opened
    EXPECT_EQ(handler_.newWindows.size(), 2u);  // each request asked once
    EXPECT_EQ(Engine()->PopupsOpened(), 0);
    EXPECT_EQ(MappedToplevels(), windows);
    EXPECT_EQ(webkit_web_view_get_uri(Engine()->View()), Url("page.html"));

    // A page's own script pop-up (no user gesture) reaches the handler too.
    Load("popup.html");
    ASSERT_TRUE(WaitFor([&] { return handler_.newWindows.size() == 3; }));
    EXPECT_EQ(handler_.newWindows[2], Url("other.html") + "?by=page");
    EXPECT_EQ(MappedToplevels(), windows);

    // A handler that lets it open gets a window.
    handler_.refuseNewWindows = false;
    browser_->RunJavaScript(u"window.open('other.html?allowed');");
    EXPECT_TRUE(WaitFor([&] { return MappedToplevels() == windows + 1; }));
    EXPECT_EQ(Engine()->PopupsOpened(), 1);
    EXPECT_EQ(handler_.newWindows.size(), 4u);
}

TEST_F(WebKitBrowser, ScrollFlagOfTheHostInfoHidesTheScrollBars) {
    Open();
    handler_.hideScrollBars = false;
    Load("page.html");
    browser_->RunJavaScript(
        u"document.title = getComputedStyle(document.documentElement).overflow;");
    EXPECT_TRUE(WaitFor([&] { return Title() == "visible"; })) << Title();

    handler_.hideScrollBars = true;  // asked again at the next navigation
    Load("page.html");
    browser_->RunJavaScript(
        u"document.title = getComputedStyle(document.documentElement).overflow;");
    EXPECT_TRUE(WaitFor([&] { return Title() == "hidden"; })) << Title();
}

TEST_F(WebKitBrowser, ContextMenuIsLeftToTheHandler) {
    Open();
    Load("page.html");
    const int windows = MappedToplevels();
    ASSERT_EQ(std::system("xdotool mousemove 200 250 click 3"), 0);  // over the page
    EXPECT_TRUE(WaitFor([&] { return handler_.contextMenus == 1; }));
    ui::RunFor(200ms);
    EXPECT_EQ(MappedToplevels(), windows);  // S_OK: no menu
}

TEST_F(WebKitBrowser, ActiveXBrowserNavigatesThroughItsInterface) {
    window_ = std::make_unique<ui::testing::SkinWindow>(
        "<Window size=\"320,250\"><Container>"
        "<ActiveX name=\"ie\" clsid=\"{8856F961-340A-11D0-A96B-00C04FD705A2}\" "
        "delaycreate=\"false\"/></Container></Window>");
    ASSERT_NE(window_->Create(nullptr, "ie", WS_POPUP | WS_VISIBLE, 0, 0, 0, 320, 250), nullptr);
    auto* ie = window_->Find<CActiveXUI>("ie");
    ASSERT_NE(ie, nullptr);
    IWebBrowser2* web = nullptr;
    ASSERT_TRUE(ie->GetControl(IID_IWebBrowser2, reinterpret_cast<LPVOID*>(&web)));
    ASSERT_NE(web, nullptr);
    const std::u16string url = platform::Utf8ToUtf16(Url("other.html"));
    EXPECT_EQ(web->Navigate(url.c_str()), S_OK);
    auto* engine = dynamic_cast<ui::WebKitBrowserEngine*>(ie->GetEngine());
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(WaitFor([&] {
        const char* uri = webkit_web_view_get_uri(engine->View());
        return uri && uri == Url("other.html") && !webkit_web_view_is_loading(engine->View());
    }));
    web->Release();
}

}  // namespace
