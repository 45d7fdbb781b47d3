#include "client/common/worker_thread.h"

#include <atomic>
#include <system_error>

#include "platform/sync.h"

namespace quorvi {

struct CThread::StartGate {
    platform::ManualResetEvent startEvent;  // manual reset: stays set once started
    std::atomic<bool> running{true};
    // Set when the object goes away before it was started: the thread ends
    // without touching it.
    std::atomic<bool> abandoned{false};
    std::atomic<bool> finished{false};  // the thread is done with the object
};

CThread::CThread() : m_gate(std::make_shared<StartGate>()) {
    try {
        std::thread thread(&CThread::ThreadProcedure, this, m_gate);
        // Nobody joins a worker: the thread ends by itself after its job.
        thread.detach();
        m_hasThread = true;
    } catch (const std::system_error&) {
        m_gate->running = false;  // no thread: the worker simply never runs
    }
}

CThread::~CThread() {
    if (!m_gate->startEvent.IsSet()) {
        m_gate->abandoned = true;
        m_gate->startEvent.Set();
    }
}

void CThread::Start() {
    // A short job may end and free the worker before Set() has returned: the
    // local reference keeps the event alive until then.
    std::shared_ptr<StartGate> gate = m_gate;
    gate->startEvent.Set();
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

void CThread::ThreadProcedure(CThread* self, std::shared_ptr<StartGate> gate) {
    gate->startEvent.Wait();
    if (gate->abandoned) return;
    // Asked before the job: once it is over the object may belong to someone else.
    const bool freeWhenFinished = self->FreeWhenFinished();
    while (gate->running) {
        gate->startEvent.Wait();
        if (self->Run() == 0) break;
    }
    if (freeWhenFinished) {
        delete self;
    } else {
        gate->finished = true;
    }
}

}  // namespace quorvi
