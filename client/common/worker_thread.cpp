// Sections: CThread | WorkerOwner
#include "client/common/worker_thread.h"

#include <algorithm>
#include <system_error>

#include "platform/sync.h"

namespace quorvi {

// ---- CThread ----------------------------------------------------------------------------
struct CThread::StartGate {
    platform::ManualResetEvent startEvent;  // manual reset: stays set once started
    std::atomic<bool> running{true};
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
};

CThread::CThread() : m_gate(std::make_shared<StartGate>()) {
    try {
        m_thread = std::thread(&CThread::ThreadProcedure, this);
    } catch (const std::system_error&) {
        m_gate->running = false;  // no thread: the worker simply never runs
    }
}

CThread::~CThread() {
    StopAndJoin();
}

void CThread::StopAndJoin() {
    m_stop = true;
    // A worker never started is released without running its job.
    m_gate->startEvent.Set();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void CThread::Start() {
    m_gate->started = true;
    m_gate->startEvent.Set();
}

bool CThread::IsFinished() const {
    return m_gate->finished;
}

int CThread::Run() {
    return Finish();
}

int CThread::Finish() {
    m_gate->running = false;
    m_gate->startEvent.Set();
    return 1;
}

void CThread::ThreadProcedure() {
    m_gate->startEvent.Wait();
    // Set without Start(): the object is going away before its job began.
    if (m_gate->started) {
        while (m_gate->running) {
            m_gate->startEvent.Wait();
            if (Run() == 0) break;
        }
    }
    m_gate->finished = true;
}

// ---- WorkerOwner ------------------------------------------------------------------------
CThread& WorkerOwner::Start(std::unique_ptr<CThread> worker) {
    CThread& started = *worker;
    std::vector<std::unique_ptr<CThread>> finished;
    {
        std::lock_guard lock(m_mutex);
        auto done = std::stable_partition(m_workers.begin(), m_workers.end(),
                                          [](const auto& w) { return !w->IsFinished(); });
        std::move(done, m_workers.end(), std::back_inserter(finished));
        m_workers.erase(done, m_workers.end());
        m_workers.push_back(std::move(worker));
    }
    started.Start();
    for (auto& worker : finished) worker->StopAndJoin();  // done already: returns at once
    return started;
}

void WorkerOwner::StopAll() {
    std::vector<std::unique_ptr<CThread>> workers;
    {
        std::lock_guard lock(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& worker : workers) worker->RequestStop();
    for (auto& worker : workers) worker->StopAndJoin();
    workers.clear();
}

std::size_t WorkerOwner::Running() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::ranges::count_if(m_workers, [](const auto& worker) { return !worker->IsFinished(); }));
}

}  // namespace quorvi
