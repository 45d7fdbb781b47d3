// The settings panel "containerSettingDialog" of the main window's skin: its
// controls show the settings record.
#pragma once

#include "client/common/client_config.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace quorvi {

// Puts the settings into the panel's controls: the home-page check box, the
// channel option whose user data equals the channel exactly, the default or
// custom folder option and the folder box. Each step needs its control; a
// missing one ends the steps there. Options that do not match keep their state.
void ShowSettings(DuiLib::CPaintManagerUI& manager, const ClientConfig& config);

}  // namespace quorvi
