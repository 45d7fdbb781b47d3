// The client's browser event handler on a headless browser: pop-ups become
// OpenSignedLink at the window (never a window of their own), a loaded page
// asks the window for the script plug-in, and the host frame flags.
#include "client/browser/browser_event_handler.h"

#include <gtest/gtest.h>

#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "ui/core/test_support.h"

namespace quorvi {
namespace {

using namespace DuiLib;

class BrowserEventHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ui::TakeQuit();
        events.On<OpenSignedLink>(
            [this](const OpenSignedLink& link) { links.push_back(link.address); });
        events.On<StartContentFetch>([this](const StartContentFetch&) { ++fetchRequests; });
        window.onMessage = [this](UINT msg, WPARAM, LPARAM lParam, bool& handled) -> LRESULT {
            return events.Handle(msg, lParam, handled);
        };
        ASSERT_NE(window.Open(), nullptr);
        ui::RunUntilIdle();
    }
    void TearDown() override {
        window.Close();
        ui::RunUntilIdle();
    }

    // A browser in the window whose handler is a CWebBrowserEventHandlerEx.
    ui::HeadlessBrowserEngine& Browser(bool showScrollBars, UserInfo user = {}) {
        auto* browser = new CWebBrowserUI;
        browser->SetWebBrowserEventHandler(std::make_unique<CWebBrowserEventHandlerEx>(
            window.GetHWND(), showScrollBars, std::move(user)));
        static_cast<CContainerUI*>(window.pm.GetRoot())->Add(browser);
        browser->SetDefaultUrl("about:blank");
        browser->Navigate2("about:blank");
        return *static_cast<ui::HeadlessBrowserEngine*>(browser->GetEngine());
    }

    ui_test::TestWindow window{"<Window size='400,300'><VerticalLayout/></Window>"};
    EventRoutes events;
    std::vector<std::string> links;
    int fetchRequests = 0;
};

TEST_F(BrowserEventHandlerTest, PopupsGoToTheWindowAndNeverOpenAWindow) {
    UserInfo user;
    user.rechargeParams = "school=S1&grade=2";
    auto& engine = Browser(false, user);
    const std::string redirect = urls::kPortalRedirect.str() + "pay";

    EXPECT_TRUE(engine.RaiseNewWindow3(u"http://example.org/a?b=1"));
    EXPECT_TRUE(engine.RaiseNewWindow3(std::u16string(redirect.begin(), redirect.end())));
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0], "http://example.org/a?b=1");
    EXPECT_EQ(links[1], redirect + "&school=S1&grade=2");
}

TEST_F(BrowserEventHandlerTest, RedirectLinksCarryRechargeParametersOnlyWhenThereAreAny) {
    const std::string redirect = urls::kPortalRedirect.str() + "x";
    UserInfo none;
    EXPECT_EQ(PopupAddress(redirect, none), redirect);
    UserInfo some;
    some.rechargeParams = "k=v";
    EXPECT_EQ(PopupAddress(redirect, some), redirect + "&k=v");
    // Only an address that begins with the redirect link is changed.
    EXPECT_EQ(PopupAddress("http://elsewhere/?" + redirect, some), "http://elsewhere/?" + redirect);
    EXPECT_EQ(PopupAddress(urls::kPortalWebBase.str(), some), urls::kPortalWebBase.str());
}

TEST_F(BrowserEventHandlerTest, ALoadedPageAsksTheWindowForTheScriptByPostedMessage) {
    auto& engine = Browser(true);
    engine.RaiseDocumentComplete(u"http://example.org/");
    EXPECT_EQ(fetchRequests, 0);  // posted, not sent
    ui::RunUntilIdle();
    EXPECT_EQ(fetchRequests, 1);
}

TEST_F(BrowserEventHandlerTest, HostFlagsHideScrollBarsOnlyForTheHomePage) {
    DOCHOSTUIINFO info;
    CWebBrowserEventHandlerEx(nullptr, true, {}).GetHostInfo(&info);
    EXPECT_EQ(info.dwFlags, DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER);
    info.dwFlags = 0x1;
    CWebBrowserEventHandlerEx(nullptr, false, {}).GetHostInfo(&info);
    EXPECT_EQ(info.dwFlags, 0x1 | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO |
                                DOCHOSTUIFLAG_NO3DOUTERBORDER);
    EXPECT_EQ(CWebBrowserEventHandlerEx(nullptr, false, {}).GetHostInfo(nullptr), S_OK);
}

TEST_F(BrowserEventHandlerTest, NoContextMenuAndAHandlerWithoutWindowIsHarmless) {
    CWebBrowserEventHandlerEx handler(nullptr, true, {});
    EXPECT_EQ(handler.ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    handler.NewWindow3(nullptr, &cancel, 0, nullptr, u"http://a/");
    handler.DocumentComplete(nullptr, u"http://a/");
    EXPECT_EQ(cancel, VARIANT_TRUE);
}

}  // namespace
}  // namespace quorvi
