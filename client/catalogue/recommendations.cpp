#include "client/catalogue/recommendations.h"

#include <string>

#include "client/catalogue/catalogue_rows.h"

namespace quorvi {

namespace {
constexpr int kFirstRowY = 178;
constexpr int kRowStep = 50;
constexpr int kRowsShown = 5;
}  // namespace

int RecommendationColumnX(std::string_view key) {
    if (key == "1") return 101;
    if (key == "2") return 309;
    if (key == "3") return 517;
    if (key == "4") return 725;
    return -1;
}

int BuildRecommendations(DuiLib::CControlUI* home, LocalDatabase& db, std::string_view key) {
    auto* column =
        home ? static_cast<DuiLib::CContainerUI*>(home->GetInterface("Container")) : nullptr;
    const int x = RecommendationColumnX(key);
    if (!column || x < 0) return 0;

    const std::vector<SqlRow> rows =
        db.Query("select * from apps_recommend where AppRecommend=?", {key});
    int built = 0;
    for (const SqlRow& row : rows) {
        if (built == kRowsShown) break;
        const int y = kFirstRowY + kRowStep * built;
        auto option = NewRowOption(row.Text(kColumnUserData), row.Text(kColumnAppId));
        option->SetText(row.Text(kColumnAppName));
        option->SetAttribute("width", "154");
        option->SetAttribute("height", "46");
        option->SetAttribute("textpadding", "55,0,0,0");
        option->SetAttribute("align", "left");
        option->SetAttribute("group", "quickbarRecommend");
        option->SetAttribute("hotimage", "item_hover.png");
        option->SetAttribute("foreimage", row.Text(kColumnForeImage));
        option->SetAttribute("pos", std::to_string(x) + "," + std::to_string(y) + ",0,0");
        option->SetName(row.Text(kColumnControlName));
        DuiLib::COptionUI* added = option.release();
        column->Add(added);
        added->NeedParentUpdate();
        added->NeedUpdate();
        ++built;
    }
    return built;
}

}  // namespace quorvi
