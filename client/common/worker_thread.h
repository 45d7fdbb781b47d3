// CThread: the base of the client's one-shot worker threads, and WorkerOwner,
// which keeps them until they are joined.
//
// Construction starts the thread at once; it waits on a manual-reset start
// event until the creator calls Start(). Then Run() is called while the running
// flag is set; every Run() of the system ends with Finish(), which clears the
// flag and lets the thread end, so each worker does its job exactly once.
//
//     workers.Start(std::make_unique<CUpdateAppsThread>(folder));
//
// Lifetime: a worker belongs to a WorkerOwner (or to whoever made it), which
// calls StopAndJoin() before deleting it: a worker that was never started ends
// without running, a running one ends its job early where it checks
// StopRequested() (transfers poll it) and is waited for. The program stops and
// joins every worker before it exits.
//
// Workers hand results to windows by value (client/common/window_events.h),
// never as pointers into their own stack, so they never wait for a window that
// is busy joining them.
//
// Sections: CThread | WorkerOwner
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvi {

// ---- CThread ----------------------------------------------------------------------------
class CThread {
public:
    CThread();
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Signals the start event; Run() follows on the worker thread. A second
    // call changes nothing.
    void Start();

    // Asks the job to end early; Run() sees it through StopRequested().
    void RequestStop() { m_stop = true; }

    // Asks the job to end early and waits for the thread. Call it before a
    // worker whose job may be running is deleted (WorkerOwner does), so that the
    // job never outlives the members of the derived class it reads.
    void StopAndJoin();

    // True once the thread has left Run() for good.
    bool IsFinished() const;

    // False when the operating system refused to create the thread; such a
    // worker never runs.
    bool HasThread() const { return m_thread.joinable(); }

protected:
    // The job. Nonzero means "call again", zero leaves the thread loop. A worker
    // without a job of its own takes the finishing step at once.
    virtual int Run();
    // The last step of every Run(): clears the running flag and sets the start
    // event so the thread leaves its loop; returns the value Run() returns.
    int Finish();

    bool StopRequested() const { return m_stop; }
    // For transfers that poll a flag.
    const std::atomic<bool>& StopFlag() const { return m_stop; }

private:
    struct StartGate;
    void ThreadProcedure();

    std::shared_ptr<StartGate> m_gate;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// ---- WorkerOwner ------------------------------------------------------------------------
// Keeps started workers until they are joined. Finished workers are let go
// whenever a new one starts, so a long session does not pile them up.
class WorkerOwner {
public:
    WorkerOwner() = default;
    ~WorkerOwner() { StopAll(); }
    WorkerOwner(const WorkerOwner&) = delete;
    WorkerOwner& operator=(const WorkerOwner&) = delete;

    // Takes the worker, starts it, and returns it (valid until StopAll()).
    CThread& Start(std::unique_ptr<CThread> worker);

    // Asks every worker to stop, then joins them. Must not run while a worker
    // waits for the calling thread (windows answer workers by value, so the UI
    // thread may call this once its message loop has ended).
    void StopAll();

    // Workers that have not finished yet.
    std::size_t Running() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<CThread>> m_workers;
};

}  // namespace quorvi
