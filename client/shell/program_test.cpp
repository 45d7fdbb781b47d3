// The program quorvi itself on the test's X display: started in a program folder
// of its own, it shows the main window, creates "vamo.db" and quits with exit
// code 0 through the close button and through the window system's Close, and
// promptly even while its workers wait on a server that never answers.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "quorvi/build_config.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A running copy of the program in a fresh folder, with the skin beside it.
class ProgramRun {
public:
    ProgramRun() {
        std::string pattern = (fs::temp_directory_path() / "quorviXXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        m_folder = pattern + "/";
        fs::copy_file(QUORVI_PROGRAM, m_folder + "quorvi");
        fs::create_directories(m_folder + "skin");
        fs::create_directory_symlink(QUORVI_SKIN_DIR, m_folder + "skin/quorvi");
    }
    ~ProgramRun() {
        if (m_pid > 0 && !m_exitCode) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_display) XCloseDisplay(m_display);
        if (!m_folder.empty()) fs::remove_all(m_folder);
    }

    const std::string& Folder() const { return m_folder; }
    int ScreenWidth() const { return DisplayWidth(m_display, DefaultScreen(m_display)); }

    // Starts the program, on the test's display unless `display` is false.
    bool Start(bool display = true) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = m_folder + "out.txt";
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::string program = m_folder + "quorvi";
        char* argv[] = {program.data(), nullptr};
        char* noDisplay[] = {nullptr};
        int error = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv,
                                display ? environ : noDisplay);
        posix_spawn_file_actions_destroy(&actions);
        m_display = XOpenDisplay(nullptr);
        return error == 0 && m_display;
    }

    // The shown main window, once it is there (10 s at most).
    Window WaitForWindow() {
        for (auto end = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(100ms)) {
            if (Window window = FindShown(DefaultRootWindow(m_display), "Quorvi")) return window;
        }
        return 0;
    }

    // The window's rectangle on the screen.
    bool Geometry(Window window, int& x, int& y, int& width, int& height) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, window, &attributes)) return false;
        Window child;
        XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y,
                              &child);
        width = attributes.width;
        height = attributes.height;
        return true;
    }

    void ClickAt(int x, int y) {
        XTestFakeMotionEvent(m_display, -1, x, y, 0);
        XSync(m_display, False);
        std::this_thread::sleep_for(200ms);
        XTestFakeButtonEvent(m_display, 1, True, 0);
        XSync(m_display, False);
        std::this_thread::sleep_for(100ms);
        XTestFakeButtonEvent(m_display, 1, False, 0);
        XSync(m_display, False);
    }

    // What a window manager sends when the user closes the window.
    void RequestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, window, False, NoEventMask, &event);
        XSync(m_display, False);
    }

    // The exit code, once the program has ended (10 s at most).
    std::optional<int> WaitForExit() {
        for (auto end = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms)) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return m_exitCode;
            }
        }
        return std::nullopt;
    }

    std::string Output() const {
        std::ifstream in(m_folder + "out.txt");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    Window FindShown(Window parent, const char* title) {
        Window root, parentOut, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, parent, &root, &parentOut, &children, &count)) return 0;
        Window found = 0;
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(m_display, children[i], &name) && name) {
                if (std::string(name) == title &&
                    XGetWindowAttributes(m_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable && attributes.width > 100)
                    found = children[i];
                XFree(name);
            }
            if (!found) found = FindShown(children[i], title);
        }
        if (children) XFree(children);
        return found;
    }

    std::string m_folder;
    pid_t m_pid = -1;
    Display* m_display = nullptr;
    std::optional<int> m_exitCode;
};

TEST(Program, ShowsTheMainWindowAndQuitsThroughTheCloseButton) {
    ProgramRun run;
    ASSERT_TRUE(run.Start());
    Window window = run.WaitForWindow();
    ASSERT_TRUE(window);
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(run.Geometry(window, x, y, width, height));
    EXPECT_EQ(width, 950);
    EXPECT_EQ(height, 553);
    EXPECT_NEAR(x, (run.ScreenWidth() - 950) / 2, 1);  // centred

    run.ClickAt(x + width - 18, y + 12);  // the close button ends the caption band
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_TRUE(fs::exists(run.Folder() + "vamo.db"));
    EXPECT_EQ(run.Output(), "successfully!\n");
}

TEST(Program, QuitsThroughTheWindowSystemsClose) {
    ProgramRun run;
    ASSERT_TRUE(run.Start());
    Window window = run.WaitForWindow();
    ASSERT_TRUE(window);
    run.RequestClose(window);
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_TRUE(fs::exists(run.Folder() + "vamo.db"));
}

TEST(Program, WithoutADisplayEndsAtOnceWithZero) {
    ProgramRun run;
    ASSERT_TRUE(run.Start(false));
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(run.Folder() + "vamo.db"));
}

// A server on the portal's address that takes every connection and the
// request, and never answers: the client's transfers wait on it.
class SilentPortal {
public:
    SilentPortal() {
        const std::string origin = quorvi::kPortalOrigin;  // "http://127.0.0.1:PORT"
        const int port = std::stoi(origin.substr(origin.rfind(':') + 1));
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // Connections of an earlier server on the port may linger for a while.
        for (auto end = std::chrono::steady_clock::now() + 30s;
             !m_listening && std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(200ms))
            m_listening =
                bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                listen(m_socket, 16) == 0;
        if (m_listening) m_thread = std::thread([this] { Accept(); });
    }
    ~SilentPortal() {
        shutdown(m_socket, SHUT_RDWR);
        close(m_socket);
        if (m_thread.joinable()) m_thread.join();
        for (int connection : m_connections) close(connection);
    }
    bool Listening() const { return m_listening; }
    int Connections() const { return m_count; }

private:
    void Accept() {
        for (;;) {
            int connection = accept(m_socket, nullptr, nullptr);
            if (connection < 0) return;
            m_connections.push_back(connection);
            ++m_count;
        }
    }

    int m_socket = -1;
    bool m_listening = false;
    std::thread m_thread;
    std::vector<int> m_connections;  // held open, never answered
    std::atomic<int> m_count{0};
};

TEST(Program, ExitsPromptlyWhileItsWorkersWaitOnAServerThatNeverAnswers) {
    SilentPortal portal;
    ASSERT_TRUE(portal.Listening()) << "the portal's port is taken";
    ProgramRun run;
    // A catalogue at hand: the second stage starts its workers 2 s after start.
    std::ofstream(run.Folder() + "apps.xml")
        << "<?xml version='1.0' encoding='UTF-8'?><apps><group caption='A' mark='A' id='1'>"
           "<app caption='One' id='101' action='web'>http://127.0.0.1/one</app></group></apps>";
    ASSERT_TRUE(run.Start());
    Window window = run.WaitForWindow();
    ASSERT_TRUE(window);
    // The catalogue update and the recharge fetch are waiting on the server.
    for (auto end = std::chrono::steady_clock::now() + 10s;
         portal.Connections() < 2 && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(50ms);
    ASSERT_GE(portal.Connections(), 2);

    run.RequestClose(window);
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 2s);
}

}  // namespace
