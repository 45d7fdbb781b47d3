// The controls of a window as ATK objects: the tree that makes them and keeps
// them current, and the surface whose accessible lists them. The objects
// themselves are in control_accessible.cpp.
//
// Sections: the tree | the surface and its accessible
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
#include "ui/gtk/control_accessible.h"
#include "ui/gtk/gtk_backend.h"

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

// How often a tree that an assistive technology has asked for is compared with
// the controls, to announce what changed, and for how many turns after the
// window last changed or took a key: an unchanging window is not polled, so an
// idle client does not wake while a screen reader runs.
constexpr guint kRefreshMilliseconds = 200;
constexpr int kRefreshTurnsAfterChange = 10;

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

bool SameStates(const DuiLib::AccessibleStates& a, const DuiLib::AccessibleStates& b) {
    return a.showing == b.showing && a.enabled == b.enabled && a.focusable == b.focusable &&
           a.focused == b.focused && a.checked == b.checked;
}
}  // namespace

// ---- the tree --------------------------------------------------------------------------------
// The accessible objects of one surface, kept in step with its window's controls.
class AccessibleTree {
public:
    AccessibleTree(GtkWidget* surface, AtkObject* surfaceObject)
        : surface_(surface), surfaceObject_(surfaceObject) {
        Wake();
    }
    ~AccessibleTree() {
        if (timer_) g_source_remove(timer_);
        for (auto& [control, node] : nodes_) Drop(node);
    }
    AccessibleTree(const AccessibleTree&) = delete;
    AccessibleTree& operator=(const AccessibleTree&) = delete;

    static AccessibleTree* Of(GtkWidget* surface) {
        return static_cast<AccessibleTree*>(g_object_get_data(G_OBJECT(surface), kTreeKey));
    }

    GtkWidget* Surface() const { return surface_; }

    // The window changed or took input: keeps comparing for a while.
    void Wake() {
        turnsLeft_ = kRefreshTurnsAfterChange;
        if (!timer_) timer_ = g_timeout_add(kRefreshMilliseconds, OnTimer, this);
    }

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
        auto* tree = static_cast<AccessibleTree*>(data);
        tree->Refresh();
        if (--tree->turnsLeft_ > 0) return G_SOURCE_CONTINUE;
        tree->timer_ = 0;
        return G_SOURCE_REMOVE;
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
    int turnsLeft_ = 0;
    unsigned generation_ = 0;
    bool refreshing_ = false;
    std::unordered_map<DuiLib::CControlUI*, Node> nodes_;
    std::unordered_map<AtkObject*, DuiLib::CControlUI*> controls_;  // the nodes by object
    std::unordered_set<GtkWidget*> entries_;  // the entries standing for edit boxes
    std::vector<AtkObject*> top_;
};
namespace {

// The tree of a surface, made when first asked for.
AccessibleTree* TreeOf(GtkWidget* surface, AtkObject* surfaceObject) {
    if (AccessibleTree* tree = AccessibleTree::Of(surface)) return tree;
    auto* tree = new AccessibleTree(surface, surfaceObject);
    g_object_set_data_full(G_OBJECT(surface), kTreeKey, tree,
                           [](gpointer data) { delete static_cast<AccessibleTree*>(data); });
    return tree;
}
}  // namespace

const std::vector<AtkObject*>& AccessibleChildren(AccessibleTree& tree, AtkObject* parent) {
    return tree.Children(parent);
}

GtkWidget* AccessibleSurface(const AccessibleTree& tree) {
    return tree.Surface();
}

// A control object's control, current (null when it has left the window).
DuiLib::CControlUI* ControlOf(gpointer object) {
    auto* own = QUORVI_CONTROL_ACCESSIBLE(object);
    if (own->tree) own->tree->Refresh();
    return own->control;
}
}  // namespace ui

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

void WakeAccessibleControls(GtkWidget* surface) {
    if (AccessibleTree* tree = AccessibleTree::Of(surface)) tree->Wake();
}

}  // namespace ui
