#include "launcher/entity_side_file.h"

#include "platform/files.h"

namespace vamo {

EntitySwap SwapEntitySideFile(const std::string& programFolder) {
    const std::string module = programFolder + kEntityModuleFile;
    const std::string sideFile = module + ".vmupdate";
    platform::DeleteFile(module + ".update");
    const bool pending = platform::FileExists(sideFile);
    if (pending) platform::DeleteFile(module);
    // The rename never replaces: a module that could not be deleted stays, and
    // so does its side file.
    const bool renamed = platform::MoveFile(sideFile, module);
    if (!pending) return EntitySwap::NothingPending;
    return renamed ? EntitySwap::Replaced : EntitySwap::Failed;
}

}  // namespace vamo
