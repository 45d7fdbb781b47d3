#include "ui/render/scroll_bar.h"

#include <algorithm>
#include <cmath>

#include "ui/core/container.h"

namespace ui {
namespace {

constexpr int kMinThumb = 24;

template <typename Visit>
void ForEachScrolling(DuiLib::CControlUI* control, const Visit& visit) {
    if (!control || !control->IsVisible()) return;
    for (int i = 0; i < control->GetChildCount(); ++i)
        ForEachScrolling(control->GetChildAt(i), visit);
    auto* container = dynamic_cast<DuiLib::CContainerUI*>(control);
    if (container && container->IsVScrollBarEnabled() && container->GetScrollRange() > 0)
        visit(*container);
}

void RoundedRect(cairo_t* cr, const RECT& r, double radius) {
    const double x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
    radius = std::min({radius, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

}  // namespace

std::optional<ScrollBarGeometry> ScrollBarOf(const DuiLib::CContainerUI& container) {
    const int range = container.GetScrollRange();
    const RECT box = container.GetAbsolutePos();
    const int height = box.bottom - box.top;
    if (!container.IsVScrollBarEnabled() || range <= 0 || height <= 0) return std::nullopt;
    ScrollBarGeometry bar;
    bar.track = {box.right - kScrollBarWidth, box.top, box.right, box.bottom};
    const int thumbHeight =
        std::clamp(static_cast<int>(static_cast<long long>(height) * height / (height + range)),
                   std::min(kMinThumb, height), height);
    const int thumbTop = box.top + static_cast<int>(static_cast<long long>(height - thumbHeight) *
                                                    container.GetScrollPos() / range);
    bar.thumb = {bar.track.left, thumbTop, bar.track.right, thumbTop + thumbHeight};
    return bar;
}

DuiLib::CContainerUI* ScrollBarAt(DuiLib::CControlUI* root, POINT point) {
    DuiLib::CContainerUI* found = nullptr;
    ForEachScrolling(root, [&](DuiLib::CContainerUI& container) {
        auto bar = ScrollBarOf(container);
        const RECT& t = bar->track;
        // Inner containers are visited first: the innermost bar wins.
        if (!found && point.x >= t.left && point.x < t.right && point.y >= t.top &&
            point.y < t.bottom)
            found = &container;
    });
    return found;
}

int ScrollPosForThumbTop(const DuiLib::CContainerUI& container, int thumbTop) {
    auto bar = ScrollBarOf(container);
    if (!bar) return 0;
    const int travel = (bar->track.bottom - bar->track.top) - (bar->thumb.bottom - bar->thumb.top);
    if (travel <= 0) return 0;
    const int offset = std::clamp(thumbTop - static_cast<int>(bar->track.top), 0, travel);
    return static_cast<int>(
        std::lround(static_cast<double>(offset) * container.GetScrollRange() / travel));
}

void PaintScrollBars(cairo_t* cr, DuiLib::CControlUI* root, const RECT& paintRect) {
    ForEachScrolling(root, [&](DuiLib::CContainerUI& container) {
        auto bar = ScrollBarOf(container);
        const RECT& t = bar->track;
        if (t.right <= paintRect.left || t.left >= paintRect.right || t.bottom <= paintRect.top ||
            t.top >= paintRect.bottom)
            return;
        cairo_save(cr);
        RoundedRect(cr, {t.left + 1, t.top + 1, t.right - 1, t.bottom - 1}, 3);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.08);
        cairo_fill(cr);
        RoundedRect(
            cr,
            {bar->thumb.left + 1, bar->thumb.top + 1, bar->thumb.right - 1, bar->thumb.bottom - 1},
            3);
        cairo_set_source_rgba(cr, 0.25, 0.3, 0.38, 0.55);
        cairo_fill(cr);
        cairo_restore(cr);
    });
}

}  // namespace ui
