// The client program's entry: the skin folder, the UI backend, the main window
// 950 x 553 centred on the screen, and the message loop.
#pragma once

#include <functional>
#include <string>

#include "client/shell/main_window_services.h"
#include "ui/core/dialog_builder.h"

namespace quorvi {

// The file in the program folder that keeps the main window's decoded images
// from one start to the next.
inline constexpr const char kStoredImagesFileName[] = "images.cache";

struct ClientProgram {
    std::string programFolder;  // ends in the separator; the skin is in "skin/quorvi" below it
    // Initialises the UI backend, given the main window's skin (read once, for
    // both this and the window); false (no display) ends the program at once.
    std::function<bool(const DuiLib::SkinFile& mainSkin)> initialiseUi;
    MainWindowServices* services = nullptr;
};

// Runs the client until it quits; the program's exit code: 0, or 1 when the
// main window could not be created (its skin did not build).
int RunClientProgram(const ClientProgram& program);

}  // namespace quorvi
