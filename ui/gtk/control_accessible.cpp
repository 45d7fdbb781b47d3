// The ATK side of a control's object: the object itself, its component and
// action interfaces, and the value interface of progress bars.
#include "ui/gtk/control_accessible.h"

#include <optional>

#include "ui/core/accessible.h"
#include "ui/core/controls.h"

static void quorvi_control_accessible_component_init(AtkComponentIface* iface);
static void quorvi_control_accessible_action_init(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(QuorviControlAccessible, quorvi_control_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT,
                                              quorvi_control_accessible_component_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION,
                                                  quorvi_control_accessible_action_init))

// A progress bar: a control object that also tells its value.
struct QuorviValueAccessible {
    QuorviControlAccessible parent;
};
struct QuorviValueAccessibleClass {
    QuorviControlAccessibleClass parent_class;
};

static void quorvi_value_accessible_value_init(AtkValueIface* iface);

G_DEFINE_TYPE_WITH_CODE(QuorviValueAccessible, quorvi_value_accessible,
                        quorvi_control_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_VALUE, quorvi_value_accessible_value_init))

namespace ui {

// Page tabs and list items are selected; other options are checked.
bool IsSelectedKind(AtkObject* object) {
    const AtkRole role = atk_object_get_role(object);
    return role == ATK_ROLE_PAGE_TAB || role == ATK_ROLE_LIST_ITEM;
}

}  // namespace ui

// ---- control objects: ATK ---------------------------------------------------------------------
static void quorvi_control_accessible_init(QuorviControlAccessible* self) {
    self->tree = nullptr;
    self->control = nullptr;
    self->name = new std::string;
}

static void quorvi_control_accessible_finalize(GObject* object) {
    delete QUORVI_CONTROL_ACCESSIBLE(object)->name;
    G_OBJECT_CLASS(quorvi_control_accessible_parent_class)->finalize(object);
}

static const gchar* quorvi_control_accessible_get_name(AtkObject* object) {
    ui::ControlOf(object);
    return QUORVI_CONTROL_ACCESSIBLE(object)->name->c_str();
}

static gint quorvi_control_accessible_get_n_children(AtkObject* object) {
    auto* self = QUORVI_CONTROL_ACCESSIBLE(object);
    return self->tree ? static_cast<gint>(ui::AccessibleChildren(*self->tree, object).size()) : 0;
}

static AtkObject* quorvi_control_accessible_ref_child(AtkObject* object, gint index) {
    auto* self = QUORVI_CONTROL_ACCESSIBLE(object);
    if (!self->tree) return nullptr;
    const auto& children = ui::AccessibleChildren(*self->tree, object);
    if (index < 0 || index >= static_cast<gint>(children.size())) return nullptr;
    return ATK_OBJECT(g_object_ref(children[index]));
}

static gint quorvi_control_accessible_get_index_in_parent(AtkObject* object) {
    AtkObject* parent = atk_object_get_parent(object);
    if (!parent) return -1;
    const gint count = atk_object_get_n_accessible_children(parent);
    for (gint i = 0; i < count; ++i) {
        AtkObject* child = atk_object_ref_accessible_child(parent, i);
        if (child) g_object_unref(child);
        if (child == object) return i;
    }
    return -1;
}

static AtkStateSet* quorvi_control_accessible_ref_state_set(AtkObject* object) {
    AtkStateSet* set = atk_state_set_new();
    DuiLib::CControlUI* control = ui::ControlOf(object);
    if (!control) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    const DuiLib::AccessibleStates states = DuiLib::GetAccessibleStates(*control);
    if (control->IsVisible()) atk_state_set_add_state(set, ATK_STATE_VISIBLE);
    if (states.showing) atk_state_set_add_state(set, ATK_STATE_SHOWING);
    if (states.enabled) {
        atk_state_set_add_state(set, ATK_STATE_ENABLED);
        atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
    }
    if (states.focusable) atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (states.focused) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
    if (states.checkable) {
        const bool item = ui::IsSelectedKind(object);
        atk_state_set_add_state(set, item ? ATK_STATE_SELECTABLE : ATK_STATE_CHECKABLE);
        if (states.checked)
            atk_state_set_add_state(set, item ? ATK_STATE_SELECTED : ATK_STATE_CHECKED);
    }
    return set;
}

static void quorvi_control_accessible_class_init(QuorviControlAccessibleClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = quorvi_control_accessible_finalize;
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_name = quorvi_control_accessible_get_name;
    atk->get_n_children = quorvi_control_accessible_get_n_children;
    atk->ref_child = quorvi_control_accessible_ref_child;
    atk->get_index_in_parent = quorvi_control_accessible_get_index_in_parent;
    atk->ref_state_set = quorvi_control_accessible_ref_state_set;
}

