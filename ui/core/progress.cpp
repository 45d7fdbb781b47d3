#include "ui/core/progress.h"

#include <algorithm>

#include "ui/core/control_attributes.h"
#include "ui/core/win_api.h"

namespace DuiLib {

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

}  // namespace DuiLib
