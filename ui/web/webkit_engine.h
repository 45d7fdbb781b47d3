// The page engine behind the browser controls on screen: a WebKitGTK view placed
// over its control's rectangle in the window's child layer.
//
// Page events reach the control's CWebBrowserEventHandler as the embedded
// browser raises them:
//   navigation policy            BeforeNavigate2 (cancel ignores the navigation)
//   load committed               NavigateComplete2
//   load failed, HTTP status>=400 NavigateError
//   estimated progress           ProgressChange (0..100 of 100)
//   load finished                DocumentComplete (not for WebKit's error page)
//   web process ended            the page loads again (once; NavigateError if it
//                                ends again before the page has loaded)
//   context menu                 ShowContextMenu (S_OK: no menu)
//   a response it cannot show    Download (S_OK: the handler took it; otherwise saved)
//   "create" (window.open) and the new-window navigation action (target=_blank)
//                                NewWindow3; cancel opens nothing, otherwise the page
//                                opens in a window of its own
// The handler's host info is asked before each navigation: DOCHOSTUIFLAG_SCROLL_NO
// hides the page's scroll bars.
#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "ui/core/backend.h"

namespace DuiLib {
class CActiveXUI;
class CWebBrowserEventHandler;
}  // namespace DuiLib

namespace ui {

class GtkBackend;

class WebKitBrowserEngine : public BrowserEngine {
public:
    WebKitBrowserEngine(DuiLib::CActiveXUI& host, GtkBackend& backend);
    ~WebKitBrowserEngine() override;

    void Navigate(const std::string& url) override;
    void RunJavaScript(const std::u16string& script) override;
    void SetBounds(const RECT& clientRect, bool visible) override;
    void SetScrollBarsHidden(bool hidden) override;

    WebKitWebView* View() const { return view_; }
    // Pop-up windows this engine opened because the handler let them open.
    int PopupsOpened() const { return popupsOpened_; }

private:
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer self);
    static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                 gpointer self);
    static void OnProgress(GObject*, GParamSpec*, gpointer self);
    static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                    gpointer self);
    static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event,
                                  WebKitHitTestResult*, gpointer self);

    void MakeView();
    void DropView();
    void ReplaceView();
    DuiLib::CWebBrowserEventHandler* Handler() const;
    // Asks the handler whether the page should scroll (its host info).
    void ApplyHostInfo();
    // Asks the handler about a new window; true when it may open.
    bool AllowNewWindow(const std::string& url);
    GtkWidget* OpenPopup();
    bool EnsurePlaced();
    void PutView(GtkWidget* layer, int x, int y);

    DuiLib::CActiveXUI& host_;
    GtkBackend& backend_;
    WebKitWebView* view_ = nullptr;  // referenced
    WebKitUserStyleSheet* noScrollSheet_ = nullptr;
    bool scrollBarsHidden_ = false;
    bool placed_ = false;
    bool showingErrorPage_ = false;    // after a failed load, until the next navigation
    bool reloadedAfterCrash_ = false;  // since the page last finished loading
    std::string lostPage_;             // shown when the process ended
    guint reloadSource_ = 0;           // idle source reloading after the process ended
    std::string approvedNewWindow_;    // asked already through the navigation policy
    int popupsOpened_ = 0;
};

}  // namespace ui
