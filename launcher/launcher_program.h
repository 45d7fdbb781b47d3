// The launcher program's entry: one instance per user, the skin folder, the UI
// backend, the window centred and shown, the message loop, and at the end the
// client of the program folder ended.
#pragma once

#include <functional>
#include <string>

namespace vamo {

// The window's caption, which is also how a second start finds the window.
inline constexpr const char kLauncherTitle[] = "Quorvi Vamo";
// The single-instance lock shared by every start of the launcher (per user).
inline constexpr const char kSingleInstanceName[] = "OneEvent";
// The program icon resource and the skin image standing for it.
inline constexpr unsigned kLauncherIcon = 101;
inline constexpr const char kLauncherIconImage[] = "logo.png";
// The client, in the program folder, ended when the launcher's loop ends.
inline constexpr const char kClientImageName[] = "quorvi.exe";

struct LauncherProgram {
    std::string programFolder;  // ends in the separator; the skin is in "skin/quorvi" below it
    // Initialises the UI backend; false (no display) ends the program at once.
    std::function<bool()> initialiseUi;
};

// Runs the launcher until it quits; the program's exit code.
int RunLauncherProgram(const LauncherProgram& program);

}  // namespace vamo
