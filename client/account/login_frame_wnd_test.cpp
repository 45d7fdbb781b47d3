// The login window, headless with its real skin, logging in against the
// portal stand-in.
#include "client/account/login_frame_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "client/account/account_test_support.h"
#include "platform/chinese_texts.h"
#include "platform/text.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;
using DuiLib::CControlUI;
using DuiLib::COptionUI;
using testing::PortalStandIn;

// The main window's side: records what the login window hands over.
class OwnerWindow : public testing::LoginMessageWindow {
public:
    OwnerWindow() {
        m_events.On<SaveLogin>([this](const SaveLogin& save) {
            const ClientConfig& login = save.login;
            received.push_back("save " + std::to_string(login.IsRemeberPassword) + " " +
                               login.LoginUserName + "/" + login.LoginPassword + " " +
                               std::to_string(login.IsAutoLogin));
        });
    }
};

class LoginWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend().SetScreen({{0, 0, 1600, 900}, {0, 40, 1600, 880}});
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        ASSERT_TRUE(owner.Create(nullptr, "main", WS_POPUP | WS_VISIBLE, 0, 100, 100, 950, 553));
    }
    void TearDown() override {
        if (::IsWindow(login)) ::DestroyWindow(login);
        workers.StopAll();
        ::DestroyWindow(owner);
        ui::RunUntilIdle();
    }
    void Open(std::string_view message = {},
              AccountEndpoints servers = testing::UnreachableServers()) {
        window = new CLoginFrameWnd(config, workers, std::move(servers));
        login = window->CreateOver(owner, message);
        ASSERT_TRUE(login);
    }
    CControlUI* Find(std::string_view name) { return window->PaintManager().FindControl(name); }
    COptionUI* Option(std::string_view name) {
        return static_cast<COptionUI*>(Find(name)->GetInterface("Option"));
    }
    void Type(std::string_view name, std::string_view text) {
        static_cast<DuiLib::CEditUI*>(Find(name)->GetInterface("Edit"))->SetTextFromUser(text);
    }
    bool InfoShows(const std::string& text) {
        return Find("lbLoginInfo")->IsVisible() && Find("lbLoginInfo")->GetText() == text;
    }
    void PressReturnIn(std::string_view name) {
        window->PaintManager().SetFocus(Find(name));
        ::SendMessage(login, WM_KEYDOWN, VK_RETURN, 0);
    }

    ClientConfig config;
    WorkerOwner workers;
    OwnerWindow owner;
    CLoginFrameWnd* window = nullptr;  // deletes itself with its window
    HWND login = nullptr;
};

TEST_F(LoginWindowTest, OpensCentredOverItsOwnerWithoutFrameAndFocusOnTheAccount) {
    Open();
    RECT rect;
    ASSERT_TRUE(::GetWindowRect(login, &rect));
    EXPECT_EQ(rect.right - rect.left, 360);
    EXPECT_EQ(rect.bottom - rect.top, 340);
    EXPECT_EQ(rect.left, 100 + (950 - 360) / 2);
    EXPECT_EQ(rect.top, 100 + (553 - 340) / 2);
    EXPECT_EQ(::GetWindowLong(login, GWL_STYLE) & static_cast<LONG>(WS_CAPTION), 0);
    EXPECT_EQ(window->PaintManager().GetFocus(), Find("accountedit"));
    EXPECT_FALSE(Find("lbLoginInfo")->IsVisible());
    EXPECT_TRUE(
        static_cast<DuiLib::CEditUI*>(Find("pwdedit")->GetInterface("Edit"))->IsPasswordMode());

    // Only buttons take their clicks in the header; the title drags the window.
    const auto hitAt = [&](CControlUI* control) {
        const RECT pos = control->GetPos();
        return ::SendMessage(login, WM_NCHITTEST, 0,
                             MAKELPARAM(rect.left + (pos.left + pos.right) / 2,
                                        rect.top + (pos.top + pos.bottom) / 2));
    };
    EXPECT_EQ(hitAt(Find("lbLoginTitle")), HTCAPTION);
    EXPECT_EQ(hitAt(Find("closebtn")), HTCLIENT);
    EXPECT_EQ(hitAt(Find("loginBtn")), HTCLIENT);
}

