// A push button. It is activated by a left press and release over it, or by
// space or Return while it has the focus, and then sends "click".
#pragma once

#include "ui/core/label.h"

namespace DuiLib {

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

}  // namespace DuiLib
