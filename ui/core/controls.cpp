// Leaf controls.
//
// Sections: CLabelUI | CTextUI | CButtonUI | COptionUI | CProgressUI | CEditUI | CComboUI
#include "ui/core/controls.h"

#include <algorithm>

#include "ui/core/list.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"

namespace DuiLib {
namespace {

AttributeResult Result(bool applied) {
    return applied ? AttributeResult::Applied : AttributeResult::Malformed;
}

template <typename T, typename Apply>
AttributeResult ApplyParsed(const std::optional<T>& value, Apply apply) {
    if (!value) return AttributeResult::Malformed;
    apply(*value);
    return AttributeResult::Applied;
}

RECT Deflate(const RECT& rect, const RECT& padding) {
    return RECT{rect.left + padding.left, rect.top + padding.top, rect.right - padding.right,
                rect.bottom - padding.bottom};
}

}  // namespace

// ---- CLabelUI ----------------------------------------------------------------------------------
void* CLabelUI::GetInterface(std::string_view name) {
    return name == "Label" ? this : CControlUI::GetInterface(name);
}

void CLabelUI::SetTextStyle(UINT style) {
    textStyle_ = style;
    Invalidate();
}

void CLabelUI::SetTextColor(DWORD argb) {
    textColor_ = argb;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD argb) {
    disabledTextColor_ = argb;
    Invalidate();
}

void CLabelUI::SetFont(int index) {
    font_ = index;
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
    textPadding_ = padding;
    Invalidate();
}

void CLabelUI::SetShowHtml(bool show) {
    showHtml_ = show;
    Invalidate();
}

AttributeResult CLabelUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "textcolor")
        return ApplyParsed(ui::ParseColor(value), [&](DWORD v) { SetTextColor(v); });
    if (name == "disabledtextcolor")
        return ApplyParsed(ui::ParseColor(value), [&](DWORD v) { SetDisabledTextColor(v); });
    if (name == "font") return ApplyParsed(ui::ParseInt(value), [&](int v) { SetFont(v); });
    if (name == "align") {
        return ApplyParsed(ui::ParseAlign(value), [&](UINT v) {
            SetTextStyle(v | (textStyle_ &
                              ~(ui::DT_CENTER | ui::DT_RIGHT | ui::DT_VCENTER | ui::DT_BOTTOM)));
        });
    }
    if (name == "textpadding")
        return ApplyParsed(ui::ParseRect(value), [&](RECT v) { SetTextPadding(v); });
    if (name == "showhtml")
        return ApplyParsed(ui::ParseBool(value), [&](bool v) { SetShowHtml(v); });
    return CControlUI::SetAttribute(name, value);
}

DWORD CLabelUI::CurrentTextColor() const {
    return IsEnabled() ? textColor_ : disabledTextColor_;
}

void CLabelUI::PaintText(ui::RenderTarget& target) {
    CStdString text = GetText();
    if (text.empty()) return;
    target.DrawText(Deflate(rect_, textPadding_), text, CurrentTextColor(), font_, textStyle_);
}

// ---- CTextUI
// -------------------------------------------------------------------------------------
CTextUI::CTextUI() {
    textStyle_ = ui::DT_LEFT | ui::DT_TOP;
}

void* CTextUI::GetInterface(std::string_view name) {
    return name == "Text" ? this : CLabelUI::GetInterface(name);
}

// ---- CButtonUI
// -----------------------------------------------------------------------------------
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
            if (event.wParam == VK_SPACE) {
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

// ---- COptionUI
// -------------------------------------------------------------------------------------
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

// ---- CProgressUI
// ----------------------------------------------------------------------------------------
void* CProgressUI::GetInterface(std::string_view name) {
    return name == "Progress" ? this : CLabelUI::GetInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
    horizontal_ = horizontal;
    Invalidate();
}

void CProgressUI::SetMinValue(int value) {
    min_ = value;
    SetValue(value_);
}

void CProgressUI::SetMaxValue(int value) {
    max_ = value;
    SetValue(value_);
}

void CProgressUI::SetValue(int value) {
    value_ = max_ >= min_ ? std::clamp(value, min_, max_) : min_;
    Invalidate();
}

bool CProgressUI::SetForeImage(std::string_view spec) {
    auto parsed = ui::ParseImageSpec(spec);
    if (!parsed) return false;
    foreImageText_ = spec;
    foreImage_ = *parsed;
    Invalidate();
    return true;
}

RECT CProgressUI::GetFillRect() const {
    RECT fill = rect_;
    if (max_ <= min_) {
        fill.right = fill.left;
        return fill;
    }
    double share = static_cast<double>(value_ - min_) / (max_ - min_);
    if (horizontal_)
        fill.right = fill.left + static_cast<LONG>((rect_.right - rect_.left) * share);
    else
        fill.top = fill.bottom - static_cast<LONG>((rect_.bottom - rect_.top) * share);
    return fill;
}

AttributeResult CProgressUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "min") return ApplyParsed(ui::ParseInt(value), [&](int v) { SetMinValue(v); });
    if (name == "max") return ApplyParsed(ui::ParseInt(value), [&](int v) { SetMaxValue(v); });
    if (name == "value") return ApplyParsed(ui::ParseInt(value), [&](int v) { SetValue(v); });
    if (name == "hor") return ApplyParsed(ui::ParseBool(value), [&](bool v) { SetHorizontal(v); });
    if (name == "foreimage") return Result(SetForeImage(value));
    return CLabelUI::SetAttribute(name, value);
}

