// The account component in a headless host window built from the main skin:
// the signed-in state, the remembered login, the four ways to a signed page in
// both states, the user menu, the automatic login and the reports.
#include "client/account/account_component.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <regex>
#include <thread>

#include "client/account/account_test_support.h"
#include "client/account/user_menu_wnd.h"
#include "client/common/database_test_support.h"
#include "client/common/school_account.h"
#include "platform/chinese_texts.h"
#include "platform/log_test_support.h"
#include "platform/system.h"
#include "platform/text.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;
using DuiLib::CControlUI;
using testing::PortalStandIn;

// Stands in for the main window: the main skin, the routes the component
// registers, and the addresses it is asked to open in an application dialog.
class HostWindow : public DuiLib::CWindowWnd {
public:
    DuiLib::CPaintManagerUI pm;
    MainWindowRoutes routes;
    std::vector<std::string> dialogs;

    HostWindow() {
        routes.On<OpenApplication>(
            [this](const OpenApplication& open) { dialogs.push_back(open.address); });
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            pm.Init(m_hWnd);
            DuiLib::CDialogBuilder builder;
            pm.AttachDialog(builder.Create("skin.xml", nullptr, nullptr, &pm));
            return 0;
        }
        if (auto answer = routes.Events().Handle(message, lParam)) return *answer;
        LRESULT result = 0;
        if (pm.MessageHandler(message, wParam, lParam, result)) return result;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "AccountHost"; }
};

class AccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend().SetScreen({{0, 0, 1600, 900}, {0, 40, 1600, 880}});
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        StartDatabase(db, folder);
        ASSERT_TRUE(host.Create(nullptr, "main", WS_POPUP | WS_VISIBLE, 0, 100, 100, 950, 553));
    }
    void TearDown() override {
        workers.StopAll();
        ::DestroyWindow(host);
        ui::RunUntilIdle();
        ui::TakeQuit();
    }
    // The component, with the login window replaced by a recorder unless
    // `realLoginWindow`.
    void Make(AccountEndpoints servers = testing::UnreachableServers(),
              bool realLoginWindow = false) {
        account = std::make_unique<AccountComponent>(host.pm, db, config, user, workers,
                                                     folder.Path(), servers);
        account->Register(host.routes);
        if (!realLoginWindow)
            account->SetLoginWindowRunner([this](std::string_view message) {
                loginWindows.emplace_back(message);
                if (signInFromLoginWindow) SignIn("u", "p");
            });
    }
    CControlUI* UserOption() { return host.pm.FindControl("optNavUser"); }
    void SignIn(const std::string& name, const std::string& password) {
        UserInfo record;
        record.userType = "1";
        record.account = name;
        record.password = password;
        Raise(host, UserInfoReceived{record});
        Raise(host, LoginSucceeded{R"({"success":true})"});
    }
    void ClickService() {
        (*host.routes.Click(ClickRule::OpenService))(*host.pm.FindControl("btnOpenService"));
    }
    std::string Link(const std::string& target, bool encode) {
        return SignedLoginLink(testing::UnreachableServers(), user, target, encode);
    }

    TempFolder folder;
    LocalDatabase db;
    ClientConfig config;
    UserInfo user;
    WorkerOwner workers;
    HostWindow host;
    std::unique_ptr<AccountComponent> account;
    std::vector<std::string> loginWindows;
    bool signInFromLoginWindow = false;
};

TEST_F(AccountTest, TheUserOptionShowsWhoIsSignedInUntilTheLogout) {
    testing::WriteFile(folder.Path() + kUserFileName, "S2023001\r\n");
    user.rechargeParams = "grade=3";
    Make();
    SignIn("demo", "demo123");

    // The login's record replaces the whole one; the user file gives the school account.
    EXPECT_EQ(user.account, "demo");
    EXPECT_EQ(user.password, "demo123");
    EXPECT_EQ(user.schoolAccount, "S2023001\n");
    EXPECT_EQ(user.rechargeParams, "");
    auto* option = static_cast<DuiLib::COptionUI*>(UserOption()->GetInterface("Option"));
    EXPECT_EQ(option->GetForeImage(), "file='btn_login_normal_bak.png' dest='11,0,88,90'");
    EXPECT_EQ(option->GetUserData(), R"({"success":true})");
    EXPECT_EQ(option->GetText(), "demo");
    EXPECT_TRUE(account->HasLoginAnswer());

    Raise(host, SignedOut{});
    EXPECT_EQ(option->GetForeImage(), "file='btn_login_normal.png' dest='20,20,77,77'");
    EXPECT_EQ(option->GetUserData(), "");
    EXPECT_EQ(option->GetText(), platform::texts::kLoginButtonText);
    EXPECT_EQ(user.account, "");
    EXPECT_EQ(user.password, "demo123");  // the rest of the record stays
    EXPECT_FALSE(account->HasLoginAnswer());
}

