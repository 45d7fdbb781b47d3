// Events raised at a window: each type reaches its one handler, a worker hands
// over its own copy without waiting for a busy window, a query brings its
// handler's answer back, and nothing waits on or reaches a window that has gone
// or a program whose message loop has ended.
#include "client/common/window_events.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "client/common/events.h"
#include "ui/core/UIlib.h"
#include "ui/core/headless_backend.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;

class ReceivingWindow : public DuiLib::CWindowWnd {
public:
    std::vector<std::string> texts;
    std::vector<UserInfo> users;
    EventRoutes events;

    ReceivingWindow() {
        events.On<LoginFailed>(
            [this](const LoginFailed& failed) { texts.push_back(failed.message); });
        events.On<UserInfoReceived>(
            [this](const UserInfoReceived& received) { users.push_back(received.user); });
        events.On<DownloadCancelQuery>(
            [](const DownloadCancelQuery& query) { return query.progress.DoneBytes == 42; });
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (auto answer = events.Handle(message, lParam)) return *answer;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "ReceivingWindow"; }
};

DownloadCancelQuery QueryWithDone(std::int64_t done) {
    DownloadCancelQuery query;
    query.progress.DoneBytes = done;
    return query;
}

class WindowEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ASSERT_TRUE(window.Create(nullptr, "receiver", WS_POPUP, 0, 0, 0, 100, 100));
    }
    void TearDown() override {
        if (::IsWindow(window)) ::DestroyWindow(window);
        ui::RunUntilIdle();
    }
    ReceivingWindow window;
};

TEST_F(WindowEventsTest, EachTypeHasOneHandlerAndOthersAreAnsweredWithNothing) {
    EXPECT_THROW(window.events.On<LoginFailed>([](const LoginFailed&) {}), std::logic_error);
    EXPECT_TRUE(window.events.Handles<UserInfoReceived>());
    EXPECT_FALSE(window.events.Handles<SignedOut>());

    Raise(window.GetHWND(), LoginFailed{"refused"});
    EXPECT_EQ(window.texts, std::vector<std::string>{"refused"});  // before Raise returned
    EXPECT_TRUE(Raise(window.GetHWND(), QueryWithDone(42)));
    EXPECT_FALSE(Raise(window.GetHWND(), QueryWithDone(1)));
    // Nobody here handles it: nothing happens. Other messages are not events.
    Raise(window.GetHWND(), SignedOut{});
    EXPECT_EQ(window.events.Handle(WM_USER + 109, 0), std::nullopt);
    EXPECT_EQ(window.events.Handle(detail::kEventMessage, 0), 0);  // the number without an event
    // Without a window the handler runs at once.
    EXPECT_TRUE(window.events.Raise(QueryWithDone(42)));
}

TEST_F(WindowEventsTest, WorkerHandsOverCopiesWithoutWaitingForTheWindow) {
    HWND hwnd = window;
    std::thread worker([hwnd] {
        std::string text = "first";
        Deliver(hwnd, LoginFailed{text});
        text = "overwritten at once";  // the window has its own copy
        UserInfo user;
        user.account = "seven";
        Deliver(hwnd, UserInfoReceived{user});
        Deliver(hwnd, LoginFailed{std::string("with\0inside", 11)});
    });
    worker.join();  // returned although the UI thread has not turned yet
    EXPECT_TRUE(window.texts.empty());

    ui::RunUntilIdle();
    EXPECT_EQ(window.texts, (std::vector<std::string>{"first", std::string("with\0inside", 11)}));
    ASSERT_EQ(window.users.size(), 1u);
    EXPECT_EQ(window.users[0].account, "seven");
}

TEST_F(WindowEventsTest, DeliveryToAWindowThatWentIsDropped) {
    HWND hwnd = window;
    std::thread([hwnd] { Deliver(hwnd, LoginFailed{"late"}); }).join();
    ::DestroyWindow(hwnd);
    ui::RunUntilIdle();
    EXPECT_TRUE(window.texts.empty());
    EXPECT_FALSE(Raise(hwnd, QueryWithDone(42)));  // nobody to answer
}

TEST_F(WindowEventsTest, AWorkersQueryIsAnsweredByTheHandler) {
    HWND hwnd = window;
    std::atomic<int> answer = -1;
    std::thread worker([&] { answer = Raise(hwnd, QueryWithDone(42)) ? 1 : 0; });
    ASSERT_TRUE(ui::RunUntil([&] { return answer != -1; }, 5s));
    worker.join();
    EXPECT_EQ(answer, 1);
}

TEST(WindowEventsDeathTest, EndedMessageLoopReleasesAWaitingWorkerAndRefusesNewOnes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ui::InstallHeadlessBackend();
            ReceivingWindow window;
            window.Create(nullptr, "receiver", WS_POPUP, 0, 0, 0, 100, 100);
            HWND hwnd = window;
            std::atomic<int> answered = 0;
            std::thread waiting([&] {
                if (!Raise(hwnd, QueryWithDone(42))) ++answered;
            });
            std::this_thread::sleep_for(200ms);  // the query waits: nobody pumps
            ui::CloseMessaging();
            waiting.join();
            std::thread late([&] {
                if (!Raise(hwnd, QueryWithDone(42))) ++answered;
                Deliver(hwnd, LoginFailed{"dropped"});
            });
            late.join();
            ui::RunUntilIdle();
            std::exit(answered == 2 && window.texts.empty() ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace quorvi
