// The program vamo itself on the test's X display, each run in a program
// folder of its own: one instance at a time, the product module called once a
// second and named in the log before each call, the entity.so swap, the client
// of the launcher's folder ended when the launcher closes, and no display
// meaning no window and nothing ended.
//
// These tests end processes ("quorvi"), so ctest runs them under the process
// lock; the only "quorvi" they end is one they started themselves.
#include <gtest/gtest.h>

#include <sstream>

#include "ui/gtk/x_program_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace ui::testing;

constexpr char kTitle[] = "Quorvi Vamo";

// A copy of the launcher in a fresh program folder, with a copy of the skin
// beside it (not a link, so whatever the launcher writes stays in the folder).
class LauncherFolder {
public:
    // `module`: "" for the real product module, a variant's name, or "none".
    explicit LauncherFolder(const std::string& module = "") {
        folder_ = MakeFolder("vamorun");
        if (folder_.empty()) return;
        fs::copy_file(QUORVI_LAUNCHER, folder_ + "vamo");
        fs::create_directories(folder_ + "skin");
        fs::copy(QUORVI_SKIN_DIR, folder_ + "skin/quorvi", fs::copy_options::recursive);
        if (module == "none") return;
        fs::copy_file(module.empty()
                          ? std::string(QUORVI_MODULE_DIR) + "/vamo.so"
                          : std::string(QUORVI_TEST_MODULE_DIR) + "/" + module + "/vamo.so",
                      folder_ + "vamo.so");
    }
    ~LauncherFolder() {
        if (!folder_.empty()) fs::remove_all(folder_);
    }
    const std::string& Path() const { return folder_; }
    bool Start(Process& process, const std::string& errorName, bool withDisplay = true) {
        return process.Start(folder_ + "vamo", {}, "", folder_ + errorName, withDisplay);
    }
    std::string Errors(const std::string& errorName) const { return ReadFile(folder_ + errorName); }
    // "RunVamo N" and "ConnectVamo N ARG", as the module stand-in counts them.
    std::pair<long, long> ModuleCalls() const {
        std::istringstream in(ReadFile(folder_ + "vamo.so.calls"));
        std::string word;
        long run = -1, connect = -1;
        in >> word >> run >> word >> connect;
        return {run, connect};
    }

private:
    std::string folder_;
};

// A harmless program named like the client, in a folder of its own or in the
// folder given (a launcher's program folder).
class FakeClient {
public:
    explicit FakeClient(const std::string& folder = {}) : owned_(folder.empty()) {
        folder_ = owned_ ? MakeFolder("quorviclient") : folder;
        if (!folder_.empty()) fs::copy_file(QUORVI_HARMLESS_PROGRAM, folder_ + "quorvi");
    }
    ~FakeClient() {
        if (owned_ && !folder_.empty()) fs::remove_all(folder_);
    }
    bool Start() {
        return process_.Start(folder_ + "quorvi", {"sleep", "120"}, "", folder_ + "err");
    }
    Process& Proc() { return process_; }

private:
    bool owned_;
    std::string folder_;
    Process process_;
};

TEST(LauncherProgram, ASecondStartShowsTheMessageNudgesTheFirstAndEnds) {
    XScreen screen;
    ASSERT_TRUE(screen.Open());
    LauncherFolder firstFolder, secondFolder;
    Process first, second;
    ASSERT_TRUE(firstFolder.Start(first, "first.err"));
    const Window window = screen.WaitFor(kTitle, first.Pid());
    ASSERT_TRUE(window);
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(screen.Geometry(window, x, y, width, height));
    EXPECT_EQ(width, 860);  // the skin's size
    EXPECT_EQ(height, 560);

    ASSERT_TRUE(secondFolder.Start(second, "second.err"));
    // The second start waits on its message box, under the same title.
    const Window box = screen.WaitFor(kTitle, second.Pid());
    ASSERT_TRUE(box);
    EXPECT_TRUE(second.Running());
    EXPECT_EQ(firstFolder.Errors("first.err").find("nudged"), std::string::npos);

    screen.RequestClose(box);  // the user dismisses the message
    EXPECT_EQ(second.WaitForExit(), 0);
    EXPECT_FALSE(screen.Find(kTitle, second.Pid()));
    EXPECT_TRUE(WaitFor([&] {
        return firstFolder.Errors("first.err").find("nudged this window") != std::string::npos;
    }));
    // The first keeps running unchanged, with its one window.
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(screen.Find(kTitle, first.Pid()), window);

    screen.RequestClose(window);
    EXPECT_EQ(first.WaitForExit(), 0);
    // Once the first has gone, a start is the first again.
    Process third;
    ASSERT_TRUE(secondFolder.Start(third, "third.err"));
    EXPECT_TRUE(screen.WaitFor(kTitle, third.Pid()));
}

