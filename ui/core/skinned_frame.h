// Frame mechanics shared by borderless skinned windows: the skin's size box
// and caption stand in for the frame the window does not have, and maximised
// the window covers its monitor's work area.
#pragma once

#include "ui/core/paint_manager.h"
#include "ui/core/win_types.h"

namespace DuiLib {

// WM_NCHITTEST (`lParam`: the point in screen coordinates). Unless the window
// is maximised, points within the size box of the client edges are sizing
// borders (corners first). Points in the caption band drag the window
// (HTCAPTION) unless nothing is under them or `staysClickable` says the
// control under them takes its own clicks. Everything else is client area.
LRESULT SkinnedHitTest(HWND hwnd, CPaintManagerUI& manager, LPARAM lParam,
                       bool (*staysClickable)(const CControlUI& control));

// WM_GETMINMAXINFO: maximised, the window covers its monitor's work area
// (`info` stays as it is when the monitor is unknown).
void FillMaximisedSize(HWND hwnd, MINMAXINFO& info);

}  // namespace DuiLib
