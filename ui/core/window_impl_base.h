// WindowImplBase: the base of skinned pop-up windows that build themselves
// from a skin file. A derived class names its window class and skin file,
// supplies Notify, and overrides the handlers it needs; every message it does
// not handle itself goes through this base's dispatch:
//
//   the handler of the message (table in HandleMessage), when it reports the
//   message handled -> HandleCustomMessage -> the paint manager -> default processing
//
// Each handler gets a handled flag that the dispatch sets before the call; a
// handler that does not handle its message clears it and returns 0.
//
// What the base does for every window: no frame (the skin's caption band drags
// the window, its size box sizes it unless maximised, buttons and options in the
// band stay clickable), the skin's round corners, maximised over the monitor's
// work area, SC_CLOSE swallowed (Alt+F4 and the system menu leave the window
// open), Escape closing the window with IDOK through the pre-message filter.
//
// Skin folder: creation builds GetSkinFolder() + GetSkinFile(). The resource
// path is process-wide and the renderer finds images through it while painting,
// so creation puts the previous resource path back once the skin is built: a
// window whose skin lives in the program's skin folder (the usual case; return
// that folder from GetSkinFolder) then leaves every other window as it was.
// A skin that does not build fails the creation (Create returns null) rather
// than leaving an empty window that nothing can close.
//
// Sections: interfaces | message handlers | skin | members
#pragma once

#include "ui/core/dialog_builder.h"
#include "ui/core/paint_manager.h"
#include "ui/core/std_string.h"
#include "ui/core/window.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override = default;

    // ---- interfaces ------------------------------------------------------------------------
    // Called once the skin is attached; the derived window looks its controls up here.
    virtual void InitWindow() {}
    // Pre-message filter: a key press of Return or Escape goes to ResponseDefaultKeyEvent.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    // Custom controls of the skin: none here.
    CControlUI* CreateControl(LPCTSTR pstrClass) override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // ---- message handlers ------------------------------------------------------------------
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // Minimised: not handled; otherwise 1 when deactivating and 0 when activating.
    virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // No non-client area.
    virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // Size box, then the caption band (buttons and options stay clickable).
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // Fills the maximised size, then lets default processing follow.
    virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // Round corners, then not handled.
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // SC_CLOSE is swallowed; every other command gets default processing.
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    // Messages without a handler of their own; not handled here.
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

    CPaintManagerUI& PaintManager() { return m_PaintManager; }

protected:
    // ---- skin ------------------------------------------------------------------------------
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    // Drops this window from its paint manager's filters and notifiers and the
    // manager's references to the control tree. Does not delete the object.
    void OnFinalMessage(HWND hwnd) override;
    // The folder the skin file is read from: the program folder's "skin" folder.
    virtual CStdString GetSkinFolder();
    virtual CStdString GetSkinFile() = 0;
    // Escape closes the window with IDOK (reported handled); other keys are not handled.
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);

    // ---- members ---------------------------------------------------------------------------
    CPaintManagerUI m_PaintManager;
};

}  // namespace DuiLib
