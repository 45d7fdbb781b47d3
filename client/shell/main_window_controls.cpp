#include "client/shell/main_window_controls.h"

#include "ui/core/paint_manager.h"

namespace quorvi {

void MainWindowControls::LookUp(const DuiLib::CPaintManagerUI& manager) {
    signature = manager.FindControl("signature");
    listSearchResult = manager.FindControl("listSearchResult");
    container1 = manager.FindControl("Container1");
    ieContainer = manager.FindControl("ieContainer");
    closeButton = manager.FindControl("closebtn");
    maxButton = manager.FindControl("maxbtn");
    restoreButton = manager.FindControl("restorebtn");
    minButton = manager.FindControl("minbtn");
    settingDialog = manager.FindControl("containerSettingDialog");
}

}  // namespace quorvi
