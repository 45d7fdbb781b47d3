#include "client/browser/home_page.h"

#include "client/common/portal_urls.h"
#include "platform/text.h"

namespace quorvi {

std::string HomePageAddress(std::string_view channel, std::string_view fetched) {
    std::string address = urls::HomePageUrl(channel);
    if (!fetched.empty()) address += "&" + std::string(fetched);
    return address;
}

namespace {

void ShowHomePage(HomePageContext& context, std::string_view fetched) {
    if (!fetched.empty()) context.user.rechargeParams = fetched;

    DuiLib::CControlUI* host = context.pm.FindControl("ieContainer");
    auto* container =
        host ? static_cast<DuiLib::CContainerUI*>(host->GetInterface("Container")) : nullptr;
    if (!container) return;

    auto* browser = new DuiLib::CWebBrowserUI();
    browser->SetDefaultUrl(HomePageAddress(context.config.WebPageChannel, fetched));
    if (context.makeHandler) browser->SetWebBrowserEventHandler(context.makeHandler(context.user));
    container->Add(browser);
    context.homeBrowser = browser;

    if (context.config.AutoStartWebPage) {
        DuiLib::CControlUI* parent = host->GetParent();
        if (DuiLib::CControlUI* area = parent ? parent->GetParent() : nullptr)
            area->SetVisible(true);
    }
}

void RunScript(HomePageContext& context, std::string_view script) {
    auto* browser =
        context.homeBrowser
            ? static_cast<DuiLib::CWebBrowserUI*>(context.homeBrowser->GetInterface("WebBrowser"))
            : nullptr;
    if (browser) browser->RunJavaScript(platform::GbkToUtf16(script));
}

}  // namespace

LRESULT HandleHomeContent(HomePageContext& context, WPARAM mode, const char* text) {
    const std::string_view content = text ? text : "";
    if (mode == 1)
        ShowHomePage(context, content);
    else if (mode == 0)
        RunScript(context, content);
    return 0;
}

}  // namespace quorvi