// The fore image covers the filled part: its destination becomes the fill rectangle.
void CProgressUI::PaintStatusImage(ui::RenderTarget& target) {
    if (foreImage_.empty()) return;
    RECT fill = GetFillRect();
    if (IsRectEmpty(&fill)) return;
    ui::ImageSpec image = foreImage_;
    image.dest = RECT{fill.left - rect_.left, fill.top - rect_.top, fill.right - rect_.left,
                      fill.bottom - rect_.top};
    DrawImage(target, image);
}

// ---- CEditUI
// -------------------------------------------------------------------------------------------
CEditUI::CEditUI() {
    textStyle_ = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_LEFT;
}

void* CEditUI::GetInterface(std::string_view name) {
    return name == "Edit" ? this : CLabelUI::GetInterface(name);
}

void CEditUI::SetPasswordMode(bool password) {
    password_ = password;
    if (native_) native_->SetPasswordMode(password);
    Invalidate();
}

void CEditUI::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (native_) native_->SetReadOnly(readOnly);
}

void CEditUI::SetText(std::string_view text) {
    CLabelUI::SetText(text);
    if (native_) native_->SetText(std::string(text));
}

// On screen the backend puts its own entry over the edit.
void CEditUI::DoInit() {
    if (!GetManager() || !GetManager()->GetPaintWindow()) return;
    native_ = ui::GetBackend().CreateNativeEdit(*this);
    if (!native_) return;
    native_->SetText(GetText());
    native_->SetPasswordMode(password_);
    native_->SetReadOnly(readOnly_);
    UpdateNativeBounds();
}

void CEditUI::UpdateNativeBounds() {
    if (native_) native_->SetBounds(rect_, IsVisible());
}

void CEditUI::SetVisible(bool visible) {
    CLabelUI::SetVisible(visible);
    UpdateNativeBounds();
}

void CEditUI::SetInternVisible(bool visible) {
    CLabelUI::SetInternVisible(visible);
    UpdateNativeBounds();
}

void CEditUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (!manager) native_.reset();  // the entry belongs to the window being left
    CLabelUI::SetManager(manager, parent, init);
}

void CEditUI::SetAbsolutePos(const RECT& rect) {
    CLabelUI::SetAbsolutePos(rect);
    UpdateNativeBounds();
}

void CEditUI::SetMaxChar(int maxChar) {
    maxChar_ = std::max(0, maxChar);
}

namespace {
// Start offsets of the characters of a GBK text (lead bytes 0x81-0xFE take two bytes).
std::vector<size_t> CharacterStarts(std::string_view text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        unsigned char byte = static_cast<unsigned char>(text[i]);
        i += (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ? 2 : 1;
    }
    return starts;
}
}  // namespace

CStdString CEditUI::GetDisplayText() const {
    CStdString text = GetText();
    if (!password_) return text;
    return CStdString(std::string(CharacterStarts(text).size(), passwordChar_));
}

void CEditUI::SetTextFromUser(std::string_view text) {
    if (text == GetText()) return;
    CLabelUI::SetText(text);  // the entry already shows it
    SendNotify("textchanged");
}

AttributeResult CEditUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "password")
        return ApplyParsed(ui::ParseBool(value), [&](bool v) { SetPasswordMode(v); });
    if (name == "readonly")
        return ApplyParsed(ui::ParseBool(value), [&](bool v) { SetReadOnly(v); });
    if (name == "maxchar") return ApplyParsed(ui::ParseInt(value), [&](int v) { SetMaxChar(v); });
    return CLabelUI::SetAttribute(name, value);
}

