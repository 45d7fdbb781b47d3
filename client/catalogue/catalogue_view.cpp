// Sections: helpers | groups and home | opening an option | panels | history
#include "client/catalogue/catalogue_view.h"

#include <cstdint>
#include <cstdlib>

#include "client/catalogue/history_panel.h"
#include "client/catalogue/navigation_builder.h"
#include "client/common/events.h"
#include "client/common/window_events.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::COptionUI;
using DuiLib::CPaintManagerUI;

// ---- helpers ----------------------------------------------------------------
namespace {

void CloseSidePanels(const CatalogueContext& view) {
    if (view.closeSidePanels) view.closeSidePanels();
}

CControlUI* ParentOf(CControlUI* control) {
    return control ? control->GetParent() : nullptr;
}

void Hide(CControlUI* control) {
    if (control) control->SetVisible(false);
}

COptionUI* AsOption(CControlUI* control) {
    return control ? static_cast<COptionUI*>(control->GetInterface("Option")) : nullptr;
}

int TagOf(const CControlUI& control) {
    return static_cast<int>(control.GetTag());
}

void Report(const CatalogueOpenHooks& hooks, const CControlUI& option, std::string_view action) {
    if (hooks.report) hooks.report(TagOf(option), action);
}

// The home page browser area: the grandparent of "ieContainer".
void HideHomePageArea(CPaintManagerUI& pm) {
    Hide(ParentOf(ParentOf(pm.FindControl("ieContainer"))));
}

}  // namespace

// ---- groups and home --------------------------------------------------------
void ShowGroup(const CatalogueContext& view, CControlUI& option, const CatalogueOpenHooks& hooks) {
    HideHomePageArea(view.pm);
    if (option.GetName() == "optNavUser") {
        if (hooks.openUserEntry) hooks.openUserEntry();
        return;
    }

    Report(hooks, option, "category");
    Hide(view.pm.FindControl("Container1"));
    CloseSidePanels(view);
    const std::string group = option.GetUserData();
    for (CControlUI* container : view.groupContainers)
        container->SetVisible(container->GetUserData() == group);
}

void GoHome(const CatalogueContext& view) {
    CloseSidePanels(view);
    if (CControlUI* home = view.pm.FindControl("Container1")) home->SetVisible(true);
    for (CControlUI* container : view.groupContainers) container->SetVisible(false);

    CControlUI* navBar = ParentOf(view.pm.FindControl("optNavUser"));
    if (!navBar) return;
    for (int i = 0; i < navBar->GetChildCount(); ++i) {
        COptionUI* option = AsOption(navBar->GetChildAt(i));
        if (option && option->IsSelected()) option->Selected(false);
    }
}

// ---- opening an option ------------------------------------------------------
OpenOutcome OpenCatalogueOption(const CatalogueContext& view, CControlUI& option,
                                const CatalogueOpenHooks& hooks) {
    CloseSidePanels(view);
    Report(hooks, option, "app");

    const std::string target = option.GetUserData();
    if (target.starts_with(kFloatingPanelPrefix)) {
        ShowSubAppPanel(view, option);
        return OpenOutcome::SubAppPanel;
    }

    if (!target.starts_with("http")) {
        const auto signedIn = [&] { return hooks.isSignedIn && hooks.isSignedIn(); };
        if (!signedIn() && hooks.showLoginWindow) hooks.showLoginWindow();
        if (!signedIn()) return OpenOutcome::NotSignedIn;
        if (hooks.startDownload) hooks.startDownload(option);
        RecordUse(view.pm, view.db, target);
        return OpenOutcome::Program;
    }

    if (hooks.window) Raise(hooks.window, OpenApplication{TagOf(option), target});
    RecordUse(view.pm, view.db, target);
    return OpenOutcome::WebApplication;
}

// ---- panels -----------------------------------------------------------------
void ShowSubAppPanel(const CatalogueContext& view, CControlUI& holder) {
    if (COptionUI* option = AsOption(&holder)) option->Selected(false);

    RECT maskAt{};
    if (COptionUI* mask = AsOption(view.pm.FindControl("maskOption"))) {
        mask->SetText(holder.GetText());
        if (COptionUI* source = AsOption(&holder)) mask->SetForeImage(source->GetForeImage());
        mask->Selected(true);
        const RECT at = holder.GetPos();
        mask->SetPos({at.left, 32, at.right, 132});
        maskAt = mask->GetPos();
    }
    if (CControlUI* container = view.pm.FindControl("containerMask")) container->SetVisible(true);

    const std::string wanted = holder.GetUserData();
    CControlUI* flag = view.pm.FindControl("maskFlag");
    for (CControlUI* panel : view.floatingPanels) {
        if (panel->GetName() != wanted) {
            panel->SetVisible(false);
            continue;
        }
        RECT at = panel->GetPos();
        at.top = maskAt.bottom + 9;
        panel->SetPos(at);
        if (flag) {
            const LONG left = maskAt.left + 42;
            flag->SetPos({left, maskAt.bottom, left + 58, maskAt.bottom + 9});
        }
        panel->SetVisible(true);
    }
}

// ---- history ----------------------------------------------------------------
bool RecordUse(CPaintManagerUI& pm, LocalDatabase& db, const std::string& userData) {
    const std::vector<SqlRow> rows = db.Query("select * from apps where UserData=?", {userData});
    if (rows.empty()) return false;
    // Two applications with one address: the row returned last takes the use.
    const std::int64_t id = std::atoll(rows.back().Text(0).c_str());
    db.Execute("update apps set Dateline=DATETIME('now') where ID=?", {id});
    RebuildHistory(pm, db);
    return true;
}

}  // namespace quorvi
