// One web process for every page view of the program. WebKit starts a web
// process for every new view, which takes most of a second and a share of
// memory; a view made related to a live one shares that view's process
// instead. Once the reserve is on, every page view is made related to a live
// view whose process runs, so they all share one process.
//
// While no page view lives, the reserve keeps the process with a view of its
// own showing about:blank (the holder): it starts the process as soon as the
// reserve is turned on, so a page window opened later starts none (its view
// shows its first page in tens of milliseconds), and it takes the process over
// from the last page view to close. A new page view takes it over from the
// holder, which then goes: an idle program runs no page beside the ones it
// shows (each page has timers of its own in this process). The holder is never
// put in a window, so it is never moved between windows.
//
// Off until a program turns it on: a page window opened without it gets a web
// process of its own, as WebKit makes it.
#pragma once

#include <webkit2/webkit2.h>

#include <vector>

namespace ui {

class WebViewReserve {
public:
    static WebViewReserve& Get();

    // Turns sharing on and, unless a page view lives, starts the shared process
    // at once: the program turns the reserve on when its web processes may
    // start, and a page window opened right then shares the process on its way.
    void Enable();

    // A new page view with one reference for the caller: when the reserve is
    // on, related to the holder or to a live page view whose process runs
    // (sharing its process); with none, it starts the process the next views share.
    WebKitWebView* NewView();
    // Ends a view from NewView, taken out of its window, with the caller's
    // reference: destroyed, or, when it is the last page view whose process
    // runs, kept blank as the holder of that process.
    void EndView(WebKitWebView* view);

    // The holder or a page view is there (the shared process running or on its way).
    bool HasSharedProcess() const;
    // The holder has loaded its about:blank, or a page view holds the process.
    bool SharedProcessReady() const;
    // The holder is there (no page view had taken the process over).
    bool HasHolder() const { return holder_ != nullptr; }

private:
    struct PageView {
        WebKitWebView* view;  // not referenced: its engine owns it
        bool processEnded = false;
    };

    WebViewReserve() = default;
    void MakeHolder(WebKitWebView* view);  // a new view when null; takes a reference
    void DropHolder();
    const PageView* RunningView() const;
    PageView* Find(const WebKitWebView* view);
    static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
    static void OnProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason,
                                    gpointer self);

    bool enabled_ = false;
    WebKitWebView* holder_ = nullptr;  // referenced
    bool holderLoaded_ = false;
    bool holderEnded_ = false;     // its process ended; the next new view starts another
    std::vector<PageView> views_;  // the live page views made by NewView, oldest first
};

}  // namespace ui
