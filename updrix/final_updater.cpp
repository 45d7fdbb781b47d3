// The final updater's timer and its tick.
#include "updrix/final_updater.h"

#include <unistd.h>

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

CTimer::CTimer() : programFolder_(OwnFolder()) {}

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
    if (!programFolder_.empty()) foundCount_ += ApplySideFiles(programFolder_ + "*.*");
    if (foundCount_ > 0) return;  // keep swapping; the client is left alone meanwhile

    if (!platform::IsProcessRunning(kLauncherProcess) &&
        !platform::IsProcessRunning(kDialerProcess)) {
        // Asynchronous: the client is usually still listed just below, so the
        // updater normally ends one tick later.
        platform::KillProcessesByName(kClientProcess);
    }
    if (!platform::IsProcessRunning(kClientProcess)) closed_.Set();
}

}  // namespace updrix
