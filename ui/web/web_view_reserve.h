// One web process for every page view of the program. WebKit starts a web
// process for every new view, which takes most of a second and a share of
// memory; a view made related to a live one shares that view's process
// instead. The reserve keeps a view of its own showing about:blank, whose
// process the program's page views all share: the process starts as soon as
// the reserve is turned on, and a page window opened later starts no process
// (its view shows its first page in tens of milliseconds). The reserve's view
// is never put in a window, so it is never moved between windows; WebKit
// leaves the shared process alone while any of its pages is shown.
//
// Off until a program turns it on: a page window opened without it gets a web
// process of its own, as WebKit makes it.
#pragma once

#include <webkit2/webkit2.h>

namespace ui {

class WebViewReserve {
public:
    static WebViewReserve& Get();

    // Starts the shared web process at once: the program turns the reserve on
    // when its web processes may start, and a page window opened right then
    // shares the process on its way.
    void Enable();

    // A new page view with one reference for the caller: related to the
    // reserve's view (sharing its web process) when the reserve is on.
    WebKitWebView* NewView();

    // The reserve's view is there (its process running or on its way).
    bool HasSharedProcess() const { return holder_ != nullptr; }
    // Its about:blank has finished loading: the shared process is running.
    bool SharedProcessReady() const { return holder_ != nullptr && ready_; }

private:
    WebViewReserve() = default;
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                    gpointer self);

    WebKitWebView* holder_ = nullptr;  // referenced; lives as long as the program
    bool ready_ = false;
    bool terminated_ = false;  // its process ended; the next new view starts it again
};

}  // namespace ui
