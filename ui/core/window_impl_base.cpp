// Sections: dispatch | handlers | creation | keys and final message
#include "ui/core/window_impl_base.h"

#include "platform/files.h"
#include "ui/core/skinned_frame.h"
#include "ui/core/win_api.h"

namespace DuiLib {

// ---- dispatch --------------------------------------------------------------------------------
LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    using Handler = LRESULT (WindowImplBase::*)(UINT, WPARAM, LPARAM, bool&);
    Handler handler = nullptr;
    switch (uMsg) {
        case WM_CREATE:
            handler = &WindowImplBase::OnCreate;
            break;
        case WM_DESTROY:
            handler = &WindowImplBase::OnDestroy;
            break;
        case WM_SIZE:
            handler = &WindowImplBase::OnSize;
            break;
        case WM_SETFOCUS:
            handler = &WindowImplBase::OnSetFocus;
            break;
        case WM_KILLFOCUS:
            handler = &WindowImplBase::OnKillFocus;
            break;
        case WM_CLOSE:
            handler = &WindowImplBase::OnClose;
            break;
        case WM_GETMINMAXINFO:
            handler = &WindowImplBase::OnGetMinMaxInfo;
            break;
        case WM_NCCALCSIZE:
            handler = &WindowImplBase::OnNcCalcSize;
            break;
        case WM_NCHITTEST:
            handler = &WindowImplBase::OnNcHitTest;
            break;
        case WM_NCPAINT:
            handler = &WindowImplBase::OnNcPaint;
            break;
        case WM_NCACTIVATE:
            handler = &WindowImplBase::OnNcActivate;
            break;
        case WM_KEYDOWN:
            handler = &WindowImplBase::OnKeyDown;
            break;
        case WM_SYSCOMMAND:
            handler = &WindowImplBase::OnSysCommand;
            break;
        case WM_MOUSEMOVE:
            handler = &WindowImplBase::OnMouseMove;
            break;
        case WM_LBUTTONDOWN:
            handler = &WindowImplBase::OnLButtonDown;
            break;
        case WM_LBUTTONUP:
            handler = &WindowImplBase::OnLButtonUp;
            break;
        case WM_MOUSEWHEEL:
            handler = &WindowImplBase::OnMouseWheel;
            break;
        default:
            break;
    }
    bool handled = true;
    LRESULT result = 0;
    if (handler) {
        result = (this->*handler)(uMsg, wParam, lParam, handled);
        if (handled) return result;
    }
    handled = true;
    result = HandleCustomMessage(uMsg, wParam, lParam, handled);
    if (handled) return result;
    if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

// ---- handlers ----------------------------------------------------------------------------------
namespace {

// The caption band of a pop-up drags the window except over buttons and options.
bool IsButtonOrOption(const CControlUI& control) {
    const CStdString kind = control.GetClass();
    return kind.CompareNoCase("ButtonUI") == 0 || kind.CompareNoCase("OptionUI") == 0;
}

LRESULT NotHandled(bool& bHandled) {
    bHandled = false;
    return 0;
}

}  // namespace

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
    if (::IsIconic(m_hWnd)) return NotHandled(bHandled);
    return wParam == 0 ? 1 : 0;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
    return SkinnedHitTest(m_hWnd, m_PaintManager, lParam, IsButtonOrOption);
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& bHandled) {
    if (auto* info = reinterpret_cast<MINMAXINFO*>(lParam)) FillMaximisedSize(m_hWnd, *info);
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled) {
    ApplyRoundCorners(m_hWnd, m_PaintManager);
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool&) {
    if ((wParam & 0xFFF0) == SC_CLOSE) return 0;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
    return NotHandled(bHandled);
}

// ---- creation ----------------------------------------------------------------------------------
CStdString WindowImplBase::GetSkinFolder() {
    return CPaintManagerUI::GetInstancePath() + "skin" + platform::kPathSeparator;
}

CControlUI* WindowImplBase::CreateControl(LPCTSTR) {
    return nullptr;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    LONG style = ::GetWindowLong(m_hWnd, GWL_STYLE);
    style = (style & ~static_cast<LONG>(WS_CAPTION)) |
            static_cast<LONG>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    ::SetWindowLong(m_hWnd, GWL_STYLE, style);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::SetWindowPos(m_hWnd, nullptr, client.left, client.top, client.right - client.left,
                   client.bottom - client.top, SWP_FRAMECHANGED);

    m_PaintManager.Init(m_hWnd);
    m_PaintManager.AddPreMessageFilter(this);

    // The resource path is process-wide: build from this window's folder and
    // give every other window its folder back.
    const CStdString previousPath = CPaintManagerUI::GetResourcePath();
    CPaintManagerUI::SetResourcePath(GetSkinFolder());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(CPaintManagerUI::GetResourcePath() + GetSkinFile(), nullptr,
                                      this, &m_PaintManager);
    CPaintManagerUI::SetResourcePath(previousPath);
    if (!root) return -1;  // the builder has named the file on standard error

    m_PaintManager.AttachDialog(root);
    m_PaintManager.AddNotifier(this);
    InitWindow();
    return 0;
}

// ---- keys and final message --------------------------------------------------------------------
LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
    if (uMsg != WM_KEYDOWN || (wParam != VK_RETURN && wParam != VK_ESCAPE)) return 0;
    LRESULT result = ResponseDefaultKeyEvent(wParam);
    bHandled = result != 0;
    return result;
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam != VK_ESCAPE) return FALSE;
    Close(IDOK);
    return TRUE;
}

void WindowImplBase::OnFinalMessage(HWND) {
    m_PaintManager.RemovePreMessageFilter(this);
    m_PaintManager.RemoveNotifier(this);
    m_PaintManager.ReapObjects(m_PaintManager.GetRoot());
}

}  // namespace DuiLib
