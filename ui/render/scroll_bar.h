// Scroll bars of scrollable containers ("vscrollbar"): where they lie, how they
// are drawn over the painted tree, and what a drag on the thumb scrolls to.
#pragma once

#include <cairo.h>

#include <optional>

#include "ui/core/win_types.h"

namespace DuiLib {
class CContainerUI;
class CControlUI;
}  // namespace DuiLib

namespace ui {

inline constexpr int kScrollBarWidth = 8;

struct ScrollBarGeometry {
    RECT track;  // along the container's right edge (client coordinates)
    RECT thumb;
};

// The bar of a container that scrolls now (content taller than it), or nothing.
std::optional<ScrollBarGeometry> ScrollBarOf(const DuiLib::CContainerUI& container);

// The topmost visible scrolling container whose bar lies under the point.
DuiLib::CContainerUI* ScrollBarAt(DuiLib::CControlUI* root, POINT point);

// The scroll position that puts the thumb's top at `thumbTop` (client y).
int ScrollPosForThumbTop(const DuiLib::CContainerUI& container, int thumbTop);

// Draws the bars of every visible scrolling container under `root`.
void PaintScrollBars(cairo_t* cr, DuiLib::CControlUI* root, const RECT& paintRect);

}  // namespace ui
