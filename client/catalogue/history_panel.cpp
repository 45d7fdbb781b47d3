#include "client/catalogue/history_panel.h"

#include "client/catalogue/catalogue_rows.h"
#include "client/catalogue/catalogue_store.h"

namespace quorvi {

RECT HistoryOptionRect(int index) {
    const LONG left = 20 + 45 * (index % 3);
    const LONG top = 32 + 66 * (index / 3);
    return {left, top, left + 34, top + 36};
}

int RebuildHistory(DuiLib::CPaintManagerUI& pm, LocalDatabase& db) {
    DuiLib::CContainerUI* panel = FindContainer(pm, "containerHistoryPanel");
    if (!panel) return 0;
    panel->RemoveAll();
    panel->NeedUpdate();

    // NULL sorts below every date: never used applications fill the panel up.
    const std::vector<SqlRow> rows = db.Query("select * from apps order by Dateline desc limit 15");
    int index = 0;
    for (const SqlRow& row : rows) {
        auto option = NewRowOption(row.Text(kColumnUserData), row.Text(kColumnAppId));
        option->SetToolTip(row.Text(kColumnAppName));
        option->SetAttribute("width", "34");
        option->SetAttribute("height", "36");
        option->SetAttribute("textpadding", "0,0,0,0");
        option->SetAttribute("align", "centerbottom");
        option->SetAttribute("group", "quickbarHistory");
        option->SetAttribute("hotimage", "item_hover.png");
        option->SetAttribute("foreimage", RecommendationForeImage(row.Text(kColumnForeImage)));
        option->SetAttribute("pos", PosText(HistoryOptionRect(index)));
        option->SetName(row.Text(kColumnControlName));
        panel->Add(option.release());
        ++index;
    }
    return index;
}

}  // namespace quorvi
