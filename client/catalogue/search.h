// Search of the catalogue by application name: the search box "signature", the
// results in "listSearchResultContainer" (six a row) and the count in
// "labelSearchResultCount". A click on the search button searches at once; a
// tick of the live-search timer searches only when the keyword changed.
//
// Texts are GBK bytes. Matching is byte-wise: ASCII capitals are folded to small
// letters on both sides, spaces are taken out of the keyword (not the names),
// and the keyword must occur in the name as a run of bytes.
//
// A search keeps its results as data and builds options only for the rows in
// view of the list they scroll in (and a row more each side); when the list
// scrolls, the options move to the results that came into view. The results
// container is as high as all results need, so the scroll range covers them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/common/database.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// Every ASCII capital becomes its small letter; other bytes stay.
std::string LowerAsciiBytes(std::string_view text);
// The text without any space.
std::string RemoveSpaces(std::string_view text);
// Whether the (lower-cased, space-free) keyword finds the name.
bool NameMatches(std::string_view keyword, std::string_view name);

// Position of result `index` (from 0) in the results container.
RECT SearchResultRect(int index);
// The results container's height when the last result lies in row `lastRow`.
int SearchResultsHeight(int lastRow);

// What a search did.
struct SearchOutcome {
    bool ran = false;  // false: nothing was searched (unchanged or empty keyword, no container)
    int count = 0;     // results found
};

// What a search found, as the options in view are filled in from it.
class SearchResults;

// What a search leaves for the next one instead of deleting it: result options
// it no longer needed (they belong to no window meanwhile), and its results,
// whose storage the next search fills again.
struct SearchResultSpares {
    std::vector<std::unique_ptr<DuiLib::COptionUI>> options;
    std::shared_ptr<SearchResults> results;
};

// One search. `lastKeyword` is the window's keyword of the last search, read and
// updated here; `live` is set for the timer's ticks. The results show from the
// top, in the options of the last search; with `spares`, those left over are
// kept there and taken before new ones are built, else they are deleted.
SearchOutcome SearchCatalogue(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                              std::string& lastKeyword, bool live,
                              SearchResultSpares* spares = nullptr);

}  // namespace quorvi
