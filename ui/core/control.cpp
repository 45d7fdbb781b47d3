// CControlUI.
//
// Sections: geometry | state | look | attributes | events and painting | tree
#include "ui/core/control.h"

#include <algorithm>

#include "ui/core/control_attributes.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (manager_) manager_->ReapObjects(this);
}

void* CControlUI::GetInterface(std::string_view name) {
    return name == "Control" ? this : nullptr;
}

void CControlUI::SetName(std::string_view name) {
    if (name == name_) return;
    std::string old = name_;
    name_ = name;
    if (manager_) manager_->RenameControl(this, old, name_);
}

void CControlUI::SetText(std::string_view text) {
    if (text == text_) return;
    text_ = text;
    Invalidate();
}

// ---- geometry ------------------------------------------------------------------------------
RECT CControlUI::GetPos() const {
    if (!float_) return rect_;
    return RECT{fixedXY_.cx, fixedXY_.cy, fixedXY_.cx + fixedWidth_, fixedXY_.cy + fixedHeight_};
}

void CControlUI::SetPos(RECT rect) {
    if (!float_) {
        SetAbsolutePos(rect);
        return;
    }
    fixedXY_ = {rect.left, rect.top};
    fixedWidth_ = std::max<LONG>(0, rect.right - rect.left);
    fixedHeight_ = std::max<LONG>(0, rect.bottom - rect.top);
    if (parent_) SetAbsolutePos(FloatRectIn(parent_->GetAbsolutePos()));
    NeedParentUpdate();
}

void CControlUI::SetAbsolutePos(const RECT& rect) {
    if (rect != rect_) {
        Invalidate();
        rect_ = rect;
        Invalidate();
    }
    updateNeeded_ = false;
}

RECT CControlUI::FloatRectIn(const RECT& parentRect) const {
    int width = std::clamp(fixedWidth_, minWidth_, std::max(minWidth_, maxWidth_));
    int height = std::clamp(fixedHeight_, minHeight_, std::max(minHeight_, maxHeight_));
    RECT rect{parentRect.left + fixedXY_.cx, parentRect.top + fixedXY_.cy, 0, 0};
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    return rect;
}

void CControlUI::SetFloat(bool isFloat) {
    if (float_ == isFloat) return;
    float_ = isFloat;
    NeedParentUpdate();
}

void CControlUI::SetFixedXY(SIZE xy) {
    fixedXY_ = xy;
    NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int width) {
    if (width < 0) return;
    fixedWidth_ = width;
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int height) {
    if (height < 0) return;
    fixedHeight_ = height;
    NeedParentUpdate();
}

void CControlUI::SetMinWidth(int width) {
    if (width < 0) return;
    minWidth_ = width;
    NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int width) {
    if (width < 0) return;
    maxWidth_ = width;
    NeedParentUpdate();
}

void CControlUI::SetMinHeight(int height) {
    if (height < 0) return;
    minHeight_ = height;
    NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int height) {
    if (height < 0) return;
    maxHeight_ = height;
    NeedParentUpdate();
}

SIZE CControlUI::EstimateSize(SIZE) const {
    return SIZE{fixedWidth_, fixedHeight_};
}

// ---- state ---------------------------------------------------------------------------------
void CControlUI::SetVisible(bool visible) {
    if (visible_ == visible) return;
    bool wasShown = IsVisible();
    visible_ = visible;
    if (!IsVisible() && focused_ && manager_) manager_->SetFocus(nullptr);
    if (wasShown != IsVisible()) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
    internVisible_ = visible;
    if (!IsVisible() && focused_ && manager_) manager_->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (manager_) manager_->SetFocus(this);
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

// ---- look ----------------------------------------------------------------------------------
void CControlUI::SetBkColor(DWORD argb) {
    bkColor_ = argb;
    Invalidate();
}

bool CControlUI::SetBkImage(std::string_view spec) {
    auto parsed = ui::ParseImageSpec(spec);
    if (!parsed) return false;
    bkImageText_ = spec;
    bkImage_ = *parsed;
    Invalidate();
    return true;
}

void CControlUI::SetBorderColor(DWORD argb) {
    borderColor_ = argb;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) {
    borderSize_ = std::max(0, size);
    Invalidate();
}

// ---- attributes ----------------------------------------------------------------------------
AttributeResult CControlUI::SetAttribute(std::string_view name, std::string_view value) {
    using ui::ParseBool;
    using ui::ParseColor;
    using ui::ParseInt;
    if (name == "name") {
        SetName(value);
    } else if (name == "text") {
        SetText(value);
    } else if (name == "tooltip") {
        SetToolTip(value);
    } else if (name == "accname") {
        SetAccName(value);
    } else if (name == "userdata") {
        SetUserData(value);
    } else if (name == "pos") {
        // Left and top place the control; right and bottom give its size when
        // they lie beyond left and top (the skins write "x,y,0,0" to keep the
        // size given by width and height).
        auto rect = ui::ParseRect(value);
        if (!rect) return AttributeResult::Malformed;
        SetFixedXY({rect->left, rect->top});
        if (rect->right > rect->left) SetFixedWidth(rect->right - rect->left);
        if (rect->bottom > rect->top) SetFixedHeight(rect->bottom - rect->top);
        if (parent_ && float_) SetAbsolutePos(FloatRectIn(parent_->GetAbsolutePos()));
        if (!float_) {
            RECT absolute = *rect;
            if (absolute.right <= absolute.left) absolute.right = absolute.left + fixedWidth_;
            if (absolute.bottom <= absolute.top) absolute.bottom = absolute.top + fixedHeight_;
            rect_ = absolute;
        }
        NeedParentUpdate();
    } else if (name == "float") {
        return ApplyParsed(ParseBool(value), [&](bool v) { SetFloat(v); });
    } else if (name == "width") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetFixedWidth(v); });
    } else if (name == "height") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetFixedHeight(v); });
    } else if (name == "minwidth") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetMinWidth(v); });
    } else if (name == "maxwidth") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetMaxWidth(v); });
    } else if (name == "minheight") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetMinHeight(v); });
    } else if (name == "maxheight") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetMaxHeight(v); });
    } else if (name == "visible") {
        return ApplyParsed(ParseBool(value), [&](bool v) { SetVisible(v); });
    } else if (name == "enabled") {
        return ApplyParsed(ParseBool(value), [&](bool v) { SetEnabled(v); });
    } else if (name == "menu") {
        return ApplyParsed(ParseBool(value), [&](bool v) { SetHasMenu(v); });
    } else if (name == "mouse") {
        return ApplyParsed(ParseBool(value), [&](bool v) { SetMouseEnabled(v); });
    } else if (name == "bkcolor") {
        return ApplyParsed(ParseColor(value), [&](DWORD v) { SetBkColor(v); });
    } else if (name == "bordercolor") {
        return ApplyParsed(ParseColor(value), [&](DWORD v) { SetBorderColor(v); });
    } else if (name == "bordersize") {
        return ApplyParsed(ParseInt(value), [&](int v) { SetBorderSize(v); });
    } else if (name == "bkimage") {
        return SetBkImage(value) ? AttributeResult::Applied : AttributeResult::Malformed;
    } else {
        return AttributeResult::Unknown;
    }
    return AttributeResult::Applied;
}

