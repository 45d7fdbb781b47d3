// The worker-thread base and its owner: start gate, one run, the finishing
// step, stop requests, joining, and exiting with workers still around.
#include "client/common/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/sync.h"

namespace quorvi {
namespace {

using namespace std::chrono_literals;

// Counts its runs; asks to be called again `extraRuns` times before finishing.
class CountingThread : public CThread {
public:
    CountingThread(int extraRuns, std::atomic<int>& runs) : m_extraRuns(extraRuns), m_runs(runs) {}
    ~CountingThread() override { StopAndJoin(); }

protected:
    int Run() override {
        ++m_runs;
        if (m_extraRuns-- > 0) return 1;
        return Finish();
    }

private:
    int m_extraRuns;
    std::atomic<int>& m_runs;
};

// Runs until asked to stop, like a transfer polling the stop flag.
class PollingThread : public CThread {
public:
    explicit PollingThread(std::atomic<bool>& entered) : m_entered(entered) {}
    ~PollingThread() override { StopAndJoin(); }

protected:
    int Run() override {
        m_entered = true;
        while (!StopRequested()) std::this_thread::sleep_for(1ms);
        return Finish();
    }

private:
    std::atomic<bool>& m_entered;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    for (auto end = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(CThreadTest, RunsOnlyAfterStartUntilTheFinishingStep) {
    std::atomic<int> runs = 0;
    CountingThread worker(2, runs);
    ASSERT_TRUE(worker.HasThread());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(runs, 0);  // blocked on its start event

    worker.Start();
    worker.Start();  // a second signal changes nothing
    ASSERT_TRUE(WaitUntil([&] { return worker.IsFinished(); }));
    // Two "call again" answers, then the finishing step ends the loop.
    EXPECT_EQ(runs, 3);

    // The base's own job is the finishing step: its thread ends instead of spinning.
    CThread plain;
    plain.Start();
    EXPECT_TRUE(WaitUntil([&] { return plain.IsFinished(); }));
}

TEST(CThreadTest, NeverStartedWorkerNeverRunsAndIsReleasedOnDeletion) {
    std::atomic<int> runs = 0;
    auto worker = std::make_unique<CountingThread>(0, runs);
    std::this_thread::sleep_for(50ms);
    worker.reset();  // joins: its thread wakes, sees no start and ends
    EXPECT_EQ(runs, 0);
}

TEST(WorkerOwnerTest, StopAllAsksRunningJobsToEndAndJoinsThem) {
    std::atomic<bool> entered = false;
    std::atomic<int> runs = 0;
    WorkerOwner owner;
    CThread& polling = owner.Start(std::make_unique<PollingThread>(entered));
    owner.Start(std::make_unique<CountingThread>(0, runs));
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    ASSERT_TRUE(WaitUntil([&] { return runs == 1; }));
    EXPECT_FALSE(polling.IsFinished());
    EXPECT_EQ(owner.Running(), 1u);

    owner.StopAll();  // returns only once the polling job has seen the request
    EXPECT_EQ(owner.Running(), 0u);
}

TEST(WorkerOwnerTest, FinishedWorkersAreLetGoWhenANewOneStarts) {
    std::atomic<int> runs = 0;
    WorkerOwner owner;
    for (int i = 0; i < 50; ++i) {
        CThread& worker = owner.Start(std::make_unique<CountingThread>(0, runs));
        ASSERT_TRUE(WaitUntil([&] { return worker.IsFinished(); }));
    }
    EXPECT_EQ(runs, 50);
    EXPECT_EQ(owner.Running(), 0u);
}

// Blocks inside its run on an event nobody sets.
class BlockedThread : public CThread {
public:
    explicit BlockedThread(platform::ManualResetEvent& never) : m_never(never) {}

protected:
    int Run() override {
        m_never.Wait();
        return Finish();
    }

private:
    platform::ManualResetEvent& m_never;
};

TEST(CThreadDeathTest, ProcessExitsWithAWorkerBlockedInItsJob) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto* never = new platform::ManualResetEvent();
            (new BlockedThread(*never))->Start();
            std::this_thread::sleep_for(50ms);
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace quorvi
