// Internal: what the window class and the paint manager ask of the window
// registry (window_registry.h) and the UI thread's loop (event_loop.h). Not for
// the system's code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ui/core/backend.h"
#include "ui/core/win_types.h"
#include "ui/core/window_procedure.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace ui::detail {

// Registers a window and sends its creation messages; null when WM_CREATE fails.
// The first window binds the UI thread when none is bound.
HWND CreateWindowFor(WindowProcedure* window, const std::string& className, HWND parent,
                     const char* title, DWORD style, DWORD exStyle, RECT rect);

// Runs a nested loop until `hwnd` is gone (or a quit arrives, which stays
// pending); gives the wParam of the WM_CLOSE that ended it (0 if none).
UINT RunModalLoop(HWND hwnd);

// Timers driven by the loop, owned by a window (dropped when it is destroyed).
std::uint64_t AddTimer(HWND owner, UINT periodMs, std::function<void()> fire);
void RemoveTimer(std::uint64_t handle);

// The paint manager serving a window (set by CPaintManagerUI::Init).
void SetPaintManager(HWND hwnd, DuiLib::CPaintManagerUI* manager);
void ForgetPaintManager(DuiLib::CPaintManagerUI* manager);
DuiLib::CPaintManagerUI* GetPaintManager(HWND hwnd);

WindowState GetWindowState(HWND hwnd);

}  // namespace ui::detail