TEST_F(LoginWindowTest, TheSystemCloseAndEscapeCloseIt) {
    Open();
    ::SendMessage(login, WM_SYSCOMMAND, SC_CLOSE, 0);
    ui::RunUntilIdle();
    EXPECT_FALSE(::IsWindow(login));

    Open();
    bool handled = false;  // the key as the pre-message filter sees it
    window->MessageHandler(WM_KEYDOWN, VK_ESCAPE, 0, handled);
    EXPECT_TRUE(handled);
    ui::RunUntilIdle();
    EXPECT_FALSE(::IsWindow(login));
    EXPECT_TRUE(owner.received.empty());
}

TEST_F(LoginWindowTest, PrefillsTheRememberedLoginOnlyWhenRemembered) {
    config.LoginUserName = "demo";
    config.LoginPassword = "it's";
    config.IsAutoLogin = true;
    Open();
    EXPECT_EQ(Find("accountedit")->GetText(), "");
    EXPECT_FALSE(Option("optRemPsw")->IsSelected());
    ::DestroyWindow(login);

    config.IsRemeberPassword = true;
    Open();
    EXPECT_EQ(Find("accountedit")->GetText(), "demo");
    EXPECT_EQ(Find("pwdedit")->GetText(), "it's");
    EXPECT_TRUE(Option("optRemPsw")->IsSelected());
    EXPECT_TRUE(Option("optAutoLogin")->IsSelected());
    ::DestroyWindow(login);

    config.IsAutoLogin = false;
    Open();
    EXPECT_TRUE(Option("optRemPsw")->IsSelected());
    EXPECT_FALSE(Option("optAutoLogin")->IsSelected());
}

TEST_F(LoginWindowTest, AutomaticLoginNeedsTheRememberedPassword) {
    Open();
    Option("optAutoLogin")->Activate();  // ticking it ticks both
    EXPECT_TRUE(Option("optAutoLogin")->IsSelected());
    EXPECT_TRUE(Option("optRemPsw")->IsSelected());
    Option("optRemPsw")->Activate();  // unticking it unticks both
    EXPECT_FALSE(Option("optRemPsw")->IsSelected());
    EXPECT_FALSE(Option("optAutoLogin")->IsSelected());
    Option("optRemPsw")->Activate();  // ticking it alone leaves the other
    EXPECT_TRUE(Option("optRemPsw")->IsSelected());
    EXPECT_FALSE(Option("optAutoLogin")->IsSelected());
}

TEST_F(LoginWindowTest, TheMessageShowsUntilTheUserTypes) {
    const std::string message = platform::texts::kLoginFailedDefaultMessage;
    Open(message);
    EXPECT_TRUE(InfoShows(message));
    Type("pwdedit", "x");
    EXPECT_FALSE(Find("lbLoginInfo")->IsVisible());
    EXPECT_EQ(Find("lbLoginInfo")->GetText(), "");

    Raise(login, LoginFailed{"refused"});
    EXPECT_TRUE(InfoShows("refused"));
    Type("accountedit", "d");
    EXPECT_FALSE(Find("lbLoginInfo")->IsVisible());
}

TEST_F(LoginWindowTest, ReturnInTheAccountMovesOnAndInThePasswordLogsIn) {
    Open();
    PressReturnIn("accountedit");
    EXPECT_EQ(window->PaintManager().GetFocus(), Find("pwdedit"));
    EXPECT_EQ(workers.Running(), 0u);

    // Nothing listens: the window says the server could not be reached.
    PressReturnIn("pwdedit");
    ASSERT_TRUE(
        ui::RunUntil([&] { return InfoShows(platform::texts::kLoginServerUnreachable); }, 20s));
    EXPECT_TRUE(owner.received.empty());
}

TEST_F(LoginWindowTest, TheLinksOpenTheUserServersPagesInTheBrowser) {
    testing::BrowserStandIn browser;
    Open();
    Find("btnRegisterLink")->Activate();
    Find("btnForgetPasswordLink")->Activate();
    std::vector<std::string> opened = browser.Opened(2);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1:1/user/Reg/register?userType=1",
                                                "http://127.0.0.1:1/user/User/login"}));
    EXPECT_TRUE(::IsWindow(login));
}

