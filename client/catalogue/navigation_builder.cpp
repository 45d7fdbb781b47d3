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

// What the tables receive is read back from the option as the window shows it.
void StoreOption(CatalogueStorePass& store, const COptionUI& option,
                 const CatalogueApplication& app, const std::string& groupId) {
    const CatalogueOption shown{option.GetText(), option.GetForeImage(), option.GetUserData(),
                                option.GetName()};
    store.Store(shown, EntryOf(app, groupId));
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

class CatalogueBuilder {
public:
    CatalogueBuilder(CPaintManagerUI& pm, LocalDatabase& db) : m_store(db) {
        CControlUI* navUser = pm.FindControl("optNavUser");
        m_navBar = ParentOf(navUser);
        CControlUI* home = pm.FindControl("Container1");
        m_groupParent = ParentOf(home);
        m_panelParent = ParentOf(m_groupParent);
    }

    void AddGroup(const CatalogueGroup& group, int index) {
        AddNavigationOption(group, index);
        BuildGroupQuickBar(group);
    }

    CatalogueControls Finish() {
        m_store.Commit();
        return std::move(m_controls);
    }

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

    void BuildGroupQuickBar(const CatalogueGroup& group) {
        auto container = std::make_unique<CContainerUI>();
        container->SetVisible(false);
        container->SetName(kGroupContainerPrefix + group.id);
        container->SetUserData(group.id);
        // Joins the window first, so its options join with it as they are added.
        CContainerUI* added = AddTo(m_groupParent, std::move(container));
        // Without a place in the window the options are still built and stored.
        std::unique_ptr<CContainerUI> detached;
        if (added) {
            m_controls.groupContainers.push_back(added);
        } else {
            detached = std::make_unique<CContainerUI>();
            added = detached.get();
        }

        TileGrid grid;
        for (const CatalogueApplication& app : group.applications) {
            grid.Wrap();
            COptionUI* option = NewQuickBarOption(app, grid).release();
            added->Add(option);
            if (app.holdsSubApps) {
                // A holder opens its panel and is not an application itself.
                option->SetUserData(kFloatingPanelPrefix + app.id);
                BuildSubAppPanel(app, group.id);
            } else {
                StoreOption(m_store, *option, app, group.id);
            }
            grid.Advance();
        }
    }

    void BuildSubAppPanel(const CatalogueApplication& holder, const std::string& groupId) {
        const std::string name = kFloatingPanelPrefix + holder.id;
        auto list = std::make_unique<CListUI>();
        list->SetVisible(false);
        list->SetName(name);
        list->SetUserData(holder.id);
        list->SetAttribute("bkimage", "bg3.png");
        list->SetAttribute("width", "948");
        list->SetAttribute("height", "426");
        list->SetFloat(true);
        CListUI* panel = AddTo(m_panelParent, std::move(list));
        std::unique_ptr<CListUI> detached;
        if (panel) {
            m_controls.floatingPanels.push_back(panel);
        } else {
            detached = std::make_unique<CListUI>();
            panel = detached.get();
        }
        panel->SetPos({0, 125, 948, 557});
        panel->SetAttribute("vscrollbar", "true");
        panel->SetAttribute("itemshowhtml", "true");
        panel->NeedParentUpdate();
        panel->NeedUpdate();

        auto* inner = new CContainerUI();
        inner->SetName(name);
        inner->SetUserData(holder.id);
        inner->SetAttribute("width", "948");
        panel->Add(inner);

        TileGrid grid;
        for (const CatalogueApplication& sub : holder.subApplications) {
            grid.Wrap();
            COptionUI* option = NewSubAppOption(sub, grid).release();
            inner->Add(option);
            StoreOption(m_store, *option, sub, groupId);
            grid.Advance();
        }
        inner->SetAttribute("height", std::to_string(SubAppPanelHeight(grid.row)));
    }

    CatalogueStorePass m_store;
    CControlUI* m_navBar = nullptr;
    CControlUI* m_groupParent = nullptr;
    CControlUI* m_panelParent = nullptr;
    CatalogueControls m_controls;
};

}  // namespace

// ---- the catalogue pass -----------------------------------------------------

CatalogueControls BuildCatalogueView(CPaintManagerUI& pm, LocalDatabase& db,
                                     const CatalogueDocument& document) {
    if (!document.hasRoot) return {};
    CatalogueBuilder builder(pm, db);
    int index = 0;
    for (const CatalogueGroup& group : document.groups) builder.AddGroup(group, index++);
    return builder.Finish();
}

}  // namespace quorvi
