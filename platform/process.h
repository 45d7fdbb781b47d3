// Processes: find and end by image name, start programs detached, open web
// addresses in the system browser.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The executable suffix of this platform ("" on Linux). Image names given with
// the Windows suffix ".exe" are compared without it.
inline constexpr const char kExecutableSuffix[] = "";

// True when a running process has this image name ("updrix.exe" matches a
// process whose executable is named "updrix"). A process whose executable
// cannot be read counts as not matching.
bool IsProcessRunning(const std::string& imageName);

// The "taskkill /im NAME /f" stand-in: ends every process of that image name
// with SIGKILL, asynchronously (returns without waiting), never the caller.
void KillProcessesByName(const std::string& imageName);

// Splits a parameter text by the Windows command-line rules.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// ShellExecute "open" of a program: starts `program` detached in `workingFolder`
// with `parameters` split as above. A file without its run bit gets it first.
// Returns false when the program could not be started.
bool StartProgram(const std::string& program, const std::string& parameters,
                  const std::string& workingFolder);

// ShellExecute "open" of a web address: the system browser through xdg-open.
bool OpenUrl(const std::string& url);

}  // namespace platform
