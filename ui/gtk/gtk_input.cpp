// The GTK backend's input: native pointer, wheel, tooltip and key events become
// the layer's input, with Windows virtual-key codes.
#include "ui/gtk/gtk_input.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/text.h"
#include "ui/core/controls.h"
#include "ui/core/input.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"
#include "ui/gtk/accessible.h"
#include "ui/gtk/gtk_window.h"
#include "ui/gtk/virtual_keys.h"
#include "ui/render/scroll_bar.h"

namespace ui {

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

// A combo box's drop-down: its items' texts in a menu under the control.
void ShowDropDown(GtkWindowRecord* w, DuiLib::CComboUI* combo) {
    GtkWidget* menu = gtk_menu_new();
    for (int i = 0; i < combo->GetCount(); ++i) {
        DuiLib::CControlUI* item = combo->GetItemAt(i);
        GtkWidget* menuItem =
            gtk_check_menu_item_new_with_label(platform::GbkToUtf8(item->GetText()).c_str());
        gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(menuItem), TRUE);
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(menuItem), i == combo->GetCurSel());
        auto* choice = new DropDownChoice{w->hwnd, combo, i};
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
    gtk_menu_popup_at_rect(GTK_MENU(menu), gtk_layout_get_bin_window(GTK_LAYOUT(w->layout)),
                           &anchor, GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
}

GtkWindowRecord* Self(gpointer data) {
    return static_cast<GtkWindowRecord*>(data);
}

// Events that reached the surface itself (not ones a native child passed on).
bool OnSurface(GtkWindowRecord* w, GdkWindow* window) {
    return window == gtk_layout_get_bin_window(GTK_LAYOUT(w->layout));
}

MouseButton ButtonOf(guint button) {
    return button == 3 ? MouseButton::Right : button == 2 ? MouseButton::Middle : MouseButton::Left;
}

POINT ScreenPoint(double xRoot, double yRoot) {
    return POINT{static_cast<LONG>(std::floor(xRoot)), static_cast<LONG>(std::floor(yRoot))};
}

// Scroll bars are the backend's: a press on one scrolls instead of reaching the controls.
bool PressScrollBar(GtkWindowRecord* w, GdkEventButton* event) {
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
    GtkWindowRecord* w = Self(data);
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
    GtkWindowRecord* w = Self(data);
    if (!OnSurface(w, event->window) || event->button > 3) return FALSE;
    if (w->scrolling) {
        w->scrolling = nullptr;
        return TRUE;
    }
    const POINT point = ScreenPoint(event->x_root, event->y_root);
    HWND hwnd = w->hwnd;
    PointerReleased(hwnd, point, ButtonOf(event->button));
    // The click closed the window: its native window (and `w`) went with it.
    if (!IsWindow(hwnd)) return TRUE;
    // A click on a combo box opens its drop-down.
    if (event->button == 1) {
        if (DuiLib::CPaintManagerUI* manager = w->Manager()) {
            POINT client{static_cast<LONG>(event->x), static_cast<LONG>(event->y)};
            POINT pressed = w->pressPoint;
            ScreenToClient(hwnd, &pressed);
            auto* combo = dynamic_cast<DuiLib::CComboUI*>(manager->FindControl(client));
            if (combo && combo == dynamic_cast<DuiLib::CComboUI*>(manager->FindControl(pressed)) &&
                combo->IsEnabled() && combo->GetCount() > 0)
                ShowDropDown(w, combo);
        }
    }
    return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    GtkWindowRecord* w = Self(data);
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
    GtkWindowRecord* w = Self(data);
    // A key may move the focus without changing what is drawn.
    WakeAccessibleControls(w->layout);
    const WPARAM key = VirtualKeyFromKeyval(event->keyval);
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
    HWND hwnd = w->hwnd;
    if (focus && GTK_IS_ENTRY(focus)) {
        // The entry edits its text; the keys a window acts on still reach the layer,
        // and Shift too, which the entry uses as well, so Shift+Tab moves back.
        if (key == VK_SHIFT) {
            KeyPressed(KeyTarget(hwnd), key);
            return FALSE;
        }
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
    const WPARAM key = VirtualKeyFromKeyval(event->keyval);
    // Shift's release reaches the layer from an entry too: Tab may have moved the
    // focus into one while Shift was held.
    const bool shiftInEntry = key == VK_SHIFT && focus && GTK_IS_ENTRY(focus);
    if (focus && focus != Self(data)->layout && !shiftInEntry) return FALSE;
    if (key) KeyReleased(KeyTarget(Self(data)->hwnd), key);
    return shiftInEntry ? FALSE : TRUE;
}

}  // namespace

void ConnectPointerInput(GtkWindowRecord* w) {
    g_signal_connect(w->area, "button-press-event", G_CALLBACK(OnButtonPress), w);
    g_signal_connect(w->area, "button-release-event", G_CALLBACK(OnButtonRelease), w);
    g_signal_connect(w->area, "motion-notify-event", G_CALLBACK(OnMotion), w);
    g_signal_connect(w->area, "leave-notify-event", G_CALLBACK(OnLeave), w);
    g_signal_connect(w->area, "scroll-event", G_CALLBACK(OnScroll), w);
    g_signal_connect(w->area, "query-tooltip", G_CALLBACK(OnQueryTooltip), w);
}

void ConnectKeyInput(GtkWidget* toplevel, GtkWindowRecord* w) {
    g_signal_connect(toplevel, "key-press-event", G_CALLBACK(OnKeyPress), w);
    g_signal_connect(toplevel, "key-release-event", G_CALLBACK(OnKeyRelease), w);
}

}  // namespace ui
