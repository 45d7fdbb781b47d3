// The settings panel "containerSettingDialog" of the main window's skin: the
// home page check box, the channel options (the check box's siblings named
// "optSettingChannel..." with the channel as user data), the download folder
// (default or custom, the folder box and its picker) and the dialog buttons
// ("btnSettingDialogOk" saves and closes, "...Apply" saves, any other
// "btnSettingDialog..." closes without saving).
//
// Sections: showing and saving | component
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "client/common/client_config.h"
#include "client/common/database.h"
#include "client/common/main_window_routes.h"

namespace DuiLib {
class CControlUI;
class CPaintManagerUI;
}  // namespace DuiLib

namespace quorvi {

// ---- showing and saving -------------------------------------------------------------------
// Puts the settings into the panel's controls: the home-page check box, the
// channel option whose user data equals the channel exactly, the default or
// custom folder option and the folder box. Each step needs its control; a
// missing one ends the steps there. Options that do not match keep their state.
void ShowSettings(DuiLib::CPaintManagerUI& manager, const ClientConfig& config);

// Reads the panel into `config` and writes it to the `config` row. Without the
// check box nothing changes; without the custom folder option only the home
// page and channel are taken and nothing is written. A custom folder with an
// empty box, or the default option, stores `programFolder`. Returns whether
// the row was written.
bool SaveSettings(DuiLib::CPaintManagerUI& manager, ClientConfig& config, LocalDatabase& db,
                  const std::string& programFolder);

// ---- component ----------------------------------------------------------------------------
// The folder the user chose in the system's folder picker, or nothing.
using FolderPicker = std::function<std::optional<std::string>(HWND owner)>;
// The system folder picker (folders only, no title); nothing without a display.
FolderPicker SystemFolderPicker();

class SettingsPanelComponent {
public:
    // `settingPanel` is the main window's reference to "containerSettingDialog"
    // (null until looked up); `programFolder` is where downloads go by default.
    SettingsPanelComponent(DuiLib::CPaintManagerUI& pm, LocalDatabase& db, ClientConfig& config,
                           std::string programFolder, DuiLib::CControlUI* const& settingPanel,
                           FolderPicker pickFolder = SystemFolderPicker());

    void Register(MainWindowRoutes& routes);

    // Shows the loaded settings; called once, at start-up.
    void Show() { ShowSettings(m_pm, m_config); }

private:
    void TogglePanel();
    void PickFolder();
    void OnDialogButton(DuiLib::CControlUI& button);

    DuiLib::CPaintManagerUI& m_pm;
    LocalDatabase& m_db;
    ClientConfig& m_config;
    const std::string m_programFolder;
    DuiLib::CControlUI* const& m_settingPanel;
    FolderPicker m_pickFolder;
};

}  // namespace quorvi
