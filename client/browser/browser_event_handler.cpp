#include "client/browser/browser_event_handler.h"

#include <string>

#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "platform/text.h"

namespace quorvi {

using namespace DuiLib;

CWebBrowserEventHandlerEx::CWebBrowserEventHandlerEx(HWND window, bool showScrollBars,
                                                     UserInfo user)
    : window_(window), showScrollBars_(showScrollBars), user_(std::move(user)) {}

std::string PopupAddress(const std::string& url, const UserInfo& user) {
    const std::string_view redirect = urls::kPortalRedirect.view();
    if (url.compare(0, redirect.size(), redirect) == 0 && !user.rechargeParams.empty())
        return url + "&" + user.rechargeParams;
    return url;
}

void CWebBrowserEventHandlerEx::NewWindow3(void** /*ppDisp*/, VARIANT_BOOL* cancel, DWORD /*flags*/,
                                           BSTR /*urlContext*/, BSTR url) {
    Raise(window_, OpenSignedLink{PopupAddress(platform::Utf16ToGbk(url ? url : u""), user_)});
    if (cancel) *cancel = VARIANT_TRUE;  // the browser never opens a window of its own
}

void CWebBrowserEventHandlerEx::DocumentComplete(void* /*pDisp*/, BSTR /*url*/) {
    // Later, not inside the browser's own callback.
    if (window_) Deliver(window_, StartContentFetch{});
}

HRESULT CWebBrowserEventHandlerEx::ShowContextMenu(DWORD, POINT*, void*, void*) {
    return S_OK;  // no context menu
}

HRESULT CWebBrowserEventHandlerEx::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return S_OK;
    info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER;
    if (!showScrollBars_) info->dwFlags |= DOCHOSTUIFLAG_SCROLL_NO;
    return S_OK;
}

// The remaining host-frame operations report success and change nothing.
HRESULT CWebBrowserEventHandlerEx::TranslateAccelerator(const MSG*, const GUID*, DWORD) {
    return S_OK;
}
HRESULT CWebBrowserEventHandlerEx::GetOptionKeyPath(char16_t**, DWORD) {
    return S_OK;
}
HRESULT CWebBrowserEventHandlerEx::GetDropTarget(void*, void**) {
    return S_OK;
}
HRESULT CWebBrowserEventHandlerEx::GetExternal(void**) {
    return S_OK;
}
HRESULT CWebBrowserEventHandlerEx::TranslateUrl(DWORD, BSTR, char16_t**) {
    return S_OK;
}
HRESULT CWebBrowserEventHandlerEx::FilterDataObject(void*, void**) {
    return S_OK;
}
HRESULT CWebBrowserEventHandlerEx::Download(BSTR) {
    return S_OK;
}

}  // namespace quorvi
