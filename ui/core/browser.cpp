// CActiveXUI and CWebBrowserUI over a backend page engine.
#include "ui/core/browser.h"

#include <cctype>
#include <charconv>

#include "platform/text.h"
#include "ui/core/paint_manager.h"

namespace DuiLib {

bool ParseClsid(std::string_view text, CLSID* clsid) {
    if (text.starts_with('{') && text.ends_with('}')) text = text.substr(1, text.size() - 2);
    // 8-4-4-4-12 hexadecimal digits.
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return false;
    auto hex = [&](size_t at, size_t len, auto& out) {
        for (size_t i = at; i < at + len; ++i)
            if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
        std::uint64_t value = 0;
        std::from_chars(text.data() + at, text.data() + at + len, value, 16);
        out = static_cast<std::remove_reference_t<decltype(out)>>(value);
        return true;
    };
    CLSID parsed{};
    if (!hex(0, 8, parsed.Data1) || !hex(9, 4, parsed.Data2) || !hex(14, 4, parsed.Data3))
        return false;
    size_t positions[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i)
        if (!hex(positions[i], 2, parsed.Data4[i])) return false;
    if (clsid) *clsid = parsed;
    return true;
}

// ---- CActiveXUI
// ----------------------------------------------------------------------------------
CActiveXUI::CActiveXUI() = default;
CActiveXUI::~CActiveXUI() = default;

void* CActiveXUI::GetInterface(std::string_view name) {
    return name == "ActiveX" ? this : CControlUI::GetInterface(name);
}

bool CActiveXUI::CreateControl(const CLSID& clsid) {
    clsid_ = clsid;
    hasClsid_ = true;
    if (GetManager() && !delayCreate_) EnsureEngine();
    return clsid_ == CLSID_WebBrowser;
}

bool CActiveXUI::CreateControl(std::string_view clsidText) {
    CLSID clsid;
    if (!ParseClsid(clsidText, &clsid)) return false;
    return CreateControl(clsid);
}

bool CActiveXUI::GetControl(const IID& iid, LPVOID* result) {
    if (!result) return false;
    *result = nullptr;
    if (iid != IID_IWebBrowser2 || !EnsureEngine()) return false;
    *result = static_cast<IWebBrowser2*>(this);
    return true;
}

HRESULT CActiveXUI::Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
    if (!url || !EnsureEngine()) return E_FAIL;
    engine_->Navigate(platform::Utf16ToGbk(url));
    return S_OK;
}

bool CActiveXUI::EnsureEngine() {
    if (engine_) return true;
    if (!hasClsid_ || clsid_ != CLSID_WebBrowser || !GetManager() ||
        !GetManager()->GetPaintWindow())
        return false;
    engine_ = ui::GetBackend().CreateBrowserEngine(*this);
    if (!engine_) return false;
    UpdateEngineBounds();
    OnEngineCreated();
    return true;
}

AttributeResult CActiveXUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "clsid") {
        CLSID clsid;
        if (!ParseClsid(value, &clsid)) return AttributeResult::Malformed;
        CreateControl(clsid);
        return AttributeResult::Applied;
    }
    if (name == "delaycreate") {
        auto delay = ui::ParseBool(value);
        if (!delay) return AttributeResult::Malformed;
        SetDelayCreate(*delay);
        return AttributeResult::Applied;
    }
    return CControlUI::SetAttribute(name, value);
}

void CActiveXUI::DoInit() {
    if (!delayCreate_) EnsureEngine();
}

void CActiveXUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    UpdateEngineBounds();
}

void CActiveXUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    UpdateEngineBounds();
}

void CActiveXUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    // Leaving the window ends the page: the engine belongs to that window.
    if (!manager && engine_) engine_.reset();
    CControlUI::SetManager(manager, parent, init);
}

void CActiveXUI::SetAbsolutePos(const RECT& rect) {
    CControlUI::SetAbsolutePos(rect);
    UpdateEngineBounds();
}

void CActiveXUI::UpdateEngineBounds() {
    if (engine_) engine_->SetBounds(rect_, IsVisible());
}

// ---- CWebBrowserUI
// -------------------------------------------------------------------------------- The browser's
// class id is implied; the page engine starts when the control joins a window.
CWebBrowserUI::CWebBrowserUI() {
    CreateControl(CLSID_WebBrowser);
    SetDelayCreate(false);
}

void* CWebBrowserUI::GetInterface(std::string_view name) {
    return name == "WebBrowser" ? this : CActiveXUI::GetInterface(name);
}

void CWebBrowserUI::SetDefaultUrl(std::string_view url) {
    defaultUrl_ = url;
    if (engine_ && !defaultUrl_.empty()) engine_->Navigate(defaultUrl_);
}

void CWebBrowserUI::Navigate2(std::string_view url) {
    if (EnsureEngine())
        engine_->Navigate(std::string(url));
    else
        defaultUrl_ = url;  // shown once the browser starts
}

void CWebBrowserUI::RunJavaScript(std::u16string_view script) {
    if (EnsureEngine()) engine_->RunJavaScript(std::u16string(script));
}

void CWebBrowserUI::SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) {
    ownedHandler_.reset();
    handler_ = handler;
}

void CWebBrowserUI::SetWebBrowserEventHandler(std::unique_ptr<CWebBrowserEventHandler> handler) {
    handler_ = handler.get();
    ownedHandler_ = std::move(handler);
}

AttributeResult CWebBrowserUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "homepage") {
        SetDefaultUrl(value);
        return AttributeResult::Applied;
    }
    if (name == "autonavi") {
        auto automatic = ui::ParseBool(value);
        if (!automatic) return AttributeResult::Malformed;
        autoNavigate_ = *automatic;
        return AttributeResult::Applied;
    }
    return CActiveXUI::SetAttribute(name, value);
}

// The handler shapes the host frame (scroll bars) before the first page.
void CWebBrowserUI::OnEngineCreated() {
    DOCHOSTUIINFO info;
    if (handler_ && handler_->GetHostInfo(&info) == S_OK)
        engine_->SetScrollBarsHidden((info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO) != 0);
    if (autoNavigate_ && !defaultUrl_.empty()) engine_->Navigate(defaultUrl_);
}

}  // namespace DuiLib
