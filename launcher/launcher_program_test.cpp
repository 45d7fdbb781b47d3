// The program vamo itself on the test's X display, each run in a program
// folder of its own: one instance at a time, the product module called once a
// second, the entity.so swap, the client ended when the launcher closes, and
// no display meaning no window and nothing ended.
//
// These tests end processes by image name ("quorvi"), so ctest runs them under
// the process lock; the only "quorvi" they end is one they started themselves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kTitle[] = "Quorvi Vamo";

std::string MakeFolder(const char* stem) {
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "XXXXXX")).string();
    return mkdtemp(pattern.data()) ? pattern + "/" : std::string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds timeout = 15s) {
    for (auto end = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms))
        if (done()) return true;
    return done();
}

// A started program; killed and reaped at the end unless it has exited.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Starts `program` with `args`, standard error into `errorFile`.
    bool Start(const std::string& program, std::vector<std::string> args,
               const std::string& errorFile, bool withDisplay = true) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<char*> env;
        for (char** e = environ; *e; ++e)
            if (withDisplay || std::string(*e).rfind("DISPLAY=", 0) != 0) env.push_back(*e);
        env.push_back(nullptr);
        const int error =
            posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data());
        posix_spawn_file_actions_destroy(&actions);
        return error == 0;
    }

    pid_t Pid() const { return pid_; }
    bool Running() { return !Poll(); }

    // Exit code once ended (128 + signal for a signal); nothing while it runs.
    std::optional<int> Poll() {
        if (status_) return status_;
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }
    std::optional<int> WaitForExit(std::chrono::seconds timeout = 15s) {
        WaitFor([&] { return Poll().has_value(); }, timeout);
        return Poll();
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A copy of the launcher in a fresh program folder, with the skin beside it.
class LauncherFolder {
public:
    // `module`: "" for the real product module, a variant's name, or "none".
    explicit LauncherFolder(const std::string& module = "") {
        folder_ = MakeFolder("vamorun");
        if (folder_.empty()) return;
        fs::copy_file(QUORVI_LAUNCHER, folder_ + "vamo");
        fs::create_directories(folder_ + "skin");
        fs::create_directory_symlink(QUORVI_SKIN_DIR, folder_ + "skin/quorvi");
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
        return process.Start(folder_ + "vamo", {}, folder_ + errorName, withDisplay);
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

// The shown top-level windows of the test's display.
class Screen {
public:
    // One connection for the whole test program: an X server without clients
    // resets, and a connection attempted during the reset fails.
    Screen() {
        static Display* const shared = XOpenDisplay(nullptr);
        display_ = shared;
        // Windows come and go while the tree is read: a window gone by the time
        // it is asked about is simply not the one sought.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    bool Open() const { return display_ != nullptr; }

    // A shown window with this title that belongs to process `pid`.
    Window Find(const char* title, pid_t pid) {
        return Find(DefaultRootWindow(display_), title, pid);
    }
    Window WaitFor(const char* title, pid_t pid) {
        Window found = 0;
        ::WaitFor([&] { return (found = Find(title, pid)) != 0; });
        return found;
    }

    // What a window manager sends when the user closes a window.
    void RequestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XSync(display_, False);
    }

    bool Size(Window window, int& width, int& height) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, window, &attributes)) return false;
        width = attributes.width;
        height = attributes.height;
        return true;
    }

private:
    pid_t PidOf(Window window) {
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        pid_t pid = -1;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), 0, 1,
                               False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data && count == 1)
            pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return pid;
    }

    Window Find(Window parent, const char* title, pid_t pid) {
        Window root, parentOut, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, parent, &root, &parentOut, &children, &count)) return 0;
        Window found = 0;
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display_, children[i], &name) && name) {
                if (std::string(name) == title &&
                    XGetWindowAttributes(display_, children[i], &attributes) &&
                    attributes.map_state == IsViewable && PidOf(children[i]) == pid)
                    found = children[i];
                XFree(name);
            }
        }
        if (children) XFree(children);
        return found;
    }

    Display* display_ = nullptr;
};

// A harmless program named like the client, in a folder of its own.
class FakeClient {
public:
    FakeClient() {
        folder_ = MakeFolder("quorviclient");
        if (!folder_.empty()) fs::copy_file(QUORVI_HARMLESS_PROGRAM, folder_ + "quorvi");
    }
    ~FakeClient() {
        if (!folder_.empty()) fs::remove_all(folder_);
    }
    bool Start() { return process_.Start(folder_ + "quorvi", {"sleep", "120"}, folder_ + "err"); }
    Process& Proc() { return process_; }

private:
    std::string folder_;
    Process process_;
};

TEST(LauncherProgram, ASecondStartShowsTheMessageNudgesTheFirstAndEnds) {
    Screen screen;
    ASSERT_TRUE(screen.Open());
    LauncherFolder firstFolder, secondFolder;
    Process first, second;
    ASSERT_TRUE(firstFolder.Start(first, "first.err"));
    const Window window = screen.WaitFor(kTitle, first.Pid());
    ASSERT_TRUE(window);
    int width = 0, height = 0;
    ASSERT_TRUE(screen.Size(window, width, height));
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
    Screen screen;
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
}

TEST(LauncherProgram, ClosingTheLauncherEndsTheClient) {
    Screen screen;
    ASSERT_TRUE(screen.Open());
    FakeClient client;
    ASSERT_TRUE(client.Start());
    // A module without ConnectVamo: the timer skips it, the launcher runs on.
    LauncherFolder folder("no_connect");
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
}

// A broken installation is reported, not shown as an empty window that cannot
// be closed; nothing is ended.
TEST(LauncherProgram, WithoutItsSkinItSaysSoAndEndsNothing) {
    FakeClient client;
    ASSERT_TRUE(client.Start());
    LauncherFolder folder;
    fs::remove(folder.Path() + "skin/quorvi");
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
