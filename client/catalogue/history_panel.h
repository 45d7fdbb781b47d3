// The history panel "containerHistoryPanel": the fifteen applications used most
// recently (then, to fill it, applications never used), three icons a row.
#pragma once

#include "client/common/database.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// Position of history icon `index` (from 0), relative to the panel.
RECT HistoryOptionRect(int index);

// Replaces the panel's icons by new ones from `apps`. A control laid over an
// icon by others stays and moves with the icon of that name to its new place
// (it goes when that icon is no longer shown). Gives the number of icons built
// (0 when the skin has no panel).
int RebuildHistory(DuiLib::CPaintManagerUI& pm, LocalDatabase& db);

}  // namespace quorvi
