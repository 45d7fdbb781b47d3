// An option: a button that stays selected. A click changes its selection first
// ("selectchanged" when its state changed) and then sends "click", so a click
// handler reads the new state with IsSelected and may change it again. Options
// sharing a group are selected one at a time; the others of the group are
// deselected silently.
#pragma once

#include "ui/core/button.h"

namespace DuiLib {

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

}  // namespace DuiLib
