// Sections: looks and positions | building one application | groups and panels |
//           the catalogue pass
#include "client/catalogue/navigation_builder.h"

#include <memory>

#include "client/catalogue/catalogue_rows.h"
#include "client/catalogue/catalogue_store.h"

namespace quorvi {

using DuiLib::CContainerUI;
using DuiLib::CControlUI;
using DuiLib::CListUI;
using DuiLib::COptionUI;
using DuiLib::CPaintManagerUI;

// ---- looks and positions ----------------------------------------------------

void ApplyTileLook(COptionUI& option, const char* group, const char* selectedImage) {
    option.SetAttribute("width", "100");
    option.SetAttribute("height", "100");
    option.SetFont(0);
    option.SetAttribute("textpadding", "0,0,0,2");
    option.SetAttribute("textcolor", "#00FFFBF0");
    option.SetAttribute("align", "centerbottom");
    option.SetAttribute("group", group);
    option.SetAttribute("normalimage", "toolbar_normal.png");
    option.SetAttribute("hotimage", "toolbar_hover.png");
    option.SetAttribute("pushedimage", "toolbar_pushed.png");
    if (*selectedImage) option.SetAttribute("selectedimage", selectedImage);
}

RECT NavigationOptionRect(int index) {
    const LONG left = 140 + 115 * index;
    return {left, 10, left + 100, 110};
}

const char* NavigationIconBox(int index) {
    static constexpr const char* kBoxes[] = {"15,20,84,70", "15,20,82,69", "20,20,79,75",
                                             "30,20,71,80", "21,20,79,74", "13,20,87,70"};
    if (index >= 0 && index < 6) return kBoxes[index];
    return "15,20,84,70";
}

RECT QuickBarOptionRect(const TileGrid& grid) {
    const LONG left = 75 + 145 * grid.column;
    const LONG top = 32 + 130 * grid.row;
    return {left, top, left + 100, top + 100};
}

RECT SubAppOptionRect(const TileGrid& grid) {
    const LONG left = 65 + 140 * grid.column;
    const LONG top = 80 + 130 * grid.row;
    return {left, top, left + 100, top + 100};
}

int SubAppPanelHeight(int row) {
    return 200 + 140 * row;
}

namespace {

// Adds `control` to `parent` when there is one; the control is dropped otherwise.
// Gives the control when it joined the tree.
template <typename T>
T* AddTo(CControlUI* parent, std::unique_ptr<T> control) {
    auto* container =
        parent ? static_cast<CContainerUI*>(parent->GetInterface("Container")) : nullptr;
    if (!container) return nullptr;
    T* raw = control.release();
    if (!container->Add(raw)) return nullptr;  // Add refuses only null
    return raw;
}

CControlUI* ParentOf(CControlUI* control) {
    return control ? control->GetParent() : nullptr;
}

// Name, text, tag and user data of an application's option.
std::unique_ptr<COptionUI> NewApplicationOption(const CatalogueApplication& app) {
    auto option = std::make_unique<COptionUI>();
    option->SetText(app.caption);
    option->SetName(app.ControlName());
    option->SetTag(static_cast<UINT_PTR>(app.tag));
    option->SetUserData(app.target);
    return option;
}

// ---- building one application -----------------------------------------------

std::unique_ptr<COptionUI> NewQuickBarOption(const CatalogueApplication& app,
                                             const TileGrid& grid) {
    auto option = NewApplicationOption(app);
    option->SetFloat(true);
    ApplyTileLook(*option, "quickbar", "");
    option->SetAttribute("foreimage", app.ForeImage());
    option->SetPos(QuickBarOptionRect(grid));
    return option;
}

std::unique_ptr<COptionUI> NewSubAppOption(const CatalogueApplication& app, const TileGrid& grid) {
    auto option = NewApplicationOption(app);
    option->SetAttribute("float", "true");
    ApplyTileLook(*option, "quickbar", "toolbar_pushed.png");
    option->SetAttribute("foreimage", app.ForeImage());
    option->SetAttribute("pos", PosText(SubAppOptionRect(grid)));
    option->NeedParentUpdate();
    option->NeedUpdate();
    return option;
}

// ---- groups and panels ------------------------------------------------------

// A sub-application holder's panel: its one inner container, sized to hold
// `subApplications` six to a row, with their options.
void FillSubAppPanel(CListUI& panel, const CatalogueApplication& holder) {
    const std::string name = kFloatingPanelPrefix + holder.id;
    auto* inner = new CContainerUI();
    inner->SetName(name);
    inner->SetUserData(holder.id);
    inner->SetAttribute("width", "948");
    panel.Add(inner);

    TileGrid grid;
    for (const CatalogueApplication& sub : holder.subApplications) {
        grid.Wrap();
        inner->Add(NewSubAppOption(sub, grid).release());
        grid.Advance();
    }
    inner->SetAttribute("height", std::to_string(SubAppPanelHeight(grid.row)));
}

// A group's hidden quick bar. Its options, and the contents of its holders'
// panels, are made the first time it is shown: a catalogue of thousands of
// applications shows its window without first making an option for each.
// The applications are read from the document, which every quick bar not yet
// shown keeps.
class QuickBarContainer : public CContainerUI {
public:
    QuickBarContainer(std::shared_ptr<const CatalogueDocument> document,
                      const CatalogueGroup& group, std::vector<CListUI*> holderPanels)
        : m_document(std::move(document)),
          m_applications(&group.applications),
          m_holderPanels(std::move(holderPanels)) {}

