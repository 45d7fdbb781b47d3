#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace platform {
namespace {

using std::chrono_literals::operator""ms;

TEST(ManualResetEvent, OneSetReleasesEveryWaiterAndStaysSet) {
    ManualResetEvent event;
    std::atomic<int> released = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            event.Wait();
            ++released;
        });
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(released, 0);
    event.Set();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released, 3);
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_TRUE(event.WaitFor(0ms));  // manual reset: a wait does not consume it
}

TEST(ManualResetEvent, ResetMakesWaitsTimeOut) {
    ManualResetEvent event(true);
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.IsSet());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.WaitFor(50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(ManualResetEvent, WaitForReturnsWhenSetMeanwhile) {
    ManualResetEvent event;
    std::thread setter([&] {
        std::this_thread::sleep_for(30ms);
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(std::chrono::milliseconds(10000)));
    setter.join();
}

}  // namespace
}  // namespace platform
