// The side-file swap of the outside module entity.so at the launcher's start.
//
// The file update leaves a replacement for a file in use beside it as
// "<name>.vmupdate". At every start the launcher deletes a stale
// "entity.so.update", and puts a pending "entity.so.vmupdate" in place of
// "entity.so". When the rename fails the side file stays for the final
// updater's scan of the program folder.
#pragma once

#include <string>

#include "platform/process.h"

namespace vamo {

inline const std::string kEntityModuleFile = std::string("entity") + platform::kModuleSuffix;

enum class EntitySwap {
    NothingPending,  // no side file
    Replaced,        // the side file is now the module
    Failed,          // a side file is there and could not be put in place
};

// `programFolder` ends in the separator.
EntitySwap SwapEntitySideFile(const std::string& programFolder);

}  // namespace vamo