// Extents: the control's rectangle, from the surface's origin on the screen.
static void quorvi_control_accessible_get_extents(AtkComponent* component, gint* x, gint* y,
                                                  gint* width, gint* height, AtkCoordType coords) {
    *x = *y = *width = *height = -1;
    auto* self = QUORVI_CONTROL_ACCESSIBLE(component);
    DuiLib::CControlUI* control = ui::ControlOf(component);
    if (!control || !self->tree) return;
    GtkWidget* surface = ui::AccessibleSurface(*self->tree);
    GdkWindow* bin = gtk_layout_get_bin_window(GTK_LAYOUT(surface));
    if (!bin) return;
    const RECT rect = DuiLib::GetAccessibleExtents(*control);
    gint originX = 0, originY = 0;
    gdk_window_get_origin(bin, &originX, &originY);
    *x = originX + rect.left;
    *y = originY + rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    if (coords == ATK_XY_WINDOW) {
        GdkWindow* top = gtk_widget_get_window(gtk_widget_get_toplevel(surface));
        gint topX = 0, topY = 0;
        if (top) gdk_window_get_origin(top, &topX, &topY);
        *x -= topX;
        *y -= topY;
    } else if (coords == ATK_XY_PARENT) {
        AtkObject* parent = atk_object_get_parent(ATK_OBJECT(component));
        gint parentX = 0, parentY = 0;
        if (parent && ATK_IS_COMPONENT(parent))
            atk_component_get_extents(ATK_COMPONENT(parent), &parentX, &parentY, nullptr, nullptr,
                                      ATK_XY_SCREEN);
        *x -= parentX;
        *y -= parentY;
    }
}

static void quorvi_control_accessible_component_init(AtkComponentIface* iface) {
    iface->get_extents = quorvi_control_accessible_get_extents;
}

// The actions run from the main loop, as a mouse click would: the caller
// (an assistive technology waiting for the answer) is not held by what it opens.
static gboolean quorvi_control_accessible_click(gpointer data) {
    if (DuiLib::CControlUI* control = ui::ControlOf(data)) DuiLib::DoAccessibleClick(*control);
    return G_SOURCE_REMOVE;
}

static gboolean quorvi_control_accessible_menu(gpointer data) {
    if (DuiLib::CControlUI* control = ui::ControlOf(data)) DuiLib::DoAccessibleMenu(*control);
    return G_SOURCE_REMOVE;
}

// "click", and "menu" for a control with a context menu.
static gint quorvi_control_accessible_get_n_actions(AtkAction* action) {
    DuiLib::CControlUI* control = ui::ControlOf(action);
    return control && control->HasMenu() ? 2 : 1;
}

static gboolean quorvi_control_accessible_do_action(AtkAction* action, gint index) {
    if (!ui::ControlOf(action) || index < 0 ||
        index >= quorvi_control_accessible_get_n_actions(action))
        return FALSE;
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE,
                    index == 0 ? quorvi_control_accessible_click : quorvi_control_accessible_menu,
                    g_object_ref(action), g_object_unref);
    return TRUE;
}

static const gchar* quorvi_control_accessible_get_action_name(AtkAction*, gint index) {
    return index == 0 ? "click" : index == 1 ? "menu" : nullptr;
}

static void quorvi_control_accessible_action_init(AtkActionIface* iface) {
    iface->do_action = quorvi_control_accessible_do_action;
    iface->get_n_actions = quorvi_control_accessible_get_n_actions;
    iface->get_name = quorvi_control_accessible_get_action_name;
}

// ---- progress bars: ATK value ---------------------------------------------------------------
static void quorvi_value_accessible_init(QuorviValueAccessible*) {}
static void quorvi_value_accessible_class_init(QuorviValueAccessibleClass*) {}

static std::optional<DuiLib::AccessibleValue> quorvi_value_accessible_value(AtkValue* object) {
    DuiLib::CControlUI* control = ui::ControlOf(object);
    return control ? DuiLib::GetAccessibleValue(*control) : std::nullopt;
}

static void quorvi_value_accessible_get_value_and_text(AtkValue* object, gdouble* value,
                                                       gchar** text) {
    const auto v = quorvi_value_accessible_value(object);
    if (value) *value = v ? v->current : 0;
    if (text) *text = nullptr;
}

static AtkRange* quorvi_value_accessible_get_range(AtkValue* object) {
    const auto v = quorvi_value_accessible_value(object);
    return v ? atk_range_new(v->minimum, v->maximum, nullptr) : nullptr;
}

// The older interface, which some bridges still ask first.
static void SetInt(GValue* out, int number) {
    g_value_init(out, G_TYPE_DOUBLE);
    g_value_set_double(out, number);
}
static void quorvi_value_accessible_get_current_value(AtkValue* object, GValue* out) {
    const auto v = quorvi_value_accessible_value(object);
    SetInt(out, v ? v->current : 0);
}
static void quorvi_value_accessible_get_minimum_value(AtkValue* object, GValue* out) {
    const auto v = quorvi_value_accessible_value(object);
    SetInt(out, v ? v->minimum : 0);
}
static void quorvi_value_accessible_get_maximum_value(AtkValue* object, GValue* out) {
    const auto v = quorvi_value_accessible_value(object);
    SetInt(out, v ? v->maximum : 0);
}

static void quorvi_value_accessible_value_init(AtkValueIface* iface) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    iface->get_current_value = quorvi_value_accessible_get_current_value;
    iface->get_minimum_value = quorvi_value_accessible_get_minimum_value;
    iface->get_maximum_value = quorvi_value_accessible_get_maximum_value;
    G_GNUC_END_IGNORE_DEPRECATIONS
    iface->get_value_and_text = quorvi_value_accessible_get_value_and_text;
    iface->get_range = quorvi_value_accessible_get_range;
}
