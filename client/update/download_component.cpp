// Sections: construction | starting runs | handlers | placement
#include "client/update/download_component.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/process.h"

namespace quorvi {

using DuiLib::CControlUI;

// ---- construction ------------------------------------------------------------------------

DownloadComponent::DownloadComponent(DuiLib::CPaintManagerUI& pm, const ClientConfig& config,
                                     const UserInfo& user, WorkerOwner& workers,
                                     FileUpdateSettings settings, ProgramStarter start,
                                     WallClock clock)
    : m_pm(pm),
      m_config(config),
      m_user(user),
      m_workers(workers),
      m_settings(std::move(settings)),
      m_start(start ? std::move(start) : ProgramStarter(platform::StartProgram)),
      m_clock(clock ? std::move(clock) : WallClock([] { return std::time(nullptr); })) {}

void DownloadComponent::Register(MainWindowRoutes& routes) {
    routes.OnClick(ClickRule::CloseDownloadStatus,
                   [this](CControlUI& button) { CloseStatus(button); });
    routes.On<DownloadProgress>(
        [this](const DownloadProgress& report) { OnProgress(report.progress); });
    routes.On<DownloadCancelQuery>(
        [this](const DownloadCancelQuery& query) { return OnCancelQuery(query.progress); });
}

// ---- starting runs -----------------------------------------------------------------------
namespace {

DuiLib::CContainerUI* ParentContainer(const CControlUI& control) {
    CControlUI* parent = control.GetParent();
    return parent ? static_cast<DuiLib::CContainerUI*>(parent->GetInterface("Container")) : nullptr;
}

}  // namespace

void DownloadComponent::StartClientUpdate(HWND window) {
    m_workers.Start(std::make_unique<CUpdateFilesThread>(window, m_settings));
}

void DownloadComponent::StartDownload(HWND window, CControlUI& option) {
    const std::string pluginPath = option.GetUserData();
    const std::string name = DownloadStatusNameFor(option.GetName());

    if (CDownloadStatusUI* status = FindStatus(name)) {
        status->Progress().SetValue(0);
        status->SetCancelled(0);
        status->SetFailed(false);
        status->SetVisible(true);
    } else if (DuiLib::CContainerUI* parent = ParentContainer(option)) {
        auto* created = new CDownloadStatusUI;
        const RECT over = RectInParent(option);
        parent->Add(created);
        created->SetPos({over.left, over.top - 7, over.right, over.bottom});
        created->SetName(name);
    }

    m_workers.Start(std::make_unique<CUpdateFilesThread>(
        PluginUpdateRequest{window, pluginPath, name, m_config}, m_settings));
}

CDownloadStatusUI* DownloadComponent::FindStatus(std::string_view name) const {
    return CDownloadStatusUI::From(m_pm.FindControl(name));
}

// ---- handlers ----------------------------------------------------------------------------

void DownloadComponent::CloseStatus(CControlUI& button) {
    if (CDownloadStatusUI* status = FindStatus(button.GetUserData())) {
        status->SetVisible(false);
        status->SetCancelled(1);
    }
}

bool DownloadComponent::OnCancelQuery(const UpdateProgress& progress) const {
    const CDownloadStatusUI* status = FindStatus(progress.StatusName);
    return status && status->Cancelled();
}

void DownloadComponent::OnProgress(const UpdateProgress& progress) {
    if (!progress.PluginMode) {
        if (progress.Finished) ++m_clientUpdatesFinished;
        return;
    }
    CDownloadStatusUI* status = FindStatus(progress.StatusName);
    // A report queued before the user closed the control belongs to a download
    // they gave up: it neither shows the control again nor starts the program.
    if (status && status->Cancelled()) return;
    const bool failed = progress.Finished && progress.Failed;
    if (status) {
        status->Progress().SetValue(ProgressPercent(progress));
        // A failure stays in view until the user closes it.
        status->SetFailed(failed);
        status->SetVisible(!progress.Finished || failed);
    }
    // Files that did not all arrive are no program to start.
    if (progress.Finished && !failed) StartPluginProgram(progress.PluginPath);
}

void DownloadComponent::StartPluginProgram(const std::string& program) {
    // An empty path is a plugin path that was refused: there is nothing to start.
    if (program.empty()) return;
    // At most one start per second of wall-clock time.
    const std::string now = std::to_string(static_cast<long long>(m_clock()));
    if (now == m_lastStartTime) return;
    m_lastStartTime = now;

    // One argument by the command-line rules: account'password'1.
    const std::string parameters = m_user.account + "'" + m_user.password + "'" + "1";
    const std::size_t folderEnd = program.rfind(platform::kPathSeparator);
    const std::string folder = folderEnd == std::string::npos ? "" : program.substr(0, folderEnd);
    m_start(program, parameters, folder);  // a missing program fails silently
}

int ProgressPercent(const UpdateProgress& progress) {
    if (progress.NeededBytes <= 0) return 0;
    const double percent = double(progress.DoneBytes) * 100.0 / double(progress.NeededBytes);
    return std::clamp(static_cast<int>(percent), 0, 100);
}

// ---- placement ---------------------------------------------------------------------------

RECT RectInParent(CControlUI& option) {
    if (option.IsFloat() || option.GetParent() == nullptr) return option.GetPos();
    // A laid-out option: its place on the window, less where the parent's content starts.
    RECT rect = option.GetAbsolutePos();
    const RECT parent = option.GetParent()->GetAbsolutePos();
    LONG dy = -parent.top;
    if (const DuiLib::CContainerUI* container = ParentContainer(option))
        dy += container->GetScrollPos();
    rect.left -= parent.left;
    rect.right -= parent.left;
    rect.top += dy;
    rect.bottom += dy;
    return rect;
}

}  // namespace quorvi
