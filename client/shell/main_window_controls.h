// The controls of the main window's skin that the window keeps references to.
// They stay null until looked up, and a control the skin lacks stays null:
// notifications from it then match nothing.
#pragma once

namespace DuiLib {
class CControlUI;
class CPaintManagerUI;
}  // namespace DuiLib

namespace quorvi {

struct MainWindowControls {
    DuiLib::CControlUI* signature = nullptr;  // the search box
    DuiLib::CControlUI* listSearchResult = nullptr;
    DuiLib::CControlUI* container1 = nullptr;  // the home view
    DuiLib::CControlUI* ieContainer = nullptr;
    DuiLib::CControlUI* closeButton = nullptr;
    DuiLib::CControlUI* maxButton = nullptr;
    DuiLib::CControlUI* restoreButton = nullptr;
    DuiLib::CControlUI* minButton = nullptr;
    DuiLib::CControlUI* settingDialog = nullptr;  // "containerSettingDialog"

    // Finds every reference by name in the window's skin.
    void LookUp(const DuiLib::CPaintManagerUI& manager);
};

}  // namespace quorvi
