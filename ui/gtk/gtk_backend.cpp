// Sections: helpers | native windows | painting and native children (entries,
//           combo drop-downs) | input | the loop | screen, browser, capture |
//           installation
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
#include "ui/core/controls.h"
#include "ui/core/headless_backend.h"
#include "ui/core/input.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/gtk/accessible.h"
#include "ui/gtk/virtual_keys.h"
#include "ui/render/image_header.h"
#include "ui/render/scroll_bar.h"
#include "ui/render/window_image.h"

namespace ui {

// ---- helpers ---------------------------------------------------------------------------------
namespace {

std::atomic<bool> g_woken{false};
GtkBackend* g_gtkBackend = nullptr;
// The entries standing over edit boxes (for tests and captures).
std::map<const DuiLib::CEditUI*, GtkWidget*> g_entries;

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

bool IsInTree(DuiLib::CControlUI* root, const DuiLib::CControlUI* wanted) {
    if (!root) return false;
    if (root == wanted) return true;
    for (int i = 0; i < root->GetChildCount(); ++i)
        if (IsInTree(root->GetChildAt(i), wanted)) return true;
    return false;
}

std::string CssColor(DWORD argb) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06x", argb & 0xFFFFFFu);
    return text;
}

// CSS of an entry standing in for an edit box: the edit's font, colours and
// no frame, so it looks like the control it covers.
std::string EntryCss(const DuiLib::CPaintManagerUI* manager, DuiLib::CEditUI* edit) {
    const DuiLib::TFontInfo* font = manager ? manager->GetFontInfo(edit->GetFont()) : nullptr;
    std::string family = font ? platform::GbkToUtf8(font->sFontName) : "";
    std::erase(family, '"');
    std::string css =
        "entry { border-style: none; border-width: 0; border-radius: 0; box-shadow: none;"
        " outline-style: none; min-height: 0; padding: 0 1px; margin: 0; font: ";
    if (font && font->bBold) css += "bold ";
    if (font && font->bItalic) css += "italic ";
    css += std::to_string(font && font->iSize > 0 ? font->iSize : 12) + "px ";
    if (!family.empty()) css += "\"" + family + "\", ";
    css += "\"WenQuanYi Micro Hei\", sans-serif;";
    const DWORD ground = (edit->GetBkColor() >> 24) ? edit->GetBkColor() : 0xFFFFFFFF;
    css += " background-color: " + CssColor(ground) + "; background-image: none;";
    css += " color: " +
           CssColor(edit->IsEnabled() ? edit->GetTextColor() : edit->GetDisabledTextColor()) +
           "; caret-color: " + CssColor(edit->GetTextColor()) + "; }";
    return css;
}

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
struct GtkBackend::Window {
    GtkBackend* backend = nullptr;
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    GtkWidget* toplevel = nullptr;  // null while the window is a child
    GtkWidget* layout = nullptr;    // referenced: survives re-parenting
    // The surface the controls are painted on and take input from: the layout
    // itself, so that native children (drawn after it) lie above the painting.
    GtkWidget* area = nullptr;
    RECT rect{};  // screen coordinates
    bool visible = false;
    bool hiddenForMinimize = false;
    bool toolWindow = false;
    std::string title;
    // Double clicks are recognised here, as Windows does: the second press is the double click.
    guint32 lastPressTime = 0;
    POINT lastPressPoint{};
    int lastPressButton = -1;
    POINT pressPoint{};
    RECT painted{};  // painted since TakePaintedArea
    // A scroll bar thumb being dragged, and where on the thumb it was taken.
    DuiLib::CContainerUI* scrolling = nullptr;
    int thumbGrab = 0;

    DuiLib::CPaintManagerUI* Manager() const { return DuiLib::CPaintManagerUI::FromWindow(hwnd); }
    void ShowDropDown(DuiLib::CComboUI* combo);
};

namespace {

// Signal handlers (defined in the input section).
gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data);
gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data);
gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data);
gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data);
gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data);
gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data);
gboolean OnQueryTooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tooltip, gpointer data);
gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer data);
gboolean OnKeyRelease(GtkWidget* widget, GdkEventKey* event, gpointer data);
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
    g_signal_connect(top, "key-press-event", G_CALLBACK(OnKeyPress), w);
    g_signal_connect(top, "key-release-event", G_CALLBACK(OnKeyRelease), w);
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

