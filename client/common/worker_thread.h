// CThread: the base of the client's one-shot worker threads.
//
// Construction starts the thread at once; it waits on a manual-reset start
// event until the creator calls Start(). Then Run() is called while the running
// flag is set; every Run() of the system ends with Finish(), which clears the
// flag and lets the thread end, so each worker does its job exactly once.
//
//     auto* worker = new CUpdateAppsThread();
//     worker->Start();  // the creator keeps no pointer
//
// Lifetime: a worker whose FreeWhenFinished() answers true is deleted by its own
// thread once Run() has finished; any other worker lives until the process ends
// (the file update thread, whose progress record a window reads through posted
// messages, must). A worker that is never started stays blocked and never runs;
// deleting it is safe, and so is leaving it blocked at process exit. A worker
// must not be deleted by anyone else while its Run() is in progress.
#pragma once

#include <memory>
#include <thread>

namespace quorvi {

class CThread {
public:
    CThread();
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Signals the start event; Run() follows on the worker thread. A worker that
    // frees itself must not be touched after this call; on a kept one a second
    // call changes nothing.
    void Start();

    // True once the thread has left the object for good (a kept worker may then
    // be read or deleted freely). A worker that frees itself is never seen here.
    bool IsFinished() const;

    // False when the operating system refused to create the thread; such a
    // worker never runs.
    bool HasThread() const { return m_hasThread; }

protected:
    // The job. Nonzero means "call again", zero leaves the thread loop. A worker
    // without a job of its own takes the finishing step at once.
    virtual int Run();
    // Whether the thread deletes this object after its last Run().
    virtual bool FreeWhenFinished() const { return false; }
    // The last step of every Run(): clears the running flag and sets the start
    // event so the thread leaves its loop; returns the value Run() returns.
    int Finish();

private:
    struct StartGate;
    static void ThreadProcedure(CThread* self, std::shared_ptr<StartGate> gate);

    // Shared with the thread, so the thread never depends on this object while
    // it waits to be started.
    std::shared_ptr<StartGate> m_gate;
    bool m_hasThread = false;
};

}  // namespace quorvi
