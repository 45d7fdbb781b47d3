// The controls of a window as ATK objects.
//
// Sections: control objects | the tree | the surface and its accessible
#include "ui/gtk/accessible.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/text.h"
#include "ui/core/accessible.h"
#include "ui/core/controls.h"
#include "ui/core/paint_manager.h"
#include "ui/gtk/gtk_backend.h"

namespace ui {
namespace {

class AccessibleTree;

// How often a tree that an assistive technology has asked for is compared with
// the controls, to announce what changed.
constexpr guint kRefreshMilliseconds = 200;

}  // namespace
}  // namespace ui

// ---- control objects -------------------------------------------------------------------------
// One control of the window. `control` is null once the control has left the
// window (the object is then defunct).
struct QuorviControlAccessible {
    AtkObject parent;
    ui::AccessibleTree* tree;
    DuiLib::CControlUI* control;
    std::string* name;  // UTF-8
};
struct QuorviControlAccessibleClass {
    AtkObjectClass parent_class;
};

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

#define QUORVI_CONTROL_ACCESSIBLE(o) \
    (G_TYPE_CHECK_INSTANCE_CAST((o), quorvi_control_accessible_get_type(), QuorviControlAccessible))
#define QUORVI_IS_CONTROL_ACCESSIBLE(o) \
    (G_TYPE_CHECK_INSTANCE_TYPE((o), quorvi_control_accessible_get_type()))

// The surface: a GtkLayout whose accessible lists the controls.
struct QuorviSurface {
    GtkLayout parent;
};
struct QuorviSurfaceClass {
    GtkLayoutClass parent_class;
};
G_DEFINE_TYPE(QuorviSurface, quorvi_surface, GTK_TYPE_LAYOUT)

struct QuorviSurfaceAccessible {
    GtkContainerAccessible parent;
};
struct QuorviSurfaceAccessibleClass {
    GtkContainerAccessibleClass parent_class;
};
G_DEFINE_TYPE(QuorviSurfaceAccessible, quorvi_surface_accessible, GTK_TYPE_CONTAINER_ACCESSIBLE)

namespace ui {
namespace {

const char kTreeKey[] = "quorvi-accessible-tree";
const char kWindowKey[] = "quorvi-window";

AtkRole AtkRoleOf(DuiLib::AccessibleRole role) {
    using DuiLib::AccessibleRole;
    switch (role) {
        case AccessibleRole::PushButton:
            return ATK_ROLE_PUSH_BUTTON;
        case AccessibleRole::ToggleButton:
            return ATK_ROLE_TOGGLE_BUTTON;
        case AccessibleRole::RadioButton:
            return ATK_ROLE_RADIO_BUTTON;
        case AccessibleRole::PageTab:
            return ATK_ROLE_PAGE_TAB;
        case AccessibleRole::Label:
            return ATK_ROLE_LABEL;
        case AccessibleRole::Entry:
            return ATK_ROLE_ENTRY;
        case AccessibleRole::List:
            return ATK_ROLE_LIST;
        case AccessibleRole::ListItem:
            return ATK_ROLE_LIST_ITEM;
        case AccessibleRole::ProgressBar:
            return ATK_ROLE_PROGRESS_BAR;
        case AccessibleRole::Panel:
            return ATK_ROLE_PANEL;
    }
    return ATK_ROLE_PANEL;
}

// Page tabs and list items are selected; other options are checked.
bool IsSelectedKind(AtkObject* object) {
    const AtkRole role = atk_object_get_role(object);
    return role == ATK_ROLE_PAGE_TAB || role == ATK_ROLE_LIST_ITEM;
}

bool SameStates(const DuiLib::AccessibleStates& a, const DuiLib::AccessibleStates& b) {
    return a.showing == b.showing && a.enabled == b.enabled && a.focusable == b.focusable &&
           a.focused == b.focused && a.checked == b.checked;
}

// ---- the tree --------------------------------------------------------------------------------
// The accessible objects of one surface, kept in step with its window's controls.
class AccessibleTree {
public:
    AccessibleTree(GtkWidget* surface, AtkObject* surfaceObject)
        : surface_(surface), surfaceObject_(surfaceObject) {
        timer_ = g_timeout_add(kRefreshMilliseconds, OnTimer, this);
    }
    ~AccessibleTree() {
        g_source_remove(timer_);
        for (auto& [control, node] : nodes_) Drop(node);
    }
    AccessibleTree(const AccessibleTree&) = delete;
    AccessibleTree& operator=(const AccessibleTree&) = delete;

