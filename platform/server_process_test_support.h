// A server program started by a test on a port it picks itself: it names its
// address on standard error ("... on http://127.0.0.1:PORT/") once it listens.
// Its standard error is drained for as long as it runs, so it never blocks on
// a full pipe; it is ended with SIGTERM, by Stop or by the end of the program
// that started it.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace platform::testing {

class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() { Stop(); }

    // Starts `program` with `args` and waits until it names its port. The
    // port, or 0 when it could not start or ended first (Said() tells why).
    int Start(const std::string& program, std::vector<std::string> args) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return 0;
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // The server ends with the program that started it, also one that
            // dies without stopping it (a crash, a kill): none is left behind
            // holding its port. Only async-signal-safe calls until exec.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
            ::dup2(pipeEnds[1], STDERR_FILENO);
            ::close(pipeEnds[0]);
            if (pipeEnds[1] != STDERR_FILENO) ::close(pipeEnds[1]);
            ::execve(program.c_str(), argv.data(), environ);
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        if (m_pid < 0) {
            ::close(pipeEnds[0]);
            m_pid = 0;
            m_said = "cannot start " + program;
            return 0;
        }
        std::FILE* announcements = ::fdopen(pipeEnds[0], "r");
        constexpr const char* kMarker = "on http://127.0.0.1:";
        char line[1024];
        while (m_port == 0 && std::fgets(line, sizeof line, announcements)) {
            m_said += line;
            if (const char* at = std::strstr(line, kMarker))
                m_port = std::atoi(at + std::strlen(kMarker));
        }
        if (m_port == 0 && m_said.empty()) m_said = "cannot start " + program;
        m_drain = std::thread([announcements] {
            char rest[1024];
            while (std::fgets(rest, sizeof rest, announcements)) {
            }
            std::fclose(announcements);
        });
        return m_port;
    }

    void Stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
        if (m_drain.joinable()) m_drain.join();
    }

    int Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }
    // "http://127.0.0.1:PORT" (no trailing slash).
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // What it wrote on standard error up to naming its port.
    const std::string& Said() const { return m_said; }

private:
    pid_t m_pid = 0;
    int m_port = 0;
    std::string m_said;
    std::thread m_drain;
};

}  // namespace platform::testing
