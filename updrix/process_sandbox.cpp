// Test support: PID namespaces for a test's processes.
//
// Layout: our child `creator` unshares a PID and a mount namespace and forks the
// namespace's first process `init`, which mounts the namespace's own /proc and
// reaps orphans. A program is started by a `waiter`, our child, which joins both
// namespaces, forks the program into them and waits for it, ending as it ended.
// Killing `init` ends every process inside. Between fork and exec only
// async-signal-safe calls run.
//
// Sections: messages | creating | starting | waiting and ending
#include "updrix/process_sandbox.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace updrix::testing {
namespace {

// ---- messages ------------------------------------------------------------------------

// What the children of a sandbox tell the test through a pipe.
struct Message {
    enum Kind : int { kInitPid, kInitReady, kFailed } kind;
    int value;  // a process id, or an errno
};

void Send(int fd, Message::Kind kind, int value) {
    const Message message{kind, value};
    while (::write(fd, &message, sizeof message) < 0 && errno == EINTR) {
    }
}

bool Receive(int fd, Message* message) {
    ssize_t got;
    while ((got = ::read(fd, message, sizeof *message)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof *message);
}

pid_t WaitRetrying(pid_t pid, int* status, int options) {
    pid_t result;
    while ((result = ::waitpid(pid, status, options)) < 0 && errno == EINTR) {
    }
    return result;
}

// ---- creating ---------------------------------------------------------------------------

void OnChildEnded(int) {}

// The namespace's first process: mounts the namespace's /proc, says so, then reaps
// the processes that are left to it until it is killed.
[[noreturn]] void RunInit(int report) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
        Send(report, Message::kFailed, errno);
        ::_exit(1);
    }
    Send(report, Message::kInitReady, 0);
    ::close(report);

    struct sigaction action {};
    action.sa_handler = OnChildEnded;
    ::sigaction(SIGCHLD, &action, nullptr);
    sigset_t childEnded, none;
    sigemptyset(&childEnded);
    sigaddset(&childEnded, SIGCHLD);
    sigemptyset(&none);
    ::sigprocmask(SIG_BLOCK, &childEnded, nullptr);
    while (true) {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        ::sigsuspend(&none);
    }
}

[[noreturn]] void RunCreator(int report) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::unshare(CLONE_NEWPID | CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        Send(report, Message::kFailed, errno);
        ::_exit(1);
    }
    const pid_t init = ::fork();
    if (init < 0) {
        Send(report, Message::kFailed, errno);
        ::_exit(1);
    }
    if (init == 0) RunInit(report);
    Send(report, Message::kInitPid, init);
    ::close(report);
    WaitRetrying(init, nullptr, 0);
    ::_exit(0);
}

}  // namespace

std::unique_ptr<ProcessSandbox> ProcessSandbox::Create(std::string* whyNot) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        *whyNot = std::string("pipe: ") + std::strerror(errno);
        return nullptr;
    }
    const pid_t creator = ::fork();
    if (creator < 0) {
        *whyNot = std::string("fork: ") + std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return nullptr;
    }
    if (creator == 0) {
        ::close(report[0]);
        RunCreator(report[1]);
    }
    ::close(report[1]);

    pid_t init = 0;
    bool ready = false;
    int error = 0;
    Message message;
    while ((init == 0 || !ready) && error == 0 && Receive(report[0], &message)) {
        if (message.kind == Message::kInitPid) init = message.value;
        if (message.kind == Message::kInitReady) ready = true;
        if (message.kind == Message::kFailed) error = message.value;
    }
    ::close(report[0]);
    if (init != 0 && ready && error == 0) {
        return std::unique_ptr<ProcessSandbox>(new ProcessSandbox(init, creator));
    }
    if (init != 0) ::kill(init, SIGKILL);
    WaitRetrying(creator, nullptr, 0);
    *whyNot = "no PID namespace for the test's processes (needs root or user namespaces): " +
              std::string(error ? std::strerror(error) : "the sandbox did not start");
    return nullptr;
}

// ---- starting ------------------------------------------------------------------------------

