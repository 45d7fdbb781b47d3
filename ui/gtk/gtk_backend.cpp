// Sections: helpers | native windows | window events | the loop | screen, browser,
//           capture | installation. Input is in gtk_input.cpp, edit boxes in
//           gtk_native_edit.cpp.
#include "ui/gtk/gtk_backend.h"

#include <gdk/gdkx.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "platform/log.h"
#include "platform/text.h"
#include "ui/core/browser.h"
#include "ui/core/headless_backend.h"
#include "ui/core/input.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/gtk/accessible.h"
#include "ui/gtk/gtk_input.h"
#include "ui/gtk/gtk_window.h"
#include "ui/render/image_header.h"
#include "ui/render/window_image.h"

namespace ui {

// ---- helpers ---------------------------------------------------------------------------------
namespace {

std::atomic<bool> g_woken{false};
GtkBackend* g_gtkBackend = nullptr;

// The rows of a rounded rectangle as a region (what SetWindowRgn's shape covers).
cairo_region_t* RoundedRegion(const HRGN__& shape) {
    const RECT& b = shape.bounds;
    cairo_region_t* region = cairo_region_create();
    const double rx = shape.ellipseWidth / 2.0, ry = shape.ellipseHeight / 2.0;
    for (int y = b.top; y < b.bottom; ++y) {
        int inset = 0;
        if (rx > 0 && ry > 0) {
            const double fromTop = y - b.top + 0.5, fromBottom = b.bottom - y - 0.5;
            const double d = std::min(fromTop, fromBottom);
            if (d < ry) {
                const double t = (ry - d) / ry;
                inset = static_cast<int>(std::lround(rx - rx * std::sqrt(1.0 - t * t)));
            }
        }
        cairo_rectangle_int_t row{b.left + inset, y, Width(b) - 2 * inset, 1};
        if (row.width > 0) cairo_region_union_rectangle(region, &row);
    }
    return region;
}

}  // namespace

// ---- native windows --------------------------------------------------------------------------
DuiLib::CPaintManagerUI* GtkWindowRecord::Manager() const {
    return DuiLib::CPaintManagerUI::FromWindow(hwnd);
}

namespace {

// Signal handlers of the drawing and of the top-level window (defined in the
// window events section).
gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data);
gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data);
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data);
gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data);

void MakeToplevel(GtkBackend::Window* w, GtkBackend* backend) {
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(top), FALSE);
    gtk_window_set_title(GTK_WINDOW(top), platform::GbkToUtf8(w->title).c_str());
    if (w->toolWindow) {
        gtk_window_set_type_hint(GTK_WINDOW(top), GDK_WINDOW_TYPE_HINT_UTILITY);
        gtk_window_set_skip_taskbar_hint(GTK_WINDOW(top), TRUE);
    }
    if (GtkWidget* owner = backend->NativeWindow(w->owner))
        gtk_window_set_transient_for(GTK_WINDOW(top), GTK_WINDOW(owner));
    gtk_container_add(GTK_CONTAINER(top), w->layout);
    ConnectKeyInput(top, w);
    g_signal_connect(top, "focus-in-event", G_CALLBACK(OnFocusIn), w);
    g_signal_connect(top, "delete-event", G_CALLBACK(OnDelete), w);
    g_signal_connect(top, "window-state-event", G_CALLBACK(OnWindowState), w);
    gtk_window_move(GTK_WINDOW(top), w->rect.left, w->rect.top);
    gtk_window_resize(GTK_WINDOW(top), std::max(1, Width(w->rect)), std::max(1, Height(w->rect)));
    w->toplevel = top;
}

void DropToplevel(GtkBackend::Window* w) {
    if (!w->toplevel) return;
    g_signal_handlers_disconnect_by_data(w->toplevel, w);
    gtk_container_remove(GTK_CONTAINER(w->toplevel), w->layout);
    gtk_widget_destroy(w->toplevel);
    w->toplevel = nullptr;
}

}  // namespace

GtkBackend::~GtkBackend() {
    while (!windows_.empty()) DestroyNativeWindow(windows_.begin()->first);
    if (g_gtkBackend == this) g_gtkBackend = nullptr;
}

GtkBackend::Window* GtkBackend::Find(HWND hwnd) const {
    auto found = windows_.find(hwnd);
    return found == windows_.end() ? nullptr : found->second.get();
}

GtkWidget* GtkBackend::NativeWindow(HWND hwnd) const {
    Window* w = Find(hwnd);
    return w ? w->toplevel : nullptr;
}

GtkWidget* GtkBackend::ChildLayer(HWND hwnd) const {
    Window* w = Find(hwnd);
    return w ? w->layout : nullptr;
}

