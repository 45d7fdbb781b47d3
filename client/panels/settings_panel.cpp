// Sections: helpers | showing | saving | component
#include "client/panels/settings_panel.h"

#include "client/panels/side_panels.h"
#include "platform/files.h"
#include "ui/core/UIlib.h"
#include "ui/core/shell_dialogs.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::COptionUI;

// ---- helpers -------------------------------------------------------------------------------
namespace {

COptionUI* FindOption(DuiLib::CPaintManagerUI& manager, std::string_view name) {
    CControlUI* control = manager.FindControl(name);
    return control ? static_cast<COptionUI*>(control->GetInterface("Option")) : nullptr;
}

bool IsChannelOption(const CControlUI* control) {
    return control && control->GetName().starts_with("optSettingChannel");
}

// The program folder as downloads use it: ending in the platform's separator.
std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != platform::kPathSeparator)
        folder += platform::kPathSeparator;
    return folder;
}

}  // namespace

// ---- showing -------------------------------------------------------------------------------
void ShowSettings(DuiLib::CPaintManagerUI& manager, const ClientConfig& config) {
    COptionUI* autoStart = FindOption(manager, "optSettingIsAutoStartWebPage");
    if (!autoStart) return;
    autoStart->Selected(config.AutoStartWebPage, false);

    // The channel options are the check box's siblings.
    if (CControlUI* panel = autoStart->GetParent()) {
        for (int i = 0; i < panel->GetChildCount(); ++i) {
            CControlUI* child = panel->GetChildAt(i);
            if (!IsChannelOption(child)) continue;
            auto* channel = static_cast<COptionUI*>(child->GetInterface("Option"));
            if (channel && child->GetUserData() == config.WebPageChannel)
                channel->Selected(true, false);
        }
    }

    COptionUI* savePlace = FindOption(
        manager, config.IsDefaultSavePath ? "optSettingSaveDefault" : "optSettingSaveCustom");
    if (!savePlace) return;
    savePlace->Selected(true, false);

    if (CControlUI* folderBox = manager.FindControl("txtSettingSavePath"))
        folderBox->SetText(config.SavePath);
}

// ---- saving --------------------------------------------------------------------------------
bool SaveSettings(DuiLib::CPaintManagerUI& manager, ClientConfig& config, LocalDatabase& db,
                  const std::string& programFolder) {
    COptionUI* autoStart = FindOption(manager, "optSettingIsAutoStartWebPage");
    if (!autoStart) return false;
    config.AutoStartWebPage = autoStart->IsSelected();

    if (CControlUI* panel = autoStart->GetParent()) {
        for (int i = 0; i < panel->GetChildCount(); ++i) {
            CControlUI* child = panel->GetChildAt(i);
            if (!IsChannelOption(child)) continue;
            auto* channel = static_cast<COptionUI*>(child->GetInterface("Option"));
            if (channel && channel->IsSelected()) {
                config.WebPageChannel = child->GetUserData();
                break;
            }
        }
    }

    COptionUI* custom = FindOption(manager, "optSettingSaveCustom");
    if (!custom) return false;
    const std::string defaultFolder = WithSeparator(programFolder);
    std::string chosen;
    if (custom->IsSelected()) {
        if (CControlUI* folderBox = manager.FindControl("txtSettingSavePath"))
            chosen = folderBox->GetText();
    }
    config.IsDefaultSavePath = chosen.empty();
    config.SavePath = chosen.empty() ? defaultFolder : chosen;
    // The values are bound: a folder holding a quote is stored as it is.
    return WriteSettings(db, config);
}

// ---- component -----------------------------------------------------------------------------
FolderPicker SystemFolderPicker() {
    return [](HWND owner) { return ui::BrowseForFolder(owner, ""); };
}

SettingsPanelComponent::SettingsPanelComponent(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                                               ClientConfig& config, std::string programFolder,
                                               CControlUI* const& settingPanel,
                                               FolderPicker pickFolder)
    : m_pm(pm),
      m_db(db),
      m_config(config),
      m_programFolder(std::move(programFolder)),
      m_settingPanel(settingPanel),
      m_pickFolder(std::move(pickFolder)) {}

void SettingsPanelComponent::Register(MainWindowRoutes& routes) {
    routes.OnClick(ClickRule::SettingPanel, [this](CControlUI&) { TogglePanel(); });
    routes.OnClick(ClickRule::BrowseFolder, [this](CControlUI&) { PickFolder(); });
    routes.OnClick(ClickRule::SettingDialogButton,
                   [this](CControlUI& button) { OnDialogButton(button); });
}

void SettingsPanelComponent::TogglePanel() {
    if (m_settingPanel) m_settingPanel->SetVisible(!m_settingPanel->IsVisible());
    HideNewsPanel(m_pm);
}

void SettingsPanelComponent::PickFolder() {
    if (!m_pickFolder) return;
    const std::optional<std::string> folder = m_pickFolder(m_pm.GetPaintWindow());
    if (!folder || folder->empty()) return;
    // Only the box changes: nothing is chosen or saved before OK or Apply.
    if (CControlUI* folderBox = m_pm.FindControl("txtSettingSavePath")) folderBox->SetText(*folder);
}

void SettingsPanelComponent::OnDialogButton(CControlUI& button) {
    const std::string name = button.GetName();
    if (name == "btnSettingDialogOk" || name == "btnSettingDialogApply")
        SaveSettings(m_pm, m_config, m_db, m_programFolder);
    if (name == "btnSettingDialogApply") return;
    if (CControlUI* parent = button.GetParent()) parent->SetVisible(false);
}

}  // namespace quorvi
