// The drawing interface controls paint through. The cairo renderer implements
// it on screen and into offscreen images; tests use a recording target to see
// what a control would draw in a given state.
#pragma once

#include <string>

#include "ui/core/attributes.h"
#include "ui/core/win_types.h"

namespace ui {

class RenderTarget {
public:
    virtual ~RenderTarget() = default;
    // All rectangles are window client coordinates; `control` is the control's
    // rectangle, `image.dest` (when set) is relative to its top-left.
    virtual void FillRect(const RECT& rect, DWORD argb) = 0;
    // False when the image could not be drawn (a missing file draws nothing).
    virtual bool DrawImage(const RECT& control, const ImageSpec& image) = 0;
    // Text is GBK; `font` is an index into the window's fonts (-1: default font).
    virtual void DrawText(const RECT& rect, const std::string& text, DWORD argb, int font,
                          UINT align) = 0;
    virtual void DrawBorder(const RECT& rect, DWORD argb, int width) = 0;
    // Restricts drawing to `rect` until the matching PopClip.
    virtual void PushClip(const RECT& rect) = 0;
    virtual void PopClip() = 0;
};

}  // namespace ui
