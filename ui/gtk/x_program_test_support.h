// Tests that run a program itself on the test's X display: a started process,
// a fresh folder for it, and the shown windows of the display (found by title
// and process, closed as a window manager closes them, clicked through XTest).
// Link X11 and Xtst.
//
// Sections: waiting and files | Process | XScreen
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_test_support.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

extern char** environ;

namespace ui::testing {

// ---- waiting and files ------------------------------------------------------------------
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    for (auto end = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (done()) return true;
    return done();
}

// A new folder under the system's temporary folder, with a trailing "/"; empty on failure.
inline std::string MakeFolder(const char* stem) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(stem) + "XXXXXX")).string();
    return mkdtemp(pattern.data()) ? pattern + "/" : std::string();
}

using platform::testing::ReadFile;

// ---- Process ----------------------------------------------------------------------------
// A started program; killed and reaped at the end unless it has exited.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() { Kill(); }

    // Ends the program at once unless it has exited.
    void Kill() {
        if (pid_ > 0 && !Poll()) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
            status_ = 128 + SIGKILL;
        }
    }

    // Starts `program` with `args`; standard output and error go to the files
    // named (or stay the test's when a name is empty). Without the display the
    // program gets the test's environment less DISPLAY.
    bool Start(const std::string& program, std::vector<std::string> args,
               const std::string& outputFile, const std::string& errorFile,
               bool withDisplay = true) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const int flags = O_WRONLY | O_CREAT | O_TRUNC;
        if (!outputFile.empty())
            posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), flags, 0644);
        if (!errorFile.empty())
            posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), flags, 0644);
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
    std::optional<int> WaitForExit(std::chrono::seconds timeout = std::chrono::seconds(15)) {
        WaitFor([&] { return Poll().has_value(); }, timeout);
        return Poll();
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// ---- XScreen ----------------------------------------------------------------------------
// The shown top-level windows of the test's display.
class XScreen {
public:
    // One connection for the whole test program: an X server without clients
    // resets, and a connection attempted during the reset fails.
    XScreen() {
        static Display* const shared = XOpenDisplay(nullptr);
        display_ = shared;
        // Windows come and go while the tree is read: a window gone by the time
        // it is asked about is simply not the one sought.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    bool Open() const { return display_ != nullptr; }
    int Width() const { return DisplayWidth(display_, DefaultScreen(display_)); }

    // A shown window with this title that belongs to process `pid`, or 0.
    Window Find(const char* title, pid_t pid) {
        Window root, parent, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
            return 0;
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
    Window WaitFor(const char* title, pid_t pid) {
        Window found = 0;
        ui::testing::WaitFor([&] { return (found = Find(title, pid)) != 0; });
        return found;
    }

    // The window's rectangle on the screen.
    bool Geometry(Window window, int& x, int& y, int& width, int& height) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, window, &attributes)) return false;
        Window child;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
        width = attributes.width;
        height = attributes.height;
        return true;
    }

    // A left click at a point of the screen, as a user's mouse makes it.
    void ClickAt(int x, int y) {
        using namespace std::chrono_literals;
        XTestFakeMotionEvent(display_, -1, x, y, 0);
        XSync(display_, False);
        std::this_thread::sleep_for(200ms);
        XTestFakeButtonEvent(display_, 1, True, 0);
        XSync(display_, False);
        std::this_thread::sleep_for(100ms);
        XTestFakeButtonEvent(display_, 1, False, 0);
        XSync(display_, False);
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

    Display* display_ = nullptr;
};

}  // namespace ui::testing
