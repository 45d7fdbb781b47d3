// Where each named control is shown: the rectangles a script or a test needs to
// find a control on the screen by its name instead of by pixel offsets.
#pragma once

#include <string>
#include <vector>

#include "ui/core/control.h"

namespace ui {

struct ControlPlace {
    std::string name;  // GBK, as the skin or the program named it
    RECT rect;         // the part that can be seen, in the window's client coordinates
};

// Every named control below root (root included) that is visible and not
// wholly cut off by its containers, in tree order. A rectangle is the part of
// the control inside all of its containers, so its centre can be clicked.
std::vector<ControlPlace> VisibleNamedControls(const DuiLib::CControlUI* root);

// One line per control: "left top width height name" in screen coordinates
// (the window's client origin at `origin`), the name in UTF-8.
std::string FormatControlMap(const std::vector<ControlPlace>& places, POINT origin);

}  // namespace ui