    void SetVisible(bool visible) override {
        if (visible) BuildOptions();
        CContainerUI::SetVisible(visible);
    }

    void BuildOptions() {
        if (m_built) return;
        m_built = true;
        TileGrid grid;
        size_t holder = 0;
        for (const CatalogueApplication& app : *m_applications) {
            grid.Wrap();
            COptionUI* option = NewQuickBarOption(app, grid).release();
            Add(option);
            if (app.holdsSubApps) {
                // A holder opens its panel and is not an application itself.
                option->SetUserData(kFloatingPanelPrefix + app.id);
                if (CListUI* panel = m_holderPanels[holder++]) FillSubAppPanel(*panel, app);
            }
            grid.Advance();
        }
        // Made once: the texts are not needed again.
        m_applications = nullptr;
        m_document.reset();
        m_holderPanels = {};
    }

private:
    bool m_built = false;
    std::shared_ptr<const CatalogueDocument> m_document;
    const std::vector<CatalogueApplication>* m_applications;  // in m_document
    std::vector<CListUI*> m_holderPanels;  // one per holder, in order; null: no place
};

class CatalogueBuilder {
public:
    CatalogueBuilder(CPaintManagerUI& pm, std::shared_ptr<const CatalogueDocument> document)
        : m_document(std::move(document)) {
        CControlUI* navUser = pm.FindControl("optNavUser");
        m_navBar = ParentOf(navUser);
        CControlUI* home = pm.FindControl("Container1");
        m_groupParent = ParentOf(home);
        m_panelParent = ParentOf(m_groupParent);
    }

    void AddGroup(const CatalogueGroup& group, int index) {
        AddNavigationOption(group, index);
        AddQuickBar(group);
    }

    CatalogueControls Finish() { return std::move(m_controls); }

private:
    void AddNavigationOption(const CatalogueGroup& group, int index) {
        auto option = std::make_unique<COptionUI>();
        option->SetText(group.caption);
        option->SetName(kNavOptionPrefix + group.mark);
        option->SetTag(static_cast<UINT_PTR>(group.tag));
        option->SetUserData(group.id);
        option->SetFloat(true);
        ApplyTileLook(*option, "NavGroup", "toolbar_pushed.png");
        option->SetAttribute("foreimage",
                             "file='" + group.icon + "' dest='" + NavigationIconBox(index) + "'");
        option->SetPos(NavigationOptionRect(index));
        AddTo(m_navBar, std::move(option));
    }

    void AddQuickBar(const CatalogueGroup& group) {
        // Without a place in the window there is nothing to show; the tables
        // hold the applications all the same.
        if (!m_groupParent) return;
        std::vector<CListUI*> panels;
        for (const CatalogueApplication& app : group.applications)
            if (app.holdsSubApps) panels.push_back(AddSubAppPanel(app));
        auto container = std::make_unique<QuickBarContainer>(m_document, group, std::move(panels));
        container->SetVisible(false);
        container->SetName(kGroupContainerPrefix + group.id);
        container->SetUserData(group.id);
        if (CControlUI* added = AddTo(m_groupParent, std::move(container)))
            m_controls.groupContainers.push_back(added);
    }

    // The hidden panel of a holder, over the window; its contents come with the quick bar.
    CListUI* AddSubAppPanel(const CatalogueApplication& holder) {
        auto list = std::make_unique<CListUI>();
        list->SetVisible(false);
        list->SetName(kFloatingPanelPrefix + holder.id);
        list->SetUserData(holder.id);
        list->SetAttribute("bkimage", "bg3.png");
        list->SetAttribute("width", "948");
        list->SetAttribute("height", "426");
        list->SetFloat(true);
        CListUI* panel = AddTo(m_panelParent, std::move(list));
        if (!panel) return nullptr;
        m_controls.floatingPanels.push_back(panel);
        panel->SetPos({0, 125, 948, 557});
        panel->SetAttribute("vscrollbar", "true");
        panel->SetAttribute("itemshowhtml", "true");
        panel->NeedParentUpdate();
        panel->NeedUpdate();
        return panel;
    }

    std::shared_ptr<const CatalogueDocument> m_document;
    CControlUI* m_navBar = nullptr;
    CControlUI* m_groupParent = nullptr;
    CControlUI* m_panelParent = nullptr;
    CatalogueControls m_controls;
};

}  // namespace

// ---- the catalogue pass -----------------------------------------------------

CatalogueControls BuildCatalogueControls(CPaintManagerUI& pm,
                                         std::shared_ptr<const CatalogueDocument> document) {
    if (!document || !document->hasRoot) return {};
    CatalogueBuilder builder(pm, document);
    int index = 0;
    for (const CatalogueGroup& group : document->groups) builder.AddGroup(group, index++);
    return builder.Finish();
}

CatalogueControls BuildCatalogueView(CPaintManagerUI& pm, LocalDatabase& db,
                                     CatalogueDocument document) {
    if (!document.hasRoot) return {};
    StoreCatalogue(db, document);
    return BuildCatalogueControls(pm,
                                  std::make_shared<const CatalogueDocument>(std::move(document)));
}

void BuildQuickBar(CControlUI* groupContainer) {
    if (auto* quickBar = dynamic_cast<QuickBarContainer*>(groupContainer)) quickBar->BuildOptions();
}

}  // namespace quorvi