    static AccessibleTree* Of(GtkWidget* surface) {
        return static_cast<AccessibleTree*>(g_object_get_data(G_OBJECT(surface), kTreeKey));
    }

    GtkWidget* Surface() const { return surface_; }

    // The children of `parent` (the surface's object or a control's), current.
    const std::vector<AtkObject*>& Children(AtkObject* parent) {
        Refresh();
        if (parent == surfaceObject_) return top_;
        auto found = controls_.find(parent);
        if (found != controls_.end()) return nodes_[found->second].children;
        static const std::vector<AtkObject*> none;
        return none;
    }

    // Compares the objects with the controls, announcing what changed.
    void Refresh() {
        // An announcement's listener may ask again while it is being made.
        if (refreshing_) return;
        refreshing_ = true;
        auto* hwnd = static_cast<HWND>(g_object_get_data(G_OBJECT(surface_), kWindowKey));
        DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd);
        ++generation_;
        std::vector<AtkObject*> top;
        if (DuiLib::CControlUI* root = manager ? manager->GetRoot() : nullptr) {
            std::vector<DuiLib::CControlUI*> controls;
            if (DuiLib::IsAccessible(*root))
                controls.push_back(root);
            else
                controls = DuiLib::GetAccessibleChildren(*root);
            top = Visit(controls, surfaceObject_);
        }
        // Native children that stand for no control (web pages, child windows).
        GList* natives = gtk_container_get_children(GTK_CONTAINER(surface_));
        for (GList* item = natives; item; item = item->next) {
            auto* widget = static_cast<GtkWidget*>(item->data);
            if (entries_.count(widget) == 0) top.push_back(gtk_widget_get_accessible(widget));
        }
        g_list_free(natives);
        Announce(surfaceObject_, top_, top);
        top_ = std::move(top);
        // Controls that left the window.
        for (auto it = nodes_.begin(); it != nodes_.end();) {
            if (it->second.generation == generation_) {
                ++it;
                continue;
            }
            Drop(it->second);
            it = nodes_.erase(it);
        }
        refreshing_ = false;
    }

private:
    struct Node {
        AtkObject* object = nullptr;  // referenced
        bool own = false;             // a QuorviControlAccessible (else an entry's object)
        GtkWidget* entry = nullptr;   // the entry whose object it is (not referenced)
        std::string kind;
        std::string name;  // GBK, as last told
        std::vector<AtkObject*> children;
        DuiLib::AccessibleStates states;
        std::optional<DuiLib::AccessibleValue> value;
        unsigned generation = 0;
    };

    static gboolean OnTimer(gpointer data) {
        static_cast<AccessibleTree*>(data)->Refresh();
        return G_SOURCE_CONTINUE;
    }

    std::vector<AtkObject*> Visit(const std::vector<DuiLib::CControlUI*>& controls,
                                  AtkObject* parent) {
        std::vector<AtkObject*> objects;
        for (DuiLib::CControlUI* control : controls) {
            Node& node = Update(*control, parent);
            std::vector<AtkObject*> children =
                Visit(DuiLib::GetAccessibleChildren(*control), node.object);
            Announce(node.object, node.children, children);
            node.children = std::move(children);
            objects.push_back(node.object);
        }
        return objects;
    }