void GtkBackend::CreateNativeWindow(HWND hwnd, const NativeWindowParams& params) {
    auto window = std::make_unique<Window>();
    Window* w = window.get();
    w->hwnd = hwnd;
    w->owner = params.owner;
    w->rect = params.rect;
    w->title = params.title;
    w->toolWindow = params.toolWindow;
    w->layout = NewControlSurface(hwnd);
    g_object_ref_sink(w->layout);
    w->area = w->layout;
    gtk_widget_set_can_focus(w->area, TRUE);
    gtk_widget_add_events(w->area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK |
                                       GDK_SCROLL_MASK | GDK_KEY_PRESS_MASK);
    gtk_widget_set_has_tooltip(w->area, TRUE);
    gtk_widget_set_size_request(w->area, std::max(1, Width(w->rect)), std::max(1, Height(w->rect)));
    g_signal_connect(w->area, "draw", G_CALLBACK(OnDraw), w);
    ConnectPointerInput(w);
    gtk_widget_show(w->layout);
    windows_[hwnd] = std::move(window);
    if (params.child && Find(params.owner)) {
        SetNativeParent(hwnd, params.owner);
    } else {
        MakeToplevel(w, this);
    }
}

void GtkBackend::DestroyNativeWindow(HWND hwnd) {
    auto found = windows_.find(hwnd);
    if (found == windows_.end()) return;
    std::unique_ptr<Window> window = std::move(found->second);
    windows_.erase(found);
    Window* w = window.get();
    g_signal_handlers_disconnect_by_data(w->area, w);
    if (w->toplevel) {
        DropToplevel(w);
    } else if (GtkWidget* parent = gtk_widget_get_parent(w->layout)) {
        gtk_container_remove(GTK_CONTAINER(parent), w->layout);
    }
    gtk_widget_destroy(w->layout);
    g_object_unref(w->layout);
}

void GtkBackend::ShowNativeWindow(HWND hwnd, bool visible, bool activate) {
    Window* w = Find(hwnd);
    if (!w) return;
    w->visible = visible;
    GtkWidget* widget = w->toplevel ? w->toplevel : w->layout;
    if (!visible) {
        gtk_widget_hide(widget);
        return;
    }
    if (w->toplevel) {
        gtk_window_set_focus_on_map(GTK_WINDOW(w->toplevel), activate);
        gtk_widget_show(w->toplevel);
        // Some placements made before the first map are taken as hints only.
        gtk_window_move(GTK_WINDOW(w->toplevel), w->rect.left, w->rect.top);
        if (activate) gtk_window_present(GTK_WINDOW(w->toplevel));
        // The first frame is painted while the X server maps the window.
        if (!w->drawn) PaintWindowAhead(hwnd, gtk_widget_get_scale_factor(w->area));
    } else {
        gtk_widget_show(w->layout);
    }
}

void GtkBackend::MoveNativeWindow(HWND hwnd, const RECT& screenRect) {
    Window* w = Find(hwnd);
    if (!w) return;
    w->rect = screenRect;
    const int width = std::max(1, Width(screenRect)), height = std::max(1, Height(screenRect));
    gtk_widget_set_size_request(w->area, width, height);
    if (w->toplevel) {
        gtk_window_move(GTK_WINDOW(w->toplevel), screenRect.left, screenRect.top);
        gtk_window_resize(GTK_WINDOW(w->toplevel), width, height);
    } else if (Window* parent = Find(w->owner)) {
        gtk_widget_set_size_request(w->layout, width, height);
        gtk_layout_move(GTK_LAYOUT(parent->layout), w->layout, screenRect.left - parent->rect.left,
                        screenRect.top - parent->rect.top);
    }
}

// Asked when needed, not at start: the answer takes the X server a round trip,
// and only minimising needs it.
bool GtkBackend::HasWindowManager() {
    GdkScreen* screen = gdk_screen_get_default();
    if (!GDK_IS_X11_SCREEN(screen)) return false;
    const char* manager = gdk_x11_screen_get_window_manager_name(screen);
    return manager && std::string(manager) != "unknown";
}

void GtkBackend::SetNativeState(HWND hwnd, WindowState state) {
    Window* w = Find(hwnd);
    if (!w || !w->toplevel) return;
    // Maximised and restored geometry arrive through MoveNativeWindow. Minimising
    // needs a window manager to iconify; without one the window is hidden.
    if (state == WindowState::Minimized) {
        if (HasWindowManager()) {
            gtk_window_iconify(GTK_WINDOW(w->toplevel));
        } else {
            w->hiddenForMinimize = true;
            gtk_widget_hide(w->toplevel);
        }
        return;
    }
    if (w->hiddenForMinimize) {
        w->hiddenForMinimize = false;
        if (w->visible) {
            gtk_widget_show(w->toplevel);
            gtk_window_move(GTK_WINDOW(w->toplevel), w->rect.left, w->rect.top);
        }
    } else if (HasWindowManager()) {
        gtk_window_deiconify(GTK_WINDOW(w->toplevel));
    }
}

