#include "ui/core/button.h"

#include "ui/core/control_attributes.h"
#include "ui/core/win_api.h"

namespace DuiLib {

CButtonUI::CButtonUI() {
    textStyle_ = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_CENTER;
}

void* CButtonUI::GetInterface(std::string_view name) {
    return name == "Button" ? this : CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    SendNotify("click");
    return true;
}

bool CButtonUI::SetImage(ImageSlot slot, std::string_view spec) {
    auto parsed = ui::ParseImageSpec(spec);
    if (!parsed) return false;
    images_[slot].text = spec;
    images_[slot].spec = *parsed;
    Invalidate();
    return true;
}

bool CButtonUI::SetNormalImage(std::string_view spec) {
    return SetImage(kNormal, spec);
}
bool CButtonUI::SetHotImage(std::string_view spec) {
    return SetImage(kHot, spec);
}
bool CButtonUI::SetPushedImage(std::string_view spec) {
    return SetImage(kPushed, spec);
}
bool CButtonUI::SetFocusedImage(std::string_view spec) {
    return SetImage(kFocused, spec);
}
bool CButtonUI::SetDisabledImage(std::string_view spec) {
    return SetImage(kDisabled, spec);
}
bool CButtonUI::SetForeImage(std::string_view spec) {
    return SetImage(kFore, spec);
}
bool CButtonUI::SetHotForeImage(std::string_view spec) {
    return SetImage(kHotFore, spec);
}

AttributeResult CButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "normalimage") return Result(SetNormalImage(value));
    if (name == "hotimage") return Result(SetHotImage(value));
    if (name == "pushedimage") return Result(SetPushedImage(value));
    if (name == "focusedimage") return Result(SetFocusedImage(value));
    if (name == "disabledimage") return Result(SetDisabledImage(value));
    if (name == "foreimage") return Result(SetForeImage(value));
    if (name == "hotforeimage") return Result(SetHotForeImage(value));
    if (name == "hottextcolor")
        return ApplyParsed(ui::ParseColor(value), [&](DWORD v) { SetHotTextColor(v); });
    if (name == "pushedtextcolor")
        return ApplyParsed(ui::ParseColor(value), [&](DWORD v) { SetPushedTextColor(v); });
    return CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case EventType::ButtonDown:
        case EventType::DoubleClick:
            if (IsEnabled()) buttonState_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
            return;
        case EventType::MouseMove:
            if (buttonState_ & UISTATE_CAPTURED) {
                if (PtInRect(&rect_, event.ptMouse))
                    buttonState_ |= UISTATE_PUSHED;
                else
                    buttonState_ &= ~UISTATE_PUSHED;
                Invalidate();
            }
            return;
        case EventType::ButtonUp: {
            if (!(buttonState_ & UISTATE_CAPTURED)) return;
            buttonState_ &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            // Released over the control it was pressed on: a click. Nothing of this
            // control is touched afterwards (the click may take it out of the tree).
            if (PtInRect(&rect_, event.ptMouse)) Activate();
            return;
        }
        case EventType::MouseEnter:
            buttonState_ |= UISTATE_HOT;
            Invalidate();
            return;
        case EventType::MouseLeave:
            buttonState_ &= ~UISTATE_HOT;
            Invalidate();
            return;
        case EventType::KeyDown:
            if (event.wParam == VK_SPACE || event.wParam == VK_RETURN) {
                Activate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

DWORD CButtonUI::CurrentTextColor() const {
    if (IsEnabled() && (buttonState_ & UISTATE_PUSHED) && pushedTextColor_) return pushedTextColor_;
    if (IsEnabled() && (buttonState_ & UISTATE_HOT) && hotTextColor_) return hotTextColor_;
    return CLabelUI::CurrentTextColor();
}

// The state picks the image: disabled, pushed, hot, focused, else normal; a
// state without its own image falls back to the normal one.
void CButtonUI::PaintStatusImage(ui::RenderTarget& target) {
    const ui::ImageSpec* image = &ImageAt(kNormal);
    if (!IsEnabled()) {
        if (!ImageAt(kDisabled).empty()) image = &ImageAt(kDisabled);
    } else if ((buttonState_ & UISTATE_PUSHED) && !ImageAt(kPushed).empty()) {
        image = &ImageAt(kPushed);
    } else if ((buttonState_ & UISTATE_HOT) && !ImageAt(kHot).empty()) {
        image = &ImageAt(kHot);
    } else if (IsFocused() && !ImageAt(kFocused).empty()) {
        image = &ImageAt(kFocused);
    }
    DrawImage(target, *image);
    if ((buttonState_ & UISTATE_HOT) && !ImageAt(kHotFore).empty())
        DrawImage(target, ImageAt(kHotFore));
    else
        DrawImage(target, ImageAt(kFore));
}

}  // namespace DuiLib
