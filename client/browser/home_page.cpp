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

// The home page browser area: the grandparent of "ieContainer".
DuiLib::CControlUI* HomePageArea(DuiLib::CPaintManagerUI& pm) {
    DuiLib::CControlUI* host = pm.FindControl("ieContainer");
    DuiLib::CControlUI* parent = host ? host->GetParent() : nullptr;
    return parent ? parent->GetParent() : nullptr;
}

// A group's container replaces the home view when the user opens the group.
bool HomeViewShown(DuiLib::CPaintManagerUI& pm) {
    DuiLib::CControlUI* home = pm.FindControl("Container1");
    return !home || home->IsVisible();
}

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

    if (!context.config.AutoStartWebPage) return;
    if (!HomeViewShown(context.pm)) {
        context.keptForHome = true;
        return;
    }
    if (DuiLib::CControlUI* area = HomePageArea(context.pm)) area->SetVisible(true);
}

void RunScript(HomePageContext& context, std::string_view script) {
    auto* browser =
        context.homeBrowser
            ? static_cast<DuiLib::CWebBrowserUI*>(context.homeBrowser->GetInterface("WebBrowser"))
            : nullptr;
    if (browser) browser->RunJavaScript(platform::GbkToUtf16(script));
}

}  // namespace

void HandleHomeContent(HomePageContext& context, const HomeContent& content) {
    if (content.mode == ContentMode::RechargeParams)
        ShowHomePage(context, content.body);
    else
        RunScript(context, content.body);
}

void ShowKeptHomePage(DuiLib::CPaintManagerUI& pm, bool& keptForHome) {
    if (!keptForHome) return;
    keptForHome = false;
    if (DuiLib::CControlUI* area = HomePageArea(pm)) area->SetVisible(true);
}

}  // namespace quorvi
