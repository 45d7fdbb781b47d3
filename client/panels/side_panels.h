// The panels of the main window's skin that open and close on clicks: the side
// bar (collapsed to its handle "ExpandBarContainer" or expanded to
// "FloatContainer"), the news, history and tips panels (each the parent of its
// close button), and the second background "laySecondBg". The tips panel's
// update-log button opens the update log in an application dialog.
//
// "Close side panels" (news, settings, history) is the step the home view and
// the catalogue run before they show something else; the main window hands it
// to them.
#pragma once

#include "client/common/main_window_routes.h"

namespace DuiLib {
class CControlUI;
class CPaintManagerUI;
}  // namespace DuiLib

namespace quorvi {

// Hides the news panel (the parent of "btnCloseNewsPanel"), when the skin has it.
void HideNewsPanel(DuiLib::CPaintManagerUI& pm);

// Hides the news panel, the settings panel (when the reference is set) and the
// history panel.
void CloseSidePanels(DuiLib::CPaintManagerUI& pm, DuiLib::CControlUI* settingPanel);

class SidePanelsComponent {
public:
    // `settingPanel` is the main window's reference to "containerSettingDialog",
    // null until it is looked up.
    SidePanelsComponent(DuiLib::CPaintManagerUI& pm, DuiLib::CControlUI* const& settingPanel)
        : m_pm(pm), m_settingPanel(settingPanel) {}

    void Register(MainWindowRoutes& routes);

    void CloseSidePanels() { quorvi::CloseSidePanels(m_pm, m_settingPanel); }

private:
    void SetSideBarCollapsed(bool collapsed);
    void ToggleNewsPanel();
    void ToggleHistoryPanel();
    void OnTipsPanelButton(DuiLib::CControlUI& button);

    DuiLib::CPaintManagerUI& m_pm;
    DuiLib::CControlUI* const& m_settingPanel;
};

}  // namespace quorvi
