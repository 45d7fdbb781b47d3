// Sections: helpers | close side panels | component
#include "client/panels/side_panels.h"

#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "ui/core/UIlib.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::CPaintManagerUI;

// ---- helpers -------------------------------------------------------------------------------
namespace {

// A panel found as the parent of one of its buttons; null when either is missing.
CControlUI* PanelOf(CPaintManagerUI& pm, std::string_view button) {
    CControlUI* control = pm.FindControl(button);
    return control ? control->GetParent() : nullptr;
}

void Hide(CControlUI* control) {
    if (control) control->SetVisible(false);
}

void Toggle(CControlUI* control) {
    if (control) control->SetVisible(!control->IsVisible());
}

// The side bar handle's place in the side bar, collapsed or not.
constexpr RECT kExpandBarPos{0, 24, 25, 52};

}  // namespace

// ---- close side panels ----------------------------------------------------------------------
void HideNewsPanel(CPaintManagerUI& pm) {
    Hide(PanelOf(pm, "btnCloseNewsPanel"));
}

void CloseSidePanels(CPaintManagerUI& pm, CControlUI* settingPanel) {
    HideNewsPanel(pm);
    Hide(settingPanel);
    Hide(PanelOf(pm, "btnCloseHistoryPanel"));
}

// ---- component -----------------------------------------------------------------------------
void SidePanelsComponent::Register(MainWindowRoutes& routes) {
    routes.OnClick(ClickRule::ShowSecondBackground, [this](CControlUI&) {
        if (CControlUI* layer = m_pm.FindControl("laySecondBg")) layer->SetVisible(true);
    });
    routes.OnClick(ClickRule::HideSecondBackground,
                   [this](CControlUI&) { Hide(m_pm.FindControl("laySecondBg")); });
    routes.OnClick(ClickRule::HideSideBar, [this](CControlUI&) { SetSideBarCollapsed(true); });
    routes.OnClick(ClickRule::ExpandSideBar, [this](CControlUI&) { SetSideBarCollapsed(false); });
    routes.OnClick(ClickRule::NewsPanel, [this](CControlUI&) { ToggleNewsPanel(); });
    routes.OnClick(ClickRule::HistoryPanel, [this](CControlUI&) { ToggleHistoryPanel(); });
    routes.OnClick(ClickRule::TipsPanel, [this](CControlUI& button) { OnTipsPanelButton(button); });
    routes.OnHomeViewFocus([this] { HideNewsPanel(m_pm); });
}

void SidePanelsComponent::SetSideBarCollapsed(bool collapsed) {
    if (CControlUI* handle = m_pm.FindControl("ExpandBarContainer")) {
        handle->SetVisible(collapsed);
        handle->SetPos(kExpandBarPos);
    }
    if (CControlUI* body = m_pm.FindControl("FloatContainer")) body->SetVisible(!collapsed);
}

void SidePanelsComponent::ToggleNewsPanel() {
    Toggle(PanelOf(m_pm, "btnCloseNewsPanel"));
    Hide(PanelOf(m_pm, "btnCloseHistoryPanel"));
}

void SidePanelsComponent::ToggleHistoryPanel() {
    Toggle(PanelOf(m_pm, "btnCloseHistoryPanel"));
    HideNewsPanel(m_pm);
}

void SidePanelsComponent::OnTipsPanelButton(CControlUI& button) {
    Hide(PanelOf(m_pm, "btnCloseTipsPanel"));
    if (button.GetName() != "btnShowUpdateLog") return;
    // No application id: the update log opens in a dialog of its own.
    Raise(m_pm.GetPaintWindow(), OpenApplication{std::nullopt, urls::kUpdateLogUrl.str()});
}

}  // namespace quorvi
