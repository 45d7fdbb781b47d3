// A one-line text box. On screen a native entry lies over it; headless, it takes characters and
// Backspace itself. Texts set by code raise nothing; texts changed by the user raise "textchanged";
// Return raises "return".
#pragma once

#include <memory>

#include "ui/core/backend.h"
#include "ui/core/label.h"

namespace DuiLib {

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

}  // namespace DuiLib