TEST(LauncherProgram, TheModuleIsCalledEverySecondAndTheEntityUpdateSwappedIn) {
    XScreen screen;
    ASSERT_TRUE(screen.Open());
    LauncherFolder folder;
    std::ofstream(folder.Path() + "entity.so") << "old module";
    std::ofstream(folder.Path() + "entity.so.vmupdate") << "new module";
    std::ofstream(folder.Path() + "entity.so.update") << "stale";
    Process launcher;
    ASSERT_TRUE(folder.Start(launcher, "err"));
    const Window window = screen.WaitFor(kTitle, launcher.Pid());
    ASSERT_TRUE(window);

    EXPECT_EQ(ReadFile(folder.Path() + "entity.so"), "new module");
    EXPECT_FALSE(fs::exists(folder.Path() + "entity.so.vmupdate"));
    EXPECT_FALSE(fs::exists(folder.Path() + "entity.so.update"));

    EXPECT_TRUE(WaitFor([&] { return folder.ModuleCalls().second >= 3; }));
    EXPECT_EQ(folder.ModuleCalls().first, 1);  // RunVamo once
    screen.RequestClose(window);
    EXPECT_EQ(launcher.WaitForExit(), 0);
    // Each call into the module was logged before it was made.
    std::istringstream errors(folder.Errors("err"));
    long connectLines = 0;
    for (std::string line; std::getline(errors, line);)
        connectLines += line == "vamo: info: calling ConnectVamo of the product module " +
                                    folder.Path() + "vamo.so";
    EXPECT_EQ(connectLines, folder.ModuleCalls().second);
}

TEST(LauncherProgram, ClosingTheLauncherEndsTheClientOfItsFolderOnly) {
    XScreen screen;
    ASSERT_TRUE(screen.Open());
    // A module without ConnectVamo: the timer skips it, the launcher runs on.
    LauncherFolder folder("no_connect");
    FakeClient client(folder.Path());
    ASSERT_TRUE(client.Start());
    FakeClient stranger;  // the same name in another folder
    ASSERT_TRUE(stranger.Start());
    Process launcher;
    ASSERT_TRUE(folder.Start(launcher, "err"));
    const Window window = screen.WaitFor(kTitle, launcher.Pid());
    ASSERT_TRUE(window);
    std::this_thread::sleep_for(2500ms);  // a few timer periods
    EXPECT_TRUE(launcher.Running());
    EXPECT_EQ(folder.ModuleCalls(), std::make_pair(1L, 0L));
    EXPECT_TRUE(client.Proc().Running());

    screen.RequestClose(window);
    EXPECT_EQ(launcher.WaitForExit(), 0);
    EXPECT_EQ(client.Proc().WaitForExit(), 128 + SIGKILL);
    EXPECT_TRUE(stranger.Proc().Running());
}

TEST(LauncherProgram, AModuleThatCrashesIsNamedInTheLogBeforeItsCall) {
    XScreen screen;
    ASSERT_TRUE(screen.Open());
    LauncherFolder folder("crash_in_run");
    Process launcher;
    ASSERT_TRUE(folder.Start(launcher, "err"));
    EXPECT_NE(launcher.WaitForExit(), 0);
    const std::string errors = folder.Errors("err");
    const std::string module = folder.Path() + "vamo.so";
    const size_t loading = errors.find("vamo: info: loading the product module " + module + "\n");
    const size_t calling =
        errors.find("vamo: info: calling RunVamo of the product module " + module + "\n");
    EXPECT_NE(loading, std::string::npos) << errors;
    EXPECT_NE(calling, std::string::npos) << errors;
    EXPECT_LT(loading, calling);
}

// A broken installation is reported, not shown as an empty window that cannot
// be closed; nothing is ended.
TEST(LauncherProgram, WithoutItsSkinItSaysSoAndEndsNothing) {
    FakeClient client;
    ASSERT_TRUE(client.Start());
    LauncherFolder folder;
    fs::remove_all(folder.Path() + "skin/quorvi");
    Process launcher;
    ASSERT_TRUE(folder.Start(launcher, "err"));
    EXPECT_EQ(launcher.WaitForExit(), 1);
    EXPECT_NE(folder.Errors("err").find("vamo: error: cannot build the window from"),
              std::string::npos)
        << folder.Errors("err");
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(client.Proc().Running());
}

TEST(LauncherProgram, WithoutADisplayItEndsAtOnceAndEndsNothing) {
    FakeClient client;
    ASSERT_TRUE(client.Start());
    LauncherFolder folder("none");
    Process launcher;
    ASSERT_TRUE(folder.Start(launcher, "err", false));
    EXPECT_EQ(launcher.WaitForExit(), 0);
    EXPECT_NE(folder.Errors("err").find("no X display"), std::string::npos) << folder.Errors("err");
    std::this_thread::sleep_for(300ms);  // a kill, had there been one, would have landed
    EXPECT_TRUE(client.Proc().Running());
}

}  // namespace
