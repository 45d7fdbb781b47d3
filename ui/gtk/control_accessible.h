// One control of a window as an ATK object: its name, states, children,
// extents, actions and, for a progress bar, its value. The accessible tree of
// the window's surface (accessible.cpp) makes the objects and keeps them current.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace DuiLib {
class CControlUI;
}

namespace ui {

class AccessibleTree;

// The children of `parent` (the surface's object or a control's), current.
const std::vector<AtkObject*>& AccessibleChildren(AccessibleTree& tree, AtkObject* parent);

// The surface the tree's controls are painted on.
GtkWidget* AccessibleSurface(const AccessibleTree& tree);

// A control object's control, current (null when it has left the window).
DuiLib::CControlUI* ControlOf(gpointer object);

// Page tabs and list items are selected; other options are checked.
bool IsSelectedKind(AtkObject* object);

}  // namespace ui

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

GType quorvi_control_accessible_get_type();
// A progress bar: a control object that also tells its value.
GType quorvi_value_accessible_get_type();

#define QUORVI_CONTROL_ACCESSIBLE(o) \
    (G_TYPE_CHECK_INSTANCE_CAST((o), quorvi_control_accessible_get_type(), QuorviControlAccessible))
#define QUORVI_IS_CONTROL_ACCESSIBLE(o) \
    (G_TYPE_CHECK_INSTANCE_TYPE((o), quorvi_control_accessible_get_type()))
