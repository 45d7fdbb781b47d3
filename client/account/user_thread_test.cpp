// The login worker and the report worker against the portal stand-in, which
// checks the signatures and logs every request.
#include "client/account/user_thread.h"

#include <gtest/gtest.h>

#include <chrono>

#include "client/account/account_test_support.h"
#include "client/account/report_thread.h"
#include "platform/chinese_texts.h"
#include "platform/text.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;
using testing::LoginMessageWindow;
using testing::PortalStandIn;

class UserThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        portal.Start();
        ASSERT_TRUE(window.Create(nullptr, "login", WS_POPUP, 0, 0, 0, 200, 100));
    }
    void TearDown() override {
        portal.ClearFaults();
        workers.StopAll();
        if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    }
    void Login(const std::string& account, const std::string& password,
               CUserThread::Unreachable unreachable = CUserThread::Unreachable::Silent) {
        workers.Start(std::make_unique<CUserThread>(window, account, password, unreachable,
                                                    testing::ServersOf(portal)));
    }
    // Runs the loop until every worker has finished and its messages are in.
    void Finish() {
        ASSERT_TRUE(ui::RunUntil([&] { return workers.Running() == 0; }, 20s));
        ui::RunUntilIdle();
    }
    std::vector<testing::LoggedRequest> Below(const std::string& prefix) {
        std::vector<testing::LoggedRequest> found;
        for (const auto& request : portal.Requests())
            if (request.path.starts_with(prefix)) found.push_back(request);
        return found;
    }

    PortalStandIn portal;
    LoginMessageWindow window;
    WorkerOwner workers;
};

TEST_F(UserThreadTest, AnAcceptedLoginSendsTheRecordThenTheAnswerAndRegistersWithTheShop) {
    Login("student01", "pass&word=1");
    Finish();

    ASSERT_EQ(window.received.size(), 2u);
    EXPECT_EQ(window.received[0], "user student01/pass&word=1/1");
    EXPECT_TRUE(window.received[1].starts_with("succeeded {")) << window.received[1];
    // The answer arrives in GBK.
    EXPECT_NE(window.received[1].find(platform::Utf8ToGbk("登录成功")), std::string::npos);

    const auto logins = Below("/user/servlet/login");
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_TRUE(
        logins[0].query.starts_with("account=student01&password=pass&word=1&userType=1&"
                                    "sign="))
        << logins[0].query;
    EXPECT_EQ(logins[0].status, 200);

    // The shop checked the signature of the sorted parameters (403 otherwise).
    const auto registrations = Below("/shop/index.php");
    ASSERT_EQ(registrations.size(), 1u);
    EXPECT_EQ(registrations[0].status, 200);
    const std::string& query = registrations[0].query;
    EXPECT_TRUE(
        query.starts_with("controller=interface&action=i&do=Helper_User-i_user_register&"
                          "fromid=5&pass=pass&word=1&resourse=99&t="))
        << query;
    EXPECT_NE(query.find("&useremail=&username=student01&usertype=0&sign="), std::string::npos);
}

TEST_F(UserThreadTest, ARefusedLoginSendsTheServersMessageAndNoRegistration) {
    Login("demo", "wrong");
    // A Chinese account, in GBK as the client keeps it.
    Login(platform::Utf8ToGbk("张三"), "nope");
    Finish();

    const std::string refused = "failed " + platform::Utf8ToGbk("用户名或密码错误");
    EXPECT_EQ(window.received, (std::vector<std::string>{refused, refused}));
    EXPECT_TRUE(Below("/shop/").empty());
}

TEST_F(UserThreadTest, AnApostropheAChineseAndASpacedAccountSignIn) {
    Login("o'brien", "it's-me");
    Finish();
    Login(platform::Utf8ToGbk("张三"), "123456");
    Finish();
    Login("guest user", "open sesame");
    Finish();
    ASSERT_EQ(window.received.size(), 6u);
    EXPECT_EQ(window.received[0], "user o'brien/it's-me/1");
    EXPECT_EQ(window.received[2], "user " + platform::Utf8ToGbk("张三") + "/123456/1");
    EXPECT_TRUE(window.received[3].starts_with("succeeded"));
    EXPECT_EQ(window.received[4], "user guest user/open sesame/1");
    EXPECT_TRUE(window.received[5].starts_with("succeeded"));

    // The blanks travel escaped; the signs, made over the values themselves, hold
    // at the user server and at the shop.
    const auto logins = Below("/user/servlet/login");
    ASSERT_EQ(logins.size(), 3u);
    EXPECT_TRUE(logins[2].query.starts_with("account=guest%20user&password=open%20sesame&"))
        << logins[2].query;
    const auto registrations = Below("/shop/index.php");
    ASSERT_EQ(registrations.size(), 3u);
    EXPECT_NE(registrations[2].query.find("&pass=open%20sesame&"), std::string::npos);
    EXPECT_EQ(registrations[2].status, 200);
}

TEST_F(UserThreadTest, NoUsableAnswerIsSilentUnlessTheLoginWindowAskedThenSaysWhatFailed) {
    const std::string unreachable =
        std::string("failed ") + platform::texts::kLoginServerUnreachable;
    const std::string unreadable = std::string("failed ") + platform::texts::kLoginAnswerUnreadable;
    portal.SetFault("/user/servlet/login", "kind=garbage");
    Login("demo", "demo123");
    Finish();
    EXPECT_TRUE(window.received.empty());

    // A server that answers with something else than a login answer was reached.
    Login("demo", "demo123", CUserThread::Unreachable::Report);
    Finish();
    portal.SetFault("/user/servlet/login", "kind=error&status=502");
    Login("demo", "demo123", CUserThread::Unreachable::Report);
    Finish();
    portal.SetFault("/user/servlet/login", "kind=empty");
    Login("demo", "demo123", CUserThread::Unreachable::Report);
    Finish();
    EXPECT_EQ(window.received, (std::vector<std::string>{unreadable, unreadable, unreadable}));

    workers.Start(std::make_unique<CUserThread>(window, "demo", "demo123",
                                                CUserThread::Unreachable::Report,
                                                testing::UnreachableServers()));
    Finish();
    EXPECT_EQ(window.received.back(), unreachable);
    EXPECT_EQ(window.received.size(), 4u);
    EXPECT_TRUE(Below("/shop/").empty());
}

TEST_F(UserThreadTest, ALoginWaitingOnAStalledServerEndsWhenAskedToStop) {
    portal.SetFault("/user/servlet/login", "kind=stall");
    Login("demo", "demo123", CUserThread::Unreachable::Report);
    ASSERT_TRUE(ui::RunUntil([&] { return !Below("/user/servlet/login").empty(); }, 10s));
    workers.StopAll();  // returns once the transfer saw the stop request
    ui::RunUntilIdle();
    EXPECT_TRUE(window.received.empty());
}

TEST_F(UserThreadTest, AReportIsOneRequestOfItsPath) {
    workers.Start(std::make_unique<CReportThread>("report.php?action=app&id=12",
                                                  testing::ServersOf(portal).applicationServer));
    workers.Start(std::make_unique<CReportThread>("report.php?action=app&id=1",
                                                  testing::UnreachableServers().applicationServer));
    Finish();
    const auto reports = Below("/app/report.php");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].query, "action=app&id=12");
}

}  // namespace
}  // namespace quorvi
