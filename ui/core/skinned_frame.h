// Frame mechanics shared by borderless skinned windows: the skin's size box
// and caption stand in for the frame the window does not have, the skin's
// round corners become the window's shape, and maximised the window covers its
// monitor's work area. Free functions over the window handle and its paint
// manager, so the main window, the pop-up windows and the launcher share them.
//
// Sections: hit testing | shape and activation | maximise and restore
#pragma once

#include "ui/core/paint_manager.h"
#include "ui/core/win_types.h"

namespace DuiLib {

// ---- hit testing ---------------------------------------------------------------------------
// Whether the control under a point in the caption band takes its own clicks
// instead of dragging the window.
using ClickablePredicate = bool (*)(const CControlUI& control);

// Buttons, options and texts (exact class names) stay clickable in the band.
bool IsButtonOptionOrText(const CControlUI& control);
// Only buttons ("ButtonUI") stay clickable in the band.
bool IsButton(const CControlUI& control);

// The caption test for a point in client coordinates. `caption`: left and right
// are distances from the client rectangle's edges, top and bottom are y values.
// Points in the band drag the window (HTCAPTION) unless nothing is under them
// or `staysClickable` says the control under them takes its own clicks; the
// band's margins and everything else are client area.
LRESULT CaptionHitTest(const RECT& client, const RECT& caption, POINT point,
                       const CControlUI* underPoint, ClickablePredicate staysClickable);

// WM_NCHITTEST (`lParam`: the point in screen coordinates). Unless the window
// is maximised, points within the size box of the client edges are sizing
// borders (corners first); then the caption test.
LRESULT SkinnedHitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                       ClickablePredicate staysClickable);

// WM_NCHITTEST for windows without sizing borders: the caption test alone.
LRESULT CaptionOnlyHitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                           ClickablePredicate staysClickable);

// ---- shape and activation --------------------------------------------------------------------
// WM_SIZE: gives a window that is not minimised the skin's rounded shape.
void ApplyRoundCorners(HWND hwnd, const CPaintManagerUI& manager);

// WM_NCACTIVATE: minimised windows get default processing; otherwise the
// answer is 1 for deactivation and 0 for activation.
LRESULT NcActivate(HWND hwnd, WPARAM wParam, LPARAM lParam);

// ---- maximise and restore --------------------------------------------------------------------
// WM_GETMINMAXINFO: maximised, the window covers its monitor's work area
// (`info` stays as it is when the monitor is unknown).
void FillMaximisedSize(HWND hwnd, MINMAXINFO& info);

// WM_SYSCOMMAND other than close: default processing, then the maximise and
// restore buttons (either may be null) swap when the maximised state changed.
LRESULT SystemCommand(HWND hwnd, WPARAM command, LPARAM lParam, CControlUI* maxButton,
                      CControlUI* restoreButton);

}  // namespace DuiLib
