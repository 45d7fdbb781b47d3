// Sections: set-up | navigation and scripts | placement | events | pop-ups
#include "ui/web/webkit_engine.h"

#include "platform/text.h"
#include "ui/core/browser.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/gtk/gtk_backend.h"
#include "ui/web/web_view_reserve.h"

namespace ui {
namespace {

constexpr const char kNoScrollCss[] = "html, body { overflow: hidden !important; }";

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

}  // namespace

// ---- set-up ----------------------------------------------------------------------------------
WebKitBrowserEngine::WebKitBrowserEngine(DuiLib::CActiveXUI& host, GtkBackend& backend)
    : host_(host), backend_(backend) {
    MakeView();
}

WebKitBrowserEngine::~WebKitBrowserEngine() {
    if (reloadSource_ != 0) g_source_remove(reloadSource_);
    DropView();
    if (noScrollSheet_) webkit_user_style_sheet_unref(noScrollSheet_);
}

void WebKitBrowserEngine::MakeView() {
    view_ = WebViewReserve::Get().NewView();
    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    // Without it script pop-ups are dropped before any signal could ask the handler.
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view_, "notify::estimated-load-progress", G_CALLBACK(OnProgress), this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(OnProcessTerminated), this);
}

void WebKitBrowserEngine::DropView() {
    g_signal_handlers_disconnect_by_data(view_, this);
    webkit_web_view_stop_loading(view_);
    if (GtkWidget* parent = gtk_widget_get_parent(GTK_WIDGET(view_)))
        gtk_container_remove(GTK_CONTAINER(parent), GTK_WIDGET(view_));
    WebViewReserve::Get().EndView(view_);
    view_ = nullptr;
}

// A view whose web process ended keeps its relation to that process; a new
// view takes its place (same layer, place, size and style sheets) and joins
// the shared process again: the first view replaced starts a new one, which
// the others share.
void WebKitBrowserEngine::ReplaceView() {
    GtkWidget* old = GTK_WIDGET(view_);
    GtkWidget* layer = gtk_widget_get_parent(old);
    int x = 0, y = 0, width = -1, height = -1;
    if (layer) gtk_container_child_get(GTK_CONTAINER(layer), old, "x", &x, "y", &y, nullptr);
    gtk_widget_get_size_request(old, &width, &height);
    const bool shown = gtk_widget_get_visible(old);
    DropView();
    MakeView();
    if (scrollBarsHidden_ && noScrollSheet_)
        webkit_user_content_manager_add_style_sheet(webkit_web_view_get_user_content_manager(view_),
                                                    noScrollSheet_);
    if (layer) {
        PutView(layer, x, y);
        gtk_widget_set_size_request(GTK_WIDGET(view_), width, height);
        if (shown) gtk_widget_show(GTK_WIDGET(view_));
    }
    showingErrorPage_ = false;
    webkit_web_view_load_uri(view_, lostPage_.c_str());
}

DuiLib::CWebBrowserEventHandler* WebKitBrowserEngine::Handler() const {
    return host_.GetWebBrowserEventHandler();
}

// ---- navigation and scripts ------------------------------------------------------------------
void WebKitBrowserEngine::Navigate(const std::string& url) {
    showingErrorPage_ = false;
    reloadedAfterCrash_ = false;
    ApplyHostInfo();
    EnsurePlaced();
    webkit_web_view_load_uri(view_, platform::GbkToUtf8(url).c_str());
}