TEST_F(AccountTest, TheRememberedLoginIsSavedAsTypedAndReadBack) {
    Make();
    ClientConfig login;
    login.IsRemeberPassword = true;
    login.IsAutoLogin = true;
    login.LoginUserName = platform::Utf8ToGbk("张三");
    login.LoginPassword = "it's'; drop table config; --";
    Raise(host, SaveLogin{login});
    EXPECT_EQ(config.LoginPassword, login.LoginPassword);

    ClientConfig stored = LoadClientConfig(db, folder.Path());
    EXPECT_TRUE(stored.IsRemeberPassword);
    EXPECT_TRUE(stored.IsAutoLogin);
    EXPECT_EQ(stored.LoginUserName, login.LoginUserName);
    EXPECT_EQ(stored.LoginPassword, login.LoginPassword);

    // The file holding the password is its owner's alone.
    struct stat info {};
    ASSERT_EQ(::stat(LocalDatabase::PathIn(folder.Path()).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    Raise(host, SaveLogin{});
    stored = LoadClientConfig(db, folder.Path());
    EXPECT_FALSE(stored.IsRemeberPassword);
    EXPECT_FALSE(stored.IsAutoLogin);
    EXPECT_EQ(Column(db, "select LoginUserName || '|' || LoginPassword from config"), "|");
}

TEST_F(AccountTest, SignedOutEveryWayToASignedPageAsksForALoginOrOpensThePlainAddress) {
    testing::BrowserStandIn browser;
    Make();
    account->OpenPersonalCenter();      // the user option's click
    Raise(host, OpenPersonalCenter{});  // the menu's user centre
    ClickService();                     // the login window closes without a login
    Raise(host, OpenSignedLink{"http://127.0.0.1:9/page?a=1&b=2"});
    EXPECT_EQ(loginWindows, (std::vector<std::string>{"", "", ""}));
    EXPECT_TRUE(host.dialogs.empty());
    EXPECT_EQ(browser.Opened(1), std::vector<std::string>{"http://127.0.0.1:9/page?a=1&b=2"});

    // The service button goes on once the login window signed the user in.
    signInFromLoginWindow = true;
    ClickService();
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_EQ(host.dialogs[0], Link("http://127.0.0.1:1/service/index.php", true));
}

TEST_F(AccountTest, SignedInEveryWayOpensASignedLink) {
    testing::BrowserStandIn browser;
    Make();
    SignIn("u", "p&q");
    account->OpenPersonalCenter();
    Raise(host, OpenPersonalCenter{});
    ClickService();
    // A signed link is a web address of the user server whatever its target, so
    // the target is what is checked: a local file is refused and logged.
    platform::LogCapture log;
    Raise(host, OpenSignedLink{"file:///etc/passwd"});
    EXPECT_TRUE(log.Holds(platform::LogLevel::Warning, "file:///etc/passwd")) << log.Text();
    Raise(host, OpenSignedLink{"http://127.0.0.1:9/a b"});
    EXPECT_TRUE(loginWindows.empty());
    const std::string center = Link("http://127.0.0.1:1/user/PersonalCenter", false);
    EXPECT_TRUE(center.ends_with("&url=http://127.0.0.1:1/user/PersonalCenter"));
    EXPECT_EQ(host.dialogs,
              (std::vector<std::string>{center, center,
                                        Link("http://127.0.0.1:1/service/index.php", true)}));
    EXPECT_EQ(browser.Opened(1), std::vector<std::string>{Link("http://127.0.0.1:9/a b", true)});
}

TEST_F(AccountTest, AfterTheLogoutTheUserOptionAsksForALoginThoughThePasswordIsKept) {
    Make();
    SignIn("u", "p");
    Raise(host, SignedOut{});
    account->OpenPersonalCenter();
    EXPECT_EQ(loginWindows.size(), 1u);
    EXPECT_TRUE(host.dialogs.empty());

    // The record alone, without the login answer on the option: the service
    // button counts the account, the user centre the answer.
    UserInfo record;
    record.account = "v";
    Raise(host, UserInfoReceived{record});
    account->OpenPersonalCenter();
    ClickService();
    EXPECT_EQ(loginWindows.size(), 2u);
    EXPECT_EQ(host.dialogs.size(), 1u);
}

TEST(UserMenuPlacement, TheMenuIsMovedInsideTheWorkArea) {
    const RECT work{0, 40, 1600, 880};
    EXPECT_EQ(PlaceInsideWorkArea({100, 200}, {128, 84}, work).x, 100);
    EXPECT_EQ(PlaceInsideWorkArea({100, 200}, {128, 84}, work).y, 200);
    const POINT corner = PlaceInsideWorkArea({1590, 875}, {128, 84}, work);
    EXPECT_EQ(corner.x, 1600 - 128);
    EXPECT_EQ(corner.y, 880 - 84);
    // Larger than the work area: its top-left edge.
    const POINT huge = PlaceInsideWorkArea({500, 500}, {2000, 900}, work);
    EXPECT_EQ(huge.x, 0);
    EXPECT_EQ(huge.y, 40);
    // Exactly fitting at the edge stays.
    EXPECT_EQ(PlaceInsideWorkArea({1472, 796}, {128, 84}, work).x, 1472);
    EXPECT_EQ(PlaceInsideWorkArea({1472, 796}, {128, 84}, work).y, 796);
}

TEST_F(AccountTest, TheUserMenuOpensInsideTheWorkAreaAndSignsOut) {
    Make();
    SignIn("u", "p");
    (*host.routes.UserMenu())(POINT{1590, 870});
    HWND menu = ::FindWindow("UserMenuWnd", nullptr);
    ASSERT_TRUE(menu);
    RECT rect;
    ASSERT_TRUE(::GetWindowRect(menu, &rect));
    EXPECT_EQ(rect.right, 1600);
    EXPECT_EQ(rect.bottom, 880);
    EXPECT_EQ(rect.right - rect.left, 128);

    // A click on "退出登录": the command, then the menu closes.
    auto* manager = DuiLib::CPaintManagerUI::FromWindow(menu);
    ASSERT_TRUE(manager);
    manager->UpdateLayout();  // as the first paint does
    const RECT item = manager->FindControl("menu_Logout")->GetPos();
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::SendMessage(menu, WM_MOUSEMOVE, 0, at);
    ::SendMessage(menu, WM_LBUTTONDOWN, 0, at);
    ::SendMessage(menu, WM_LBUTTONUP, 0, at);
    ui::RunUntilIdle();
    EXPECT_FALSE(::IsWindow(menu));
    EXPECT_EQ(user.account, "");
    EXPECT_FALSE(account->HasLoginAnswer());
}

TEST_F(AccountTest, TheUserMenuClosesOnEscapeAndWhenItLosesTheFocus) {
    Make();
    SignIn("u", "p");
    (*host.routes.UserMenu())(POINT{300, 300});
    HWND menu = ::FindWindow("UserMenuWnd", nullptr);
    ASSERT_TRUE(menu);
    ::SendMessage(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ui::RunUntilIdle();
    EXPECT_FALSE(::IsWindow(menu));

    (*host.routes.UserMenu())(POINT{300, 300});
    menu = ::FindWindow("UserMenuWnd", nullptr);
    ASSERT_TRUE(menu);
    ::SendMessage(menu, WM_KILLFOCUS, reinterpret_cast<WPARAM>(menu), 0);
    ui::RunUntilIdle();
    EXPECT_TRUE(::IsWindow(menu));  // the focus moving inside the menu keeps it
    ::SendMessage(menu, WM_KILLFOCUS, reinterpret_cast<WPARAM>(host.GetHWND()), 0);
    ui::RunUntilIdle();
    EXPECT_FALSE(::IsWindow(menu));
    EXPECT_EQ(user.account, "u");

    // By keyboard: the arrows select without closing, Return runs "退出登录".
    (*host.routes.UserMenu())(POINT{300, 300});
    menu = ::FindWindow("UserMenuWnd", nullptr);
    ASSERT_TRUE(menu);
    for (WPARAM key : {VK_DOWN, VK_DOWN}) ::SendMessage(menu, WM_KEYDOWN, key, 0);
    ui::RunUntilIdle();
    ASSERT_TRUE(::IsWindow(menu));
    EXPECT_EQ(user.account, "u");
    ::SendMessage(menu, WM_KEYDOWN, VK_RETURN, 0);
    ui::RunUntilIdle();
    EXPECT_FALSE(::IsWindow(menu));
    EXPECT_EQ(user.account, "");
}

class AccountPortalTest : public AccountTest {
protected:
    void SetUp() override {
        AccountTest::SetUp();
        portal.Start();
    }
    void TearDown() override {
        portal.ClearFaults();
        AccountTest::TearDown();
    }
    void Finish() {
        ASSERT_TRUE(ui::RunUntil([&] { return workers.Running() == 0; }, 20s));
        ui::RunUntilIdle();
    }
    std::vector<std::string> Queries(const std::string& path) {
        std::vector<std::string> found;
        for (const auto& request : portal.Requests())
            if (request.path == path) found.push_back(request.query);
        return found;
    }
    PortalStandIn portal;
};

TEST_F(AccountPortalTest, ARefusedAutomaticLoginOpensTheLoginWindowShowingTheMessage) {
    config.IsAutoLogin = config.IsRemeberPassword = true;
    config.LoginUserName = "demo";
    config.LoginPassword = "wrong";
    Make(testing::ServersOf(portal), true);

    // Looks at the modal login window from inside its own loop, then closes it.
    std::string shown;
    bool visible = false;
    std::function<void()> look = [&] {
        HWND login = ::FindWindow("UILoginFrame", nullptr);
        if (!login) {
            std::this_thread::sleep_for(2ms);
            ui::PostTask(look);
            return;
        }
        auto* manager = DuiLib::CPaintManagerUI::FromWindow(login);
        shown = manager->FindControl("lbLoginInfo")->GetText();
        visible = manager->FindControl("lbLoginInfo")->IsVisible();
        EXPECT_EQ(manager->FindControl("accountedit")->GetText(), "demo");
        ::PostMessage(login, WM_CLOSE, 0, 0);
    };
    ui::PostTask(look);
    ASSERT_TRUE(account->StartAutomaticLogin());
    ASSERT_TRUE(ui::RunUntil([&] { return !shown.empty(); }, 20s));
    ui::RunUntilIdle();
    EXPECT_EQ(shown, platform::Utf8ToGbk("用户名或密码错误"));
    EXPECT_TRUE(visible);
    EXPECT_FALSE(::FindWindow("UILoginFrame", nullptr));
}

TEST_F(AccountPortalTest, AnAcceptedAutomaticLoginSignsInQuietly) {
    config.IsAutoLogin = config.IsRemeberPassword = true;
    config.LoginUserName = "demo";
    config.LoginPassword = "demo123";
    Make(testing::ServersOf(portal), true);
    ASSERT_TRUE(account->StartAutomaticLogin());
    ASSERT_TRUE(ui::RunUntil([&] { return account->HasLoginAnswer(); }, 20s));
    EXPECT_EQ(UserOption()->GetText(), "demo");
    EXPECT_FALSE(::FindWindow("UILoginFrame", nullptr));
    // The remembered login is left as it was (the row still holds the defaults).
    EXPECT_EQ(LoadClientConfig(db, folder.Path()).LoginUserName, "");

    config.IsAutoLogin = false;
    EXPECT_FALSE(account->StartAutomaticLogin());
}

TEST_F(AccountPortalTest, ReportsCarryTheUserAndTheMachine) {
    Make(testing::ServersOf(portal));
    account->ReportUsage(12, "app");
    (*host.routes.Timer(MainTimer::ClientReport))();
    Finish();
    // The school account is the user file as it stands, its line break included.
    testing::WriteFile(folder.Path() + kUserFileName, "S2023001\r\n");
    SignIn("u", "p");
    account->ReportUsage(3, "category");
    account->SendClientReport();
    Finish();

    const std::vector<std::string> reports = Queries("/app/report.php");
    ASSERT_EQ(reports.size(), 4u);
    const std::string id = platform::FirstAdapterAddress();
    EXPECT_TRUE(std::regex_match(id, std::regex("([0-9A-F]{2}-){5}[0-9A-F]{2}")) ||
                id == "**ERROR**")
        << id;
    std::vector<std::string> sorted(reports.begin(), reports.begin() + 2);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"action=app&id=12",
                                                "action=client&version=4.05&usersign=" + id}));
    sorted.assign(reports.begin() + 2, reports.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"action=category&id=3&username=u",
                                                "action=client&version=4.05&usersign=" + id +
                                                    "&username=u&schoolAccount=S2023001%0A"}));
}

}  // namespace
}  // namespace quorvi
