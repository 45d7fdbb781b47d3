#include "client/shell/settings_panel.h"

#include "ui/core/UIlib.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::COptionUI;

namespace {

COptionUI* FindOption(DuiLib::CPaintManagerUI& manager, std::string_view name) {
    CControlUI* control = manager.FindControl(name);
    return control ? static_cast<COptionUI*>(control->GetInterface("Option")) : nullptr;
}

}  // namespace

void ShowSettings(DuiLib::CPaintManagerUI& manager, const ClientConfig& config) {
    COptionUI* autoStart = FindOption(manager, "optSettingIsAutoStartWebPage");
    if (!autoStart) return;
    autoStart->Selected(config.AutoStartWebPage, false);

    // The channel options are the check box's siblings.
    if (CControlUI* panel = autoStart->GetParent()) {
        for (int i = 0; i < panel->GetChildCount(); ++i) {
            CControlUI* child = panel->GetChildAt(i);
            if (!child || !child->GetName().starts_with("optSettingChannel")) continue;
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

}  // namespace quorvi
