// CWindowWnd: the base of the system's windows. A derived class names its
// window class and handles messages in HandleMessage, falling back to
// CWindowWnd::HandleMessage for default processing.
//
// Life cycle: Create registers a handle, sends WM_CREATE (its result -1 fails
// the creation) and WM_SIZE, then shows the window when WS_VISIBLE is set.
// DestroyWindow (the default processing of WM_CLOSE) destroys owned windows
// first, sends WM_DESTROY, retires the handle (later messages to it are dropped
// and return 0) and calls OnFinalMessage last; the object may delete itself there.
//
// Window states: SC_MAXIMIZE (default processing of WM_SYSCOMMAND, or
// ShowWindow SW_MAXIMIZE) asks the window for WM_GETMINMAXINFO and takes its
// maximised position and size; SC_RESTORE returns to the rectangle kept before.
// The states are kept here, not by a window manager.
#pragma once

#include "ui/core/std_string.h"
#include "ui/core/win_api.h"
#include "ui/core/win_types.h"
#include "ui/core/window_procedure.h"

namespace DuiLib {

// The program's icon resources. On this platform a program has no compiled-in
// resources: at start it names the image file that stands for each icon id (a
// path relative to the resource path, or absolute).
void RegisterIconResource(UINT resourceId, std::string imageFile);

class CWindowWnd : public ui::WindowProcedure {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Window classes need no registration here; kept for the callers that ask.
    bool RegisterWindowClass() { return true; }
    bool RegisterSuperclass() { return true; }

    HWND Create(HWND parent, LPCTSTR name, DWORD style, DWORD exStyle, const RECT& rect,
                HMENU menu = nullptr);
    HWND Create(HWND parent, LPCTSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                HMENU menu = nullptr);
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Runs a nested loop until this window is destroyed, with its owner disabled;
    // the other windows' messages and timers keep arriving. Returns the value
    // given to Close (IDCANCEL... as passed; 0 when destroyed otherwise).
    UINT ShowModal();
    // Posts WM_CLOSE with `result` as wParam (the value ShowModal returns).
    void Close(UINT result = IDOK);
    // Centres over the owner window, or over the work area when it has none.
    void CenterWindow();
    // Sets the window's icon from the icon resource `resourceId` (see
    // RegisterIconResource); an unknown resource changes nothing.
    void SetIcon(UINT resourceId);
    void ResizeClient(int cx = -1, int cy = -1);

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

    // The window procedure. The default is the layer's default processing.
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // Called by the window registry; not for the system's code.
    void AttachHandle(HWND hwnd) override { m_hWnd = hwnd; }
    void FinalMessage(HWND hwnd) override;

protected:
    virtual LPCTSTR GetWindowClassName() const = 0;
    virtual LPCTSTR GetSuperClassName() const { return nullptr; }
    virtual UINT GetClassStyle() const { return 0; }
    // The last call the window gets; the object may delete itself here.
    virtual void OnFinalMessage(HWND hwnd);

    HWND m_hWnd = nullptr;

    friend CStdString WindowClassNameOf(const CWindowWnd& window);
};

CStdString WindowClassNameOf(const CWindowWnd& window);

}  // namespace DuiLib
