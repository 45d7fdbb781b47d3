// Labels: one line of text (CLabelUI) and multi-line text (CTextUI).
#pragma once

#include "ui/core/control.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    LPCTSTR GetClass() const override { return "LabelUI"; }
    void* GetInterface(std::string_view name) override;

    UINT GetTextStyle() const { return textStyle_; }
    void SetTextStyle(UINT style);
    DWORD GetTextColor() const { return textColor_; }
    void SetTextColor(DWORD argb);
    DWORD GetDisabledTextColor() const { return disabledTextColor_; }
    void SetDisabledTextColor(DWORD argb);
    int GetFont() const { return font_; }
    void SetFont(int index);  // index into the window's fonts; -1 = default font
    RECT GetTextPadding() const { return textPadding_; }
    void SetTextPadding(RECT padding);
    bool IsShowHtml() const { return showHtml_; }
    void SetShowHtml(bool show = true);

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintText(ui::RenderTarget& target) override;

protected:
    // The colour the text is drawn in for the current state.
    virtual DWORD CurrentTextColor() const;

    UINT textStyle_ = ui::DT_VCENTER | ui::DT_SINGLELINE;
    DWORD textColor_ = 0xFF000000;
    DWORD disabledTextColor_ = 0xFFA7A6AA;
    int font_ = -1;
    RECT textPadding_{};
    bool showHtml_ = false;
};

// Multi-line text.
class CTextUI : public CLabelUI {
public:
    CTextUI();
    LPCTSTR GetClass() const override { return "TextUI"; }
    void* GetInterface(std::string_view name) override;
};

}  // namespace DuiLib