GtkWidget* GtkBackend::EntryOf(const DuiLib::CEditUI* edit) const {
    auto found = g_entries.find(edit);
    return found == g_entries.end() ? nullptr : found->second;
}

void GtkBackend::CreateNativeWindow(HWND hwnd, const NativeWindowParams& params) {
    auto window = std::make_unique<Window>();
    Window* w = window.get();
    w->backend = this;
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
    g_signal_connect(w->area, "button-press-event", G_CALLBACK(OnButtonPress), w);
    g_signal_connect(w->area, "button-release-event", G_CALLBACK(OnButtonRelease), w);
    g_signal_connect(w->area, "motion-notify-event", G_CALLBACK(OnMotion), w);
    g_signal_connect(w->area, "leave-notify-event", G_CALLBACK(OnLeave), w);
    g_signal_connect(w->area, "scroll-event", G_CALLBACK(OnScroll), w);
    g_signal_connect(w->area, "query-tooltip", G_CALLBACK(OnQueryTooltip), w);
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

void GtkBackend::SetNativeState(HWND hwnd, WindowState state) {
    Window* w = Find(hwnd);
    if (!w || !w->toplevel) return;
    // Maximised and restored geometry arrive through MoveNativeWindow. Minimising
    // needs a window manager to iconify; without one the window is hidden.
    if (state == WindowState::Minimized) {
        if (hasWindowManager_) {
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
    } else if (hasWindowManager_) {
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
}

// ---- painting and native children ------------------------------------------------------------
namespace {

// An edit box's native entry: placed inside the edit's text padding, looking
// like the control it covers, reporting the user's text and focus to it.
class GtkNativeEdit : public NativeEdit {
public:
    GtkNativeEdit(DuiLib::CEditUI& edit, GtkWidget* layout) : edit_(edit), layout_(layout) {
        entry_ = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(entry_), 1);
        gtk_entry_set_has_frame(GTK_ENTRY(entry_), FALSE);
        gtk_entry_set_invisible_char(GTK_ENTRY(entry_), '*');
        css_ = gtk_css_provider_new();
        gtk_style_context_add_provider(gtk_widget_get_style_context(entry_),
                                       GTK_STYLE_PROVIDER(css_),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_signal_connect(entry_, "changed", G_CALLBACK(OnChanged), this);
        g_signal_connect(entry_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
        g_signal_connect(entry_, "destroy", G_CALLBACK(OnDestroyed), this);
        gtk_layout_put(GTK_LAYOUT(layout_), entry_, 0, 0);
        g_entries[&edit_] = entry_;
    }

    ~GtkNativeEdit() override {
        g_entries.erase(&edit_);
        if (entry_) {
            g_signal_handlers_disconnect_by_data(entry_, this);
            gtk_widget_destroy(entry_);
        }
        g_object_unref(css_);
    }

    void SetBounds(const RECT& rect, bool visible) override {
        if (!entry_) return;
        const RECT pad = edit_.GetTextPadding();
        const RECT pos{rect.left + pad.left, rect.top + pad.top, rect.right - pad.right,
                       rect.bottom - pad.bottom};
        if (!visible || Width(pos) <= 0 || Height(pos) <= 0) {
            if (gtk_widget_has_focus(entry_)) gtk_widget_grab_focus(layout_);
            gtk_widget_hide(entry_);
            return;
        }
        if (pos != placed_) {
            gtk_widget_set_size_request(entry_, Width(pos), Height(pos));
            gtk_layout_move(GTK_LAYOUT(layout_), entry_, pos.left, pos.top);
            placed_ = pos;
        }
        // The look follows the edit's attributes, which may change at any time.
        const std::string style = EntryCss(edit_.GetManager(), &edit_);
        if (style != style_) {
            gtk_css_provider_load_from_data(css_, style.c_str(), -1, nullptr);
            style_ = style;
        }
        gtk_entry_set_max_length(GTK_ENTRY(entry_), std::max(0, edit_.GetMaxChar()));
        gtk_widget_set_sensitive(entry_, edit_.IsEnabled());
        gtk_widget_show(entry_);
    }

    void SetText(const std::string& gbk) override {
        if (!entry_ || platform::Utf8ToGbk(gtk_entry_get_text(GTK_ENTRY(entry_))) == gbk) return;
        settingText_ = true;  // a text set by code raises nothing
        gtk_entry_set_text(GTK_ENTRY(entry_), platform::GbkToUtf8(gbk).c_str());
        settingText_ = false;
    }

    void SetPasswordMode(bool password) override {
        if (entry_) gtk_entry_set_visibility(GTK_ENTRY(entry_), !password);
    }

    void SetReadOnly(bool readOnly) override {
        if (entry_) gtk_editable_set_editable(GTK_EDITABLE(entry_), !readOnly);
    }

    void SetFocused(bool focused) override {
        if (!entry_) return;
        if (focused && !gtk_widget_has_focus(entry_) && gtk_widget_get_visible(entry_))
            gtk_widget_grab_focus(entry_);
        if (!focused && gtk_widget_has_focus(entry_)) gtk_widget_grab_focus(layout_);
    }

private:
    static void OnChanged(GtkEditable* editable, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        if (self->settingText_) return;
        self->edit_.SetTextFromUser(platform::Utf8ToGbk(gtk_entry_get_text(GTK_ENTRY(editable))));
    }

    static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        DuiLib::CPaintManagerUI* manager = self->edit_.GetManager();
        if (manager && manager->GetFocus() != &self->edit_) manager->SetFocus(&self->edit_);
        return FALSE;
    }

    // The window went first (its layout takes its children along).
    static void OnDestroyed(GtkWidget*, gpointer data) {
        auto* self = static_cast<GtkNativeEdit*>(data);
        g_entries.erase(&self->edit_);
        self->entry_ = nullptr;
    }

    DuiLib::CEditUI& edit_;
    GtkWidget* layout_;
    GtkWidget* entry_ = nullptr;
    GtkCssProvider* css_ = nullptr;
    std::string style_;
    RECT placed_{-1, -1, -1, -1};
    bool settingText_ = false;
};

}  // namespace

std::unique_ptr<NativeEdit> GtkBackend::CreateNativeEdit(DuiLib::CEditUI& edit) {
    DuiLib::CPaintManagerUI* manager = edit.GetManager();
    Window* w = manager ? Find(manager->GetPaintWindow()) : nullptr;
    if (!w) return nullptr;
    return std::make_unique<GtkNativeEdit>(edit, w->layout);
}

namespace {

struct DropDownChoice {
    HWND hwnd;
    DuiLib::CComboUI* combo;
    int index;
};

void OnDropDownChosen(GtkMenuItem*, gpointer data) {
    auto* choice = static_cast<DropDownChoice*>(data);
    DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(choice->hwnd);
    if (manager && IsInTree(manager->GetRoot(), choice->combo))
        choice->combo->SelectItem(choice->index);
}

}  // namespace

// A combo box's drop-down: its items' texts in a menu under the control.
void GtkBackend::Window::ShowDropDown(DuiLib::CComboUI* combo) {
    GtkWidget* menu = gtk_menu_new();
    for (int i = 0; i < combo->GetCount(); ++i) {
        DuiLib::CControlUI* item = combo->GetItemAt(i);
        GtkWidget* menuItem =
            gtk_check_menu_item_new_with_label(platform::GbkToUtf8(item->GetText()).c_str());
        gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(menuItem), TRUE);
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(menuItem), i == combo->GetCurSel());
        auto* choice = new DropDownChoice{hwnd, combo, i};
        g_signal_connect_data(
            menuItem, "activate", G_CALLBACK(OnDropDownChosen), choice,
            [](gpointer data, GClosure*) { delete static_cast<DropDownChoice*>(data); },
            GConnectFlags(0));
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), menuItem);
    }
    gtk_widget_show_all(menu);
    g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell* shell, gpointer) {
                         // Destroyed after the chosen item's "activate" has run.
                         g_idle_add(
                             [](gpointer widget) {
                                 gtk_widget_destroy(GTK_WIDGET(widget));
                                 return G_SOURCE_REMOVE;
                             },
                             shell);
                     }),
                     nullptr);
    const RECT pos = combo->GetAbsolutePos();
    GdkRectangle anchor{pos.left, pos.top, Width(pos), Height(pos)};
    gtk_widget_set_size_request(menu, Width(pos), -1);
    gtk_menu_popup_at_rect(GTK_MENU(menu), gtk_layout_get_bin_window(GTK_LAYOUT(layout)), &anchor,
                           GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
}

