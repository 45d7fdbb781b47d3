// Values handed from worker threads to a window: they arrive as the handler's
// own copy, the worker never waits for a busy window, and nothing waits on a
// window that has gone or a program whose message loop has ended.
#include "client/common/window_delivery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ui/core/UIlib.h"
#include "ui/core/headless_backend.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;

constexpr UINT kText = WM_USER + 500;
constexpr UINT kRecord = WM_USER + 501;
constexpr UINT kQuestion = WM_USER + 502;

struct Record {
    int number = 0;
    std::string name;
};

class ReceivingWindow : public DuiLib::CWindowWnd {
public:
    std::vector<std::string> texts;
    std::vector<Record> records;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kText) texts.emplace_back(reinterpret_cast<const char*>(lParam));
        if (message == kRecord) records.push_back(*reinterpret_cast<const Record*>(lParam));
        if (message == kQuestion)
            return static_cast<LRESULT>(wParam) + reinterpret_cast<const Record*>(lParam)->number;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "ReceivingWindow"; }
};

class WindowDeliveryTest : public ::testing::Test {
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

TEST_F(WindowDeliveryTest, WorkerHandsOverCopiesWithoutWaitingForTheWindow) {
    HWND hwnd = window;
    std::thread worker([hwnd] {
        std::string text = "first";
        DeliverText(hwnd, kText, 0, text);
        text = "overwritten at once";  // the window has its own copy
        DeliverValue(hwnd, kRecord, 0, Record{7, "seven"});
        DeliverText(hwnd, kText, 0, std::string("with\0inside", 11));
    });
    worker.join();  // returned although the UI thread has not turned yet
    EXPECT_TRUE(window.texts.empty());

    ui::RunUntilIdle();
    EXPECT_EQ(window.texts, (std::vector<std::string>{"first", "with"}));
    ASSERT_EQ(window.records.size(), 1u);
    EXPECT_EQ(window.records[0].name, "seven");
}

TEST_F(WindowDeliveryTest, DeliveryToAWindowThatWentIsDropped) {
    HWND hwnd = window;
    std::thread([hwnd] { DeliverText(hwnd, kText, 0, "late"); }).join();
    ::DestroyWindow(hwnd);
    ui::RunUntilIdle();
    EXPECT_TRUE(window.texts.empty());
}

TEST_F(WindowDeliveryTest, QuestionIsAnsweredByTheHandler) {
    HWND hwnd = window;
    std::atomic<LRESULT> answer = -1;
    std::thread worker([&] { answer = AskWithValue(hwnd, kQuestion, 2, Record{40, ""}); });
    ASSERT_TRUE(ui::RunUntil([&] { return answer != -1; }, 5s));
    worker.join();
    EXPECT_EQ(answer, 42);
}

TEST(WindowDeliveryDeathTest, EndedMessageLoopReleasesAWaitingWorkerAndRefusesNewOnes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ui::InstallHeadlessBackend();
            ReceivingWindow window;
            window.Create(nullptr, "receiver", WS_POPUP, 0, 0, 0, 100, 100);
            HWND hwnd = window;
            std::atomic<int> answered = 0;
            std::thread waiting([&] {
                if (AskWithValue(hwnd, kQuestion, 1, Record{1, ""}) == 0) ++answered;
            });
            std::this_thread::sleep_for(200ms);  // the question waits: nobody pumps
            ui::CloseMessaging();
            waiting.join();
            std::thread late([&] {
                if (AskWithValue(hwnd, kQuestion, 1, Record{1, ""}) == 0) ++answered;
                DeliverText(hwnd, kText, 0, "dropped");
            });
            late.join();
            ui::RunUntilIdle();
            std::exit(answered == 2 && window.texts.empty() ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace quorvi
