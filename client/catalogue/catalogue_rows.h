// Options built from rows of `apps` and `apps_recommend` ("select *"), which the
// history panel, the search results and the recommendation columns share.
#pragma once

#include <memory>
#include <string>

#include "client/common/database.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// Column positions of a "select *" row of `apps` or `apps_recommend`.
enum CatalogueColumn : size_t {
    kColumnAppName = 1,
    kColumnForeImage = 2,
    kColumnUserData = 3,
    kColumnControlName = 5,
    kColumnAppId = 6,
    kColumnAppRecommend = 8,  // `apps_recommend` only
};

// A floating option with the caption font and colour, opening `userData` and
// tagged with the application id read as an integer (0 when it is not one).
std::unique_ptr<DuiLib::COptionUI> NewRowOption(const std::string& userData,
                                                const std::string& appId);

// How the options of one list of rows stand: their size, where their text
// sits, and the group they select in.
struct RowOptionLayout {
    const char* width;
    const char* height;
    const char* textPadding;
    const char* align;
    const char* group;
};

// The option of a "select *" row: NewRowOption's for the row's user data and
// application id, named after the row's control name, laid out by `layout` at
// `pos` (a "pos" attribute), hovered with "item_hover.png" and showing
// `foreImage` (the caller's reading of the row's fore image).
std::unique_ptr<DuiLib::COptionUI> NewRowOption(const SqlRow& row, const RowOptionLayout& layout,
                                                const std::string& foreImage,
                                                const std::string& pos);

// "left,top,right,bottom".
std::string PosText(const RECT& rect);

// The container named `name`, or null when the skin has none.
DuiLib::CContainerUI* FindContainer(DuiLib::CPaintManagerUI& pm, std::string_view name);

}  // namespace quorvi
