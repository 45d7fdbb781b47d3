#include "launcher/check_up_pages.h"

#include "platform/text.h"
#include "ui/core/UIlib.h"

namespace vamo {

namespace {

constexpr std::string_view kShowIf = "show-if:";

void Put(PageValues& values, const char* key, const std::optional<std::uint64_t>& bytes) {
    if (bytes) values[key] = FormatBytes(*bytes);
}

void Put(PageValues& values, const char* key, const std::string& utf8) {
    if (!utf8.empty()) values[key] = platform::Utf8ToGbk(utf8);
}

void Apply(DuiLib::CControlUI* control, const PageValues& values) {
    const std::string data = control->GetUserData();
    if (data.starts_with(kShowIf)) {
        const std::string_view condition = std::string_view(data).substr(kShowIf.size());
        const size_t equals = condition.find('=');
        const auto value = values.find(std::string(condition.substr(0, equals)));
        control->SetVisible(equals != std::string_view::npos && value != values.end() &&
                            value->second == condition.substr(equals + 1));
    } else if (data.find('{') != std::string::npos) {
        if (auto text = FillPattern(data, values)) control->SetText(*text);
    }
    auto* container = static_cast<DuiLib::IContainerUI*>(control->GetInterface("IContainer"));
    if (!container) return;
    for (int i = 0; i < container->GetCount(); ++i) Apply(container->GetItemAt(i), values);
}

}  // namespace

PageValues MakePageValues(const MachineFacts& machine, const FolderFacts& folder,
                          const LauncherState& state, const std::string& programFolder) {
    PageValues values;
    Put(values, "host", machine.hostName);
    Put(values, "system", machine.systemName);
    Put(values, "kernel", machine.kernel);
    Put(values, "arch", machine.architecture);
    Put(values, "cpu", machine.processor);
    if (machine.logicalProcessors > 0) values["cpus"] = std::to_string(machine.logicalProcessors);
    Put(values, "memTotal", machine.memoryTotalBytes);
    Put(values, "memAvailable", machine.memoryAvailableBytes);
    Put(values, "diskTotal", machine.diskTotalBytes);
    Put(values, "diskFree", machine.diskFreeBytes);
    if (machine.uptimeSeconds) {
        const std::uint64_t minutes = *machine.uptimeSeconds / 60;
        values["uptimeDays"] = std::to_string(minutes / (24 * 60));
        values["uptimeHours"] = std::to_string(minutes / 60 % 24);
        values["uptimeMinutes"] = std::to_string(minutes % 60);
    }
    values["programFolder"] = programFolder;
    values["version"] = "4.05";

    values["sideFiles"] = std::to_string(folder.sideFiles);
    values["tmpFiles"] = std::to_string(folder.partialDownloads);
    values["tmpSize"] = FormatBytes(folder.partialBytes);
    values["pluginCount"] = std::to_string(folder.plugins.size());
    // No plugins: the key stays out and the page keeps its text for none.
    std::string plugins;
    for (const std::string& name : folder.plugins) plugins += (plugins.empty() ? "" : ", ") + name;
    if (!plugins.empty()) values["plugins"] = plugins;
    values["database"] = folder.databasePresent ? "present" : "absent";
    values["catalogue"] = folder.cataloguePresent ? "present" : "absent";

    values["module"] = state.moduleLoaded ? "loaded" : "missing";
    values["moduleWindow"] = state.moduleWindowEmbedded ? "embedded" : "none";
    values["entity"] = state.entity == EntitySwap::Replaced ? "replaced"
                       : state.entity == EntitySwap::Failed ? "failed"
                                                            : "nothing";
    return values;
}

void FillPages(DuiLib::CControlUI* root, const PageValues& values) {
    if (root) Apply(root, values);
}

}  // namespace vamo
