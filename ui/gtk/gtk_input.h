// Internal to the GTK backend: native mouse, wheel, tooltip and key events
// turned into the layer's input (ui/core/input.h).
#pragma once

#include <gtk/gtk.h>

namespace ui {

struct GtkWindowRecord;

// The surface's pointer events: presses (double clicks are recognised here, and
// scroll bars and combo drop-downs are the backend's own), motion, leaving, the
// wheel and tooltips.
void ConnectPointerInput(GtkWindowRecord* w);
// A top-level window's key presses and releases, for its focused child or itself.
void ConnectKeyInput(GtkWidget* toplevel, GtkWindowRecord* w);

}  // namespace ui