TEST_F(LoginWindowTest, ChoosingAnAccountFromTheListReplacesOnlyTheAccount) {
    Open();
    Type("pwdedit", "secret");
    auto* combo = static_cast<DuiLib::CComboUI*>(Find("accountcombo")->GetInterface("Combo"));
    ASSERT_TRUE(combo);
    auto* item = new DuiLib::CListLabelElementUI;
    item->SetText("student01");
    combo->Add(item);
    combo->SelectItem(0);
    EXPECT_EQ(Find("accountedit")->GetText(), "student01");
    EXPECT_EQ(Find("pwdedit")->GetText(), "secret");
}

class LoginWindowPortalTest : public LoginWindowTest {
protected:
    void SetUp() override {
        LoginWindowTest::SetUp();
        portal.Start();
    }
    void TearDown() override {
        portal.ClearFaults();
        LoginWindowTest::TearDown();
    }
    PortalStandIn portal;
};

TEST_F(LoginWindowPortalTest, ARefusalShowsTheServersMessageAndAnAcceptanceClosesTheWindow) {
    Open({}, testing::ServersOf(portal));
    Type("accountedit", "o'brien");
    Type("pwdedit", "wrong");
    Find("loginBtn")->Activate();
    const std::string refused = platform::Utf8ToGbk("用户名或密码错误");
    ASSERT_TRUE(ui::RunUntil([&] { return InfoShows(refused); }, 20s));
    EXPECT_TRUE(owner.received.empty());

    Type("pwdedit", "it's-me");
    EXPECT_FALSE(Find("lbLoginInfo")->IsVisible());
    Option("optAutoLogin")->Activate();
    Find("loginBtn")->Activate();
    ASSERT_TRUE(ui::RunUntil([&] { return !::IsWindow(login); }, 20s));
    ASSERT_EQ(owner.received.size(), 3u);
    EXPECT_EQ(owner.received[0], "user o'brien/it's-me/1");
    EXPECT_EQ(owner.received[1], "save 1 o'brien/it's-me 1");
    EXPECT_TRUE(owner.received[2].starts_with("succeeded {")) << owner.received[2];
}

TEST_F(LoginWindowPortalTest, WithoutRememberTheSavedLoginIsCleared) {
    config.IsRemeberPassword = true;
    config.LoginUserName = "demo";
    config.LoginPassword = "demo123";
    Open({}, testing::ServersOf(portal));
    Option("optRemPsw")->Activate();
    Find("loginBtn")->Activate();
    ASSERT_TRUE(ui::RunUntil([&] { return !::IsWindow(login); }, 20s));
    ASSERT_EQ(owner.received.size(), 3u);
    EXPECT_EQ(owner.received[1], "save 0 / 0");
}

TEST_F(LoginWindowPortalTest, StaysResponsiveWhileItsLoginWaitsOnAStalledServer) {
    portal.SetFault("/user/servlet/login", "kind=stall");
    Open({}, testing::ServersOf(portal));
    Type("accountedit", "demo");
    Type("pwdedit", "demo123");
    Find("loginBtn")->Activate();
    ASSERT_TRUE(
        ui::RunUntil([&] { return !portal.PathsBelow("/user/servlet/login").empty(); }, 10s));
    ui::RunFor(200ms);
    EXPECT_EQ(workers.Running(), 1u);

    // The window still answers: typing, the options, and closing it.
    Type("accountedit", "demo2");
    EXPECT_EQ(Find("accountedit")->GetText(), "demo2");
    Option("optRemPsw")->Activate();
    EXPECT_TRUE(Option("optRemPsw")->IsSelected());
    Find("closebtn")->Activate();
    ASSERT_TRUE(ui::RunUntil([&] { return !::IsWindow(login); }, 5s));
    EXPECT_TRUE(owner.received.empty());
    workers.StopAll();  // the stalled login ends on the stop request
    EXPECT_EQ(workers.Running(), 0u);
}

}  // namespace
}  // namespace quorvi
