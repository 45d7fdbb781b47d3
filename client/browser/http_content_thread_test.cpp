// The home page content worker against the portal stand-in, reporting to a
// headless window whose UI thread is the test's own.
#include "client/browser/http_content_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "client/common/portal_stand_in_test_support.h"
#include "client/common/school_account.h"
#include "client/common/window_events.h"
#include "ui/core/message_loop.h"
#include "ui/core/window.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;
using testing::PortalStandIn;

constexpr UINT kPing = WM_USER + 1;

class HomeWindow : public DuiLib::CWindowWnd {
public:
    // The mode (0 script plug-in, 1 recharge parameters) and the body.
    std::vector<std::pair<int, std::string>> contents;
    int pings = 0;
    EventRoutes events;

    HomeWindow() {
        events.On<HomeContent>([this](const HomeContent& content) {
            contents.emplace_back(static_cast<int>(content.mode), content.body);
        });
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (auto answer = events.Handle(message, lParam)) return *answer;
        if (message == kPing) return ++pings;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "ContentTestWindow"; }
};

class ContentThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        portal.Start();
        ASSERT_TRUE(window.Create(nullptr, "home", WS_POPUP, 0, 0, 0, 200, 100));
    }
    void TearDown() override {
        if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    }

    ContentEndpoints Endpoints() const {
        return {portal.Origin() + "/appmgr/plugin/js.php",
                portal.Origin() + "/appmgr/services/recharge_params.php?account="};
    }
    bool WaitForContents(std::size_t count) {
        return ui::RunUntil([&] { return window.contents.size() >= count; }, 10s);
    }

    PortalStandIn portal;
    HomeWindow window;
    WorkerOwner workers;  // joined before the window and the portal go
};

TEST_F(ContentThreadTest, EachModeSendsItsBodyAndAFailedFetchSendsAnEmptyOne) {
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, Endpoints()));
    UserInfo user;
    user.schoolAccount = "S2023001";
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, user, Endpoints()));
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, "", Endpoints()));
    // Nothing listens on port 1 of the loopback address.
    ContentEndpoints nowhere{"http://127.0.0.1:1/plugin/js.php", "http://127.0.0.1:1/r?account="};
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, nowhere));
    ASSERT_TRUE(WaitForContents(4));

    auto contents = window.contents;
    std::sort(contents.begin(), contents.end());
    const std::string script = Clibmerv::GetHttpContent(Endpoints().scriptPluginUrl);
    ASSERT_FALSE(script.empty());
    std::vector<std::pair<int, std::string>> expected = {
        {0, ""}, {0, script}, {1, ""}, {1, "school=QVU&card=S2023001&balance=52.50"}};
    EXPECT_EQ(contents, expected);

    // An empty school account asks for the bare prefix.
    std::vector<std::string> queries;
    for (const auto& request : portal.Requests())
        if (request.path == "/appmgr/services/recharge_params.php")
            queries.push_back(request.query);
    std::sort(queries.begin(), queries.end());
    EXPECT_EQ(queries, (std::vector<std::string>{"account=", "account=S2023001"}));
}

TEST_F(ContentThreadTest, AnErrorPageOrAHalfAnswerGivesAnEmptyText) {
    // An error page would run as the home page's script, half an answer would
    // end up in the home page's address: neither is content.
    portal.SetFault("/appmgr/plugin/js.php", "kind=error&status=503");
    portal.SetFault("/appmgr/services/recharge_params.php", "kind=truncate");
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, Endpoints()));
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, "S2023001", Endpoints()));
    ASSERT_TRUE(WaitForContents(2));
    auto contents = window.contents;
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::pair<int, std::string>>{{0, ""}, {1, ""}}));
    EXPECT_EQ(portal.PathsBelow("/appmgr").size(), 2u);
}

TEST_F(ContentThreadTest, ASchoolAccountFileEndingInALineBreakGetsItsParameters) {
    TempFolder folder;
    testing::WriteFile(folder.Path() + kUserFileName, "S2023001\r\n");
    workers.Start(std::make_unique<CHttpContentCallbackThread>(
        window, ReadSchoolAccount(folder.Path()), Endpoints()));
    ASSERT_TRUE(WaitForContents(1));
    EXPECT_EQ(window.contents[0],
              (std::pair<int, std::string>{1, "school=QVU&card=S2023001&balance=52.50"}));
    const auto requests = portal.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].query, "account=S2023001%0A");
}

TEST_F(ContentThreadTest, StalledServerDoesNotStallTheWindow) {
    portal.SetFault("/appmgr/plugin/js.php", "kind=stall&ms=0");
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, Endpoints()));

    // The request is logged once the server holds back the rest of the answer.
    ASSERT_TRUE(
        ui::RunUntil([&] { return portal.PathsBelow("/appmgr/plugin/js.php").size() == 1; }, 10s));

    // The UI thread keeps handling posted and sent messages while the worker waits.
    for (int ping = 1; ping <= 5; ++ping) {
        ::PostMessage(window, kPing);
        LRESULT sent = 0;
        std::thread sender([&] { sent = ::SendMessage(window, kPing); });
        ASSERT_TRUE(ui::RunUntil([&] { return window.pings == 2 * ping; }, 2s));
        sender.join();
        EXPECT_GE(sent, 2 * ping - 1);  // handled, before or after the posted one
    }
    EXPECT_TRUE(window.contents.empty());

    // Once the server lets go, the worker reports what arrived.
    portal.ClearFaults();
    ASSERT_TRUE(WaitForContents(1));
    EXPECT_EQ(window.contents[0].first, 0u);
}

TEST_F(ContentThreadTest, AFetchWaitingOnAStalledServerEndsWhenAskedToStop) {
    portal.SetFault("/appmgr/plugin/js.php", "kind=stall&ms=0");
    workers.Start(std::make_unique<CHttpContentCallbackThread>(window, Endpoints()));
    ASSERT_TRUE(
        ui::RunUntil([&] { return portal.PathsBelow("/appmgr/plugin/js.php").size() == 1; }, 10s));
    workers.StopAll();  // returns once the transfer saw the request, the fault still on
    ui::RunUntilIdle();
    EXPECT_TRUE(window.contents.empty());
    portal.ClearFaults();
}

TEST_F(ContentThreadTest, MessageToAClosedWindowIsDroppedAndTheWorkerEnds) {
    portal.SetFault("/appmgr/plugin/js.php", "kind=delay&ms=400");
    CThread& worker =
        workers.Start(std::make_unique<CHttpContentCallbackThread>(window, Endpoints()));
    ::DestroyWindow(window);
    ASSERT_TRUE(ui::RunUntil([&] { return worker.IsFinished(); }, 10s));
    ui::RunUntilIdle();  // the delivery reaches no window
    EXPECT_TRUE(window.contents.empty());
    EXPECT_EQ(portal.PathsBelow("/appmgr/plugin/js.php").size(), 1u);
}

TEST_F(ContentThreadTest, WorkerNeverStartedSendsNothing) {
    auto idle = std::make_unique<CHttpContentCallbackThread>(window, "S2023001", Endpoints());
    ui::RunFor(300ms);
    idle.reset();  // released without running
    ui::RunFor(100ms);
    EXPECT_TRUE(window.contents.empty());
    EXPECT_TRUE(portal.PathsBelow("/appmgr").empty());
}

}  // namespace
}  // namespace quorvi
