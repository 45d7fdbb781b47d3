// The event handler of the client's browsers (the home page of the main window
// and the application dialogs): keeps pop-up windows out of the browser and
// hands their addresses to its window, asks its window to run the portal's
// script plug-in once a page has loaded, and shapes the browser's host frame.
#pragma once

#include "client/common/user_info.h"
#include "ui/core/UIlib.h"

namespace quorvi {

class CWebBrowserEventHandlerEx : public DuiLib::CWebBrowserEventHandler {
public:
    // `window` receives StartContentFetch and OpenSignedLink (may be null); `showScrollBars` is
    // false for the home page, whose page shows none; `user` is a copy of the signed-in user (empty
    // for a dialog's browser).
    CWebBrowserEventHandlerEx(HWND window, bool showScrollBars, UserInfo user);

    void NewWindow3(void** ppDisp, DuiLib::VARIANT_BOOL* cancel, DWORD flags,
                    DuiLib::BSTR urlContext, DuiLib::BSTR url) override;
    void DocumentComplete(void* pDisp, DuiLib::BSTR url) override;
    HRESULT ShowContextMenu(DWORD id, POINT* point, void* commandTarget, void* object) override;
    HRESULT GetHostInfo(DuiLib::DOCHOSTUIINFO* info) override;
    HRESULT TranslateAccelerator(const MSG* msg, const DuiLib::GUID* group,
                                 DWORD commandId) override;
    HRESULT GetOptionKeyPath(char16_t** key, DWORD reserved) override;
    HRESULT GetDropTarget(void* dropTarget, void** result) override;
    HRESULT GetExternal(void** dispatch) override;
    HRESULT TranslateUrl(DWORD translate, DuiLib::BSTR urlIn, char16_t** urlOut) override;
    HRESULT FilterDataObject(void* object, void** result) override;
    HRESULT Download(DuiLib::BSTR url) override;

private:
    HWND window_;
    bool showScrollBars_;
    UserInfo user_;
};

// The address a page's pop-up request opens: a portal redirect link carries the
// signed-in user's recharge parameters when there are any; every other address
// stays as it is. `url` and the result are GBK.
std::string PopupAddress(const std::string& url, const UserInfo& user);

}  // namespace quorvi
