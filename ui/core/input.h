// Native input entering the widget layer. A backend calls these on the UI
// thread with what the user did; the core turns it into the window messages a
// window would receive on Windows and delivers them through the window's
// pre-message filters (IMessageFilterUI) and then its window procedure.
//
// The core also runs what Windows does for the non-client area: a press is
// first hit-tested with WM_NCHITTEST; HTCAPTION starts a caption drag (the
// window follows the pointer; a double click maximises or restores), the edge
// codes (HTLEFT ... HTBOTTOMRIGHT) start edge sizing, HTCLIENT becomes a client
// mouse message. This keeps dragging and sizing independent of any window
// manager. A disabled window (the owner of a modal window) gets no input.
#pragma once

#include "ui/core/win_types.h"

namespace ui {

enum class MouseButton { Left, Right, Middle };

// Pointer positions are screen coordinates.
void PointerMoved(HWND hwnd, POINT screenPoint);
void PointerPressed(HWND hwnd, POINT screenPoint, MouseButton button, bool doubleClick = false);
void PointerReleased(HWND hwnd, POINT screenPoint, MouseButton button);
void PointerLeft(HWND hwnd);
void WheelTurned(HWND hwnd, POINT screenPoint, int delta);  // +120 per notch away from the user

// Keys: Windows virtual-key codes; characters as GBK bytes (one or two).
void KeyPressed(HWND hwnd, WPARAM virtualKey);
void KeyReleased(HWND hwnd, WPARAM virtualKey);
void CharacterTyped(HWND hwnd, unsigned int character);

// The user asked to close the window (title-bar close, Alt+F4): WM_SYSCOMMAND SC_CLOSE.
void CloseRequested(HWND hwnd);
// The native window gained or lost the keyboard focus.
void FocusEntered(HWND hwnd);

// Delivers one input message the way the loop does: pre-message filters first,
// then the window procedure. Returns the result (0 when a filter handled it).
LRESULT DeliverInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui
