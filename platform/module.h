// Modules the program loads when it first needs them: a shared library beside
// the program (its program folder), else where the build made it.
#pragma once

#include <string>

namespace platform {

// Opens `fileName` beside the running program, else at `buildPath` (null for
// none), with its symbols kept out of the program's own lookups, and returns
// its symbol `entry`; null, with the reasons appended to `reasons`, when no
// place holds a module with that entry.
void* OpenModuleEntry(const std::string& fileName, const char* buildPath, const char* entry,
                      std::string& reasons);

}  // namespace platform
