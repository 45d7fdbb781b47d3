// A page view made ready before a window needs it. WebKit starts a web process
// for every new view, which takes most of a second; a view that has already
// shown about:blank in its own process shows its first real page in tens of
// milliseconds. The reserve keeps one such view and, when it hands it out,
// makes the next one once the program is idle.
//
// Off until a program turns it on: a spare web process costs memory that only
// a program opening page windows one after another (the client) gets back.
#pragma once

#include <webkit2/webkit2.h>

namespace ui {

class WebViewReserve {
public:
    static WebViewReserve& Get();

    // Starts keeping a spare view. The first is made at once: the program turns
    // the reserve on when its web processes may start, and a page window opened
    // right then is better off with that spare on its way.
    void Enable();

    // The spare view, with one reference for the caller, when it has finished
    // loading about:blank (so none of its own page events can reach the new
    // owner); otherwise nullptr and the caller makes a view of its own.
    WebKitWebView* Take();

    bool HasReadyView() const { return spare_ != nullptr && ready_; }
    // A spare is there or on its way (its web process starting).
    bool HasSpare() const { return spare_ != nullptr; }

private:
    WebViewReserve() = default;
    void ScheduleSpare();
    void MakeSpare();
    void DropSpare();
    void DropSpareLater();
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self);
    static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                    gpointer self);

    bool enabled_ = false;
    WebKitWebView* spare_ = nullptr;  // referenced
    bool ready_ = false;
    guint scheduled_ = 0;  // idle source making the next spare
};

}  // namespace ui