void CEditUI::DoEvent(TEventUI& event) {
    if (native_ && (event.Type == EventType::SetFocus || event.Type == EventType::KillFocus))
        native_->SetFocused(event.Type == EventType::SetFocus);
    if (event.Type == EventType::KeyDown) {
        if (event.wParam == VK_RETURN) {
            SendNotify("return");
            return;
        }
        if (event.wParam == VK_BACK && !readOnly_) {
            CStdString text = GetText();
            auto starts = CharacterStarts(text);
            if (!starts.empty()) SetTextFromUser(std::string_view(text).substr(0, starts.back()));
            return;
        }
        CLabelUI::DoEvent(event);
        return;
    }
    if (event.Type == EventType::Char) {
        unsigned char byte = static_cast<unsigned char>(event.wParam & 0xFF);
        if (readOnly_ || (byte < 0x20 && !pendingLeadByte_)) return;
        std::string typed;
        if (pendingLeadByte_) {
            typed = {static_cast<char>(pendingLeadByte_), static_cast<char>(byte)};
            pendingLeadByte_ = 0;
        } else if (byte >= 0x81 && byte <= 0xFE) {
            pendingLeadByte_ = byte;  // the trail byte follows
            return;
        } else {
            typed = std::string(1, static_cast<char>(byte));
        }
        CStdString text = GetText();
        if (static_cast<int>(CharacterStarts(text).size()) >= maxChar_) return;
        SetTextFromUser(text + typed);
        return;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::PaintText(ui::RenderTarget& target) {
    CStdString text = GetDisplayText();
    if (text.empty()) return;
    RECT rect{rect_.left + textPadding_.left, rect_.top + textPadding_.top,
              rect_.right - textPadding_.right, rect_.bottom - textPadding_.bottom};
    target.DrawText(rect, text, CurrentTextColor(), font_, textStyle_);
}

// ---- CComboUI
// ----------------------------------------------------------------------------------------------
void* CComboUI::GetInterface(std::string_view name) {
    return name == "Combo" ? this : CContainerUI::GetInterface(name);
}

bool CComboUI::SelectItem(int index, bool notify) {
    if (index < -1 || index >= GetCount()) return false;
    if (index >= 0 && !dynamic_cast<CListElementUI*>(GetItemAt(index))) return false;
    if (index == curSel_) return true;
    int old = curSel_;
    if (auto* previous = dynamic_cast<CListElementUI*>(GetItemAt(old))) previous->selected_ = false;
    curSel_ = index;
    if (auto* current = dynamic_cast<CListElementUI*>(GetItemAt(index))) current->selected_ = true;
    Invalidate();
    if (notify) SendNotify("itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
    return true;
}

CStdString CComboUI::GetText() const {
    CControlUI* item = GetItemAt(curSel_);
    return item ? item->GetText() : CStdString();
}

bool CComboUI::Remove(CControlUI* control) {
    return RemoveAt(GetItemIndex(control));
}

bool CComboUI::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return false;
    curSel_ = SelectionAfterRemoval(curSel_, index);
    return CContainerUI::RemoveAt(index);
}

void CComboUI::RemoveAll() {
    curSel_ = -1;
    CContainerUI::RemoveAll();
}

AttributeResult CComboUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "textpadding") {
        auto padding = ui::ParseRect(value);
        if (padding) textPadding_ = *padding;
        return Result(padding.has_value());
    }
    if (name == "textcolor") {
        auto colour = ui::ParseColor(value);
        if (colour) textColor_ = *colour;
        return Result(colour.has_value());
    }
    if (name == "normalimage" || name == "hotimage" || name == "pushedimage") {
        // The drop-down's look belongs to the on-screen backend; the values must still parse.
        return Result(ui::ParseImageSpec(value).has_value());
    }
    return CContainerUI::SetAttribute(name, value);
}

void CComboUI::DoEvent(TEventUI& event) {
    if (event.Type == EventType::KeyDown) {
        if (auto next = SelectionStepForKey(event.wParam, curSel_, GetCount())) {
            SelectItem(*next);
            return;
        }
    }
    CControlUI::DoEvent(event);
}

void CComboUI::DoPaint(ui::RenderTarget& target, const RECT& paintRect) {
    CControlUI::DoPaint(target, paintRect);
    CStdString text = GetText();
    if (!text.empty())
        target.DrawText(Deflate(rect_, textPadding_), text, textColor_, -1,
                        ui::DT_SINGLELINE | ui::DT_VCENTER);
}

CControlUI* CComboUI::FindControlAt(POINT point) {
    return CControlUI::FindControlAt(point);  // the items live in the drop-down
}

void CComboUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
}

}  // namespace DuiLib
