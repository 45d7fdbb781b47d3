// The channel home page: the page built from the fetched recharge parameters
// and the script plug-in run in the browser created last.
#include "client/browser/home_page.h"

#include <gtest/gtest.h>

#include "client/common/portal_urls.h"
#include "ui/core/headless_backend.h"
#include "ui/core/test_support.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

class HomePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        window = std::make_unique<ui_test::TestWindow>("skin.xml");
        ASSERT_NE(window->Open(0, 0, 950, 553), nullptr);
        ui::RunUntilIdle();
    }
    void TearDown() override {
        window.reset();
        ui::RunUntilIdle();
    }
    CControlUI* Find(std::string_view name) { return window->pm.FindControl(name); }
    bool Visible(std::string_view name) {
        CControlUI* control = Find(name);
        return control && control->IsVisible();
    }

    std::unique_ptr<ui_test::TestWindow> window;
};

TEST_F(HomePageTest, HomeContentBuildsTheChannelPageAndRunsTheScriptInTheLastOne) {
    ClientConfig config;
    config.WebPageChannel = "3";
    UserInfo user;
    CControlUI* homeBrowser = nullptr;
    bool keptForHome = false;
    int handlersMade = 0;
    HomePageContext home{
        window->pm, config, user, homeBrowser, keptForHome, [&](const UserInfo& copy) {
            ++handlersMade;
            EXPECT_EQ(copy.rechargeParams, "sid=9&k=v");
            return std::make_unique<DuiLib::CWebBrowserEventHandler>();
        }};

    HandleHomeContent(home, {ContentMode::RechargeParams, "sid=9&k=v"});
    ASSERT_NE(homeBrowser, nullptr);
    auto* first = static_cast<DuiLib::CWebBrowserUI*>(homeBrowser->GetInterface("WebBrowser"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetParent(), Find("ieContainer"));
    EXPECT_EQ(first->GetDefaultUrl(), urls::HomePageUrl("3") + "&sid=9&k=v");
    EXPECT_EQ(user.rechargeParams, "sid=9&k=v");
    EXPECT_EQ(handlersMade, 1);
    EXPECT_TRUE(Visible("layHomePage"));

    // Nothing fetched: the bare channel page; the area stays as the setting says.
    Find("layHomePage")->SetVisible(false);
    config.AutoStartWebPage = false;
    home.makeHandler = nullptr;
    HandleHomeContent(home, {ContentMode::RechargeParams, ""});
    auto* second = static_cast<DuiLib::CWebBrowserUI*>(homeBrowser->GetInterface("WebBrowser"));
    EXPECT_NE(second, first);
    EXPECT_EQ(second->GetDefaultUrl(), urls::HomePageUrl("3"));
    EXPECT_EQ(user.rechargeParams, "sid=9&k=v");
    EXPECT_FALSE(Visible("layHomePage"));

    // The script plug-in (GBK) runs in the browser created last, as UTF-16.
    HandleHomeContent(home, {ContentMode::ScriptPlugin, "alert('\xD3\xA6\xD3\xC3');"});
    auto* engine = static_cast<ui::HeadlessBrowserEngine*>(second->GetEngine());
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->Scripts(), (std::vector<std::u16string>{u"alert('\u5E94\u7528');"}));
    EXPECT_TRUE(static_cast<ui::HeadlessBrowserEngine*>(first->GetEngine())->Scripts().empty());
}

}  // namespace
}  // namespace quorvi
