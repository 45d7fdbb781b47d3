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
};

// A floating option with the caption font and colour, opening `userData` and
// tagged with the application id read as an integer (0 when it is not one).
std::unique_ptr<DuiLib::COptionUI> NewRowOption(const std::string& userData,
                                                const std::string& appId);

// "left,top,right,bottom".
std::string PosText(const RECT& rect);

// The container named `name`, or null when the skin has none.
DuiLib::CContainerUI* FindContainer(DuiLib::CPaintManagerUI& pm, std::string_view name);

}  // namespace quorvi
