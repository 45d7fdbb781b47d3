// Internal to the GTK backend: what it keeps of one native window, shared by
// the backend, its input handlers and its edit boxes.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "ui/core/control.h"
#include "ui/core/win_types.h"

namespace DuiLib {
class CContainerUI;
class CPaintManagerUI;
}  // namespace DuiLib

namespace ui {

class GtkBackend;

struct GtkWindowRecord {
    GtkBackend* backend = nullptr;
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    GtkWidget* toplevel = nullptr;  // null while the window is a child
    GtkWidget* layout = nullptr;    // referenced: survives re-parenting
    // The surface the controls are painted on and take input from: the layout
    // itself, so that native children (drawn after it) lie above the painting.
    GtkWidget* area = nullptr;
    RECT rect{};  // screen coordinates
    bool visible = false;
    bool drawn = false;  // a frame of it has been drawn
    bool hiddenForMinimize = false;
    bool toolWindow = false;
    std::string title;
    // Double clicks are recognised here, as Windows does: the second press is the double click.
    guint32 lastPressTime = 0;
    POINT lastPressPoint{};
    int lastPressButton = -1;
    POINT pressPoint{};
    RECT painted{};  // painted since TakePaintedArea
    // A scroll bar thumb being dragged, and where on the thumb it was taken.
    DuiLib::CContainerUI* scrolling = nullptr;
    int thumbGrab = 0;

    DuiLib::CPaintManagerUI* Manager() const;
};

inline int Width(const RECT& r) {
    return r.right - r.left;
}
inline int Height(const RECT& r) {
    return r.bottom - r.top;
}

// Whether `wanted` is still among `root`'s controls.
inline bool IsInTree(DuiLib::CControlUI* root, const DuiLib::CControlUI* wanted) {
    if (!root) return false;
    if (root == wanted) return true;
    for (int i = 0; i < root->GetChildCount(); ++i)
        if (IsInTree(root->GetChildAt(i), wanted)) return true;
    return false;
}

}  // namespace ui
