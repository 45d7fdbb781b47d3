// The final updater's timer and its tick.
#include "updrix/final_updater.h"

#include <unistd.h>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/process.h"
#include "updrix/side_files.h"

namespace updrix {

std::string OwnFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return {};
    // A running program whose file was replaced reads as "... (deleted)"; the
    // folder is what comes before the last "/" either way.
    const std::string_view executable(path, static_cast<size_t>(length));
    const size_t separator = executable.rfind('/');
    if (separator == std::string_view::npos) return {};
    return std::string(executable.substr(0, separator + 1));
}

CTimer::CTimer() : programFolder_(OwnFolder()) {
    // The processes are looked up by the client's file in this folder (a GBK
    // path, as the platform takes paths), so a "quorvi" elsewhere is never ended.
    const std::string folder = platform::ProgramFolder();
    if (!folder.empty()) clientProgram_ = folder + kClientProcess;
}

CTimer::~CTimer() {
    Stop();
}

void CTimer::Start(std::chrono::milliseconds firstTick, std::chrono::milliseconds period) {
    if (timer_) return;
    timer_ = std::make_unique<platform::TimerThread>(firstTick, period, [this] { OnTimer(); });
}

void CTimer::Stop() {
    if (timer_) timer_->Stop();
}

void CTimer::WaitUntilClosed() {
    closed_.Wait();
}

void CTimer::OnTimer() {
    foundCount_ = 0;
    if (!programFolder_.empty()) {
        const SideFileReport report = ApplySideFiles(programFolder_ + "*.*");
        foundCount_ = report.applied;
        // One that cannot be applied stays where it is and is not retried into
        // forever: it is told once and the updater carries on without it.
        for (const SideFileFailure& failure : report.failures) {
            if (reported_.insert(failure.path).second)
                platform::LogWarning("side file " + failure.path +
                                     " not applied: " + failure.cause);
        }
    }
    if (foundCount_ > 0) return;  // keep swapping; the client is left alone meanwhile

    const bool clientRunning =
        !clientProgram_.empty() && platform::IsProgramRunning(clientProgram_);
    if (clientRunning && !platform::IsProcessRunning(kLauncherProcess) &&
        !platform::IsProcessRunning(kDialerProcess)) {
        // Asynchronous: the client is usually still listed just below, so the
        // updater normally ends one tick later.
        platform::KillProgram(clientProgram_);
    }
    if (clientProgram_.empty() || !platform::IsProgramRunning(clientProgram_)) closed_.Set();
}

}  // namespace updrix