void GtkBackend::SetNativeShape(HWND hwnd, const HRGN__* shape) {
    Window* w = Find(hwnd);
    if (!w || !w->toplevel) return;
    if (!shape) {
        gtk_widget_shape_combine_region(w->toplevel, nullptr);
        return;
    }
    cairo_region_t* region = RoundedRegion(*shape);
    gtk_widget_shape_combine_region(w->toplevel, region);
    cairo_region_destroy(region);
}

void GtkBackend::SetNativeTitle(HWND hwnd, const std::string& title) {
    Window* w = Find(hwnd);
    if (!w) return;
    w->title = title;
    if (w->toplevel)
        gtk_window_set_title(GTK_WINDOW(w->toplevel), platform::GbkToUtf8(title).c_str());
}

void GtkBackend::SetNativeIcon(HWND hwnd, const std::string& imagePath) {
    Window* w = Find(hwnd);
    if (!w || !w->toplevel) return;
    // A missing or unreadable image leaves the window without an icon, and so
    // does one whose header declares more pixels than images may have (read
    // before anything is decoded).
    const std::string path = platform::GbkToUtf8(imagePath);
    int width = 0, height = 0;
    if (!gdk_pixbuf_get_file_info(path.c_str(), &width, &height)) return;
    if (width <= 0 || height <= 0 ||
        !ui::FitsImageLimit(
            {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)})) {
        platform::LogWarning("window icon \"" + path + "\" not set: " + std::to_string(width) +
                             "x" + std::to_string(height) + " pixels is over the limit");
        return;
    }
    gtk_window_set_icon_from_file(GTK_WINDOW(w->toplevel), path.c_str(), nullptr);
}

void GtkBackend::SetNativeParent(HWND hwnd, HWND parent) {
    Window* w = Find(hwnd);
    if (!w) return;
    Window* newParent = Find(parent);
    w->owner = parent;
    if (GtkWidget* old = gtk_widget_get_parent(w->layout)) {
        if (w->toplevel) {
            DropToplevel(w);
        } else {
            gtk_container_remove(GTK_CONTAINER(old), w->layout);
        }
    }
    if (newParent) {
        // A child lives inside its parent's surface, placed relative to it.
        gtk_widget_set_size_request(w->layout, std::max(1, Width(w->rect)),
                                    std::max(1, Height(w->rect)));
        gtk_layout_put(GTK_LAYOUT(newParent->layout), w->layout,
                       w->rect.left - newParent->rect.left, w->rect.top - newParent->rect.top);
        if (!w->visible) gtk_widget_hide(w->layout);
    } else {
        MakeToplevel(w, this);
        if (w->visible) gtk_widget_show(w->toplevel);
    }
}

void GtkBackend::SetNativeEnabled(HWND hwnd, bool enabled) {
    // The core keeps input from a disabled window; its native children (entries,
    // pages) are made insensitive here.
    if (Window* w = Find(hwnd)) gtk_widget_set_sensitive(w->layout, enabled);
}

void GtkBackend::Invalidate(HWND hwnd, const RECT& rect) {
    Window* w = Find(hwnd);
    if (!w || Width(rect) <= 0 || Height(rect) <= 0) return;
    gtk_widget_queue_draw_area(w->area, rect.left, rect.top, Width(rect), Height(rect));
    WakeAccessibleControls(w->layout);
}

// ---- window events ---------------------------------------------------------------------------
namespace {

GtkBackend::Window* Self(gpointer data) {
    return static_cast<GtkBackend::Window*>(data);
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    GtkBackend::Window* w = Self(data);
    // Runs before the layout draws its children, which then lie above the controls.
    if (!gtk_cairo_should_draw_window(cr, gtk_layout_get_bin_window(GTK_LAYOUT(w->layout))))
        return FALSE;
    GdkRectangle clip;
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return TRUE;
    const RECT area{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    PaintWindowThroughImage(w->hwnd, cr, area);
    w->drawn = true;
    RECT& p = w->painted;
    p = (p.right <= p.left) ? area
                            : RECT{std::min(p.left, area.left), std::min(p.top, area.top),
                                   std::max(p.right, area.right), std::max(p.bottom, area.bottom)};
    return FALSE;
}

gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
    FocusEntered(Self(data)->hwnd);
    return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    CloseRequested(Self(data)->hwnd);
    return TRUE;  // the window procedure decides
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    // A window manager restored an iconified window (taskbar): tell the layer.
    const bool wasIconified = event->changed_mask & GDK_WINDOW_STATE_ICONIFIED;
    const bool isIconified = event->new_window_state & GDK_WINDOW_STATE_ICONIFIED;
    HWND hwnd = Self(data)->hwnd;
    if (wasIconified && !isIconified && IsIconic(hwnd))
        PostMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    return FALSE;
}

}  // namespace

