// The four recommendation columns of the home view "Container1": the
// applications of `apps_recommend` by their key, five at most a column.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "client/catalogue/catalogue_document.h"
#include "client/common/database.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// The column's x for keys "1" to "4"; -1 for any other key.
int RecommendationColumnX(std::string_view key);

// Builds the column of `key` into `home` ("Container1"); nothing when `home` is
// null (the window has not looked it up) or the key has no column. Gives the
// number of options built.
int BuildRecommendations(DuiLib::CControlUI* home, LocalDatabase& db, std::string_view key);
// The same from rows of `apps_recommend` ("select *", in order) already read,
// or known before they are stored (RecommendationRows).
int BuildRecommendations(DuiLib::CControlUI* home, std::span<const SqlRow> rows,
                         std::string_view key);

// The icon files the window shows first once `document` is built: the
// navigation options' icons, then those of the applications the columns will
// show (in document order, a holder's sub-applications in its place), each once.
// For decoding them ahead while the window is made.
std::vector<std::string> IconsShownAtStart(const CatalogueDocument& document);

}  // namespace quorvi
