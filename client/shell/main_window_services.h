// What the main window starts outside itself: other programs, the task-kill
// stand-in and worker threads. The window asks through this interface, so a test
// can run the window without ending or starting real processes.
#pragma once

#include <string>

#include "client/common/worker_thread.h"
#include "ui/core/win_types.h"

namespace quorvi {

class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    // A running process of this program file ("FOLDER/updrix.exe"), also one
    // whose file was replaced since it started; not a program of that name elsewhere.
    virtual bool IsProgramRunning(const std::string& path) = 0;
    // Ends every process of this program file, without waiting.
    virtual void KillProgram(const std::string& path) = 0;
    // Starts a program hidden, with no parameters, without waiting; failures are ignored.
    virtual void StartProgram(const std::string& path) = 0;

    // Worker threads; each runs once. The services own them until StopWorkers().
    virtual void StartAppListUpdate(const std::string& programFolder) = 0;
    virtual void StartRechargeParamsFetch(HWND target, const std::string& schoolAccount) = 0;
    virtual void StartScriptPluginFetch(HWND target) = 0;
    // The owner of the window's workers: components start theirs here.
    virtual WorkerOwner& Workers() = 0;
    // Asks every worker to stop and joins them; the program calls it after its
    // message loop has ended.
    void StopWorkers() { Workers().StopAll(); }
};

// The real processes and workers.
class SystemServices : public MainWindowServices {
public:
    bool IsProgramRunning(const std::string& path) override;
    void KillProgram(const std::string& path) override;
    void StartProgram(const std::string& path) override;
    void StartAppListUpdate(const std::string& programFolder) override;
    void StartRechargeParamsFetch(HWND target, const std::string& schoolAccount) override;
    void StartScriptPluginFetch(HWND target) override;
    WorkerOwner& Workers() override { return m_workers; }

private:
    WorkerOwner m_workers;
};

}  // namespace quorvi