    // The node of `control`, made or brought up to date.
    Node& Update(DuiLib::CControlUI& control, AtkObject* parent) {
        Node& node = nodes_[&control];
        const bool fresh = node.generation == 0;
        node.generation = generation_;
        // An edit box is its native entry, once it has one.
        GtkWidget* entry = nullptr;
        if (auto* edit = static_cast<DuiLib::CEditUI*>(control.GetInterface("Edit")))
            if (GtkBackend* backend = GetGtkBackend()) entry = backend->EntryOf(edit);
        AtkObject* wanted = entry ? gtk_widget_get_accessible(entry) : nullptr;
        if (!fresh &&
            (node.kind != control.GetClass() || (wanted ? node.object != wanted : !node.own))) {
            Drop(node);  // another control at the same address, or the entry came
            node = Node{};
            node.generation = generation_;
        }
        const std::string gbkName = DuiLib::GetAccessibleName(control);
        if (!node.object) {
            const std::string name = platform::GbkToUtf8(gbkName);
            node.kind = control.GetClass();
            node.name = gbkName;
            if (wanted) {
                node.object = ATK_OBJECT(g_object_ref(wanted));
                node.entry = entry;
                entries_.insert(entry);
            } else {
                node.own = true;
                node.value = DuiLib::GetAccessibleValue(control);
                auto* own = QUORVI_CONTROL_ACCESSIBLE(
                    g_object_new(node.value ? quorvi_value_accessible_get_type()
                                            : quorvi_control_accessible_get_type(),
                                 nullptr));
                own->tree = this;
                own->control = &control;
                *own->name = name;
                node.object = ATK_OBJECT(own);
                atk_object_set_role(node.object, AtkRoleOf(DuiLib::GetAccessibleRole(control)));
            }
            controls_[node.object] = &control;
            atk_object_set_parent(node.object, parent);
            if (wanted) atk_object_set_name(node.object, name.c_str());
            node.states = DuiLib::GetAccessibleStates(control);
            return node;
        }
        if (gbkName != node.name) {
            node.name = gbkName;
            const std::string name = platform::GbkToUtf8(gbkName);
            if (node.own) {
                *QUORVI_CONTROL_ACCESSIBLE(node.object)->name = name;
                g_object_notify(G_OBJECT(node.object), "accessible-name");
            } else {
                atk_object_set_name(node.object, name.c_str());
            }
        }
        if (atk_object_get_parent(node.object) != parent)
            atk_object_set_parent(node.object, parent);
        const DuiLib::AccessibleStates states = DuiLib::GetAccessibleStates(control);
        if (!SameStates(states, node.states) && node.own) {
            const DuiLib::AccessibleStates old = node.states;
            node.states = states;
            AtkObject* o = node.object;
            if (old.showing != states.showing) {
                atk_object_notify_state_change(o, ATK_STATE_SHOWING, states.showing);
                atk_object_notify_state_change(o, ATK_STATE_VISIBLE, states.showing);
            }
            if (old.enabled != states.enabled) {
                atk_object_notify_state_change(o, ATK_STATE_ENABLED, states.enabled);
                atk_object_notify_state_change(o, ATK_STATE_SENSITIVE, states.enabled);
            }
            if (old.checked != states.checked)
                atk_object_notify_state_change(
                    o, IsSelectedKind(o) ? ATK_STATE_SELECTED : ATK_STATE_CHECKED, states.checked);
            if (old.focused != states.focused)
                atk_object_notify_state_change(o, ATK_STATE_FOCUSED, states.focused);
        }
        node.states = states;
        if (node.value) {
            const std::optional<DuiLib::AccessibleValue> value =
                DuiLib::GetAccessibleValue(control);
            if (value && value != node.value) {
                node.value = value;
                g_object_notify(G_OBJECT(node.object), "accessible-value");
            }
        }
        return node;
    }

    // Announces the children that left and came.
    static void Announce(AtkObject* parent, const std::vector<AtkObject*>& before,
                         const std::vector<AtkObject*>& after) {
        if (before == after) return;
        for (size_t i = 0; i < before.size(); ++i)
            if (std::find(after.begin(), after.end(), before[i]) == after.end())
                g_signal_emit_by_name(parent, "children-changed::remove", static_cast<guint>(i),
                                      before[i]);
        for (size_t i = 0; i < after.size(); ++i)
            if (std::find(before.begin(), before.end(), after[i]) == before.end())
                g_signal_emit_by_name(parent, "children-changed::add", static_cast<guint>(i),
                                      after[i]);
    }

