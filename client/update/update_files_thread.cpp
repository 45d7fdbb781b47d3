// Sections: settings | plans | local files and digests | downloads | the run | the worker
#include "client/update/update_files_thread.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <unordered_map>
#include <vector>

#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "client/update/file_list.h"
#include "libmerv/libmerv.h"
#include "platform/files.h"
#include "platform/text.h"

namespace quorvi {

// ---- settings ----------------------------------------------------------------------------

FileUpdateSettings FileUpdateSettings::Default() {
    return Default(platform::ProgramFolder());
}

FileUpdateSettings FileUpdateSettings::Default(std::string programFolder) {
    return {std::move(programFolder), urls::kUpdateServer.str(), merv::kDefaultHttpLimits};
}

// ---- plans -------------------------------------------------------------------------------
namespace {

constexpr char kFileListName[] = "filesinfo.txt";
constexpr char kPluginsFolder[] = "plugins";

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != platform::kPathSeparator)
        folder += platform::kPathSeparator;
    return folder;
}

std::string FileListUrl(const FileUpdateSettings& settings, const std::string& pluginFolder) {
    std::string url = settings.updateServer + "pub/UpdateFiles.php";
    if (!pluginFolder.empty()) url += "?dir=" + pluginFolder;  // as it stands, unescaped
    return url;
}

// Whether a path has a part "." or ".." (either separator counts).
bool HasDotPart(std::string_view path) {
    while (true) {
        const std::size_t end = path.find_first_of("/\\");
        const std::string_view part = path.substr(0, end);
        if (part == "." || part == "..") return true;
        if (end == std::string_view::npos) return false;
        path.remove_prefix(end + 1);
    }
}

}  // namespace

FileUpdatePlan PlanClientUpdate(const FileUpdateSettings& settings) {
    return {settings.programFolder, FileListUrl(settings, ""), "", false};
}

FileUpdatePlan PlanPluginUpdate(const std::string& pluginPath, const ClientConfig& config,
                                const FileUpdateSettings& settings) {
    FileUpdatePlan plan;
    plan.baseDir =
        config.IsDefaultSavePath ? settings.programFolder : WithSeparator(config.SavePath);
    plan.listUrl = FileListUrl(settings, "");
    plan.pluginPath = pluginPath;
    if (HasDotPart(pluginPath)) {
        plan.refused = true;
        plan.pluginPath.clear();
        return plan;
    }

    const std::size_t separator = pluginPath.find(platform::kPathSeparator);
    if (separator == std::string::npos || separator == 0) return plan;
    const std::string folder = pluginPath.substr(0, separator);
    const std::string plugins = plan.baseDir + kPluginsFolder + platform::kPathSeparator;
    plan.pluginPath = plugins + pluginPath;
    plan.baseDir = plugins + folder + platform::kPathSeparator;
    plan.listUrl = FileListUrl(settings, folder);
    return plan;
}

// ---- local files and digests -------------------------------------------------------------
namespace {

struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t inode = 0;

    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(platform::GbkToUtf8(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileStamp{
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
        static_cast<std::int64_t>(info.st_ino)};
}

// Digests of local files, remembered with the file's size, modification time
// and inode, so the second pass reads only files that changed since the first.
class DigestMemo {
public:
    // An unreadable or missing file gives "", which matches no listed digest.
    std::string DigestOf(const std::string& path) {
        const std::optional<FileStamp> before = StampOf(path);
        if (!before) return {};
        auto known = m_known.find(path);
        if (known != m_known.end() && known->second.stamp == *before) return known->second.digest;
        std::optional<Known> fresh = Compute(path);
        if (!fresh) return Clibmerv::FileDigest(path);
        return m_known.insert_or_assign(path, std::move(*fresh)).first->second.digest;
    }

    // Digests every path on a few threads at once (the first pass reads every
    // listed file, and a program folder holds thousands).
    void Prefetch(const std::vector<std::string>& paths, const std::atomic<bool>* stop) {
        std::vector<std::optional<Known>> results(paths.size());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i; (i = next++) < paths.size();) {
                if (stop != nullptr && stop->load()) return;
                results[i] = Compute(paths[i]);
            }
        };
        const unsigned helpers =
            paths.size() < 64 ? 0
                              : std::min(3u, std::max(1u, std::thread::hardware_concurrency()) - 1);
        std::vector<std::jthread> threads;
        for (unsigned i = 0; i < helpers; ++i) threads.emplace_back(work);
        work();
        threads.clear();  // joins
        for (std::size_t i = 0; i < paths.size(); ++i)
            if (results[i]) m_known.insert_or_assign(paths[i], std::move(*results[i]));
    }

private:
    struct Known {
        FileStamp stamp;
        std::string digest;
    };

