// The main window run headless in a program folder of its own, with the real skin.
#include "client/shell/quorvi_frame_wnd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "client/common/events.h"
#include "client/common/system_browser_test_support.h"
#include "client/common/window_events.h"
#include "client/shell/main_window_test_support.h"
#include "platform/chinese_texts.h"
#include "platform/log_test_support.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;
using Log = std::vector<std::string>;

constexpr char kCatalogue[] = R"(<?xml version="1.0" encoding="utf-8"?>
<apps>
  <group caption="Study" icon="g.png" iconMd5="x" mark="Study" id="1">
    <app caption="Mail" icon="m.png" iconMd5="x" id="7" action="web">http://mail.example/</app>
  </group>
</apps>)";

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

class FrameTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        backend->SetScreen({{0, 0, 1600, 900}, {0, 40, 1600, 880}});
    }
    void Open() { MainWindowTest::Open(nullptr, 100, 60); }
};

TEST_F(FrameTest, CreationOpensTheDatabaseInTheProgramFolderAndShowsTheSettings) {
    {
        LocalDatabase db;
        StartDatabase(db, folder);
        ASSERT_TRUE(
            db.Execute("update config set AutoStartWebPage = 0, WebPageChannel = '3', "
                       "IsDefaultSavePath = 0, SavePath = '/srv/apps/'"));
    }
    ::testing::internal::CaptureStdout();
    Open();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "successfully!\n");

    EXPECT_TRUE(frame->Database().IsOpen());
    EXPECT_EQ(frame->Config().WebPageChannel, "3");
    EXPECT_FALSE(Selected("optSettingIsAutoStartWebPage"));
    EXPECT_TRUE(Selected("optSettingChannel3"));
    EXPECT_FALSE(Selected("optSettingChannel1"));
    EXPECT_TRUE(Selected("optSettingSaveCustom"));
    EXPECT_EQ(Find("txtSettingSavePath")->GetText(), "/srv/apps/");
    EXPECT_EQ(::GetWindowLong(hwnd, GWL_STYLE) & static_cast<LONG>(WS_CAPTION), 0);
}

TEST_F(FrameTest, TheSecondStageWaitsUntilTheCatalogueLoads) {
    Open();
    EXPECT_TRUE(IsSet(MainTimer::CatalogueRetry));
    EXPECT_FALSE(IsSet(MainTimer::SecondStage));
    EXPECT_EQ(services.log, Log{"apps update in " + folder.Path()});
    // The caption buttons work while the catalogue is missing.
    EXPECT_EQ(frame->Controls().closeButton, Find("closebtn"));
    EXPECT_EQ(frame->Controls().settingDialog, Find("containerSettingDialog"));

    // A broken document counts as missing.
    WriteFile(folder.Path() + "apps.xml", "<apps><group");
    FireTimer(MainTimer::CatalogueRetry);
    EXPECT_TRUE(IsSet(MainTimer::CatalogueRetry));
    EXPECT_FALSE(IsSet(MainTimer::SecondStage));
    EXPECT_EQ(services.log.size(), 2u);

    WriteFile(folder.Path() + "apps.xml", kCatalogue);
    FireTimer(MainTimer::CatalogueRetry);
    EXPECT_FALSE(IsSet(MainTimer::CatalogueRetry));
    EXPECT_TRUE(IsSet(MainTimer::SecondStage));
    EXPECT_EQ(services.log.size(), 2u);
}

TEST_F(FrameTest, ACatalogueArrivingAfterCreationFillsHistoryAndRecommendations) {
    Open();  // first start: no catalogue, so nothing to list
    EXPECT_EQ(Find("optLink7"), nullptr);

    WriteFile(folder.Path() + "apps.xml", R"(<apps>
  <group caption="Study" icon="g.png" iconMd5="x" mark="Study" id="1">
    <app caption="Mail" icon="m.png" iconMd5="x" id="7" action="web" appRecommend="2">http://mail.example/</app>
  </group>
</apps>)");
    FireTimer(MainTimer::CatalogueRetry);
    // The quick bar, the history panel and the second column each show it.
    int shown = 0;
    for (const char* parent : {"containerHistoryPanel", "Container1"}) {
        auto* container = static_cast<DuiLib::CContainerUI*>(Find(parent));
        ASSERT_NE(container, nullptr);
        for (int i = 0; i < container->GetCount(); ++i)
            if (container->GetItemAt(i)->GetName() == "optLink7") ++shown;
    }
    EXPECT_EQ(shown, 2);

    // A later pass does not repeat the recommendations.
    FireTimer(MainTimer::CatalogueRetry);
    auto* home = static_cast<DuiLib::CContainerUI*>(Find("Container1"));
    int recommended = 0;
    for (int i = 0; i < home->GetCount(); ++i)
        if (home->GetItemAt(i)->GetName() == "optLink7") ++recommended;
    EXPECT_EQ(recommended, 1);
}

