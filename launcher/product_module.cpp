#include "launcher/product_module.h"

#include <dlfcn.h>

#include "platform/text.h"

namespace vamo {

namespace {
using RunVamoFunction = HWND (*)();
using ConnectVamoFunction = void (*)(const char*);

std::string LastLoaderError() {
    const char* error = dlerror();
    return error ? error : "";
}
}  // namespace

bool ProductModule::Load(const std::string& programFolder) {
    if (handle_) return true;
    // A name without a separator makes dlopen search only the system's paths,
    // so the program folder is tried first by full path.
    const std::string beside = platform::GbkToUtf8(programFolder + kProductModuleFile);
    handle_ = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) return true;
    loadError_ = LastLoaderError();
    handle_ = dlopen(kProductModuleFile.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_) loadError_.clear();
    return handle_ != nullptr;
}

void* ProductModule::Export(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

HWND ProductModule::RunVamo() {
    auto run = reinterpret_cast<RunVamoFunction>(Export(kRunVamoExport));
    return run ? run() : nullptr;
}

bool ProductModule::ConnectVamo(const char* argument) {
    auto connect = reinterpret_cast<ConnectVamoFunction>(Export(kConnectVamoExport));
    if (!connect) return false;
    connect(argument);
    return true;
}

}  // namespace vamo
