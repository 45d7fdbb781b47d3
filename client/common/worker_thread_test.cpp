// The worker-thread base: start gate, one run, the finishing step, freeing, exit.
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

bool WaitFor(const std::atomic<bool>& flag, std::chrono::milliseconds limit = 5s) {
    for (auto end = std::chrono::steady_clock::now() + limit; !flag;) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Counts its runs; asks to be called again `extraRuns` times before finishing.
class CountingThread : public CThread {
public:
    CountingThread(int extraRuns, bool freeWhenFinished, std::atomic<int>& runs,
                   std::atomic<bool>& gone)
        : m_extraRuns(extraRuns), m_free(freeWhenFinished), m_runs(runs), m_gone(gone) {}
    ~CountingThread() override { m_gone = true; }

protected:
    int Run() override {
        ++m_runs;
        if (m_extraRuns-- > 0) return 1;
        return Finish();
    }
    bool FreeWhenFinished() const override { return m_free; }

private:
    int m_extraRuns;
    bool m_free;
    std::atomic<int>& m_runs;
    std::atomic<bool>& m_gone;
};

TEST(CThreadTest, RunsOnlyAfterStartUntilTheFinishingStepThenFreesItself) {
    std::atomic<int> runs = 0;
    std::atomic<bool> gone = false;
    auto* worker = new CountingThread(2, true, runs, gone);
    ASSERT_TRUE(worker->HasThread());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(runs, 0);  // blocked on its start event

    worker->Start();
    ASSERT_TRUE(WaitFor(gone));
    // Two "call again" answers, then the finishing step ends the loop.
    EXPECT_EQ(runs, 3);
}

TEST(CThreadTest, KeptWorkerOutlivesItsRunAndAWorkerWithoutAJobEnds) {
    std::atomic<int> runs = 0;
    std::atomic<bool> gone = false;
    auto* kept = new CountingThread(0, false, runs, gone);
    kept->Start();
    kept->Start();  // a second signal changes nothing
    for (int i = 0; i < 500 && !kept->IsFinished(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(kept->IsFinished());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(gone);
    delete kept;  // safe once its thread has finished
    EXPECT_TRUE(gone);

    // The base's own job is the finishing step: its thread ends instead of spinning.
    auto* plain = new CThread();
    plain->Start();
    for (int i = 0; i < 500 && !plain->IsFinished(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(plain->IsFinished());
    delete plain;
}

TEST(CThreadTest, NeverStartedWorkerNeverRunsAndMayBeDeleted) {
    std::atomic<int> runs = 0;
    std::atomic<bool> gone = false;
    auto* worker = new CountingThread(0, true, runs, gone);
    std::this_thread::sleep_for(50ms);
    delete worker;
    std::this_thread::sleep_for(50ms);  // its thread wakes, sees the object gone and ends
    EXPECT_EQ(runs, 0);
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

TEST(CThreadDeathTest, ProcessExitsCleanlyWithWorkersWaitingOrRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atomic<int> runs = 0;
            std::atomic<bool> gone = false;
            new CountingThread(0, true, runs, gone);  // never started
            auto* never = new platform::ManualResetEvent();
            (new BlockedThread(*never))->Start();
            std::this_thread::sleep_for(50ms);
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace quorvi