    // Empty for a missing file and for one that changed while it was read.
    static std::optional<Known> Compute(const std::string& path) {
        const std::optional<FileStamp> before = StampOf(path);
        if (!before) return std::nullopt;
        std::string digest = Clibmerv::FileDigest(path);
        if (digest.empty() || StampOf(path) != before) return std::nullopt;
        return Known{*before, std::move(digest)};
    }

    std::unordered_map<std::string, Known> m_known;
};

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(platform::GbkToUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- downloads ---------------------------------------------------------------------------

// Creates each missing folder on the way to the file at `path`, from the top down.
void CreateFoldersFor(const std::string& path) {
    for (std::size_t end = path.find(platform::kPathSeparator, 1); end != std::string::npos;
         end = path.find(platform::kPathSeparator, end + 1)) {
        const std::string folder = path.substr(0, end);
        if (!platform::FileExists(folder)) platform::CreateDirectory(folder);
    }
}

// One line per progress call on standard output, as "* received / expected (percent %)".
void PrintTransferProgress(std::uint64_t received, std::uint64_t expected) {
    const double percent = expected > 0 ? 100.0 * double(received) / double(expected) : 0.0;
    std::printf("%s %g / %g (%g %%)\n", "*", double(received), double(expected), percent);
}

// GET url into path. The file is written only when the whole answer arrived
// with a success status and at most `maximumSize` bytes; otherwise what was at
// path stays as it was.
bool DownloadFile(const std::string& url, const std::string& path,
                  const FileUpdateSettings& settings, const std::atomic<bool>* stop,
                  std::uint64_t maximumSize) {
    CreateFoldersFor(path);
    merv::HttpOptions options;
    options.limits = settings.limits;
    options.limits.maximumBodySize = maximumSize;
    options.stop = stop;
    options.progress = PrintTransferProgress;
    // Nothing fetched here is trusted before its digest is checked, so it need
    // not reach the disk before it takes its name (see PutInPlace).
    options.durable = false;
    return merv::HttpGetFile(url, path, options).Succeeded();
}

// Waits until the file's content is on the disk.
void FlushToDisk(const std::string& path) {
    const int fd = ::open(platform::GbkToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A downloaded file whose digest matched: put in place when `local` is new,
// otherwise beside it as the side file (an older side file is replaced).
//
// A new file torn by a crash is found by the next run's digest check; a side
// file is swapped in by the final updater without any check, so it is flushed
// to the disk before it takes its name. False when neither name could be taken.
bool PutInPlace(const std::string& temporary, const std::string& local) {
    if (platform::MoveFile(temporary, local)) return true;  // never replaces
    FlushToDisk(temporary);
    const std::string side = local + ".vmupdate";
    // One rename either way, so no moment exists without a side file that was there.
    if (platform::FileExists(side)) return platform::ReplaceFile(side, temporary);
    return platform::MoveFile(temporary, side);
}

}  // namespace

// ---- the run -----------------------------------------------------------------------------

FileUpdateEnd RunFileUpdate(const FileUpdatePlan& plan, const FileUpdateSettings& settings,
                            UpdateProgress& progress, const FileUpdateReports& reports,
                            const std::atomic<bool>* stop) {
    const auto stopped = [stop] { return stop != nullptr && stop->load(); };
    progress.PluginPath = plan.pluginPath;
    progress.NeededBytes = 0;
    progress.DoneBytes = 0;
    progress.Finished = false;

    FileList list;
    // A refused plugin path gets nothing: that is a failed download to its user.
    progress.Failed = plan.refused;
    if (!plan.refused) {
        const std::string listPath = plan.baseDir + kFileListName;
        if (DownloadFile(plan.listUrl, listPath, settings, stop, settings.limits.maximumBodySize))
            list = ParseFileList(ReadWholeFile(listPath));
        else
            progress.Failed = true;
    }
    if (stopped()) return FileUpdateEnd::Stopped;

    DigestMemo digests;
    std::vector<std::string> localPaths;
    for (const FileListEntry& entry : list.entries)
        localPaths.push_back(plan.baseDir + entry.localName);
    digests.Prefetch(localPaths, stop);
    for (const FileListEntry& entry : list.entries) {
        if (stopped()) return FileUpdateEnd::Stopped;
        if (digests.DigestOf(plan.baseDir + entry.localName) != entry.digest)
            progress.NeededBytes += entry.size;
    }

    for (const FileListEntry& entry : list.entries) {
        if (stopped()) return FileUpdateEnd::Stopped;
        const std::string local = plan.baseDir + entry.localName;
        if (digests.DigestOf(local) == entry.digest) continue;

        const std::string temporary = local + ".tmp";
        // Never more than the list gives: a longer answer is not this file.
        const bool arrived =
            DownloadFile(settings.updateServer + "pub/" + entry.serverPath, temporary, settings,
                         stop, static_cast<std::uint64_t>(std::max<std::int64_t>(entry.size, 0)));
        if (stopped()) return FileUpdateEnd::Stopped;
        // A ".tmp" that does not match stays for the next run, which fetches it again.
        if (!arrived || Clibmerv::FileDigest(temporary) != entry.digest ||
            !PutInPlace(temporary, local))
            progress.Failed = true;

        if (progress.PluginMode && reports.cancelRequested && reports.cancelRequested(progress))
            return FileUpdateEnd::Cancelled;
        progress.DoneBytes += entry.size;
        if (reports.progress) reports.progress(progress);
    }

    if (stopped()) return FileUpdateEnd::Stopped;
    progress.Finished = true;
    if (reports.progress) reports.progress(progress);
    return progress.Failed ? FileUpdateEnd::Failed : FileUpdateEnd::Finished;
}

// ---- the worker --------------------------------------------------------------------------

CUpdateFilesThread::CUpdateFilesThread(HWND window, FileUpdateSettings settings)
    : m_notifyWindow(window), m_settings(std::move(settings)) {}

CUpdateFilesThread::CUpdateFilesThread(PluginUpdateRequest request, FileUpdateSettings settings)
    : m_notifyWindow(request.window),
      m_config(std::move(request.config)),
      m_settings(std::move(settings)) {
    m_progress.PluginMode = true;
    m_progress.PluginPath = std::move(request.pluginPath);
    Clibmerv::StringReplace(m_progress.PluginPath, "/", platform::kPathSeparatorText);
    m_progress.StatusName = std::move(request.statusName);
}

int CUpdateFilesThread::Run() {
    const FileUpdatePlan plan = m_progress.PluginMode
                                    ? PlanPluginUpdate(m_progress.PluginPath, m_config, m_settings)
                                    : PlanClientUpdate(m_settings);
    m_baseDir = plan.baseDir;

    // Every report is a copy: posted ones stay in order with each other and the
    // final one, and the window never reads a record this thread goes on writing.
    const HWND window = m_notifyWindow;
    FileUpdateReports reports;
    reports.progress = [window](const UpdateProgress& progress) {
        Deliver(window, DownloadProgress{progress});
    };
    reports.cancelRequested = [window](const UpdateProgress& progress) {
        return Raise(window, DownloadCancelQuery{progress});
    };
    RunFileUpdate(plan, m_settings, m_progress, reports, &StopFlag());
    return Finish();
}

}  // namespace quorvi
