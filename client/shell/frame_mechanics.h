// How the main window behaves as a window: caption dragging by hit test, no
// frame, the rounded shape, the maximised size and the caption buttons that
// follow the maximised state. Free functions over the window handle and its
// paint manager, so they work for any borderless skinned window; the maximised
// size is the widget layer's (DuiLib::FillMaximisedSize).
#pragma once

#include "client/shell/main_window_controls.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skinned_frame.h"  // FillMaximisedSize
#include "ui/core/win_types.h"

namespace quorvi {

// The caption test for a point in client coordinates. `caption`: left and right
// are distances from the client rectangle's edges, top and bottom are y values.
// Points in the caption band drag the window (HTCAPTION) unless nothing is under
// them or what is under them is a button, an option or a text; the band's left
// and right margins and everything else are client area. There are no sizing
// borders.
LRESULT CaptionHitTest(const RECT& client, const RECT& caption, POINT point,
                       const DuiLib::CControlUI* underPoint);

// WM_NCHITTEST: `lParam` holds the point in screen coordinates.
LRESULT HitTest(HWND hwnd, DuiLib::CPaintManagerUI& manager, LPARAM lParam);

// WM_SIZE: gives a window that is not minimised the skin's rounded shape.
void ApplyRoundCorners(HWND hwnd, const DuiLib::CPaintManagerUI& manager);

// WM_NCACTIVATE: minimised windows get default processing; otherwise the
// answer is 1 for deactivation and 0 for activation.
LRESULT NcActivate(HWND hwnd, WPARAM wParam, LPARAM lParam);

// WM_SYSCOMMAND other than close: default processing, then "maxbtn" and
// "restorebtn" swap when the maximised state changed.
LRESULT SystemCommand(HWND hwnd, WPARAM command, LPARAM lParam, const MainWindowControls& controls);

}  // namespace quorvi