TEST_F(FrameTest, ALoadedCatalogueStartsTheSecondStageOnce) {
    WriteFile(folder.Path() + "apps.xml", kCatalogue);
    WriteFile(folder.Path() + "vamouser.dll", "s2024001\r\n");
    services.updaterRunning = true;
    Open();
    // The stale updater of this folder, nothing else.
    EXPECT_EQ(services.log, Log{"kill " + folder.Path() + "updrix.exe"});
    EXPECT_TRUE(IsSet(MainTimer::SecondStage));
    EXPECT_FALSE(IsSet(MainTimer::CatalogueRetry));

    services.log.clear();
    FireTimer(MainTimer::SecondStage);
    EXPECT_EQ(services.log,
              (Log{"apps update in " + folder.Path(), "start " + folder.Path() + "updrix.exe",
                   "recharge params for [s2024001\n]"}));
    EXPECT_EQ(frame->User().schoolAccount, "s2024001\n");
    EXPECT_FALSE(IsSet(MainTimer::SecondStage));
    EXPECT_TRUE(IsSet(MainTimer::ClientReport));
    EXPECT_TRUE(IsSet(MainTimer::TrimWorkingSet));

    // The page-loaded event asks for the script plug-in.
    services.log.clear();
    Raise(hwnd, StartContentFetch{});
    EXPECT_EQ(services.log, Log{"script plug-in"});
}

TEST_F(FrameTest, HitTestDragsByTheCaptionBandOnly) {
    Open();
    RECT window;
    ::GetWindowRect(hwnd, &window);
    auto hit = [&](int x, int y) {
        return ::SendMessage(hwnd, WM_NCHITTEST, 0, MAKELPARAM(window.left + x, window.top + y));
    };
    EXPECT_EQ(hit(100, 10), HTCAPTION);  // the title label
    EXPECT_EQ(hit(100, 200), HTCLIENT);
    RECT close = Find("closebtn")->GetAbsolutePos();
    EXPECT_EQ(hit(close.left + 2, close.top + 2), HTCLIENT);
    RECT search = Find("signature")->GetAbsolutePos();
    EXPECT_EQ(hit(search.left + 2, search.top + 2), HTCLIENT);
}

TEST_F(FrameTest, MaximiseAndRestoreSwapTheCaptionButtons) {
    Open();
    CControlUI* maxButton = Find("maxbtn");
    CControlUI* restoreButton = Find("restorebtn");
    ASSERT_TRUE(maxButton->IsVisible());
    ASSERT_FALSE(restoreButton->IsVisible());

    Click(maxButton);
    EXPECT_TRUE(::IsZoomed(hwnd));
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{0, 40, 1600, 880}));  // the work area, not the monitor
    EXPECT_FALSE(maxButton->IsVisible());
    EXPECT_TRUE(restoreButton->IsVisible());

    // Commands that leave the maximised state as it is leave the buttons too.
    ::SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ::SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE, 0);
    EXPECT_FALSE(maxButton->IsVisible());
    EXPECT_TRUE(restoreButton->IsVisible());

    Click(restoreButton);
    EXPECT_FALSE(::IsZoomed(hwnd));
    EXPECT_TRUE(maxButton->IsVisible());
    EXPECT_FALSE(restoreButton->IsVisible());
    ::GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{100, 60, 1050, 613}));

    restoreButton->SetVisible(true);  // out of step on purpose
    ::SendMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(::IsIconic(hwnd));
    EXPECT_TRUE(restoreButton->IsVisible());
    EXPECT_TRUE(maxButton->IsVisible());
}

TEST_F(FrameTest, TheWindowIsRoundedWithTheSkinsCorners) {
    Open();
    HRGN__ shape;
    ASSERT_TRUE(::GetWindowShape(hwnd, &shape));
    SIZE corner = frame->PaintManager().GetRoundCorner();
    EXPECT_NE(corner, (SIZE{0, 0}));
    EXPECT_EQ(shape.bounds, (RECT{0, 0, 951, 554}));
    EXPECT_EQ(shape.ellipseWidth, corner.cx);
    EXPECT_EQ(shape.ellipseHeight, corner.cy);
}

