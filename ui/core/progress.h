// A progress bar: the fore image covers the filled part.
#pragma once

#include "ui/core/label.h"

namespace DuiLib {

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

}  // namespace DuiLib
