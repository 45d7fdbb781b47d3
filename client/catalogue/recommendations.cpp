#include "client/catalogue/recommendations.h"

#include <map>
#include <set>
#include <string>

#include "client/catalogue/catalogue_rows.h"
#include "client/catalogue/catalogue_store.h"

namespace quorvi {

namespace {
constexpr int kFirstRowY = 178;
constexpr int kRowStep = 50;
constexpr int kRowsShown = 5;
constexpr RowOptionLayout kRecommendationLayout{"154", "46", "55,0,0,0", "left",
                                                "quickbarRecommend"};
}  // namespace

int RecommendationColumnX(std::string_view key) {
    if (key == "1") return 101;
    if (key == "2") return 309;
    if (key == "3") return 517;
    if (key == "4") return 725;
    return -1;
}

int BuildRecommendations(DuiLib::CControlUI* home, LocalDatabase& db, std::string_view key) {
    if (!home || RecommendationColumnX(key) < 0) return 0;
    return BuildRecommendations(
        home, db.Query("select * from apps_recommend where AppRecommend=?", {key}), key);
}

int BuildRecommendations(DuiLib::CControlUI* home, std::span<const SqlRow> rows,
                         std::string_view key) {
    auto* column =
        home ? static_cast<DuiLib::CContainerUI*>(home->GetInterface("Container")) : nullptr;
    const int x = RecommendationColumnX(key);
    if (!column || x < 0) return 0;

    int built = 0;
    for (const SqlRow& row : rows) {
        if (built == kRowsShown) break;
        if (row.Text(kColumnAppRecommend) != key) continue;
        const int y = kFirstRowY + kRowStep * built;
        auto option = NewRowOption(row, kRecommendationLayout, row.Text(kColumnForeImage),
                                   std::to_string(x) + "," + std::to_string(y) + ",0,0");
        option->SetText(row.Text(kColumnAppName));
        DuiLib::COptionUI* added = option.release();
        column->Add(added);
        added->NeedParentUpdate();
        added->NeedUpdate();
        ++built;
    }
    return built;
}

std::vector<std::string> IconsShownAtStart(const CatalogueDocument& document) {
    std::vector<std::string> icons;
    std::set<std::string_view> seen;
    auto add = [&](const std::string& icon) {
        if (seen.insert(icon).second) icons.push_back(icon);
    };
    for (const CatalogueGroup& group : document.groups) add(group.icon);
    // A column shows the first rows of its key in the order the store writes them.
    std::map<std::string_view, int> shown;
    ForEachStoredApplication(document, [&](const CatalogueApplication& app, const CatalogueGroup&) {
        if (RecommendationColumnX(app.recommendKey) >= 0 && shown[app.recommendKey]++ < kRowsShown)
            add(app.icon);
    });
    return icons;
}

}  // namespace quorvi
