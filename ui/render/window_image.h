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
void PaintWindowThroughImage(HWND hwnd, cairo_t* cr, const RECT& paintRect);

}  // namespace ui
