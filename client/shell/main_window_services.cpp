#include "client/shell/main_window_services.h"

#include "client/browser/http_content_thread.h"
#include "client/catalogue/catalogue_document.h"
#include "client/update/update_apps_thread.h"
#include "platform/process.h"

namespace quorvi {

bool SystemServices::IsProgramRunning(const std::string& path) {
    return platform::IsProgramRunning(path);
}

void SystemServices::KillProgram(const std::string& path) {
    platform::KillProgram(path);
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
