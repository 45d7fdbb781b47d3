#include "ui/core/window.h"

#include <map>
#include <mutex>

#include "ui/core/backend.h"
#include "ui/core/message_loop.h"
#include "ui/core/paint_manager.h"
#include "ui/core/window_system.h"

namespace DuiLib {

CStdString WindowClassNameOf(const CWindowWnd& window) {
    LPCTSTR name = window.GetWindowClassName();
    return name ? name : "";
}

CWindowWnd::~CWindowWnd() {
    // A window object that goes while its window lives takes the window along;
    // from here on only default processing answers its messages.
    if (m_hWnd && ::IsWindow(m_hWnd) && ui::IsUiThread()) ::DestroyWindow(m_hWnd);
}

HWND CWindowWnd::Create(HWND parent, LPCTSTR name, DWORD style, DWORD exStyle, const RECT& rect,
                        HMENU menu) {
    return Create(parent, name, style, exStyle, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, menu);
}

HWND CWindowWnd::Create(HWND parent, LPCTSTR name, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy, HMENU) {
    if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) x = y = 0;
    if (cx == CW_USEDEFAULT || cy == CW_USEDEFAULT) cx = cy = 0;
    RECT rect{x, y, x + cx, y + cy};
    return ui::detail::CreateWindowFor(this, WindowClassNameOf(*this), parent, name, style, exStyle,
                                       rect);
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!::IsWindow(m_hWnd)) return;
    ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    HWND hwnd = m_hWnd;
    if (!::IsWindow(hwnd)) return 0;
    HWND owner = ::GetParent(hwnd);
    bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    UINT result = ui::detail::RunModalLoop(hwnd);
    // A quit that ended the loop leaves the window to the outer loop.
    if (ownerWasEnabled && ::IsWindow(owner)) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    return result;
}

void CWindowWnd::Close(UINT result) {
    if (::IsWindow(m_hWnd)) ::PostMessage(m_hWnd, WM_CLOSE, result, 0);
}

namespace {

std::mutex iconResourcesMutex;
std::map<UINT, std::string>& IconResources() {
    static auto* resources = new std::map<UINT, std::string>;  // lives until exit
    return *resources;
}

}  // namespace

void RegisterIconResource(UINT resourceId, std::string imageFile) {
    std::lock_guard lock(iconResourcesMutex);
    IconResources()[resourceId] = std::move(imageFile);
}

void CWindowWnd::SetIcon(UINT resourceId) {
    std::string file;
    {
        std::lock_guard lock(iconResourcesMutex);
        auto it = IconResources().find(resourceId);
        if (it == IconResources().end()) return;
        file = it->second;
    }
    if (!::IsWindow(m_hWnd)) return;
    if (file.empty() || file.front() != '/') file = CPaintManagerUI::GetResourcePath() + file;
    ui::GetBackend().SetNativeIcon(m_hWnd, file);
}

void CWindowWnd::CenterWindow() {
    RECT window;
    if (!::GetWindowRect(m_hWnd, &window)) return;
    // Asked once: on X each answer is a round trip to the server.
    const RECT work = ui::GetBackend().GetScreen().workArea;
    RECT area = work;
    HWND owner = ::GetParent(m_hWnd);
    RECT ownerRect;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner) &&
        ::GetWindowRect(owner, &ownerRect))
        area = ownerRect;
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = (area.left + area.right - width) / 2;
    int y = (area.top + area.bottom - height) / 2;
    // Keep the window on the work area.
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT client;
    if (!::GetClientRect(m_hWnd, &client)) return;
    if (cx < 0) cx = client.right;
    if (cy < 0) cy = client.bottom;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProc(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::FinalMessage(HWND hwnd) {
    m_hWnd = nullptr;
    OnFinalMessage(hwnd);
}

void CWindowWnd::OnFinalMessage(HWND) {}

}  // namespace DuiLib