// ---- the loop --------------------------------------------------------------------------------
void GtkBackend::WaitForEvents(std::optional<Clock::time_point> deadline) {
    GMainContext* context = g_main_context_default();
    if (g_woken.exchange(false)) return;
    guint timeout = 0;
    bool timedOut = false;
    if (deadline) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
        if (left <= 0) {
            g_main_context_iteration(context, FALSE);
            return;
        }
        timeout = g_timeout_add(
            static_cast<guint>(left),
            [](gpointer flag) {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &timedOut);
    }
    // Wake() calls g_main_context_wakeup, which also ends a wait that has not begun yet.
    g_main_context_iteration(context, TRUE);
    if (timeout && !timedOut) g_source_remove(timeout);
    g_woken = false;
    // Whatever else is ready now (a burst of input, the redraw it caused).
    for (int i = 0; i < 64 && g_main_context_pending(context); ++i)
        g_main_context_iteration(context, FALSE);
}

void GtkBackend::Wake() {
    g_woken = true;
    g_main_context_wakeup(g_main_context_default());
}

// ---- screen, browser, capture ----------------------------------------------------------------
ScreenInfo GtkBackend::GetScreen() const {
    ScreenInfo info;
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return info;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return info;
    GdkRectangle geometry, work;
    gdk_monitor_get_geometry(monitor, &geometry);
    gdk_monitor_get_workarea(monitor, &work);
    info.monitor = {geometry.x, geometry.y, geometry.x + geometry.width,
                    geometry.y + geometry.height};
    info.workArea = {work.x, work.y, work.x + work.width, work.y + work.height};
    return info;
}

std::unique_ptr<BrowserEngine> GtkBackend::CreateBrowserEngine(DuiLib::CActiveXUI& host) {
    if (browserFactory_) return browserFactory_(host);
    return std::make_unique<HeadlessBrowserEngine>(host);
}

RECT GtkBackend::TakePaintedArea(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return {};
    return std::exchange(w->painted, RECT{});
}

std::vector<HWND> GtkBackend::ShownWindows() const {
    std::vector<HWND> shown;
    for (auto& [hwnd, w] : windows_)
        if (w->toplevel && gtk_widget_get_visible(w->toplevel)) shown.push_back(hwnd);
    return shown;
}

bool GtkBackend::WriteLivePng(HWND hwnd, const std::string& path) {
    Window* w = Find(hwnd);
    if (!w || !gtk_widget_get_realized(w->layout)) return false;
    const int width = gtk_widget_get_allocated_width(w->layout);
    const int height = gtk_widget_get_allocated_height(w->layout);
    if (width <= 1 || height <= 1) return false;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(image);
    gtk_widget_draw(w->layout, cr);
    cairo_destroy(cr);
    const bool written = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(image);
    return written;
}

// ---- installation ----------------------------------------------------------------------------
std::unique_ptr<GtkBackend> GtkBackend::Create(std::string* reason) {
    // Windows are placed by the layer itself, which X11 allows and Wayland does not.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* display = std::getenv("DISPLAY");
        if (reason) {
            *reason = display && *display
                          ? std::string("cannot open the X display \"") + display + "\""
                          : "no X display to show windows on (DISPLAY is not set)";
        }
        return nullptr;
    }
    // The font map starts reading the font configuration on a thread of its
    // own, which then overlaps the making of the first window instead of
    // holding up its first text. Not before GTK starts: that start waits on the
    // X server, and the reading beside it would hold the server up.
    pango_cairo_font_map_get_default();
    return std::unique_ptr<GtkBackend>(new GtkBackend());
}

bool InstallGtkBackend() {
    if (g_gtkBackend) return true;
    std::string reason;
    std::unique_ptr<GtkBackend> backend = GtkBackend::Create(&reason);
    if (!backend) {
        platform::LogError(reason);
        return false;
    }
    g_gtkBackend = backend.get();
    InstallBackend(std::move(backend));
    return true;
}

GtkBackend* GetGtkBackend() {
    return g_gtkBackend;
}

}  // namespace ui
