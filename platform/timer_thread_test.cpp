#include "platform/timer_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "platform/sync.h"

namespace platform {
namespace {

using std::chrono_literals::operator""ms;

TEST(TimerThread, WaitsTheFirstDelayThenTicksPeriodically) {
    std::atomic<int> ticks = 0;
    ManualResetEvent thirdTick;
    TimerThread timer(300ms, 10ms, [&] {
        if (++ticks == 3) thirdTick.Set();
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(thirdTick.WaitFor(5000ms));
}

TEST(TimerThread, CallbacksNeverOverlap) {
    std::atomic<int> inside = 0;
    std::atomic<int> mostInside = 0;
    std::atomic<int> ticks = 0;
    ManualResetEvent enough;
    {
        TimerThread timer(0ms, 5ms, [&] {
            const int now = ++inside;
            if (now > mostInside) mostInside = now;
            std::this_thread::sleep_for(30ms);  // longer than the period
            --inside;
            if (++ticks == 4) enough.Set();
        });
        ASSERT_TRUE(enough.WaitFor(5000ms));
    }
    EXPECT_EQ(mostInside, 1);
}

TEST(TimerThread, StopWaitsForTheRunningCallbackAndEndsTheTicks) {
    ManualResetEvent started;
    std::atomic<bool> finished = false;
    std::atomic<int> ticks = 0;
    TimerThread timer(0ms, 10ms, [&] {
        ++ticks;
        started.Set();
        std::this_thread::sleep_for(100ms);
        finished = true;
    });
    ASSERT_TRUE(started.WaitFor(5000ms));
    timer.Stop();
    EXPECT_TRUE(finished);
    const int ticksAtStop = ticks;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ticks, ticksAtStop);
    timer.Stop();  // stopping twice is harmless
}

TEST(TimerThread, CanBeStoppedFromItsOwnCallback) {
    std::atomic<int> ticks = 0;
    ManualResetEvent returned;
    ManualResetEvent assigned;
    std::unique_ptr<TimerThread> timer;
    timer = std::make_unique<TimerThread>(0ms, 5ms, [&] {
        assigned.Wait();
        ++ticks;
        timer->Stop();
        returned.Set();
    });
    assigned.Set();
    ASSERT_TRUE(returned.WaitFor(5000ms));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks, 1);
    timer.reset();
}

}  // namespace
}  // namespace platform
