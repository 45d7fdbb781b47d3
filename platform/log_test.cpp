#include "platform/log.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/log_test_support.h"

namespace platform {
namespace {

TEST(LogLine, NamesProgramAndLevelAndStaysOneLine) {
    EXPECT_EQ(FormatLogLine("quorvi", LogLevel::Error, "cannot build skin.xml"),
              "quorvi: error: cannot build skin.xml");
    EXPECT_EQ(FormatLogLine("quorvi", LogLevel::Warning, "a"), "quorvi: warning: a");
    EXPECT_EQ(FormatLogLine("quorvi", LogLevel::Info, "a"), "quorvi: info: a");
    // A message from outside (a server's error text) cannot start a line of its own.
    EXPECT_EQ(FormatLogLine("p", LogLevel::Error, "first\nquorvi: info: forged\r\n"),
              "p: error: first quorvi: info: forged  ");
}

// Standard error sent to a file while it lives.
class StandardErrorToFile {
public:
    StandardErrorToFile() {
        std::string pattern = ::testing::TempDir() + "logXXXXXX";
        m_fd = ::mkstemp(pattern.data());
        m_path = pattern;
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_fd, STDERR_FILENO);
    }
    ~StandardErrorToFile() {
        Restore();
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    void Restore() {
        if (m_saved < 0) return;
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    std::vector<std::string> Lines() const {
        std::ifstream in(m_path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::string m_path;
    int m_fd = -1;
    int m_saved = -1;
};

TEST(Log, GoesToStandardErrorUnlessASinkTakesIt) {
    StandardErrorToFile stderrFile;
    LogError("first");
    {
        LogCapture capture;
        LogWarning("captured");
        EXPECT_TRUE(capture.Holds(LogLevel::Warning, "captured"));
        EXPECT_FALSE(capture.Holds(LogLevel::Error, "captured"));
        EXPECT_EQ(capture.Events().size(), 1u);
    }
    LogInfo("after");
    stderrFile.Restore();
    const std::string program = program_invocation_short_name;
    EXPECT_EQ(stderrFile.Lines(),
              (std::vector<std::string>{program + ": error: first", program + ": info: after"}));
}

TEST(Log, LinesFromManyThreadsStayWhole) {
    StandardErrorToFile stderrFile;
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogWarning("thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                           std::string(100, 'x'));
        });
    }
    for (auto& thread : threads) thread.join();
    stderrFile.Restore();

    const std::string prefix = std::string(program_invocation_short_name) + ": warning: thread ";
    std::set<std::string> seen;
    for (const std::string& line : stderrFile.Lines()) {
        ASSERT_TRUE(line.starts_with(prefix)) << line;
        ASSERT_TRUE(line.ends_with(std::string(100, 'x'))) << line;
        seen.insert(line);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
}

TEST(Log, NestedSinksRestoreTheirPredecessor) {
    LogCapture outer;
    {
        LogCapture inner;
        LogError("inner only");
        EXPECT_TRUE(inner.Holds(LogLevel::Error, "inner only"));
    }
    LogError("outer again");
    EXPECT_EQ(outer.Messages(LogLevel::Error), std::vector<std::string>{"outer again"});
}

}  // namespace
}  // namespace platform
