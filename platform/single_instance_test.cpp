#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/sync.h"

namespace platform {
namespace {

using std::chrono_literals::operator""ms;

std::string UniqueName(const char* what) {
    return std::string("test-") + what + "-" + std::to_string(getpid());
}

TEST(SingleInstance, OnlyTheFirstHoldsTheLockUntilItEnds) {
    const std::string name = UniqueName("lock");
    {
        SingleInstance first(name);
        EXPECT_TRUE(first.IsFirst());
        SingleInstance second(name);
        EXPECT_FALSE(second.IsFirst());
        SingleInstance other(UniqueName("other"));
        EXPECT_TRUE(other.IsFirst());
    }
    SingleInstance afterwards(name);
    EXPECT_TRUE(afterwards.IsFirst());
}

TEST(SingleInstance, AnotherProcessIsSecondAndNudgesTheFirst) {
    const std::string name = UniqueName("nudge");
    SingleInstance first(name);
    ASSERT_TRUE(first.IsFirst());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance second(name);
        const bool ok = !second.IsFirst() && second.NudgeFirst("show");
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // The nudge was sent before anyone listened; it waits for the handler.
    std::mutex mutex;
    std::vector<std::string> received;
    ManualResetEvent arrived;
    first.OnNudge([&](const std::string& message) {
        std::lock_guard lock(mutex);
        received.push_back(message);
        arrived.Set();
    });
    ASSERT_TRUE(arrived.WaitFor(5000ms));
    arrived.Reset();

    SingleInstance second(name);
    ASSERT_TRUE(second.NudgeFirst("again"));
    ASSERT_TRUE(arrived.WaitFor(5000ms));
    std::lock_guard lock(mutex);
    EXPECT_EQ(received, (std::vector<std::string>{"show", "again"}));
}

TEST(SingleInstance, NudgesNeedAFirstInstance) {
    const std::string name = UniqueName("gone");
    auto first = std::make_unique<SingleInstance>(name);
    SingleInstance second(name);
    first.reset();
    EXPECT_FALSE(second.NudgeFirst("anyone?"));
    SingleInstance sole(UniqueName("sole"));
    EXPECT_FALSE(sole.NudgeFirst("self"));  // the first instance does not nudge itself
}

}  // namespace
}  // namespace platform
