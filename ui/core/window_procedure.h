// What the window registry needs of a window's object: its window procedure,
// and the handing over and taking back of its handle. CWindowWnd implements it;
// the registry knows no more of the window classes than this.
#pragma once

#include "ui/core/win_types.h"

namespace ui {

class WindowProcedure {
public:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The handle the registry gave the window, before its first message.
    virtual void AttachHandle(HWND hwnd) = 0;
    // The last call, once the handle is retired; the object may delete itself here.
    virtual void FinalMessage(HWND hwnd) = 0;

protected:
    ~WindowProcedure() = default;
};

}  // namespace ui
