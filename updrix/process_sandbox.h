// Test support: a PID namespace of its own for a test's processes.
//
// The final updater looks the launcher and the dialer up by image name across
// the whole machine. Started inside a sandbox it sees (in /proc) and can signal only
// the processes of the same sandbox, so a test never ends a process of another
// test or of anyone else on the machine, and a "vamo" that someone else runs
// cannot change what the test sees.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace updrix::testing {

// A program started in a sandbox. `pid` is its id as this process sees it; the
// `waiter` is our child that waits for it and exits with its status.
struct SandboxedProcess {
    pid_t pid = 0;
    pid_t waiter = 0;
};

// How a sandboxed program ended.
struct ExitStatus {
    bool signalled = false;
    int code = 0;  // exit code, or the signal number when signalled
};

class ProcessSandbox {
public:
    // A new sandbox, or nothing (with the reason) when the system does not allow
    // one (PID and mount namespaces need root or user namespaces).
    static std::unique_ptr<ProcessSandbox> Create(std::string* whyNot);
    // Ends every process inside and reaps our children.
    ~ProcessSandbox();
    ProcessSandbox(const ProcessSandbox&) = delete;
    ProcessSandbox& operator=(const ProcessSandbox&) = delete;

    // Starts argv[0] (a full path) with `argv` inside, standard output and
    // standard error appended to `outputPath` when not empty; returns once the program runs (it can
    // be found by its image name). Nothing when it could not be started.
    std::optional<SandboxedProcess> Start(const std::vector<std::string>& argv,
                                          const std::string& outputPath = {});
    // True until the program has ended.
    bool IsRunning(const SandboxedProcess& process);
    // How the program ended, or nothing when it still runs after `timeout`.
    std::optional<ExitStatus> WaitForExit(const SandboxedProcess& process,
                                          std::chrono::milliseconds timeout);
    void Kill(const SandboxedProcess& process);

private:
    ProcessSandbox(pid_t init, pid_t creator) : init_(init), creator_(creator) {}
    bool Reap(pid_t waiter, ExitStatus* status);

    pid_t init_;     // the namespace's first process; its end ends all inside
    pid_t creator_;  // our child that created the namespace
    std::vector<pid_t> waiters_;
    std::vector<std::pair<pid_t, ExitStatus>> ended_;
};

}  // namespace updrix::testing