void WebKitBrowserEngine::RunJavaScript(const std::u16string& script) {
    // The script's last value would be sent back and turned into a value of a
    // JavaScript engine in this process, even with nobody asking for it; that
    // engine's collector threads then keep waking the idle program. A script
    // that ends by throwing sends back no value: nothing is made here. (The
    // line break keeps a trailing // comment from swallowing the throw.)
    const std::string utf8 = platform::Utf16ToUtf8(script) + "\n;throw 0;";
    webkit_web_view_evaluate_javascript(view_, utf8.c_str(), static_cast<gssize>(utf8.size()),
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
}

void WebKitBrowserEngine::ApplyHostInfo() {
    DuiLib::DOCHOSTUIINFO info;
    if (DuiLib::CWebBrowserEventHandler* handler = Handler();
        handler && handler->GetHostInfo(&info) == S_OK)
        SetScrollBarsHidden((info.dwFlags & DuiLib::DOCHOSTUIFLAG_SCROLL_NO) != 0);
}

void WebKitBrowserEngine::SetScrollBarsHidden(bool hidden) {
    if (hidden == scrollBarsHidden_) return;
    scrollBarsHidden_ = hidden;
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view_);
    if (hidden) {
        if (!noScrollSheet_) {
            noScrollSheet_ =
                webkit_user_style_sheet_new(kNoScrollCss, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                            WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        }
        webkit_user_content_manager_add_style_sheet(content, noScrollSheet_);
    } else {
        webkit_user_content_manager_remove_all_style_sheets(content);
    }
}

// ---- placement -------------------------------------------------------------------------------
// A window destroys the widgets in it, and a destroyed view has closed its
// page; the view leaves the layer first, so that it is still open when this
// engine ends it (the reserve may keep it to hold the shared web process).
void WebKitBrowserEngine::PutView(GtkWidget* layer, int x, int y) {
    gtk_layout_put(GTK_LAYOUT(layer), GTK_WIDGET(view_), x, y);
    g_signal_connect_object(layer, "destroy", G_CALLBACK(+[](GtkWidget* layer, gpointer view) {
                                if (gtk_widget_get_parent(GTK_WIDGET(view)) == layer)
                                    gtk_container_remove(GTK_CONTAINER(layer), GTK_WIDGET(view));
                            }),
                            view_, G_CONNECT_DEFAULT);
}

bool WebKitBrowserEngine::EnsurePlaced() {
    if (placed_) return true;
    DuiLib::CPaintManagerUI* manager = host_.GetManager();
    GtkWidget* layer = manager ? backend_.ChildLayer(manager->GetPaintWindow()) : nullptr;
    if (!layer) return false;
    PutView(layer, 0, 0);
    placed_ = true;
    return true;
}

void WebKitBrowserEngine::SetBounds(const RECT& clientRect, bool visible) {
    if (!EnsurePlaced()) return;
    GtkWidget* widget = GTK_WIDGET(view_);
    if (!visible || Width(clientRect) <= 0 || Height(clientRect) <= 0) {
        gtk_widget_hide(widget);
        return;
    }
    GtkWidget* layer = gtk_widget_get_parent(widget);
    if (layer == nullptr) return;  // its window has been destroyed
    gtk_widget_set_size_request(widget, Width(clientRect), Height(clientRect));
    gtk_layout_move(GTK_LAYOUT(layer), widget, clientRect.left, clientRect.top);
    gtk_widget_show(widget);
}

// ---- events ----------------------------------------------------------------------------------
gboolean WebKitBrowserEngine::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                             WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    DuiLib::CWebBrowserEventHandler* handler = self->Handler();
    DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION ||
        type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const std::string url =
            webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
            // A target=_blank link: the page asks for a new window.
            if (!self->AllowNewWindow(url)) {
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
            self->approvedNewWindow_ = url;
            webkit_policy_decision_use(decision);
            return TRUE;
        }
        self->showingErrorPage_ = false;  // a navigation of the page's own
        if (handler) {
            const std::u16string url16 = platform::Utf8ToUtf16(url);
            handler->BeforeNavigate2(nullptr, url16.c_str(), 0, u"", &cancel);
        }
        if (cancel) {
            webkit_policy_decision_ignore(decision);
        } else {
            webkit_policy_decision_use(decision);
        }
        return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        WebKitURIResponse* response =
            webkit_response_policy_decision_get_response(response_decision);
        const std::u16string url16 = platform::Utf8ToUtf16(webkit_uri_response_get_uri(response));
        const guint status = webkit_uri_response_get_status_code(response);
        if (status >= 400 &&
            webkit_response_policy_decision_is_main_frame_main_resource(response_decision)) {
            if (handler)
                handler->NavigateError(nullptr, url16.c_str(), u"", static_cast<int>(status),
                                       &cancel);
            if (cancel) {
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
        }
        if (!webkit_response_policy_decision_is_mime_type_supported(response_decision)) {
            if (handler && handler->Download(url16.c_str()) == S_OK) {
                webkit_policy_decision_ignore(decision);  // the handler took the download
            } else {
                webkit_policy_decision_download(decision);
            }
            return TRUE;
        }
        webkit_policy_decision_use(decision);
        return TRUE;
    }
    return FALSE;
}

void WebKitBrowserEngine::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    // A page that loaded (not WebKit's error page) may be reloaded after its next crash.
    if (event == WEBKIT_LOAD_FINISHED && !self->showingErrorPage_)
        self->reloadedAfterCrash_ = false;
    // WebKit's own error page after a failed load is no page of the site.
    if (self->showingErrorPage_) return;
    DuiLib::CWebBrowserEventHandler* handler = self->Handler();
    if (!handler) return;
    const char* uri = webkit_web_view_get_uri(view);
    const std::u16string url16 = platform::Utf8ToUtf16(uri ? uri : "");
    if (event == WEBKIT_LOAD_COMMITTED) handler->NavigateComplete2(nullptr, url16.c_str());
    if (event == WEBKIT_LOAD_FINISHED) handler->DocumentComplete(nullptr, url16.c_str());
}