std::optional<SandboxedProcess> ProcessSandbox::Start(const std::vector<std::string>& argv,
                                                      const std::string& outputPath) {
    if (argv.empty()) return std::nullopt;
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const std::string pidNamespace = "/proc/" + std::to_string(init_) + "/ns/pid";
    const std::string mountNamespace = "/proc/" + std::to_string(init_) + "/ns/mnt";

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t waiter = ::fork();
    if (waiter < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return std::nullopt;
    }
    if (waiter == 0) {
        ::close(report[0]);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int pidFd = ::open(pidNamespace.c_str(), O_RDONLY | O_CLOEXEC);
        const int mountFd = ::open(mountNamespace.c_str(), O_RDONLY | O_CLOEXEC);
        // Joining a mount namespace needs file system attributes of our own:
        // a sanitizer's runtime may run a thread of its own in this child.
        if (pidFd < 0 || mountFd < 0 || ::setns(pidFd, CLONE_NEWPID) != 0 ||
            ::unshare(CLONE_FS) != 0 || ::setns(mountFd, CLONE_NEWNS) != 0) {
            Send(report[1], Message::kFailed, errno);
            ::_exit(127);
        }
        // Closed by a successful exec: until then the process is not yet the
        // program, and a lookup by image name would not find it.
        int execReport[2];
        if (::pipe2(execReport, O_CLOEXEC) != 0) {
            Send(report[1], Message::kFailed, errno);
            ::_exit(127);
        }
        const pid_t program = ::fork();
        if (program < 0) {
            Send(report[1], Message::kFailed, errno);
            ::_exit(127);
        }
        if (program == 0) {
            ::close(execReport[0]);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int input = ::open("/dev/null", O_RDONLY);
            if (input >= 0) ::dup2(input, STDIN_FILENO);
            if (!outputPath.empty()) {
                const int output =
                    ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
                if (output >= 0) {
                    ::dup2(output, STDOUT_FILENO);
                    ::dup2(output, STDERR_FILENO);
                }
            }
            ::execv(arguments[0], arguments.data());
            Send(execReport[1], Message::kFailed, errno);
            ::_exit(127);
        }
        ::close(execReport[1]);
        Message execResult;
        if (Receive(execReport[0], &execResult)) {
            Send(report[1], Message::kFailed, execResult.value);
        } else {
            Send(report[1], Message::kInitPid, program);
        }
        ::close(report[1]);
        int status = 0;
        WaitRetrying(program, &status, 0);
        if (WIFSIGNALED(status)) {
            // End the same way, so the test sees the signal.
            ::signal(WTERMSIG(status), SIG_DFL);
            ::kill(::getpid(), WTERMSIG(status));
        }
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 127);
    }
    ::close(report[1]);
    Message message{Message::kFailed, 0};
    const bool told = Receive(report[0], &message);
    ::close(report[0]);
    waiters_.push_back(waiter);
    if (!told || message.kind != Message::kInitPid) {
        WaitForExit({0, waiter}, std::chrono::seconds(5));
        return std::nullopt;
    }
    return SandboxedProcess{message.value, waiter};
}

// ---- waiting and ending ------------------------------------------------------------------

bool ProcessSandbox::Reap(pid_t waiter, ExitStatus* status) {
    for (const auto& [pid, ended] : ended_) {
        if (pid != waiter) continue;
        if (status) *status = ended;
        return true;
    }
    int raw = 0;
    if (WaitRetrying(waiter, &raw, WNOHANG) != waiter) return false;
    const ExitStatus ended =
        WIFSIGNALED(raw) ? ExitStatus{true, WTERMSIG(raw)} : ExitStatus{false, WEXITSTATUS(raw)};
    ended_.emplace_back(waiter, ended);
    std::erase(waiters_, waiter);
    if (status) *status = ended;
    return true;
}

bool ProcessSandbox::IsRunning(const SandboxedProcess& process) {
    return !Reap(process.waiter, nullptr);
}

std::optional<ExitStatus> ProcessSandbox::WaitForExit(const SandboxedProcess& process,
                                                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    ExitStatus status;
    while (!Reap(process.waiter, &status)) {
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status;
}

void ProcessSandbox::Kill(const SandboxedProcess& process) {
    // While its waiter runs, the program has not been reaped, so its id is still its own.
    if (IsRunning(process)) ::kill(process.pid, SIGKILL);
}

ProcessSandbox::~ProcessSandbox() {
    ::kill(init_, SIGKILL);  // the kernel then ends every process inside
    for (const pid_t waiter : waiters_) WaitRetrying(waiter, nullptr, 0);
    WaitRetrying(creator_, nullptr, 0);
}

}  // namespace updrix::testing
