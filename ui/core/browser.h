// The embedded browser: CActiveXUI (a control hosting a component, here only
// the web browser), CWebBrowserUI and the event handler interface a window
// gives it. The page engine comes from the backend (ui::Backend::
// CreateBrowserEngine): WebKit on screen, a recording stand-in headless.
//
// Texts: addresses are narrow system texts (GBK, in practice ASCII); page
// texts handed to the handler (BSTR) are UTF-16, as the browser gives them.
//
// Sections: COM-like types | CWebBrowserEventHandler | IWebBrowser2 | CActiveXUI | CWebBrowserUI
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/core/backend.h"
#include "ui/core/control.h"

namespace DuiLib {

// ---- COM-like types -----------------------------------------------------------------------------
using BSTR = const char16_t*;  // null-terminated UTF-16
using VARIANT_BOOL = short;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
inline constexpr CLSID CLSID_WebBrowser{
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
inline constexpr IID IID_IWebBrowser2{
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
// Parses "{8856F961-340A-11D0-A96B-00C04FD705A2}" (braces optional).
bool ParseClsid(std::string_view text, CLSID* clsid);

struct VARIANT;  // never dereferenced; callers pass null

// Host-frame flags a handler returns from GetHostInfo.
inline constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x00000004;
inline constexpr DWORD DOCHOSTUIFLAG_SCROLL_NO = 0x00000008;
inline constexpr DWORD DOCHOSTUIFLAG_NO3DOUTERBORDER = 0x00200000;
struct DOCHOSTUIINFO {
    ULONG cbSize = sizeof(DOCHOSTUIINFO);
    DWORD dwFlags = 0;
    DWORD dwDoubleClick = 0;
};

// ---- CWebBrowserEventHandler
// --------------------------------------------------------------------- Every operation has a
// do-nothing default; a window overrides what it needs. Called on the UI thread.
class CWebBrowserEventHandler {
public:
    virtual ~CWebBrowserEventHandler() = default;

    // page events
    virtual void BeforeNavigate2(void* /*pDisp*/, BSTR /*url*/, DWORD /*flags*/,
                                 BSTR /*targetFrameName*/, VARIANT_BOOL* /*cancel*/) {}
    virtual void NavigateError(void* /*pDisp*/, BSTR /*url*/, BSTR /*targetFrameName*/,
                               int /*statusCode*/, VARIANT_BOOL* /*cancel*/) {}
    virtual void NavigateComplete2(void* /*pDisp*/, BSTR /*url*/) {}
    virtual void ProgressChange(long /*progress*/, long /*progressMax*/) {}
    // The page asks for a new window; setting *cancel keeps it from opening one.
    virtual void NewWindow3(void** /*ppDisp*/, VARIANT_BOOL* /*cancel*/, DWORD /*flags*/,
                            BSTR /*urlContext*/, BSTR /*url*/) {}
    virtual void CommandStateChange(long /*command*/, VARIANT_BOOL /*enable*/) {}
    virtual void DocumentComplete(void* /*pDisp*/, BSTR /*url*/) {}

    // host frame
    // S_OK: no context menu is shown; S_FALSE: the browser shows its own.
    virtual HRESULT ShowContextMenu(DWORD /*id*/, POINT* /*point*/, void* /*commandTarget*/,
                                    void* /*object*/) {
        return S_FALSE;
    }
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO* /*info*/) { return S_OK; }
    virtual HRESULT ShowUI(DWORD /*id*/, void* /*activeObject*/, void* /*commandTarget*/,
                           void* /*frame*/, void* /*doc*/) {
        return S_FALSE;
    }
    virtual HRESULT HideUI() { return S_OK; }
    virtual HRESULT UpdateUI() { return S_OK; }
    virtual HRESULT EnableModeless(BOOL /*enable*/) { return S_OK; }
    virtual HRESULT OnDocWindowActivate(BOOL /*activate*/) { return S_OK; }
    virtual HRESULT OnFrameWindowActivate(BOOL /*activate*/) { return S_OK; }
    virtual HRESULT ResizeBorder(const RECT* /*border*/, void* /*uiWindow*/, BOOL /*frameWindow*/) {
        return S_OK;
    }
    virtual HRESULT TranslateAccelerator(const MSG* /*msg*/, const GUID* /*group*/,
                                         DWORD /*commandId*/) {
        return S_FALSE;
    }
    virtual HRESULT GetOptionKeyPath(char16_t** /*key*/, DWORD /*reserved*/) { return E_NOTIMPL; }
    virtual HRESULT GetDropTarget(void* /*dropTarget*/, void** /*result*/) { return E_NOTIMPL; }
    virtual HRESULT GetExternal(void** /*dispatch*/) { return E_NOTIMPL; }
    virtual HRESULT TranslateUrl(DWORD /*translate*/, BSTR /*urlIn*/, char16_t** /*urlOut*/) {
        return S_FALSE;
    }
    virtual HRESULT FilterDataObject(void* /*object*/, void** /*result*/) { return S_FALSE; }

    // download manager: S_OK means the handler took the download over.
    virtual HRESULT Download(BSTR /*url*/) { return S_FALSE; }
};

// ---- IWebBrowser2 -------------------------------------------------------------------------------
// The browser interface CActiveXUI::GetControl hands out for IID_IWebBrowser2.
// It belongs to the control: Release does nothing.
class IWebBrowser2 {
public:
    virtual ~IWebBrowser2() = default;
    virtual HRESULT Navigate(BSTR url, VARIANT* flags = nullptr, VARIANT* targetFrameName = nullptr,
                             VARIANT* postData = nullptr, VARIANT* headers = nullptr) = 0;
    virtual ULONG Release() { return 1; }
};

// ---- CActiveXUI ---------------------------------------------------------------------------------
// Hosts a component by class id ("clsid"). Only CLSID_WebBrowser is known; the
// component is created when the control joins a window ("delaycreate" false)
// or on first use.
class CActiveXUI : public CControlUI, private IWebBrowser2 {
public:
    CActiveXUI();
    ~CActiveXUI() override;
    LPCTSTR GetClass() const override { return "ActiveXUI"; }
    void* GetInterface(std::string_view name) override;

    bool CreateControl(const CLSID& clsid);
    bool CreateControl(std::string_view clsidText);
    // The component's interface: IID_IWebBrowser2 for a browser. False otherwise.
    bool GetControl(const IID& iid, LPVOID* result);
    CLSID GetClsid() const { return clsid_; }
    bool IsDelayCreate() const { return delayCreate_; }
    void SetDelayCreate(bool delay = true) { delayCreate_ = delay; }

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoInit() override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;

    // The handler the page engine reports to; only a CWebBrowserUI has one.
    virtual CWebBrowserEventHandler* GetWebBrowserEventHandler() const { return nullptr; }
    // The engine behind the control, once created (tests reach the headless one here).
    ui::BrowserEngine* GetEngine() const { return engine_.get(); }

    void SetAbsolutePos(const RECT& rect) override;

protected:
    // Creates the engine when the control has a window and a browser class id.
    bool EnsureEngine();
    virtual void OnEngineCreated() {}

    std::unique_ptr<ui::BrowserEngine> engine_;

private:
    HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                     VARIANT* headers) override;
    void UpdateEngineBounds();

    CLSID clsid_{};
    bool hasClsid_ = false;
    bool delayCreate_ = true;
};

// ---- CWebBrowserUI
// --------------------------------------------------------------------------------
class CWebBrowserUI : public CActiveXUI {
public:
    CWebBrowserUI();
    LPCTSTR GetClass() const override { return "WebBrowserUI"; }
    void* GetInterface(std::string_view name) override;

    // The address shown when the browser starts ("homepage"); navigates at once
    // when the engine already runs.
    void SetDefaultUrl(std::string_view url);
    CStdString GetDefaultUrl() const { return defaultUrl_; }
    void Navigate2(std::string_view url);
    void RunJavaScript(std::u16string_view script);
    // The handler is not owned; the owning overload keeps it as long as the control.
    void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler);
    void SetWebBrowserEventHandler(std::unique_ptr<CWebBrowserEventHandler> handler);
    CWebBrowserEventHandler* GetWebBrowserEventHandler() const override { return handler_; }

    AttributeResult SetAttribute(std::string_view name, std::string_view value) override;

protected:
    void OnEngineCreated() override;

private:
    CStdString defaultUrl_;
    bool autoNavigate_ = true;
    CWebBrowserEventHandler* handler_ = nullptr;
    std::unique_ptr<CWebBrowserEventHandler> ownedHandler_;
};

}  // namespace DuiLib
