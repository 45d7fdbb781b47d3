// A window's controls painted into an image, without a display: the same
// painting the screen gets, so a test or a tool can save any window as PNG.
#pragma once

#include <cairo.h>

#include <string>

#include "ui/core/win_types.h"

namespace ui {

// A new image of the window's client size holding its painted controls; null
// when the window has no paint manager or no size. The caller destroys it.
cairo_surface_t* RenderWindowImage(HWND hwnd);

// Writes the painted window as a PNG file (path in UTF-8). False on failure.
bool WriteWindowPng(HWND hwnd, const std::string& path);

// Paints a window's controls onto `cr` within `paintRect` (client coordinates),
// over an opaque white ground. Shared by the screen and the offscreen image.
void PaintWindow(HWND hwnd, cairo_t* cr, const RECT& paintRect);

// The same painting done in an image in memory and copied onto `cr` at once.
// On a window's surface of the X server every cairo operation is a request of
// its own (each image drawn is uploaded again, each fill waits for the server);
// the finished image is one upload.
// A window painted ahead (below) is copied instead, when the image holds the
// part asked for of the window as it is now.
void PaintWindowThroughImage(HWND hwnd, cairo_t* cr, const RECT& paintRect);

// Paints the whole window now (at `scale` pixels per point) for its next
// paint through an image to copy: a window just shown paints while the X server
// maps it, rather than after its expose comes back. The tasks waiting for the
// window's next paint wait for that copy. One window at most is kept; it is
// not used once the window was invalidated or its size or layout changed, and
// dropped when another window is painted through an image first.
void PaintWindowAhead(HWND hwnd, double scale);

}  // namespace ui
