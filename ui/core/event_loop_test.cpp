// The event loop as an object over a window registry of its own: delivery,
// timers that go with their window, and a modal loop's result.
#include "ui/core/event_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/core/headless_backend.h"

namespace {

using namespace std::chrono_literals;

// A window procedure that records its messages and lets WM_CLOSE destroy it.
struct RecordingWindow : ui::WindowProcedure {
    explicit RecordingWindow(ui::WindowRegistry& registry) : registry(registry) {}

    LRESULT HandleMessage(UINT message, WPARAM, LPARAM) override {
        messages.push_back(message);
        if (message == WM_CLOSE) registry.Destroy(hwnd);
        return 0;
    }
    void AttachHandle(HWND handle) override { hwnd = handle; }
    void FinalMessage(HWND) override { finalMessage = true; }

    ui::WindowRegistry& registry;
    HWND hwnd = nullptr;
    std::vector<UINT> messages;
    bool finalMessage = false;
};

TEST(EventLoopTest, ServesItsOwnRegistryAndDropsTheTimersOfAWindowThatGoes) {
    ui::InstallHeadlessBackend();
    ui::WindowRegistry registry;
    ui::EventLoop loop(registry);
    loop.Bind();
    RecordingWindow doomed(registry), kept(registry);
    ASSERT_TRUE(registry.Create(&doomed, {"Doomed"}));
    ASSERT_TRUE(registry.Create(&kept, {"Kept"}));

    // Posted messages reach this registry's windows, not the program's.
    constexpr UINT kPing = WM_USER + 1;
    ASSERT_TRUE(loop.Post(kept.hwnd, kPing, 0, 0));
    EXPECT_EQ(loop.RunUntilIdle(), 1);
    EXPECT_EQ(kept.messages.back(), kPing);

    int doomedTicks = 0, keptTicks = 0;
    loop.AddTimer(doomed.hwnd, 1, [&] { ++doomedTicks; });
    loop.AddTimer(kept.hwnd, 1, [&] { ++keptTicks; });
    ASSERT_TRUE(loop.RunUntil([&] { return doomedTicks > 0 && keptTicks > 0; }, 5s));

    // The destroyed window's timer goes with it; the other keeps firing.
    ASSERT_TRUE(registry.Destroy(doomed.hwnd));
    EXPECT_TRUE(doomed.finalMessage);
    EXPECT_FALSE(loop.Post(doomed.hwnd, kPing, 0, 0));
    const int doomedAtDestruction = doomedTicks, keptAtDestruction = keptTicks;
    ASSERT_TRUE(loop.RunUntil([&] { return keptTicks >= keptAtDestruction + 2; }, 5s));
    EXPECT_EQ(doomedTicks, doomedAtDestruction);

    // A modal loop ends with its window and gives the WM_CLOSE value posted to it.
    ASSERT_TRUE(loop.Post(kept.hwnd, WM_CLOSE, 7, 0));
    EXPECT_EQ(loop.RunModal(kept.hwnd), 7u);
    EXPECT_TRUE(kept.finalMessage);
    EXPECT_FALSE(registry.IsWindow(kept.hwnd));
}

}  // namespace
