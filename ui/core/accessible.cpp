// The accessible description of controls.
#include "ui/core/accessible.h"

#include <string_view>

#include "ui/core/container.h"
#include "ui/core/control.h"
#include "ui/core/controls.h"
#include "ui/core/list.h"
#include "ui/core/paint_manager.h"

namespace DuiLib {

namespace {

bool Is(CControlUI& control, std::string_view kind) {
    return control.GetInterface(kind) != nullptr;
}

bool IsContainer(CControlUI& control) {
    return Is(control, "IContainer");
}

// Kinds that always appear, named or not (a nameless button is still a button).
bool IsKnownKind(CControlUI& control) {
    return Is(control, "Button") || Is(control, "Label") || Is(control, "List") ||
           Is(control, "ListItem") || Is(control, "Combo");
}

void CollectChildren(CControlUI& control, std::vector<CControlUI*>& out) {
    for (int i = 0; i < control.GetChildCount(); ++i) {
        CControlUI* child = control.GetChildAt(i);
        if (!child) continue;
        if (IsAccessible(*child))
            out.push_back(child);
        else if (IsContainer(*child))
            CollectChildren(*child, out);
    }
}

}  // namespace

AccessibleRole GetAccessibleRole(CControlUI& control) {
    if (auto* option = static_cast<COptionUI*>(control.GetInterface("Option")))
        return option->GetGroup().empty() ? AccessibleRole::ToggleButton
                                          : AccessibleRole::RadioButton;
    if (Is(control, "Button")) return AccessibleRole::PushButton;
    if (Is(control, "Edit")) return AccessibleRole::Entry;
    if (Is(control, "Progress")) return AccessibleRole::ProgressBar;
    if (Is(control, "Label")) return AccessibleRole::Label;
    if (Is(control, "List")) return AccessibleRole::List;
    if (Is(control, "ListItem")) return AccessibleRole::ListItem;
    return AccessibleRole::Panel;
}

std::string GetAccessibleName(CControlUI& control) {
    // The skin's name is meant for readers; the text and tooltip are for the eye.
    if (std::string name = control.GetAccName(); !name.empty()) return name;
    // An edit's text is what the user typed, not what the box is for.
    if (!Is(control, "Edit")) {
        if (std::string text = control.GetText(); !text.empty()) return text;
    }
    return control.GetToolTip();
}

AccessibleStates GetAccessibleStates(CControlUI& control) {
    AccessibleStates states;
    states.showing = control.GetManager() != nullptr;
    for (CControlUI* c = &control; c && states.showing; c = c->GetParent())
        states.showing = c->IsVisible();
    states.enabled = control.IsEnabled();
    states.focusable = control.IsTabStop();
    states.focused = control.IsFocused();
    if (auto* option = static_cast<COptionUI*>(control.GetInterface("Option"))) {
        states.checkable = true;
        states.checked = option->IsSelected();
    } else if (auto* item = static_cast<CListElementUI*>(control.GetInterface("ListItem"))) {
        states.checkable = true;
        states.checked = item->IsSelected();
    }
    return states;
}

RECT GetAccessibleExtents(CControlUI& control) {
    // Layout is lazy: a control just shown is placed when the window next
    // paints, which may come after the question.
    if (CPaintManagerUI* manager = control.GetManager()) manager->UpdateLayout();
    return control.GetAbsolutePos();
}

bool DoAccessibleClick(CControlUI& control) {
    return control.Activate();
}

bool IsAccessible(CControlUI& control) {
    if (IsKnownKind(control)) return true;
    return !GetAccessibleName(control).empty();
}

std::vector<CControlUI*> GetAccessibleChildren(CControlUI& control) {
    std::vector<CControlUI*> children;
    // A list's items or a combo's choices are its own; other controls' children
    // are not containers' (a button has none).
    if (IsContainer(control)) CollectChildren(control, children);
    return children;
}

const char* AccessibleRoleName(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::PushButton:
            return "push button";
        case AccessibleRole::ToggleButton:
            return "toggle button";
        case AccessibleRole::RadioButton:
            return "radio button";
        case AccessibleRole::Label:
            return "label";
        case AccessibleRole::Entry:
            return "entry";
        case AccessibleRole::List:
            return "list";
        case AccessibleRole::ListItem:
            return "list item";
        case AccessibleRole::ProgressBar:
            return "progress bar";
        case AccessibleRole::Panel:
            return "panel";
    }
    return "panel";
}

}  // namespace DuiLib
