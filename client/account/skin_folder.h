// The folder the account's windows read their skin files from: the resource
// path every window of the client paints its images from, ending in the
// separator (the program sets it without one).
#pragma once

#include "platform/files.h"
#include "ui/core/paint_manager.h"

namespace quorvi {

inline DuiLib::CStdString SkinFolder() {
    DuiLib::CStdString folder = DuiLib::CPaintManagerUI::GetResourcePath();
    if (!folder.empty() && folder.back() != platform::kPathSeparator)
        folder += platform::kPathSeparator;
    return folder;
}

}  // namespace quorvi
