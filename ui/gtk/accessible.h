// The controls of a window as GTK 3 accessible objects (ATK), which GTK
// bridges to AT-SPI for screen readers.
//
// A window's surface (the GtkLayout its controls are painted on) reports the
// window's accessible controls as its children (ui/core/accessible.h), with
// the native children (entries, web pages) among them: an edit box is its
// entry, named for the edit. The objects are made only when an assistive
// technology asks for them; from then on a short timer keeps them current and
// announces children added or removed and states changed, for a few seconds
// after the window last changed or took a key. Painting does no accessibility
// work.
#pragma once

#include <gtk/gtk.h>

#include "ui/core/win_types.h"

namespace ui {

// A new drawing surface for the window `hwnd` (floating reference, like gtk_layout_new).
GtkWidget* NewControlSurface(HWND hwnd);

// Brings the surface's accessible objects up to date with its controls now,
// announcing the changes. Nothing when no accessible object was asked for.
void RefreshAccessibleControls(GtkWidget* surface);

// The surface's window changed or took a key: its accessible objects are kept
// current for a while. Nothing when no accessible object was asked for.
void WakeAccessibleControls(GtkWidget* surface);

}  // namespace ui
