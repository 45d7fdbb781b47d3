// The Win32 window calls the system's windows make, with their Windows
// semantics, over the widget layer's own window registry and message loop.
//
// Threads: one UI thread owns every window (the thread that created the first
// window). SendMessage, PostMessage, PostQuitMessage and IsWindow may be called
// from any thread; everything else belongs to the UI thread.
//
// The SendMessage rule: SendMessage from another thread queues the message to
// the UI thread and blocks until the window procedure has returned. A thread
// that the UI thread waits for (join, a lock it holds) must therefore never
// SendMessage to a window, or both wait forever. A message to a window that is
// gone (or goes while the message waits) is dropped and returns 0.
//
// Sections: messages | window geometry and state | regions | monitors | misc
#pragma once

#include <string>

#include "ui/core/win_types.h"

// A window region. Only the shapes the system uses exist: a rectangle with
// optional rounded corners (ellipse width/height 0 for a plain rectangle).
struct HRGN__ {
    RECT bounds;
    int ellipseWidth = 0;
    int ellipseHeight = 0;
};

// ---- messages ------------------------------------------------------------------------------
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
inline LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessage(hwnd, message, wParam, lParam);
}
// Queues in order; FALSE when the window does not exist.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
inline BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return PostMessage(hwnd, message, wParam, lParam);
}
// Ends the innermost running message loop (a modal loop passes it outwards).
void PostQuitMessage(int exitCode);
// Default window processing (what CWindowWnd::HandleMessage falls back to).
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- window geometry and state -----------------------------------------------------------------
BOOL IsWindow(HWND hwnd);
BOOL DestroyWindow(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int command);  // SW_* commands; minimise/maximise/restore too
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);  // minimised
BOOL IsZoomed(HWND hwnd);  // maximised
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
// Screen coordinates. Windows of this layer have no frame: the client area is
// the whole window, so the client rectangle is 0,0,width,height.
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ScreenToClient(HWND hwnd, POINT* point);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
LONG GetWindowLong(HWND hwnd, int index);  // GWL_STYLE, GWL_EXSTYLE
LONG SetWindowLong(HWND hwnd, int index, LONG value);
HWND GetParent(HWND hwnd);  // parent of a child window, else its owner
HWND SetParent(HWND child, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetFocus();
HWND SetFocus(HWND hwnd);  // sends WM_KILLFOCUS / WM_SETFOCUS
HWND GetActiveWindow();
BOOL SetWindowText(HWND hwnd, LPCTSTR text);
std::string GetWindowTextString(HWND hwnd);
// A top-level window by class name and/or caption (null matches any).
HWND FindWindow(LPCTSTR className, LPCTSTR windowName);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
// How many times the window was invalidated so far (0 for no window): a frame
// painted ahead still shows the window while the count is unchanged.
std::uint64_t InvalidationCount(HWND hwnd);

// ---- regions
// ---------------------------------------------------------------------------------------
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight);
BOOL DeleteObject(HRGN region);
// The window takes ownership of the region (as on Windows); null removes the shape.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// The window's current shape, or false when it has none.
bool GetWindowShape(HWND hwnd, HRGN__* shape);

// ---- monitors
// -------------------------------------------------------------------------------------
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);

// ---- misc
// ---------------------------------------------------------------------------------------------
DWORD GetTickCount();
BOOL PtInRect(const RECT* rect, POINT point);
BOOL IsRectEmpty(const RECT* rect);
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
