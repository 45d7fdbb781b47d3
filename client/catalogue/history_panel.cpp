#include "client/catalogue/history_panel.h"

#include <string>
#include <vector>

#include "client/catalogue/catalogue_rows.h"
#include "client/catalogue/catalogue_store.h"

namespace quorvi {

RECT HistoryOptionRect(int index) {
    const LONG left = 20 + 45 * (index % 3);
    const LONG top = 32 + 66 * (index / 3);
    return {left, top, left + 34, top + 36};
}

namespace {

constexpr RowOptionLayout kHistoryLayout{"34", "36", "0,0,0,0", "centerbottom", "quickbarHistory"};

struct Overlay {
    DuiLib::CControlUI* control;
    std::string icon;  // the name of the icon under its centre, empty when none
    RECT iconWas{};
};

bool Contains(const RECT& rect, LONG x, LONG y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// Takes the panel's icons out and gives back what others laid over them.
std::vector<Overlay> RemoveIcons(DuiLib::CContainerUI& panel) {
    std::vector<Overlay> overlays;
    std::vector<DuiLib::CControlUI*> icons;
    for (int i = 0; i < panel.GetCount(); ++i) {
        DuiLib::CControlUI* child = panel.GetItemAt(i);
        if (child->GetInterface("Option") != nullptr)
            icons.push_back(child);
        else
            overlays.push_back({child, {}, {}});
    }
    for (Overlay& overlay : overlays) {
        const RECT at = overlay.control->GetPos();
        const LONG x = (at.left + at.right) / 2;
        const LONG y = (at.top + at.bottom) / 2;
        for (DuiLib::CControlUI* icon : icons) {
            if (!Contains(icon->GetPos(), x, y)) continue;
            overlay.icon = icon->GetName();
            overlay.iconWas = icon->GetPos();
        }
    }
    for (DuiLib::CControlUI* icon : icons) panel.Remove(icon);
    return overlays;
}

// Moves each overlay with its icon to the icon's new place, on top of the new
// icons; one whose icon left the panel goes with it.
void FollowIcons(DuiLib::CContainerUI& panel, const std::vector<Overlay>& overlays) {
    for (const Overlay& overlay : overlays) {
        DuiLib::CControlUI* icon = nullptr;
        for (int i = 0; i < panel.GetCount() && !overlay.icon.empty(); ++i) {
            DuiLib::CControlUI* child = panel.GetItemAt(i);
            if (child->GetInterface("Option") != nullptr && child->GetName() == overlay.icon)
                icon = child;
        }
        if (icon == nullptr) {
            panel.Remove(overlay.control);
            continue;
        }
        const RECT now = icon->GetPos();
        const LONG dx = now.left - overlay.iconWas.left;
        const LONG dy = now.top - overlay.iconWas.top;
        RECT at = overlay.control->GetPos();
        overlay.control->SetPos({at.left + dx, at.top + dy, at.right + dx, at.bottom + dy});
        panel.SetItemIndex(overlay.control, panel.GetCount() - 1);
    }
}

}  // namespace

int RebuildHistory(DuiLib::CPaintManagerUI& pm, LocalDatabase& db) {
    DuiLib::CContainerUI* panel = FindContainer(pm, "containerHistoryPanel");
    if (!panel) return 0;
    // A control laid over an icon (a download status) lives on over the rebuild:
    // deleting it would take its download's progress and cancel button along.
    const std::vector<Overlay> overlays = RemoveIcons(*panel);
    panel->NeedUpdate();

    // NULL sorts below every date: never used applications fill the panel up.
    const std::vector<SqlRow> rows = db.Query("select * from apps order by Dateline desc limit 15");
    int index = 0;
    for (const SqlRow& row : rows) {
        auto option =
            NewRowOption(row, kHistoryLayout, RecommendationForeImage(row.Text(kColumnForeImage)),
                         PosText(HistoryOptionRect(index)));
        option->SetToolTip(row.Text(kColumnAppName));
        panel->Add(option.release());
        ++index;
    }
    FollowIcons(*panel, overlays);
    return index;
}

}  // namespace quorvi
