// The program quorvi itself on the test's X display: started in a program folder
// of its own, it shows the main window, creates "vamo.db" and quits with exit
// code 0 through the close button and through the window system's Close, and
// promptly even while its workers wait on a server that never answers.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>

#include "quorvi/build_config.h"
#include "ui/gtk/x_program_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace ui::testing;

// A running copy of the program in a fresh folder, with the skin beside it.
class ProgramRun {
public:
    ProgramRun() {
        m_folder = MakeFolder("quorvi");
        if (m_folder.empty()) return;
        fs::copy_file(QUORVI_PROGRAM, m_folder + "quorvi");
        fs::copy_file(QUORVI_WEB_MODULE, m_folder + "libquorvi-web.so");
        fs::copy_file(QUORVI_HTTP_MODULE, m_folder + "libquorvi-http.so");
        fs::create_directories(m_folder + "skin");
        // A copy, not a link: a client that reaches a portal updates its own skin.
        fs::copy(QUORVI_SKIN_DIR, m_folder + "skin/quorvi", fs::copy_options::recursive);
    }
    ~ProgramRun() {
        m_process.Kill();
        if (!m_folder.empty()) fs::remove_all(m_folder);
    }

    const std::string& Folder() const { return m_folder; }
    XScreen& Screen() { return m_screen; }

    // Starts the program, on the test's display unless `display` is false.
    bool Start(bool display = true) {
        return m_screen.Open() &&
               m_process.Start(m_folder + "quorvi", {}, m_folder + "out.txt", "", display);
    }
    // The shown main window, once it is there.
    Window WaitForWindow() { return m_screen.WaitFor("Quorvi", m_process.Pid()); }
    std::optional<int> WaitForExit() { return m_process.WaitForExit(10s); }
    std::string Output() const { return ReadFile(m_folder + "out.txt"); }
    std::string MappedFiles() const {
        return ReadFile("/proc/" + std::to_string(m_process.Pid()) + "/maps");
    }

private:
    std::string m_folder;
    Process m_process;
    XScreen m_screen;
};

TEST(Program, ShowsTheMainWindowAndQuitsThroughTheCloseButton) {
    ProgramRun run;
    ASSERT_TRUE(run.Start());
    Window window = run.WaitForWindow();
    ASSERT_TRUE(window);
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(run.Screen().Geometry(window, x, y, width, height));
    EXPECT_EQ(width, 950);
    EXPECT_EQ(height, 553);
    EXPECT_NEAR(x, (run.Screen().Width() - 950) / 2, 1);  // centred
    // WebKit is no part of the program's start: the web engine module beside
    // it is loaded once the window is on screen.
    EXPECT_EQ(ReadFile(QUORVI_PROGRAM).find("libwebkit2gtk"), std::string::npos);
    // Nor is libcurl: the HTTP module beside it comes with the first transfer.
    EXPECT_EQ(ReadFile(QUORVI_PROGRAM).find("libcurl"), std::string::npos);
    EXPECT_TRUE(WaitFor([&] {
        return run.MappedFiles().find(run.Folder() + "libquorvi-web.so") != std::string::npos;
    })) << "the web engine module was not loaded";

    run.Screen().ClickAt(x + width - 18, y + 12);  // the close button ends the caption band
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_TRUE(fs::exists(run.Folder() + "vamo.db"));
    EXPECT_EQ(run.Output(), "successfully!\n");
}

TEST(Program, QuitsThroughTheWindowSystemsClose) {
    ProgramRun run;
    ASSERT_TRUE(run.Start());
    Window window = run.WaitForWindow();
    ASSERT_TRUE(window);
    run.Screen().RequestClose(window);
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
    // The catalogue update and the recharge fetch are waiting on the server. The
    // home page's web view connects too, and may do so first: the transfers are
    // under way once the HTTP module is loaded as well.
    const std::string httpModule = run.Folder() + "libquorvi-http.so";
    auto transfersWaiting = [&] {
        return portal.Connections() >= 2 && run.MappedFiles().find(httpModule) != std::string::npos;
    };
    for (auto end = std::chrono::steady_clock::now() + 10s;
         !transfersWaiting() && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(50ms);
    ASSERT_GE(portal.Connections(), 2);
    EXPECT_NE(run.MappedFiles().find(httpModule), std::string::npos);

    run.Screen().RequestClose(window);
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 2s);
}

}  // namespace
