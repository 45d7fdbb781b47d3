#include "launcher/product_module.h"

#include <dlfcn.h>
#include <link.h>

#include "platform/log.h"
#include "platform/text.h"

namespace vamo {

namespace {
using RunVamoFunction = HWND (*)();
using ConnectVamoFunction = void (*)(const char*);

std::string LastLoaderError() {
    const char* error = dlerror();
    return error ? error : "";
}

// The file the loader took for `handle` (GBK), or the module's name when it does not say.
std::string LoadedFile(void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name)
        return kProductModuleFile;
    return platform::Utf8ToGbk(map->l_name);
}

// Written before every call into the module, so that a module that crashes the
// launcher is named as the last line: the log writes each line straight to
// standard error, with nothing left in a buffer for the crash to lose.
void LogCallInto(const std::string& call, const std::string& file) {
    platform::LogInfo(call + " the product module " + file);
}
}  // namespace

bool ProductModule::Load(const std::string& programFolder) {
    if (handle_) return true;
    // A name without a separator makes dlopen search only the system's paths,
    // so the program folder is tried first by full path. Loading runs the
    // module's initialisers, which are calls into it too.
    const std::string beside = programFolder + kProductModuleFile;
    LogCallInto("loading", beside);
    handle_ = dlopen(platform::GbkToUtf8(beside).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) {
        file_ = beside;
        return true;
    }
    loadError_ = LastLoaderError();
    LogCallInto("loading", kProductModuleFile + " by the system's search order");
    handle_ = dlopen(kProductModuleFile.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return false;
    loadError_.clear();
    file_ = LoadedFile(handle_);
    return true;
}

void* ProductModule::Export(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

HWND ProductModule::RunVamo() {
    auto run = reinterpret_cast<RunVamoFunction>(Export(kRunVamoExport));
    if (!run) return nullptr;
    LogCallInto("calling RunVamo of", file_);
    return run();
}

bool ProductModule::ConnectVamo(const char* argument) {
    auto connect = reinterpret_cast<ConnectVamoFunction>(Export(kConnectVamoExport));
    if (!connect) return false;
    LogCallInto("calling ConnectVamo of", file_);
    connect(argument);
    return true;
}

}  // namespace vamo
