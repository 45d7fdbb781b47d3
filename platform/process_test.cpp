#include "platform/process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/chinese_texts.h"
#include "platform/file_test_support.h"
#include "platform/files.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using std::chrono_literals::operator""ms;

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

using platform::testing::ReadFile;

void WriteFile(const std::string& path, const std::string& content, mode_t mode) {
    std::ofstream(path) << content;
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

class Processes : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvi-process-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = std::string(pattern) + "/";
        // A unique image name, so no other process on the machine can match.
        name_ = "qvhelper" + std::to_string(getpid()) + "x" + std::to_string(++counter_);
        fs::copy_file(ProgramFolder() + "platform_process_helper", dir_ + name_);
    }
    void TearDown() override {
        KillProcessesByName(name_);
        fs::remove_all(dir_);
    }

    std::string dir_;
    std::string name_;
    static inline int counter_ = 0;
};

TEST_F(Processes, FindsAndEndsEveryProcessOfAnImageName) {
    EXPECT_FALSE(IsProcessRunning(name_ + ".exe"));
    ASSERT_TRUE(StartProgram(dir_ + name_, "sleep 30", dir_));
    ASSERT_TRUE(StartProgram(dir_ + name_, "sleep 30", dir_));
    ASSERT_TRUE(WaitUntil([&] { return IsProcessRunning(name_ + ".exe"); }));
    EXPECT_TRUE(IsProcessRunning(name_));
    EXPECT_TRUE(IsProcessRunning("QVHELPER" + name_.substr(8) + ".EXE"));  // case does not matter
    EXPECT_FALSE(IsProcessRunning(name_.substr(0, name_.size() - 1)));     // whole names only

    KillProcessesByName(name_ + ".exe");
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessRunning(name_ + ".exe"); }));
}

TEST_F(Processes, ReplacedProgramStillRunsUnderItsName) {
    ASSERT_TRUE(StartProgram(dir_ + name_, "sleep 30", dir_));
    ASSERT_TRUE(WaitUntil([&] { return IsProcessRunning(name_ + ".exe"); }));
    ASSERT_TRUE(DeleteFile(dir_ + name_));
    EXPECT_TRUE(IsProcessRunning(name_ + ".exe"));
    KillProcessesByName(name_ + ".exe");
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessRunning(name_ + ".exe"); }));
}

TEST_F(Processes, FindsAndEndsTheProgramOfOneFolderOnly) {
    const std::string here = dir_ + "here/";
    const std::string elsewhere = dir_ + "elsewhere/";
    for (const std::string& folder : {here, elsewhere}) {
        ASSERT_TRUE(CreateDirectory(folder));
        fs::copy_file(dir_ + name_, folder + name_);
        ASSERT_TRUE(StartProgram(folder + name_, "sleep 30", folder));
        ASSERT_TRUE(WaitUntil([&] { return IsProgramRunning(folder + name_); })) << folder;
    }
    EXPECT_FALSE(IsProgramRunning(dir_ + name_));  // the same name, not running from there
    fs::create_directory_symlink(here, dir_ + "link");
    EXPECT_TRUE(IsProgramRunning(dir_ + "link/" + name_ + ".exe"));

    // Its file replaced while it runs, as a side file replaces it: the running one
    // still counts, and so does one started from the new file.
    fs::copy_file(dir_ + name_, here + "new");
    ASSERT_EQ(::rename((here + "new").c_str(), (here + name_).c_str()), 0);
    EXPECT_TRUE(IsProgramRunning(here + name_));
    ASSERT_TRUE(StartProgram(here + name_, "sleep 30", here));

    KillProgram(here + name_ + ".exe");
    EXPECT_TRUE(WaitUntil([&] { return !IsProgramRunning(here + name_); }));
    EXPECT_TRUE(IsProgramRunning(elsewhere + name_));
    KillProgram(elsewhere + name_);
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessRunning(name_); }));
}

TEST_F(Processes, KillingByOwnNameSparesTheCaller) {
    ASSERT_TRUE(StartProgram(dir_ + name_, "sleep 30", dir_));
    ASSERT_TRUE(WaitUntil([&] { return IsProcessRunning(name_); }));
    const std::string output = dir_ + "killer.out";
    const int status = std::system((dir_ + name_ + " kill-own-name > " + output).c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "the caller was killed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(output), "alive\n");
    EXPECT_TRUE(WaitUntil([&] { return !IsProcessRunning(name_); }));
}

TEST(SplitCommandLine, FollowsTheWindowsRules) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(" /im quorvi.exe /f"), (Args{"/im", "quorvi.exe", "/f"}));
    EXPECT_EQ(SplitCommandLine("user'secret'1"), (Args{"user'secret'1"}));
    EXPECT_EQ(SplitCommandLine("\"abc\" d e"), (Args{"abc", "d", "e"}));
    EXPECT_EQ(SplitCommandLine("a\\\\b d\"e f\"g h"), (Args{"a\\\\b", "de fg", "h"}));
    EXPECT_EQ(SplitCommandLine("a\\\\\\\"b c d"), (Args{"a\\\"b", "c", "d"}));
    EXPECT_EQ(SplitCommandLine("a\\\\\\\\\"b c\" d e"), (Args{"a\\\\b c", "d", "e"}));
    EXPECT_EQ(SplitCommandLine("a\"b\"\" c d"), (Args{"ab\" c d"}));
    EXPECT_EQ(SplitCommandLine("\"\" x\t\ty  "), (Args{"", "x", "y"}));
    EXPECT_EQ(SplitCommandLine("  "), Args{});
    EXPECT_EQ(SplitCommandLine("\"open"), (Args{"open"}));
}

