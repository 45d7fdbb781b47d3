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

// The tab layout of the control's window whose pages the option group `group` switches.
CTabLayoutUI* FindTabLayout(CControlUI& control, const std::string& group) {
    if (auto* tabs = static_cast<CTabLayoutUI*>(control.GetInterface("TabLayout")))
        if (tabs->GetTabGroup() == group) return tabs;
    if (!IsContainer(control)) return nullptr;
    for (int i = 0; i < control.GetChildCount(); ++i)
        if (CControlUI* child = control.GetChildAt(i))
            if (CTabLayoutUI* tabs = FindTabLayout(*child, group)) return tabs;
    return nullptr;
}

std::string TrimBlanks(std::string text) {
    // GBK's second bytes are never below 0x40: a blank byte is always a blank.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    size_t start = 0;
    while (start < text.size() && blank(text[start])) ++start;
    return text.substr(start);
}

// The control's own name: its accname, text or tooltip.
std::string OwnName(CControlUI& control) {
    // The skin's name is meant for readers; the text and tooltip are for the eye.
    if (std::string name = TrimBlanks(control.GetAccName()); !name.empty()) return name;
    // An edit's text is what the user typed, not what the box is for.
    if (!Is(control, "Edit")) {
        if (std::string text = TrimBlanks(control.GetText()); !text.empty()) return text;
    }
    return TrimBlanks(control.GetToolTip());
}

// The label tied to the control: its parent's child immediately before it.
CControlUI* TiedLabel(CControlUI& control) {
    CControlUI* parent = control.GetParent();
    if (!parent) return nullptr;
    CControlUI* before = nullptr;
    for (int i = 0; i < parent->GetChildCount(); ++i) {
        CControlUI* child = parent->GetChildAt(i);
        if (child == &control) break;
        before = child;
    }
    if (!before || GetAccessibleRole(*before) != AccessibleRole::Label) return nullptr;
    return before;
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
    if (auto* option = static_cast<COptionUI*>(control.GetInterface("Option"))) {
        const std::string group = option->GetGroup();
        if (group.empty()) return AccessibleRole::ToggleButton;
        CPaintManagerUI* manager = control.GetManager();
        CControlUI* root = manager ? manager->GetRoot() : nullptr;
        return root && FindTabLayout(*root, group) ? AccessibleRole::PageTab
                                                   : AccessibleRole::RadioButton;
    }
    if (Is(control, "Button")) return AccessibleRole::PushButton;
    if (Is(control, "Edit")) return AccessibleRole::Entry;
    if (Is(control, "Progress")) return AccessibleRole::ProgressBar;
    if (Is(control, "Label")) return AccessibleRole::Label;
    if (Is(control, "List")) return AccessibleRole::List;
    if (Is(control, "ListItem")) return AccessibleRole::ListItem;
    return AccessibleRole::Panel;
}

std::string GetAccessibleName(CControlUI& control) {
    if (std::string name = OwnName(control); !name.empty()) return name;
    // A label names the control after it, not another label, nor a panel that
    // merely follows it.
    const AccessibleRole role = GetAccessibleRole(control);
    if (role == AccessibleRole::Label || role == AccessibleRole::Panel) return {};
    CControlUI* label = TiedLabel(control);
    return label ? OwnName(*label) : std::string();
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

std::optional<AccessibleValue> GetAccessibleValue(CControlUI& control) {
    auto* progress = static_cast<CProgressUI*>(control.GetInterface("Progress"));
    if (!progress) return std::nullopt;
    return AccessibleValue{progress->GetMinValue(), progress->GetMaxValue(), progress->GetValue()};
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

bool DoAccessibleMenu(CControlUI& control) {
    CPaintManagerUI* manager = control.GetManager();
    if (!manager || !control.HasMenu() || !GetAccessibleStates(control).showing ||
        !control.IsEnabled())
        return false;
    const RECT rect = GetAccessibleExtents(control);
    manager->SendNotify(&control, "menu", 0,
                        MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
    return true;
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
        case AccessibleRole::PageTab:
            return "page tab";
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
