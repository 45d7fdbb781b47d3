#include "client/shell/main_window_services.h"

#include "client/account/http_content_thread.h"
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
    (new CUpdateAppsThread(std::move(settings)))->Start();
}

void SystemServices::StartRechargeParamsFetch(HWND target, const std::string& schoolAccount) {
    (new CHttpContentCallbackThread(target, schoolAccount))->Start();
}

void SystemServices::StartScriptPluginFetch(HWND target) {
    (new CHttpContentCallbackThread(target))->Start();
}

}  // namespace quorvi
