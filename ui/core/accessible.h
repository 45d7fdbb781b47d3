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
//
// A control that shows no text of its own (an edit box, an icon-only button)
// may be named by a label tied to it: the label placed immediately before it
// among its parent's children, as an icon or caption in front of a text box.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/core/win_types.h"

namespace DuiLib {

class CControlUI;

enum class AccessibleRole {
    PushButton,
    ToggleButton,  // an option alone: a check box drawn as a button
    RadioButton,   // an option of a group: one of them is selected at a time
    PageTab,       // an option of the group that switches a tab layout's pages
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

// The value a progress bar shows, within its range.
struct AccessibleValue {
    int minimum = 0;
    int maximum = 0;
    int current = 0;
    bool operator==(const AccessibleValue&) const = default;
};

// The control's role, from its class.
AccessibleRole GetAccessibleRole(CControlUI& control);
// The control's name (GBK): the skin's "accname" (given to icon-only buttons
// and edit boxes), else its text (not an edit's: that is what was typed),
// else its tooltip, else (for a control that is not itself a label or panel)
// the name of the label tied to it. Without the blanks the skins pad texts
// with. Empty when it has none.
std::string GetAccessibleName(CControlUI& control);
AccessibleStates GetAccessibleStates(CControlUI& control);
// A progress bar's value; nothing for other controls.
std::optional<AccessibleValue> GetAccessibleValue(CControlUI& control);
// Where the control is drawn, in its window's client coordinates.
RECT GetAccessibleExtents(CControlUI& control);
// The "click" action: what a mouse click on the control does (the same
// notifications reach the window). False when the control cannot be clicked.
bool DoAccessibleClick(CControlUI& control);

// The "menu" action of a control whose window opens a context menu for it:
// the "menu" notification a right click raises, with the control's centre as
// its point (lParam; the notification's mouse point stays the pointer's).
// False when the control has no menu or cannot take it (hidden or disabled).
bool DoAccessibleMenu(CControlUI& control);

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
