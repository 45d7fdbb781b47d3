// Plugin downloads as a component of the main window: opening a plugin entry
// lays a download status control over the option and starts a plugin-mode file
// update; the component answers the run's progress and cancel query, the close
// buttons, and starts the plugin program once its files are in place; a run that
// failed leaves its failure in the control instead and starts nothing. It also
// starts the client-mode file update of the program folder at start-up.
//
// Status controls are found by name through the paint manager, never kept by
// address: a control laid into a panel that is rebuilt (the search results) is
// deleted with that panel's options.
//
// Sections: component | handlers
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "client/common/client_config.h"
#include "client/common/main_window_routes.h"
#include "client/common/user_info.h"
#include "client/common/worker_thread.h"
#include "client/update/download_status_ui.h"
#include "client/update/update_files_thread.h"

namespace quorvi {

class DownloadComponent {
public:
    // Starts a program (ShellExecute "open"): program, parameter text, working folder.
    using ProgramStarter =
        std::function<bool(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder)>;
    // Wall-clock time in whole seconds since 1970.
    using WallClock = std::function<std::time_t()>;

    // Empty `start` and `clock` mean the platform's program start and the system clock.
    DownloadComponent(DuiLib::CPaintManagerUI& pm, const ClientConfig& config, const UserInfo& user,
                      WorkerOwner& workers, FileUpdateSettings settings, ProgramStarter start = {},
                      WallClock clock = {});

    void Register(MainWindowRoutes& routes);

    // Client mode: brings the program folder level with the server's list.
    void StartClientUpdate(HWND window);

    // A plugin entry opened by a signed-in user: shows (or resets) the option's
    // status control and starts a plugin-mode run, even while an earlier run for
    // the same plugin is still busy.
    void StartDownload(HWND window, DuiLib::CControlUI& option);

    // The status control of that name, or null.
    CDownloadStatusUI* FindStatus(std::string_view name) const;

    // Final reports of client-mode runs received so far (they show nothing).
    int ClientUpdatesFinished() const { return m_clientUpdatesFinished; }

private:
    // ---- handlers ----
    void CloseStatus(DuiLib::CControlUI& button);
    void OnProgress(const UpdateProgress& progress);
    bool OnCancelQuery(const UpdateProgress& progress) const;
    void StartPluginProgram(const std::string& program);

    DuiLib::CPaintManagerUI& m_pm;
    const ClientConfig& m_config;
    const UserInfo& m_user;
    WorkerOwner& m_workers;
    FileUpdateSettings m_settings;
    ProgramStarter m_start;
    WallClock m_clock;
    std::string m_lastStartTime;  // whole seconds of the last program start, as text
    int m_clientUpdatesFinished = 0;
};

// percent = DoneBytes * 100 / NeededBytes, truncated and kept within 0..100;
// 0 when nothing was needed.
int ProgressPercent(const UpdateProgress& progress);

// Where `option` lies in its parent's frame (the frame floating controls use).
RECT RectInParent(DuiLib::CControlUI& option);

}  // namespace quorvi
