// The catalogue shown in the main window, built in one walk over the catalogue
// document: a navigation option per group beside "optNavUser", a hidden group
// container (quick bar) per group beside "Container1", a floating panel per
// sub-application holder, and every application written to `apps` and
// `apps_recommend` from the option just built, so the tables hold exactly what
// the window shows.
//
// Sections: option names and looks | positions | the catalogue pass
#pragma once

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

// Builds the navigation, group containers, quick bars and panels into the
// window of `pm` and stores every application. A document without any element
// builds and stores nothing. Controls whose place the skin lacks ("optNavUser",
// "Container1" or its parents) are left out of the window; their applications
// are stored all the same.
CatalogueControls BuildCatalogueView(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                                     const CatalogueDocument& document);

}  // namespace quorvi