// Every application dialog open now, closed as it is counted.
std::vector<std::string> CloseApplicationDialogs() {
    std::vector<std::string> captions;
    while (HWND dialog = ::FindWindow("ApplicationDialog", nullptr)) {
        captions.push_back(::GetWindowTextString(dialog) +
                           (::IsZoomed(dialog) ? " maximised" : ""));
        ::DestroyWindow(dialog);
    }
    return captions;
}

TEST_F(FrameTest, QuickBarOptionsAndTheUpdateLogOpenOneDialogEach) {
    // Group 3: the home column is "Container1", so a group 1's quick bar would share its name.
    std::string catalogue = kCatalogue;
    catalogue.replace(catalogue.find("id=\"1\""), 6, "id=\"3\"");
    WriteFile(folder.Path() + "apps.xml", catalogue);
    Open();
    Click(Find("optNavStudy"));  // the quick bar shows and makes its options
    // The quick bar's option; the history panel holds one of the same name.
    CControlUI* option = frame->PaintManager().FindSubControlByName(Find("Container3"), "optLink7");
    ASSERT_NE(option, nullptr);
    ::testing::internal::CaptureStdout();
    Click(option);
    ui::RunUntilIdle();
    HWND dialog = ::FindWindow("ApplicationDialog", nullptr);
    ASSERT_NE(dialog, nullptr);
    // The column shows the application's group, read through the window's own
    // connection: no second connection announces itself.
    EXPECT_NE(DuiLib::CPaintManagerUI::FromWindow(dialog)->FindControl("optLink7"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(CloseApplicationDialogs(), std::vector<std::string>{"Quorvi- maximised"});

    Click(Find("btnShowUpdateLog"));
    ui::RunUntilIdle();
    EXPECT_FALSE(Find("containerTipsPanel")->IsVisible());
    EXPECT_EQ(CloseApplicationDialogs().size(), 1u);
}

}  // namespace
}  // namespace quorvi

namespace quorvi {
namespace {

// The user option's click goes from the catalogue's navigation rule to the
// account through the hook the window wires.
TEST_F(FrameTest, TheUserOptionOpensTheLoginWindowWhileNobodyIsSignedIn) {
    WriteFile(folder.Path() + "apps.xml", kCatalogue);
    Open();
    std::string seenTitle;
    std::function<void()> look = [&] {
        HWND login = ::FindWindow("UILoginFrame", nullptr);
        if (!login) {
            ui::PostTask(look);
            return;
        }
        seenTitle = ::GetWindowTextString(login);
        ::PostMessage(login, WM_CLOSE, 0, 0);
    };
    ui::PostTask(look);
    Click(Find("optNavUser"));  // returns once the modal login window has closed
    EXPECT_EQ(seenTitle, platform::texts::kLoginButtonText);
    EXPECT_FALSE(::FindWindow("UILoginFrame", nullptr));
    EXPECT_FALSE(frame->User().IsSignedIn());
}

// A page of the home page asking for a new window reaches the system browser
// only with a web address; a local file, a script or another program's scheme
// is refused and logged.
TEST_F(FrameTest, APagesNewWindowReachesTheSystemBrowserOnlyWithAWebAddress) {
    testing::BrowserStandIn browser;
    Open();
    const char params[] = "sid=1";
    Raise(hwnd, HomeContent{ContentMode::RechargeParams, params});
    auto* page = static_cast<DuiLib::CWebBrowserUI*>(Find("ieContainer")->GetChildAt(0));
    ASSERT_NE(page, nullptr);
    auto* engine = static_cast<ui::HeadlessBrowserEngine*>(page->GetEngine());
    ASSERT_NE(engine, nullptr);

    platform::LogCapture log;
    for (const char16_t* address : {u"file:///etc/passwd", u"javascript:alert(1)", u"x-run://a"})
        EXPECT_TRUE(engine->RaiseNewWindow3(address));  // no window of the browser's own
    EXPECT_TRUE(engine->RaiseNewWindow3(u"http://127.0.0.1:9/page"));
    EXPECT_EQ(browser.Opened(1), std::vector<std::string>{"http://127.0.0.1:9/page"});
    EXPECT_EQ(log.Messages(platform::LogLevel::Warning).size(), 3u) << log.Text();
    EXPECT_TRUE(log.Holds(platform::LogLevel::Warning, "file:///etc/passwd"));
}

}  // namespace
}  // namespace quorvi