AttributeResult CControlUI::SetAttributeList(std::string_view list) {
    auto pairs = ui::ParseAttributeList(list);
    if (!pairs) return AttributeResult::Malformed;
    AttributeResult first = AttributeResult::Applied;
    for (auto& [name, value] : *pairs) {
        AttributeResult result = SetAttribute(name, value);
        if (result != AttributeResult::Applied && first == AttributeResult::Applied) first = result;
    }
    return first;
}

// ---- events and painting -------------------------------------------------------------------
void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case EventType::SetFocus:
            focused_ = true;
            Invalidate();
            break;
        case EventType::KillFocus:
            focused_ = false;
            Invalidate();
            break;
        case EventType::Timer:
            SendNotify("timer", event.wParam, event.lParam);
            break;
        default:
            // Containers get what their children do not use (the wheel, for scrolling).
            if (parent_) parent_->DoEvent(event);
            break;
    }
}

void CControlUI::DoPaint(ui::RenderTarget& target, const RECT& paintRect) {
    RECT visible;
    if (!IntersectRect(&visible, &paintRect, &rect_)) return;
    PaintBkColor(target);
    PaintBkImage(target);
    PaintStatusImage(target);
    PaintText(target);
    PaintBorder(target);
    if (focused_ && manager_ && manager_->IsFocusMarkShown()) PaintFocusMark(target);
}

void CControlUI::PaintBkColor(ui::RenderTarget& target) {
    if (bkColor_ != 0) target.FillRect(rect_, bkColor_);
}

void CControlUI::PaintBkImage(ui::RenderTarget& target) {
    DrawImage(target, bkImage_);
}
void CControlUI::PaintStatusImage(ui::RenderTarget&) {}
void CControlUI::PaintText(ui::RenderTarget&) {}

void CControlUI::PaintBorder(ui::RenderTarget& target) {
    if (borderSize_ > 0 && borderColor_ != 0) target.DrawBorder(rect_, borderColor_, borderSize_);
}

// Two one-pixel rings just inside the control, white around dark blue, so the
// mark shows on light and dark parts of a skin alike.
void CControlUI::PaintFocusMark(ui::RenderTarget& target) {
    const RECT outer{rect_.left + 1, rect_.top + 1, rect_.right - 1, rect_.bottom - 1};
    const RECT inner{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
    if (IsRectEmpty(&inner)) return;
    target.DrawBorder(outer, kFocusMarkOuterColor, 1);
    target.DrawBorder(inner, kFocusMarkInnerColor, 1);
}

bool CControlUI::DrawImage(ui::RenderTarget& target, const ui::ImageSpec& image) {
    if (image.empty()) return false;
    return target.DrawImage(rect_, image);
}

void CControlUI::Invalidate() {
    if (manager_ && IsVisible()) manager_->Invalidate(rect_);
}

void CControlUI::NeedUpdate() {
    updateNeeded_ = true;
    if (manager_) manager_->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (parent_)
        parent_->NeedUpdate();
    else
        NeedUpdate();
}

void CControlUI::SendNotify(std::string_view type, WPARAM wParam, LPARAM lParam) {
    if (manager_) manager_->SendNotify(this, type, wParam, lParam);
}

// ---- tree ----------------------------------------------------------------------------------
void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    parent_ = parent;
    if (manager_ == manager) return;
    manager_ = manager;
    if (manager_ && init && !initialised_) {
        initialised_ = true;
        DoInit();
    }
}

CControlUI* CControlUI::FindControlAt(POINT point) {
    if (!IsVisible() || !mouseEnabled_) return nullptr;
    return PtInRect(&rect_, point) ? this : nullptr;
}

}  // namespace DuiLib
