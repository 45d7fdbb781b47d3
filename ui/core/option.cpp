#include "ui/core/option.h"

#include "ui/core/control_attributes.h"
#include "ui/core/paint_manager.h"

namespace DuiLib {

COptionUI::~COptionUI() {
    if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
}

void* COptionUI::GetInterface(std::string_view name) {
    return name == "Option" ? this : CButtonUI::GetInterface(name);
}

bool COptionUI::Activate() {
    if (!CControlUI::Activate()) return false;
    // The state changes first, so that "click" handlers read the new state.
    Selected(group_.empty() ? !selected_ : true);
    SendNotify("click");
    return true;
}

void COptionUI::SetGroup(std::string_view group) {
    if (group == group_) return;
    if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
    group_ = group;
    if (manager_ && !group_.empty()) {
        manager_->AddOptionGroup(group_, this);
        if (selected_) {
            selected_ = false;
            Selected(true, false);
        }
    }
}

void COptionUI::Selected(bool selected, bool notify) {
    if (selected_ == selected) return;
    selected_ = selected;
    if (selected)
        buttonState_ |= UISTATE_SELECTED;
    else
        buttonState_ &= ~UISTATE_SELECTED;
    if (selected && manager_ && !group_.empty()) {
        if (const auto* group = manager_->GetOptionGroup(group_)) {
            for (COptionUI* other : *group) {
                if (other == this || !other->selected_) continue;
                other->selected_ = false;
                other->buttonState_ &= ~UISTATE_SELECTED;
                other->Invalidate();
            }
        }
    }
    Invalidate();
    if (notify) SendNotify("selectchanged");
}

bool COptionUI::SetSelectedImage(std::string_view spec) {
    auto parsed = ui::ParseImageSpec(spec);
    if (!parsed) return false;
    selectedImage_.text = spec;
    selectedImage_.spec = *parsed;
    Invalidate();
    return true;
}

AttributeResult COptionUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "group") {
        SetGroup(value);
        return AttributeResult::Applied;
    }
    if (name == "selected")
        return ApplyParsed(ui::ParseBool(value), [&](bool v) { Selected(v, false); });
    if (name == "selectedimage") return Result(SetSelectedImage(value));
    if (name == "selectedtextcolor")
        return ApplyParsed(ui::ParseColor(value), [&](DWORD v) { SetSelectedTextColor(v); });
    return CButtonUI::SetAttribute(name, value);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (manager == manager_) {
        CButtonUI::SetManager(manager, parent, init);
        return;
    }
    if (manager_ && !group_.empty()) manager_->RemoveOptionGroup(group_, this);
    CButtonUI::SetManager(manager, parent, init);
    if (manager_ && !group_.empty()) {
        manager_->AddOptionGroup(group_, this);
        if (selected_) {
            selected_ = false;
            Selected(true, false);
        }
    }
}

DWORD COptionUI::CurrentTextColor() const {
    if (selected_ && selectedTextColor_) return selectedTextColor_;
    return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintStatusImage(ui::RenderTarget& target) {
    if (selected_ && !selectedImage_.spec.empty()) {
        DrawImage(target, selectedImage_.spec);
        DrawImage(target, ImageAt(kFore));
        return;
    }
    CButtonUI::PaintStatusImage(target);
}

}  // namespace DuiLib
