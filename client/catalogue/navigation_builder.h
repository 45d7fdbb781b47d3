// The catalogue shown in the main window, built from the catalogue document: a
// navigation option per group beside "optNavUser", a hidden group container
// (quick bar) per group beside "Container1", a floating panel per
// sub-application holder, and every application written to `apps` and
// `apps_recommend` with the values its option shows (OptionOf).
//
// A quick bar's options and its holders' panel contents are made the first time
// the quick bar is shown, so the window of a large catalogue is ready without
// an option for each of its applications.
//
// Sections: option names and looks | positions | the catalogue pass
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client/catalogue/catalogue_document.h"
#include "client/common/database.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// ---- option names and looks -------------------------------------------------
inline constexpr const char kNavOptionPrefix[] = "optNav";
inline constexpr const char kLinkOptionPrefix[] = "optLink";
inline constexpr const char kGroupContainerPrefix[] = "Container";
inline constexpr const char kFloatingPanelPrefix[] = "FloatContainer";

// The look every catalogue tile shares (100 x 100, caption under the icon).
// `group` is the option group; `selectedImage` is set only when not empty.
void ApplyTileLook(DuiLib::COptionUI& option, const char* group, const char* selectedImage);

// ---- positions --------------------------------------------------------------
// Navigation option `index` (from 0): a row that does not wrap.
RECT NavigationOptionRect(int index);
// The icon box inside navigation option `index`; the groups' icons are drawn to fit.
const char* NavigationIconBox(int index);

// Counts tiles six to a row: Wrap before placing one, Advance after it.
struct TileGrid {
    int column = 0;
    int row = 0;
    void Wrap() {
        if (column >= 6) {
            ++row;
            column = 0;
        }
    }
    void Advance() { ++column; }
};
RECT QuickBarOptionRect(const TileGrid& grid);
RECT SubAppOptionRect(const TileGrid& grid);
// The height of a panel's inner container whose last row is `row`.
int SubAppPanelHeight(int row);

// ---- the catalogue pass -----------------------------------------------------
// The controls the pass added to the window, in document order.
struct CatalogueControls {
    std::vector<DuiLib::CControlUI*> groupContainers;
    std::vector<DuiLib::CControlUI*> floatingPanels;  // the outer lists
};

// Builds the navigation, group containers and panels of `document` into the
// window of `pm`, as BuildCatalogueView does, without storing anything; the
// group containers keep the document until each is first shown.
CatalogueControls BuildCatalogueControls(DuiLib::CPaintManagerUI& pm,
                                         std::shared_ptr<const CatalogueDocument> document);

// Stores every application and builds the navigation, group containers and
// panels into the window of `pm`; each group container keeps its applications
// until it is first shown. A document without any element builds and stores
// nothing. Controls whose place the skin lacks ("optNavUser", "Container1" or
// its parents) are left out of the window; their applications are stored all
// the same.
CatalogueControls BuildCatalogueView(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                                     CatalogueDocument document);

// Makes the options of a group container now rather than when it is first
// shown; nothing for a container whose options are made already or that the
// catalogue pass did not build.
void BuildQuickBar(DuiLib::CControlUI* groupContainer);

}  // namespace quorvi
