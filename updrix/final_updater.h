// The final updater: on a timer, puts the side files of its program folder in
// place and watches the client of that folder. It ends the client when neither
// the launcher nor the dialer runs, and ends itself once nothing is left to swap
// and the client is gone.
#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <string>

#include "platform/sync.h"
#include "platform/timer_thread.h"

namespace updrix {

inline constexpr std::chrono::milliseconds kFirstTick{5000};
inline constexpr std::chrono::milliseconds kTickPeriod{5000};

// Image names of the processes it looks for (the platform layer drops ".exe").
// A launcher or dialer of that name anywhere holds the client's end back; the
// client is the program of that name in the updater's own folder only.
inline constexpr char kLauncherProcess[] = "vamo.exe";
inline constexpr char kDialerProcess[] = "pelkdial.exe";
inline constexpr char kClientProcess[] = "quorvi.exe";

// The folder of the running executable as the file system names it, ending in
// "/"; empty when it cannot be read.
std::string OwnFolder();

// One timer and the state of its ticks. The program waits in WaitUntilClosed
// until a tick closes it (where a window would have received WM_CLOSE).
class CTimer {
public:
    CTimer();
    virtual ~CTimer();  // Stop()
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    // Starts ticking on a thread of its own: first after `firstTick`, then every
    // `period`; a tick that outlasts the period delays the next one. Does nothing
    // when already started.
    void Start(std::chrono::milliseconds firstTick = kFirstTick,
               std::chrono::milliseconds period = kTickPeriod);
    // No tick starts after this; waits for a running tick unless called from one.
    // A derived class that overrides OnTimer calls it in its own destructor.
    void Stop();
    // Returns once a tick has closed the updater.
    void WaitUntilClosed();

    // One tick: applies the side files of the program folder (one that cannot be
    // applied is logged at its first tick of the run and otherwise ignored); when
    // it applied none, ends the client of this folder unless the launcher or the
    // dialer runs, and closes the updater once that client is gone.
    virtual void OnTimer();

protected:
    int FoundCount() const { return foundCount_; }  // side files applied by the last tick

private:
    std::unique_ptr<platform::TimerThread> timer_;
    int foundCount_ = 0;  // written and read by the ticks only
    platform::ManualResetEvent closed_;
    std::string programFolder_;       // the file system's bytes, for the walk
    std::string clientProgram_;       // GBK; empty when the folder is unknown
    std::set<std::string> reported_;  // side files already logged as not applicable
};

}  // namespace updrix