    void Drop(Node& node) {
        if (!node.object) return;
        controls_.erase(node.object);
        if (node.own) {
            auto* own = QUORVI_CONTROL_ACCESSIBLE(node.object);
            own->control = nullptr;
            own->tree = nullptr;
            atk_object_notify_state_change(node.object, ATK_STATE_DEFUNCT, TRUE);
        } else {
            entries_.erase(node.entry);  // the entry itself may be gone
        }
        g_object_unref(node.object);
        node.object = nullptr;
    }

    GtkWidget* surface_;
    AtkObject* surfaceObject_;
    guint timer_ = 0;
    unsigned generation_ = 0;
    bool refreshing_ = false;
    std::unordered_map<DuiLib::CControlUI*, Node> nodes_;
    std::unordered_map<AtkObject*, DuiLib::CControlUI*> controls_;  // the nodes by object
    std::unordered_set<GtkWidget*> entries_;  // the entries standing for edit boxes
    std::vector<AtkObject*> top_;
};

// The tree of a surface, made when first asked for.
AccessibleTree* TreeOf(GtkWidget* surface, AtkObject* surfaceObject) {
    if (AccessibleTree* tree = AccessibleTree::Of(surface)) return tree;
    auto* tree = new AccessibleTree(surface, surfaceObject);
    g_object_set_data_full(G_OBJECT(surface), kTreeKey, tree,
                           [](gpointer data) { delete static_cast<AccessibleTree*>(data); });
    return tree;
}

// A control object's control, current (null when it has left the window).
DuiLib::CControlUI* ControlOf(gpointer object) {
    auto* own = QUORVI_CONTROL_ACCESSIBLE(object);
    if (own->tree) own->tree->Refresh();
    return own->control;
}

}  // namespace
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
    return self->tree ? static_cast<gint>(self->tree->Children(object).size()) : 0;
}

static AtkObject* quorvi_control_accessible_ref_child(AtkObject* object, gint index) {
    auto* self = QUORVI_CONTROL_ACCESSIBLE(object);
    if (!self->tree) return nullptr;
    const auto& children = self->tree->Children(object);
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
    GtkWidget* surface = self->tree->Surface();
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

// ---- the surface and its accessible ----------------------------------------------------------
static void quorvi_surface_init(QuorviSurface*) {}

static void quorvi_surface_class_init(QuorviSurfaceClass* klass) {
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass),
                                         quorvi_surface_accessible_get_type());
}

static void quorvi_surface_accessible_init(QuorviSurfaceAccessible*) {}

static ui::AccessibleTree* quorvi_surface_accessible_tree(AtkObject* object) {
    GtkWidget* surface = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
    return surface ? ui::TreeOf(surface, object) : nullptr;
}

static gint quorvi_surface_accessible_get_n_children(AtkObject* object) {
    ui::AccessibleTree* tree = quorvi_surface_accessible_tree(object);
    return tree ? static_cast<gint>(tree->Children(object).size()) : 0;
}

static AtkObject* quorvi_surface_accessible_ref_child(AtkObject* object, gint index) {
    ui::AccessibleTree* tree = quorvi_surface_accessible_tree(object);
    if (!tree) return nullptr;
    const auto& children = tree->Children(object);
    if (index < 0 || index >= static_cast<gint>(children.size())) return nullptr;
    return ATK_OBJECT(g_object_ref(children[index]));
}

static void quorvi_surface_accessible_class_init(QuorviSurfaceAccessibleClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = quorvi_surface_accessible_get_n_children;
    atk->ref_child = quorvi_surface_accessible_ref_child;
}

namespace ui {

GtkWidget* NewControlSurface(HWND hwnd) {
    GtkWidget* surface = GTK_WIDGET(g_object_new(quorvi_surface_get_type(), "hadjustment", nullptr,
                                                 "vadjustment", nullptr, nullptr));
    g_object_set_data(G_OBJECT(surface), kWindowKey, hwnd);
    return surface;
}

void RefreshAccessibleControls(GtkWidget* surface) {
    if (AccessibleTree* tree = AccessibleTree::Of(surface)) tree->Refresh();
}

}  // namespace ui
