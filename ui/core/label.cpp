#include "ui/core/label.h"

#include "ui/core/control_attributes.h"

namespace DuiLib {

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

CTextUI::CTextUI() {
    textStyle_ = ui::DT_LEFT | ui::DT_TOP;
}

void* CTextUI::GetInterface(std::string_view name) {
    return name == "Text" ? this : CLabelUI::GetInterface(name);
}

}  // namespace DuiLib
