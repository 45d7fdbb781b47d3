// The accessible description of a window's controls: what a screen reader is
// told about each control (its role, name, states, extents and one action).
//
// Pure functions of the control tree, computed when asked: nothing here runs
// while painting. A backend maps the description to its platform's
// accessibility interface (ui/gtk: ATK, which GTK bridges to AT-SPI).
//
// Containers that carry no name of their own are flattened: they do not
// appear, and their children take their place in their parent's list.
// Controls that are neither containers nor of a known kind appear only when
// they carry a name (an image, a spacer and a drawn line say nothing).
#pragma once

#include <string>
#include <vector>

#include "ui/core/win_types.h"

namespace DuiLib {

class CControlUI;

enum class AccessibleRole {
    PushButton,
    ToggleButton,  // an option alone: a check box drawn as a button
    RadioButton,   // an option of a group: one of them is selected at a time
    Label,
    Entry,  // an edit box; its native entry is the object a backend shows
    List,
    ListItem,
    ProgressBar,
    Panel,  // a container with a name, or an unknown control with a name
};

struct AccessibleStates {
    bool showing = false;  // visible up to the window's root
    bool enabled = false;
    bool focusable = false;
    bool focused = false;
    bool checkable = false;  // options and list items
    bool checked = false;    // a selected option or list item
};

// The control's role, from its class.
AccessibleRole GetAccessibleRole(CControlUI& control);
// The control's name (GBK): the skin's "accname" (given to icon-only buttons
// and edit boxes), else its text (not an edit's: that is what was typed),
// else its tooltip. Empty when it has none.
std::string GetAccessibleName(CControlUI& control);
AccessibleStates GetAccessibleStates(CControlUI& control);
// Where the control is drawn, in its window's client coordinates.
RECT GetAccessibleExtents(CControlUI& control);
// The "click" action: what a mouse click on the control does (the same
// notifications reach the window). False when the control cannot be clicked.
bool DoAccessibleClick(CControlUI& control);

// Whether the control appears in the accessible tree (false: flattened or silent).
bool IsAccessible(CControlUI& control);
// The accessible children of `control`, in the tree's order: its own children
// that appear, with the accessible children of those that are flattened in
// their place. Hidden controls are included (not showing), so that a reader
// sees them appear when a state changes.
std::vector<CControlUI*> GetAccessibleChildren(CControlUI& control);

// A role's name as AT-SPI spells it ("push button"), for logs and tests.
const char* AccessibleRoleName(AccessibleRole role);

}  // namespace DuiLib
