// The window registry: every window's record (handle, owner, geometry, style,
// visibility, state, shape, title), the focus, and the paint manager serving
// each window. It mirrors every change onto the backend and tells the window
// about it with the message Windows sends.
//
// Threads: membership is guarded (IsWindow is asked from any thread); records
// are created, changed and erased on the UI thread only. Because every change
// happens on the UI thread, the registry's own messages go straight to the
// window procedure.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/core/backend.h"
#include "ui/core/win_api.h"
#include "ui/core/window_procedure.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace ui {

class WindowRegistry {
public:
    // What CreateWindowFor is asked for.
    struct CreateParams {
        std::string className;
        HWND parent = nullptr;
        const char* title = nullptr;
        DWORD style = 0;
        DWORD exStyle = 0;
        RECT rect{};
    };

    // The registry of the program's windows.
    static WindowRegistry& Get();

    WindowRegistry();
    ~WindowRegistry();
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // Registers a window and sends its creation messages; null when WM_CREATE fails.
    HWND Create(WindowProcedure* window, const CreateParams& params);
    // Owned and child windows first, then WM_DESTROY, the destroy listener,
    // WM_NCDESTROY and the final message. False when there is no such window.
    bool Destroy(HWND hwnd);
    // Called for each window being destroyed, after its WM_DESTROY (the loop
    // drops the window's timers here).
    void SetDestroyListener(std::function<void(HWND)> listener);

    // A live window (not being destroyed); any thread.
    bool IsWindow(HWND hwnd) const;
    // A record exists, the window may be in the middle of its destruction.
    bool Contains(HWND hwnd) const;
    // Calls the window procedure; 0 when the window has no record.
    LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // ---- states
    void Maximize(HWND hwnd);
    void Minimize(HWND hwnd);
    void Restore(HWND hwnd);
    bool Show(HWND hwnd, int command);  // SW_* commands; answers whether it was visible
    bool IsVisible(HWND hwnd) const;
    WindowState StateOf(HWND hwnd) const;
    bool Enable(HWND hwnd, bool enable);  // answers whether it was disabled
    bool IsEnabled(HWND hwnd) const;

    // ---- geometry (screen coordinates; a child's own rectangle is in its parent's)
    bool GetWindowRect(HWND hwnd, RECT* rect) const;
    bool GetClientRect(HWND hwnd, RECT* rect) const;
    bool SetPos(HWND hwnd, int x, int y, int cx, int cy, UINT flags);
    LONG GetLong(HWND hwnd, int index) const;
    LONG SetLong(HWND hwnd, int index, LONG value);
    HWND GetParent(HWND hwnd) const;
    HWND SetParent(HWND child, HWND newParent);
    HWND GetAncestor(HWND hwnd, UINT flags) const;

    // ---- focus, texts, search
    HWND Focus() const { return focus_; }
    HWND SetFocus(HWND hwnd);  // sends WM_KILLFOCUS / WM_SETFOCUS
    bool SetTitle(HWND hwnd, const std::string& title);
    std::string Title(HWND hwnd) const;
    HWND FindTopLevel(LPCTSTR className, LPCTSTR windowName) const;

    // ---- invalidations counted (InvalidationCount)
    void CountInvalidation(HWND hwnd);
    std::uint64_t Invalidations(HWND hwnd) const;

    // ---- regions: the window takes ownership of the shape (null removes it);
    // when there is no such window the caller keeps it.
    bool SetShape(HWND hwnd, HRGN__* shape);
    bool GetShape(HWND hwnd, HRGN__* shape) const;

    // ---- paint managers
    void SetPaintManager(HWND hwnd, DuiLib::CPaintManagerUI* manager);
    void ForgetPaintManager(DuiLib::CPaintManagerUI* manager);
    DuiLib::CPaintManagerUI* PaintManagerOf(HWND hwnd) const;

private:
    struct Record;

    Record* Find(HWND hwnd) const;
    std::vector<HWND> AllWindows() const;
    RECT ScreenRectOf(const Record& record) const;
    void SendSize(HWND hwnd);
    void ApplyRect(HWND hwnd, const RECT& rect);
    void SetVisible(HWND hwnd, bool visible, bool activate);

    // Membership: guarded by the mutex; the records themselves belong to the UI thread.
    mutable std::mutex mutex_;
    std::map<HWND, std::unique_ptr<Record>> windows_;
    std::uintptr_t nextHandle_ = 0x10000;

    // UI thread only.
    HWND focus_ = nullptr;
    std::map<HWND, DuiLib::CPaintManagerUI*> managers_;
    std::function<void(HWND)> destroyListener_;
};

}  // namespace ui