// The page's web process ended (it crashed, or the system took its memory); the
// program's page views share it, so every page window gets here at once. Each
// loads its page again in a new view that shares the restarted process. A page whose process
// ends again before it has loaded is given up with NavigateError: a page that
// brings its process down is not reloaded in a loop.
void WebKitBrowserEngine::OnProcessTerminated(WebKitWebView* view,
                                              WebKitWebProcessTerminationReason reason,
                                              gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API) return;
    const char* uri = webkit_web_view_get_uri(view);
    if (uri == nullptr || *uri == '\0') return;
    if (self->reloadSource_ != 0) return;  // reloading already
    if (self->reloadedAfterCrash_) {
        self->showingErrorPage_ = true;
        if (DuiLib::CWebBrowserEventHandler* handler = self->Handler()) {
            const std::u16string url16 = platform::Utf8ToUtf16(uri);
            DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
            handler->NavigateError(nullptr, url16.c_str(), u"", static_cast<int>(reason), &cancel);
        }
        return;
    }
    self->reloadedAfterCrash_ = true;
    self->lostPage_ = uri;  // the view shows about:blank once the signal is over
    // Not from inside WebKit's own signal.
    self->reloadSource_ = g_idle_add(
        [](gpointer data) {
            auto* self = static_cast<WebKitBrowserEngine*>(data);
            self->reloadSource_ = 0;
            self->ReplaceView();
            return G_SOURCE_REMOVE;
        },
        self);
}

gboolean WebKitBrowserEngine::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri,
                                           GError* error, gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    // A navigation stopped on purpose (a policy said no, a new load replaced it) is no error.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR,
                        WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
        return FALSE;
    self->showingErrorPage_ = true;
    if (DuiLib::CWebBrowserEventHandler* handler = self->Handler()) {
        const std::u16string url16 = platform::Utf8ToUtf16(uri ? uri : "");
        DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
        handler->NavigateError(nullptr, url16.c_str(), u"", error->code, &cancel);
    }
    return FALSE;
}

void WebKitBrowserEngine::OnProgress(GObject* object, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    if (DuiLib::CWebBrowserEventHandler* handler = self->Handler()) {
        const double progress =
            webkit_web_view_get_estimated_load_progress(WEBKIT_WEB_VIEW(object));
        handler->ProgressChange(static_cast<long>(progress * 100), 100);
    }
}

gboolean WebKitBrowserEngine::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event,
                                            WebKitHitTestResult*, gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    DuiLib::CWebBrowserEventHandler* handler = self->Handler();
    if (!handler) return FALSE;
    POINT point{};
    double x = 0, y = 0;
    if (event && gdk_event_get_root_coords(event, &x, &y))
        point = {static_cast<LONG>(x), static_cast<LONG>(y)};
    return handler->ShowContextMenu(0, &point, nullptr, nullptr) == S_OK;  // S_OK: no menu
}

// ---- pop-ups ---------------------------------------------------------------------------------
bool WebKitBrowserEngine::AllowNewWindow(const std::string& url) {
    DuiLib::CWebBrowserEventHandler* handler = Handler();
    if (!handler) return true;
    const char* current = webkit_web_view_get_uri(view_);
    const std::u16string url16 = platform::Utf8ToUtf16(url);
    const std::u16string context16 = platform::Utf8ToUtf16(current ? current : "");
    DuiLib::VARIANT_BOOL cancel = DuiLib::VARIANT_FALSE;
    handler->NewWindow3(nullptr, &cancel, 0, context16.c_str(), url16.c_str());
    return !cancel;
}

GtkWidget* WebKitBrowserEngine::OnCreate(WebKitWebView*, WebKitNavigationAction* action,
                                         gpointer data) {
    auto* self = static_cast<WebKitBrowserEngine*>(data);
    const std::string url =
        webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const bool askedAlready = !self->approvedNewWindow_.empty() && self->approvedNewWindow_ == url;
    self->approvedNewWindow_.clear();
    if (!askedAlready && !self->AllowNewWindow(url)) return nullptr;  // nothing opens
    return self->OpenPopup();
}

// A page the handler let open gets a plain window of its own, as a browser would.
GtkWidget* WebKitBrowserEngine::OpenPopup() {
    GtkWidget* popup =
        GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", view_, nullptr));
    ++popupsOpened_;
    g_signal_connect(popup, "ready-to-show", G_CALLBACK(+[](WebKitWebView* view, gpointer) {
                         GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
                         gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
                         gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
                         gtk_widget_show_all(window);
                     }),
                     nullptr);
    g_signal_connect(popup, "close", G_CALLBACK(+[](WebKitWebView* view, gpointer) {
                         GtkWidget* window = gtk_widget_get_toplevel(GTK_WIDGET(view));
                         gtk_widget_destroy(GTK_IS_WINDOW(window) ? window : GTK_WIDGET(view));
                     }),
                     nullptr);
    return popup;
}

}  // namespace ui
