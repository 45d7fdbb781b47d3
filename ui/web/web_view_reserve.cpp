#include "ui/web/web_view_reserve.h"

#include <utility>

namespace ui {

// Lives as long as the program: the shared web process ends with the
// program's connection to it, and GTK must not be touched from a static
// destructor after its loop has gone.
WebViewReserve& WebViewReserve::Get() {
    static auto* reserve = new WebViewReserve;
    return *reserve;
}

void WebViewReserve::Enable() {
    enabled_ = true;
    if (holder_ == nullptr && RunningView() == nullptr) MakeHolder(nullptr);
}

namespace {

// A new view with one reference, sharing the process of `related` when given.
// Only the process is shared: webkit_web_view_new_with_related_view would also
// share the related view's settings and user style sheets.
WebKitWebView* MakeView(WebKitWebView* related) {
    auto* view = WEBKIT_WEB_VIEW(
        related != nullptr ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related, nullptr)
                           : webkit_web_view_new());
    g_object_ref_sink(view);
    return view;
}

void DestroyView(WebKitWebView* view) {
    gtk_widget_destroy(GTK_WIDGET(view));
    g_object_unref(view);
}

}  // namespace

WebKitWebView* WebViewReserve::NewView() {
    if (!enabled_) return MakeView(nullptr);
    // A holder whose process ended is not restarted for its own sake (a process
    // that keeps failing is then not started in a loop): the new view starts one.
    if (holder_ != nullptr && holderEnded_) DropHolder();
    WebKitWebView* related = holder_;
    if (related == nullptr)
        if (const PageView* running = RunningView()) related = running->view;
    WebKitWebView* view = MakeView(related);
    views_.push_back(PageView{view});
    g_signal_connect(view, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
    // The new view holds the process from its creation on.
    if (holder_ != nullptr) DropHolder();
    return view;
}

void WebViewReserve::EndView(WebKitWebView* view) {
    PageView* page = Find(view);
    const bool running = page != nullptr && !page->processEnded;
    if (page != nullptr) {
        g_signal_handlers_disconnect_by_data(view, this);
        std::erase_if(views_, [view](const PageView& p) { return p.view == view; });
    }
    if (!enabled_ || !running || holder_ != nullptr || RunningView() != nullptr) {
        DestroyView(view);
        return;
    }
    // The last page view stays, blank, as the holder: its page keeps the
    // process. (A new view made related to a view about to close is given a
    // process of its own.)
    MakeHolder(view);
}

bool WebViewReserve::HasSharedProcess() const {
    return holder_ != nullptr || RunningView() != nullptr;
}

bool WebViewReserve::SharedProcessReady() const {
    return holder_ != nullptr ? holderLoaded_ : RunningView() != nullptr;
}

void WebViewReserve::MakeHolder(WebKitWebView* view) {
    holder_ = view != nullptr ? view : MakeView(nullptr);
    holderLoaded_ = false;
    holderEnded_ = false;
    g_signal_connect(holder_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(holder_, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
    webkit_web_view_load_uri(holder_, "about:blank");
}

void WebViewReserve::DropHolder() {
    g_signal_handlers_disconnect_by_data(holder_, this);
    DestroyView(std::exchange(holder_, nullptr));
}

const WebViewReserve::PageView* WebViewReserve::RunningView() const {
    for (const PageView& page : views_)
        if (!page.processEnded) return &page;
    return nullptr;
}

WebViewReserve::PageView* WebViewReserve::Find(const WebKitWebView* view) {
    for (PageView& page : views_)
        if (page.view == view) return &page;
    return nullptr;
}

void WebViewReserve::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebViewReserve*>(data);
    if (event == WEBKIT_LOAD_FINISHED && view == self->holder_) self->holderLoaded_ = true;
}

void WebViewReserve::OnProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason,
                                         gpointer data) {
    auto* self = static_cast<WebViewReserve*>(data);
    if (view == self->holder_) {
        self->holderLoaded_ = false;
        self->holderEnded_ = true;
    } else if (PageView* page = self->Find(view)) {
        page->processEnded = true;
    }
}

}  // namespace ui
