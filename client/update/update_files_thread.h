// The file update: brings a folder level with the file list the update server
// publishes for it, judging files by their MD5 digest.
//
// Client mode updates the program folder at every start; plugin mode updates one
// plugin's folder below "plugins/" each time its catalogue entry is opened. A
// file that is missing is put in place; a file that exists is never written
// over: its new content goes beside it as name + ".vmupdate", which the final
// updater swaps in later. Downloads land in name + ".tmp" first and count only
// when their digest matches the list. A file transfer stops as soon as it grows
// past the size the list gives.
//
// The worker reports to a window by value: DownloadProgress (delivered) after
// each changed file and once at the end with Finished set (and Failed, when the
// list or a file did not arrive whole or could not be put in place), and in plugin mode
// DownloadCancelQuery (raised, waiting for the answer) after each changed file;
// an answer of true ends the run without the final report.
//
// Sections: records | where a run looks | one run | the worker
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "client/common/client_config.h"
#include "client/common/events.h"
#include "client/common/worker_thread.h"
#include "libmerv/http_get.h"
#include "ui/core/win_types.h"

namespace quorvi {

// ---- records -----------------------------------------------------------------------------
// A run's progress is an UpdateProgress (events.h), of which each report carries a copy.

// What opening a plugin entry hands the plugin-mode run.
struct PluginUpdateRequest {
    HWND window = nullptr;
    std::string pluginPath;  // the entry's user data, "/" separators ("calc/calc.sh")
    std::string statusName;
    ClientConfig config;  // only IsDefaultSavePath and SavePath are read
};

// Where the files come from and how patient the transfers are.
struct FileUpdateSettings {
    std::string programFolder;  // ends in the separator
    std::string updateServer;   // base URL, ends in "/"
    merv::HttpLimits limits;

    // The running program's folder (or `programFolder`) and the portal's update server.
    static FileUpdateSettings Default();
    static FileUpdateSettings Default(std::string programFolder);
};

// ---- where a run looks -------------------------------------------------------------------
struct FileUpdatePlan {
    std::string baseDir;  // the folder the list describes, ends in the separator
    std::string listUrl;
    std::string pluginPath;  // plugin mode: what the final report carries
    // A plugin path with a "." or ".." part would lead out of the plugins
    // folder: nothing is fetched and nothing is started for it.
    bool refused = false;
};

// Client mode: the program folder and the plain list.
FileUpdatePlan PlanClientUpdate(const FileUpdateSettings& settings);

// Plugin mode. The folder is the program folder, or SavePath when it is not the
// default; a plugin path "tool/run.sh" then gives the folder + "plugins/tool/",
// the list "?dir=tool" and the program folder + "plugins/tool/run.sh". A path
// without a folder part (no separator, or one at its start) keeps the plain
// folder, the plain list and the path as it stands.
FileUpdatePlan PlanPluginUpdate(const std::string& pluginPath, const ClientConfig& config,
                                const FileUpdateSettings& settings);

// ---- one run -----------------------------------------------------------------------------
struct FileUpdateReports {
    std::function<void(const UpdateProgress&)> progress;  // after each changed file, and at the end
    // Plugin mode, after each changed file: true ends the run at once.
    std::function<bool(const UpdateProgress&)> cancelRequested;
};

enum class FileUpdateEnd {
    Finished,   // the final report was made; the folder is level with the list
    Failed,     // the final report was made with Failed set
    Cancelled,  // cancelRequested answered true
    Stopped,    // the stop flag was set (the program is ending)
};

// Fetches the list into plan.baseDir + "filesinfo.txt" and works through it in
// two passes. `progress` holds PluginMode and StatusName on entry; the run sets
// the rest. A list that does not arrive whole counts as an empty list and fails
// the run; a file that fails does not stop the run, the others are still fetched.
FileUpdateEnd RunFileUpdate(const FileUpdatePlan& plan, const FileUpdateSettings& settings,
                            UpdateProgress& progress, const FileUpdateReports& reports,
                            const std::atomic<bool>* stop = nullptr);

// ---- the worker --------------------------------------------------------------------------
class CUpdateFilesThread : public CThread {
public:
    // Client mode: the program folder, reporting to `window`.
    explicit CUpdateFilesThread(HWND window,
                                FileUpdateSettings settings = FileUpdateSettings::Default());
    // Plugin mode.
    explicit CUpdateFilesThread(PluginUpdateRequest request,
                                FileUpdateSettings settings = FileUpdateSettings::Default());
    ~CUpdateFilesThread() override { StopAndJoin(); }

protected:
    int Run() override;

private:
    UpdateProgress m_progress;  // the worker's own; reports carry copies
    HWND m_notifyWindow = nullptr;
    std::string m_baseDir;
    ClientConfig m_config;
    FileUpdateSettings m_settings;
};

}  // namespace quorvi