// ---- input -----------------------------------------------------------------------------------
namespace {

GtkBackend::Window* Self(gpointer data) {
    return static_cast<GtkBackend::Window*>(data);
}

// Events that reached the surface itself (not ones a native child passed on).
bool OnSurface(GtkBackend::Window* w, GdkWindow* window) {
    return window == gtk_layout_get_bin_window(GTK_LAYOUT(w->layout));
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    GtkBackend::Window* w = Self(data);
    // Runs before the layout draws its children, which then lie above the controls.
    if (!gtk_cairo_should_draw_window(cr, gtk_layout_get_bin_window(GTK_LAYOUT(w->layout))))
        return FALSE;
    GdkRectangle clip;
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return TRUE;
    const RECT area{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    PaintWindow(w->hwnd, cr, area);
    RECT& p = w->painted;
    p = (p.right <= p.left) ? area
                            : RECT{std::min(p.left, area.left), std::min(p.top, area.top),
                                   std::max(p.right, area.right), std::max(p.bottom, area.bottom)};
    return FALSE;
}

MouseButton ButtonOf(guint button) {
    return button == 3 ? MouseButton::Right : button == 2 ? MouseButton::Middle : MouseButton::Left;
}

POINT ScreenPoint(double xRoot, double yRoot) {
    return POINT{static_cast<LONG>(std::floor(xRoot)), static_cast<LONG>(std::floor(yRoot))};
}

// Scroll bars are the backend's: a press on one scrolls instead of reaching the controls.
bool PressScrollBar(GtkBackend::Window* w, GdkEventButton* event) {
    DuiLib::CPaintManagerUI* manager = w->Manager();
    if (!manager || event->button != 1) return false;
    const POINT client{static_cast<LONG>(event->x), static_cast<LONG>(event->y)};
    DuiLib::CContainerUI* container = ScrollBarAt(manager->GetRoot(), client);
    if (!container) return false;
    auto bar = ScrollBarOf(*container);
    if (client.y >= bar->thumb.top && client.y < bar->thumb.bottom) {
        w->scrolling = container;
        w->thumbGrab = client.y - bar->thumb.top;
    } else {
        // The track pages up or down.
        const RECT box = container->GetAbsolutePos();
        const int page = box.bottom - box.top;
        container->SetScrollPos(container->GetScrollPos() +
                                (client.y < bar->thumb.top ? -page : page));
    }
    return true;
}

gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    GtkBackend::Window* w = Self(data);
    if (!OnSurface(w, event->window)) return FALSE;
    if (event->type != GDK_BUTTON_PRESS || event->button > 3) return TRUE;
    if (PressScrollBar(w, event)) return TRUE;
    const POINT point = ScreenPoint(event->x_root, event->y_root);
    int doubleTime = 400, doubleDistance = 4;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &doubleTime,
                 "gtk-double-click-distance", &doubleDistance, nullptr);
    const bool doubleClick = w->lastPressButton == static_cast<int>(event->button) &&
                             event->time - w->lastPressTime <= static_cast<guint32>(doubleTime) &&
                             std::abs(point.x - w->lastPressPoint.x) <= doubleDistance &&
                             std::abs(point.y - w->lastPressPoint.y) <= doubleDistance;
    // A double click ends the pair: the next press starts a new one.
    w->lastPressButton = doubleClick ? -1 : static_cast<int>(event->button);
    w->lastPressTime = event->time;
    w->lastPressPoint = point;
    w->pressPoint = point;
    PointerPressed(w->hwnd, point, ButtonOf(event->button), doubleClick);
    return TRUE;
}

gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    GtkBackend::Window* w = Self(data);
    if (!OnSurface(w, event->window) || event->button > 3) return FALSE;
    if (w->scrolling) {
        w->scrolling = nullptr;
        return TRUE;
    }
    const POINT point = ScreenPoint(event->x_root, event->y_root);
    HWND hwnd = w->hwnd;
    GtkBackend* backend = w->backend;
    PointerReleased(hwnd, point, ButtonOf(event->button));
    if (!backend->ChildLayer(hwnd)) return TRUE;  // the click closed the window
    // A click on a combo box opens its drop-down.
    if (event->button == 1) {
        if (DuiLib::CPaintManagerUI* manager = w->Manager()) {
            POINT client{static_cast<LONG>(event->x), static_cast<LONG>(event->y)};
            POINT pressed = w->pressPoint;
            ScreenToClient(hwnd, &pressed);
            auto* combo = dynamic_cast<DuiLib::CComboUI*>(manager->FindControl(client));
            if (combo && combo == dynamic_cast<DuiLib::CComboUI*>(manager->FindControl(pressed)) &&
                combo->IsEnabled() && combo->GetCount() > 0)
                w->ShowDropDown(combo);
        }
    }
    return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    GtkBackend::Window* w = Self(data);
    if (!OnSurface(w, event->window) && !w->scrolling) return FALSE;
    if (w->scrolling) {
        DuiLib::CPaintManagerUI* manager = w->Manager();
        if (manager && IsInTree(manager->GetRoot(), w->scrolling)) {
            w->scrolling->SetScrollPos(
                ScrollPosForThumbTop(*w->scrolling, static_cast<int>(event->y) - w->thumbGrab));
        } else {
            w->scrolling = nullptr;
        }
        gdk_event_request_motions(event);
        return TRUE;
    }
    PointerMoved(w->hwnd, ScreenPoint(event->x_root, event->y_root));
    gdk_event_request_motions(event);  // compress motion while the layer is busy
    return TRUE;
}

gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
    const bool buttonHeld = event->state & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK);
    if (event->mode == GDK_CROSSING_NORMAL && !buttonHeld) PointerLeft(Self(data)->hwnd);
    return FALSE;
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
    int delta = 0;
    if (event->direction == GDK_SCROLL_UP) delta = 120;
    if (event->direction == GDK_SCROLL_DOWN) delta = -120;
    if (event->direction == GDK_SCROLL_SMOOTH) delta = static_cast<int>(-event->delta_y * 120);
    if (delta != 0) WheelTurned(Self(data)->hwnd, ScreenPoint(event->x_root, event->y_root), delta);
    return TRUE;
}

gboolean OnQueryTooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tooltip, gpointer data) {
    DuiLib::CPaintManagerUI* manager = Self(data)->Manager();
    DuiLib::CControlUI* control = manager ? manager->FindControl(POINT{x, y}) : nullptr;
    if (!control || control->GetToolTip().empty()) return FALSE;
    gtk_tooltip_set_text(tooltip, platform::GbkToUtf8(control->GetToolTip()).c_str());
    const RECT pos = control->GetAbsolutePos();
    GdkRectangle area{pos.left, pos.top, Width(pos), Height(pos)};
    gtk_tooltip_set_tip_area(tooltip, &area);
    return TRUE;
}

// The window the keyboard input of a top-level window goes to: its focused child, or itself.
HWND KeyTarget(HWND hwnd) {
    HWND focus = GetFocus();
    for (HWND w = focus; w; w = GetParent(w))
        if (w == hwnd) return focus;
    return hwnd;
}

gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer data) {
    GtkBackend::Window* w = Self(data);
    const WPARAM key = VirtualKeyFromKeyval(event->keyval);
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
    HWND hwnd = w->hwnd;
    if (focus && GTK_IS_ENTRY(focus)) {
        // The entry edits its text; the keys a window acts on still reach the layer.
        if (key != VK_RETURN && key != VK_ESCAPE && key != VK_TAB) return FALSE;
    } else if (focus && focus != w->layout) {
        return FALSE;  // a web page or another native child takes its own keys
    }
    HWND target = KeyTarget(hwnd);
    if (key) KeyPressed(target, key);
    const gunichar character = gdk_keyval_to_unicode(event->keyval);
    const bool command = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK);
    if (character >= 0x20 && character != 0x7F && !command && !(focus && GTK_IS_ENTRY(focus))) {
        char utf8[8] = {};
        g_unichar_to_utf8(character, utf8);
        const std::string gbk = platform::Utf8ToGbk(utf8);
        unsigned int packed = 0;
        for (unsigned char byte : gbk) packed = (packed << 8) | byte;
        if (!gbk.empty() && gbk.size() <= 2 && IsWindow(target)) CharacterTyped(target, packed);
    }
    return TRUE;
}

gboolean OnKeyRelease(GtkWidget* widget, GdkEventKey* event, gpointer data) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
    if (focus && focus != Self(data)->layout) return FALSE;
    if (WPARAM key = VirtualKeyFromKeyval(event->keyval)) {
        KeyReleased(KeyTarget(Self(data)->hwnd), key);
    }
    return TRUE;
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
    std::unique_ptr<GtkBackend> backend(new GtkBackend());
    GdkScreen* screen = gdk_screen_get_default();
    if (GDK_IS_X11_SCREEN(screen)) {
        const char* manager = gdk_x11_screen_get_window_manager_name(screen);
        backend->hasWindowManager_ = manager && std::string(manager) != "unknown";
    }
    return backend;
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
