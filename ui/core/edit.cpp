#include "ui/core/edit.h"

#include <algorithm>
#include <vector>

#include "ui/core/control_attributes.h"
#include "ui/core/paint_manager.h"
#include "ui/core/win_api.h"

namespace DuiLib {

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

}  // namespace DuiLib
