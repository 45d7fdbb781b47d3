// Fills the launcher's pages with what it knows.
//
// The skin decides where each fact goes, so the code holds no page texts:
//  - a control whose user data holds "{key}" patterns gets that pattern, with
//    the keys replaced, as its text; when a key has no value (a fact that could
//    not be read) the control keeps the text the skin gave it;
//  - a control whose user data is "show-if:key=value" is shown only while that
//    key has that value (for states: the module loaded or missing...).
//
// Keys: host system kernel arch cpu cpus memTotal memAvailable uptimeDays
// uptimeHours uptimeMinutes diskTotal diskFree programFolder version
// sideFiles tmpFiles tmpSize pluginCount plugins (left out when there are
// none); states: module (loaded|missing), moduleWindow (embedded|none), entity
// (replaced|nothing|failed), database (present|absent), catalogue
// (present|absent).
#pragma once

#include <map>
#include <string>

#include "launcher/check_up_facts.h"
#include "launcher/entity_side_file.h"

namespace DuiLib {
class CControlUI;
}

namespace vamo {

using PageValues = std::map<std::string, std::string>;

struct LauncherState {
    bool moduleLoaded = false;
    bool moduleWindowEmbedded = false;
    EntitySwap entity = EntitySwap::NothingPending;
};

// The values of every key above (GBK texts); unknown facts are left out.
PageValues MakePageValues(const MachineFacts& machine, const FolderFacts& folder,
                          const LauncherState& state, const std::string& programFolder);

// Applies the values to `root` and every control below it.
void FillPages(DuiLib::CControlUI* root, const PageValues& values);

}  // namespace vamo