TEST(SplitCommandLine, GbkTrailBytesAreNotBackslashes) {
    // "\x95\x5C" is one GBK character whose second byte is '\' in ASCII.
    EXPECT_EQ(SplitCommandLine("\x95\x5C\" b\""), (std::vector<std::string>{"\x95\x5C b"}));
}

TEST_F(Processes, StartProgramRunsInItsFolderWithSplitArgumentsAndOurEnvironment) {
    const std::string script = dir_ + "script";
    // Without the run bit: starting it must add it.
    WriteFile(script,
              "#!/bin/sh\n"
              "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done;\n"
              "  echo \"${QV_OWN-unset} ${QV_USER-unset} ${HOME:+home}\"; } > \"$0.tmp\"\n"
              "mv \"$0.tmp\" \"$0.out\"\n",
              0644);
    ASSERT_TRUE(CreateDirectory(dir_ + "work"));
    // The program's own variables stay its own; the user's pass on, and one
    // the user set is not overridden.
    setenv("QV_USER", "mine", 1);
    EXPECT_FALSE(SetOwnEnvironmentVariable("QV_USER", "ours"));
    EXPECT_TRUE(SetOwnEnvironmentVariable("QV_OWN", "ours"));
    EXPECT_STREQ(getenv("QV_OWN"), "ours");
    const std::string parameters = std::string(texts::kLoginButtonText) + " \"a b\" u'p'1 x\\\"y";
    ASSERT_TRUE(StartProgram(script, parameters, dir_ + "work"));
    unsetenv("QV_USER");
    unsetenv("QV_OWN");
    ASSERT_TRUE(WaitUntil([&] { return FileExists(script + ".out"); }));
    EXPECT_EQ(ReadFile(script + ".out"), fs::canonical(dir_ + "work").string() +
                                             "\n[登录]\n[a b]\n[u'p'1]\n[x\"y]\nunset mine home\n");
    struct stat info;
    ASSERT_EQ(stat(script.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
}

TEST_F(Processes, StartProgramFindsProgramsWithoutTheWindowsSuffix) {
    const std::string script = dir_ + "updater";
    WriteFile(script, "#!/bin/sh\ntouch \"$0.ran\"\n", 0755);
    ASSERT_TRUE(StartProgram(script + ".exe", "", ""));
    EXPECT_TRUE(WaitUntil([&] { return FileExists(script + ".ran"); }));
}

TEST_F(Processes, StartProgramReportsWhatCannotStart) {
    EXPECT_FALSE(StartProgram(dir_ + "missing", "", dir_));
    EXPECT_FALSE(StartProgram(dir_ + name_, "sleep 1", dir_ + "no-such-folder"));
    WriteFile(dir_ + "text", "neither a program nor a script\n", 0755);
    EXPECT_FALSE(StartProgram(dir_ + "text", "", dir_));
    EXPECT_FALSE(IsProcessRunning(name_));
}

TEST_F(Processes, OpenUrlHandsTheAddressToXdgOpen) {
    WriteFile(dir_ + "xdg-open",
              "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.url\"\n", 0755);
    const std::string savedPath = getenv("PATH");
    setenv("PATH", (dir_ + ":" + savedPath).c_str(), 1);
    // What is not a web address never reaches xdg-open: it would open a local file.
    EXPECT_FALSE(OpenUrl("file:///etc/passwd"));
    const bool opened = OpenUrl(std::string("http://127.0.0.1:8737/web/win/?q=") +
                                texts::kLoginButtonText + "&a=1");
    ASSERT_TRUE(CreateDirectory(dir_ + "empty"));
    setenv("PATH", (dir_ + "empty").c_str(), 1);
    const bool openedWithoutBrowser = OpenUrl("http://127.0.0.1/");
    setenv("PATH", savedPath.c_str(), 1);

    EXPECT_FALSE(openedWithoutBrowser);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(dir_ + "xdg-open.url"); }));
    EXPECT_EQ(ReadFile(dir_ + "xdg-open.url"), "http://127.0.0.1:8737/web/win/?q=登录&a=1");
}

TEST(WebAddresses, OnlyHttpAndHttpsWithAHostGoToTheSystemBrowser) {
    for (const char* address :
         {"http://127.0.0.1:8737/web/", "https://example.org", "HTTPS://Example.org/a?b#c",
          "hTTp://user:pw@host:80/", "http://[::1]:8080/x", "http://host?q=file:///etc"}) {
        EXPECT_TRUE(IsWebAddress(address)) << address;
    }
    for (const char* address :
         {"file:///etc/passwd", "FILE://localhost/tmp/x.desktop", "data:text/html,<b>x</b>",
          "javascript:alert(1)", "javascript://%0Aalert(1)", "vnd.app://open", "ftp://host/",
          "/usr/share/applications/x.desktop", "http:/host", "http://", "http:///etc/passwd",
          "http://:80/", "http://user@/", "http://[]/", " http://host/", "http ://host/",
          "http://ho st/", "mailto:a@b.c?http://x", ""}) {
        EXPECT_FALSE(IsWebAddress(address)) << address;
    }
}

}  // namespace
}  // namespace platform
