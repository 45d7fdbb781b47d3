#include "client/shell/main_window_services.h"

#include "client/account/http_content_thread.h"
#include "client/catalogue/catalogue_document.h"
#include "client/update/update_apps_thread.h"
#include "platform/process.h"

namespace quorvi {

bool SystemServices::IsProcessRunning(const std::string& imageName) {
    return platform::IsProcessRunning(imageName);
}

void SystemServices::KillProcesses(const std::string& imageName) {
    platform::KillProcessesByName(imageName);
}

void SystemServices::StartProgram(const std::string& path) {
    platform::StartProgram(path, "", "");
}

void SystemServices::StartAppListUpdate(const std::string& programFolder) {
    AppsUpdateSettings settings = AppsUpdateSettings::Default();
    settings.programFolder = programFolder;
    settings.isCatalogue = IsReadableCatalogue;
    m_workers.Start(std::make_unique<CUpdateAppsThread>(std::move(settings)));
}

void SystemServices::StartRechargeParamsFetch(HWND target, const std::string& schoolAccount) {
    m_workers.Start(std::make_unique<CHttpContentCallbackThread>(target, schoolAccount));
}

void SystemServices::StartScriptPluginFetch(HWND target) {
    m_workers.Start(std::make_unique<CHttpContentCallbackThread>(target));
}

}  // namespace quorvi
