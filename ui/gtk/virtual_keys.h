// GDK key values to the Windows virtual-key codes that window procedures expect.
#pragma once

#include "ui/core/win_types.h"

namespace ui {

// The virtual-key code of a GDK key value (gdkkeysyms.h), or 0 when the key
// has none the system cares about.
WPARAM VirtualKeyFromKeyval(unsigned int keyval);

}  // namespace ui
