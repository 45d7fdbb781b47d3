// The browser control over the headless page engine.
#include "ui/core/browser.h"

#include <gtest/gtest.h>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::TestWindow;

constexpr UINT kPageLoaded = WM_USER + 107;
constexpr UINT kOpenLink = WM_USER + 108;

// A handler in the manner of the system's: pop-ups become a message, page
// loads are posted, no scroll bars when asked.
class Handler : public CWebBrowserEventHandler {
public:
    Handler(HWND window, bool scroll) : window_(window), scroll_(scroll) {}
    void NewWindow3(void**, VARIANT_BOOL* cancel, DWORD, BSTR, BSTR url) override {
        std::u16string text(url);
        ::SendMessage(window_, kOpenLink, 0, reinterpret_cast<LPARAM>(&text));
        *cancel = VARIANT_TRUE;
    }
    void DocumentComplete(void*, BSTR) override { ::PostMessage(window_, kPageLoaded, 0, 0); }
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) override {
        info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | (scroll_ ? 0 : DOCHOSTUIFLAG_SCROLL_NO);
        return S_OK;
    }

private:
    HWND window_;
    bool scroll_;
};

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        window_ = std::make_unique<TestWindow>(
            R"(<Container><Container name="ieContainer" float="true" pos="10,20,310,220"/>
                 <ActiveX name="ie" clsid="{8856F961-340A-11D0-A96B-00C04FD705A2}" float="true" pos="0,0,5,5"/>
               </Container>)");
        window_->onMessage = [this](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
            if (msg == kOpenLink) {
                links_.push_back(*reinterpret_cast<std::u16string*>(lParam));
                handled = true;
            }
            if (msg == kPageLoaded) {
                ++loads_;
                handled = true;
            }
            return LRESULT{0};
        };
        ASSERT_NE(window_->Open(), nullptr);
    }
    void TearDown() override {
        window_.reset();
        ui::RunUntilIdle();
    }
    ui::HeadlessBrowserEngine* EngineOf(CActiveXUI* control) {
        return dynamic_cast<ui::HeadlessBrowserEngine*>(control->GetEngine());
    }

    std::unique_ptr<TestWindow> window_;
    std::vector<std::u16string> links_;
    int loads_ = 0;
};

TEST_F(BrowserTest, BrowserStartsOnItsDefaultAddressWhenItJoinsTheWindow) {
    auto* browser = new CWebBrowserUI;
    browser->SetDefaultUrl("http://127.0.0.1:8737/web/win/?channel=1");
    browser->SetWebBrowserEventHandler(std::make_unique<Handler>(window_->GetHWND(), false));
    EXPECT_EQ(browser->GetEngine(), nullptr);  // no window yet
    window_->Find<CContainerUI>("ieContainer")->Add(browser);
    auto* engine = EngineOf(browser);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->Navigations(),
              std::vector<std::string>{"http://127.0.0.1:8737/web/win/?channel=1"});
    EXPECT_TRUE(engine->ScrollBarsHidden());
    browser->Navigate2("http://example.test/app");
    browser->RunJavaScript(u"alert(1)");
    EXPECT_EQ(engine->Navigations().back(), "http://example.test/app");
    EXPECT_EQ(engine->Scripts(), std::vector<std::u16string>{u"alert(1)"});
    window_->pm.UpdateLayout();
    EXPECT_EQ(engine->Bounds(), (RECT{10, 20, 310, 220}));  // laid over its control
    EXPECT_TRUE(engine->IsShown());
    window_->Find("ieContainer")->SetVisible(false);
    EXPECT_FALSE(engine->IsShown());
}

TEST_F(BrowserTest, EventsReachTheHandler) {
    auto* browser = new CWebBrowserUI;
    browser->SetWebBrowserEventHandler(std::make_unique<Handler>(window_->GetHWND(), true));
    window_->Find<CContainerUI>("ieContainer")->Add(browser);
    auto* engine = EngineOf(browser);
    ASSERT_NE(engine, nullptr);
    EXPECT_FALSE(engine->ScrollBarsHidden());
    EXPECT_TRUE(engine->RaiseNewWindow3(u"http://127.0.0.1:8737/web/win/redirect.php?dotype=1"));
    EXPECT_EQ(links_,
              std::vector<std::u16string>{u"http://127.0.0.1:8737/web/win/redirect.php?dotype=1"});
    engine->RaiseDocumentComplete(u"http://example.test/");
    EXPECT_EQ(loads_, 0);  // posted
    ui::RunUntilIdle();
    EXPECT_EQ(loads_, 1);
    EXPECT_FALSE(engine->RaiseBeforeNavigate2(u"http://example.test/next"));  // default: go on
    EXPECT_EQ(engine->RaiseShowContextMenu({1, 1}), S_FALSE);
}

TEST_F(BrowserTest, ActiveXGivesTheBrowserInterface) {
    auto* ie = window_->Find<CActiveXUI>("ie");
    ASSERT_NE(ie, nullptr);
    IWebBrowser2* web = nullptr;
    ASSERT_TRUE(ie->GetControl(IID_IWebBrowser2, reinterpret_cast<void**>(&web)));
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->Navigate(u"http://127.0.0.1:8737/launcher/"), S_OK);
    web->Release();
    EXPECT_EQ(EngineOf(ie)->Navigations(),
              std::vector<std::string>{"http://127.0.0.1:8737/launcher/"});
    EXPECT_FALSE(EngineOf(ie)->RaiseNewWindow3(u"x"));  // no handler: nothing cancels
    void* other = nullptr;
    EXPECT_FALSE(ie->GetControl(IID{1, 2, 3, {}}, &other));
    EXPECT_EQ(other, nullptr);
}

TEST(BrowserClsid, ParsesWithAndWithoutBraces) {
    CLSID clsid;
    ASSERT_TRUE(ParseClsid("{8856F961-340A-11D0-A96B-00C04FD705A2}", &clsid));
    EXPECT_EQ(clsid, CLSID_WebBrowser);
    EXPECT_TRUE(ParseClsid("8856f961-340a-11d0-a96b-00c04fd705a2", &clsid));
    EXPECT_FALSE(ParseClsid("{8856F961-340A-11D0-A96B-00C04FD705A}", &clsid));
    EXPECT_FALSE(ParseClsid("{8856F961-340A-11D0-A96B-00C04FD705AZ}", &clsid));
}

}  // namespace
