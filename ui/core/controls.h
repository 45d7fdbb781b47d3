// The leaf controls: labels, texts, buttons, options, progress bars, edits and
// the combo box.
//
// Clicks: a button is activated by a left press and release over it. An option
// changes its selection first ("selectchanged" when its state changed) and then
// sends "click", so a click handler reads the new state with IsSelected and may
// change it again. Options sharing a group are selected one at a time; the
// others of the group are deselected silently.
//
// Sections: CLabelUI | CTextUI | CButtonUI | COptionUI | CProgressUI | CEditUI | CComboUI
#pragma once

#include <memory>

#include "ui/core/backend.h"
#include "ui/core/container.h"
#include "ui/core/control.h"

namespace DuiLib {

// ---- CLabelUI -------------------------------------------------------------------------------
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

// ---- CTextUI (multi-line text) ------------------------------------------------------------------
class CTextUI : public CLabelUI {
public:
    CTextUI();
    LPCTSTR GetClass() const override { return "TextUI"; }
    void* GetInterface(std::string_view name) override;
};

// ---- CButtonUI
// -----------------------------------------------------------------------------------
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    LPCTSTR GetClass() const override { return "ButtonUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsTabStop() const override { return true; }
    bool Activate() override;

    CStdString GetNormalImage() const { return images_[kNormal].text; }
    bool SetNormalImage(std::string_view spec);
    CStdString GetHotImage() const { return images_[kHot].text; }
    bool SetHotImage(std::string_view spec);
    CStdString GetPushedImage() const { return images_[kPushed].text; }
    bool SetPushedImage(std::string_view spec);
    CStdString GetFocusedImage() const { return images_[kFocused].text; }
    bool SetFocusedImage(std::string_view spec);
    CStdString GetDisabledImage() const { return images_[kDisabled].text; }
    bool SetDisabledImage(std::string_view spec);
    CStdString GetForeImage() const { return images_[kFore].text; }
    bool SetForeImage(std::string_view spec);
    CStdString GetHotForeImage() const { return images_[kHotFore].text; }
    bool SetHotForeImage(std::string_view spec);
    void SetHotTextColor(DWORD argb) { hotTextColor_ = argb; }
    void SetPushedTextColor(DWORD argb) { pushedTextColor_ = argb; }

    UINT GetButtonState() const { return buttonState_; }

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(ui::RenderTarget& target) override;

protected:
    DWORD CurrentTextColor() const override;
    struct Image {
        CStdString text;
        ui::ImageSpec spec;
    };
    enum ImageSlot { kNormal, kHot, kPushed, kFocused, kDisabled, kFore, kHotFore, kSlotCount };
    bool SetImage(ImageSlot slot, std::string_view spec);
    const ui::ImageSpec& ImageAt(ImageSlot slot) const { return images_[slot].spec; }

    Image images_[kSlotCount];
    UINT buttonState_ = 0;
    DWORD hotTextColor_ = 0;
    DWORD pushedTextColor_ = 0;
};

// ---- COptionUI
// ------------------------------------------------------------------------------------
class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    LPCTSTR GetClass() const override { return "OptionUI"; }
    void* GetInterface(std::string_view name) override;
    bool Activate() override;

    CStdString GetGroup() const { return group_; }
    void SetGroup(std::string_view group);
    bool IsSelected() const { return selected_; }
    // Selecting deselects the other options of the group. "selectchanged" when
    // the state changed (and notify is true).
    virtual void Selected(bool selected, bool notify = true);
    CStdString GetSelectedImage() const { return selectedImage_.text; }
    bool SetSelectedImage(std::string_view spec);
    void SetSelectedTextColor(DWORD argb) { selectedTextColor_ = argb; }

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void PaintStatusImage(ui::RenderTarget& target) override;

protected:
    DWORD CurrentTextColor() const override;

private:
    CStdString group_;
    bool selected_ = false;
    Image selectedImage_;
    DWORD selectedTextColor_ = 0;
};

// ---- CProgressUI
// -------------------------------------------------------------------------------------
class CProgressUI : public CLabelUI {
public:
    LPCTSTR GetClass() const override { return "ProgressUI"; }
    void* GetInterface(std::string_view name) override;

    bool IsHorizontal() const { return horizontal_; }
    void SetHorizontal(bool horizontal = true);
    int GetMinValue() const { return min_; }
    void SetMinValue(int value);
    int GetMaxValue() const { return max_; }
    void SetMaxValue(int value);
    int GetValue() const { return value_; }
    void SetValue(int value);  // clamped to min..max
    CStdString GetForeImage() const { return foreImageText_; }
    bool SetForeImage(std::string_view spec);
    // The filled part of the bar, in client coordinates.
    RECT GetFillRect() const;

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintStatusImage(ui::RenderTarget& target) override;

private:
    bool horizontal_ = true;
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
    CStdString foreImageText_;
    ui::ImageSpec foreImage_;
};

// ---- CEditUI
// --------------------------------------------------------------------------------------- A
// one-line text box. On screen a native entry lies over it; headless, it takes characters and
// Backspace itself. Texts set by code raise nothing; texts changed by the user raise "textchanged";
// Return raises "return".
class CEditUI : public CLabelUI {
public:
    CEditUI();
    LPCTSTR GetClass() const override { return "EditUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsTabStop() const override { return true; }

    bool IsPasswordMode() const { return password_; }
    void SetPasswordMode(bool password = true);
    char GetPasswordChar() const { return passwordChar_; }
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly = true);
    int GetMaxChar() const { return maxChar_; }
    void SetMaxChar(int maxChar);
    // What the box shows: the text, or one password character per character.
    CStdString GetDisplayText() const;
    // The user replaced the text (native entry, typing): sets it and raises
    // "textchanged" when it differs.
    void SetTextFromUser(std::string_view text);

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void SetText(std::string_view text) override;
    void DoInit() override;
    void DoEvent(TEventUI& event) override;
    void PaintText(ui::RenderTarget& target) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetAbsolutePos(const RECT& rect) override;
    // The native entry over this edit, when the backend gives one.
    ui::NativeEdit* GetNativeEdit() const { return native_.get(); }

private:
    void UpdateNativeBounds();

    std::unique_ptr<ui::NativeEdit> native_;
    bool password_ = false;
    char passwordChar_ = '*';
    bool readOnly_ = false;
    int maxChar_ = 255;
    unsigned char pendingLeadByte_ = 0;  // first byte of a two-byte GBK character
};

// ---- CComboUI
// -------------------------------------------------------------------------------------- A choice
// among list elements. Its text is the selected item's text. Choosing an item (SelectItem, or
// Up/Down keys) raises "itemselect" with the new index in wParam and the old one in lParam.
class CComboUI : public CContainerUI {
public:
    LPCTSTR GetClass() const override { return "ComboUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsTabStop() const override { return true; }

    int GetCurSel() const { return curSel_; }
    bool SelectItem(int index, bool notify = true);
    CStdString GetText() const override;

    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(ui::RenderTarget& target, const RECT& paintRect) override;
    CControlUI* FindControlAt(POINT point) override;

    void SetAbsolutePos(const RECT& rect) override;

private:
    int curSel_ = -1;
    RECT textPadding_{};
    DWORD textColor_ = 0xFF000000;
};

}  // namespace DuiLib
