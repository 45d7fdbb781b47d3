// The widget gallery's window: a skinned, borderless window showing every kind
// of control (skin "gallery.xml"), with the window mechanics of the system's
// skinned windows (caption dragging, edge sizing, round corners, maximise to
// the work area) and a little life: the navigation selects pages, typing is
// echoed, the list reports its selection, a progress bar runs, and the browser
// shows a local page whose pop-ups are refused.
#pragma once

#include <string>

#include "ui/core/UIlib.h"

namespace gallery {

class GalleryWindow : public DuiLib::CWindowWnd,
                      public DuiLib::INotifyUI,
                      public DuiLib::CWebBrowserEventHandler {
public:
    // `pageUrl`: the address the browser page shows.
    explicit GalleryWindow(std::string pageUrl) : pageUrl_(std::move(pageUrl)) {}

    DuiLib::CPaintManagerUI& Manager() { return manager_; }
    void SelectPage(int page);
    // True once the browser's page has loaded.
    bool PageLoaded() const { return pageLoaded_; }
    int RefusedNewWindows() const { return refusedNewWindows_; }

    // INotifyUI
    void Notify(DuiLib::TNotifyUI& msg) override;

    // CWebBrowserEventHandler
    void NewWindow3(void** ppDisp, DuiLib::VARIANT_BOOL* cancel, DWORD flags,
                    DuiLib::BSTR urlContext, DuiLib::BSTR url) override;
    void DocumentComplete(void* pDisp, DuiLib::BSTR url) override;
    HRESULT ShowContextMenu(DWORD id, POINT* point, void* commandTarget, void* object) override;

protected:
    LPCTSTR GetWindowClassName() const override { return "GalleryWindow"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    LRESULT OnCreate();
    LRESULT HitTest(LPARAM lParam);
    void FillList();
    void ShowMaximizeState();
    void SetLabel(const char* name, const std::string& gbk);

    std::string pageUrl_;
    DuiLib::CPaintManagerUI manager_;
    bool pageLoaded_ = false;
    int refusedNewWindows_ = 0;
    int syncProgress_ = 40;
};

}  // namespace gallery
