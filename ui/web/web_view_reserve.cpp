#include "ui/web/web_view_reserve.h"

namespace ui {

// Lives as long as the program: the spare's web process ends with the
// program's connection to it, and GTK must not be touched from a static
// destructor after its loop has gone.
WebViewReserve& WebViewReserve::Get() {
    static auto* reserve = new WebViewReserve;
    return *reserve;
}

void WebViewReserve::Enable() {
    if (enabled_) return;
    enabled_ = true;
    MakeSpare();
}

WebKitWebView* WebViewReserve::Take() {
    if (!enabled_) return nullptr;
    if (!HasReadyView()) {
        // A spare that is still loading stays for the next caller.
        if (spare_ == nullptr) ScheduleSpare();
        return nullptr;
    }
    WebKitWebView* view = spare_;
    g_signal_handlers_disconnect_by_data(view, this);
    spare_ = nullptr;
    ready_ = false;
    ScheduleSpare();
    return view;
}

// Made at low priority, after the page the caller is opening has been asked
// for, so the two web processes do not start at the same moment.
void WebViewReserve::ScheduleSpare() {
    if (scheduled_ != 0 || spare_ != nullptr) return;
    scheduled_ = g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer data) {
            auto* self = static_cast<WebViewReserve*>(data);
            self->scheduled_ = 0;
            self->MakeSpare();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

void WebViewReserve::MakeSpare() {
    if (spare_ != nullptr) return;
    spare_ = WEBKIT_WEB_VIEW(webkit_web_view_new());
    g_object_ref_sink(spare_);
    ready_ = false;
    g_signal_connect(spare_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(spare_, "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(spare_, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
    webkit_web_view_load_uri(spare_, "about:blank");
}

// A spare that failed is dropped; the next Take asks for a new one, so a web
// process that cannot start is not retried in a loop.
void WebViewReserve::DropSpare() {
    if (spare_ == nullptr) return;
    g_signal_handlers_disconnect_by_data(spare_, this);
    gtk_widget_destroy(GTK_WIDGET(spare_));
    g_object_unref(spare_);
    spare_ = nullptr;
    ready_ = false;
}

void WebViewReserve::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    if (event == WEBKIT_LOAD_FINISHED) static_cast<WebViewReserve*>(data)->ready_ = true;
}

// The view is not destroyed inside its own signal.
void WebViewReserve::DropSpareLater() {
    ready_ = false;
    g_idle_add(
        [](gpointer data) {
            static_cast<WebViewReserve*>(data)->DropSpare();
            return G_SOURCE_REMOVE;
        },
        this);
}

gboolean WebViewReserve::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*,
                                      gpointer data) {
    static_cast<WebViewReserve*>(data)->DropSpareLater();
    return TRUE;
}

void WebViewReserve::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                         gpointer data) {
    static_cast<WebViewReserve*>(data)->DropSpareLater();
}

}  // namespace ui
