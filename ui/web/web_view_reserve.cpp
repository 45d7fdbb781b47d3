#include "ui/web/web_view_reserve.h"

namespace ui {

// Lives as long as the program: the shared web process ends with the
// program's connection to it, and GTK must not be touched from a static
// destructor after its loop has gone.
WebViewReserve& WebViewReserve::Get() {
    static auto* reserve = new WebViewReserve;
    return *reserve;
}

void WebViewReserve::Enable() {
    if (holder_ != nullptr) return;
    holder_ = WEBKIT_WEB_VIEW(webkit_web_view_new());
    g_object_ref_sink(holder_);
    g_signal_connect(holder_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(holder_, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
    webkit_web_view_load_uri(holder_, "about:blank");
}

WebKitWebView* WebViewReserve::NewView() {
    if (holder_ == nullptr) {
        auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new());
        g_object_ref_sink(view);
        return view;
    }
    // After its process ended the holder starts a new one here, which the new
    // view shares; it is not reloaded on its own, so a process that keeps
    // failing is not restarted in a loop.
    if (terminated_) {
        terminated_ = false;
        webkit_web_view_load_uri(holder_, "about:blank");
    }
    // Only the process is shared: webkit_web_view_new_with_related_view would
    // also share the holder's settings and user style sheets with every view.
    auto* view =
        WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", holder_, nullptr));
    g_object_ref_sink(view);
    return view;
}

void WebViewReserve::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    if (event == WEBKIT_LOAD_FINISHED) static_cast<WebViewReserve*>(data)->ready_ = true;
}

void WebViewReserve::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                         gpointer data) {
    auto* self = static_cast<WebViewReserve*>(data);
    self->ready_ = false;
    self->terminated_ = true;
}

}  // namespace ui
