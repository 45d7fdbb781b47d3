#include "libmerv/http_transport.h"

#ifndef MERV_HTTP_LINKED
#include <dlfcn.h>

#include <filesystem>
#include <vector>
#endif

extern "C" const merv::HttpModuleApi* quorvi_http_module();

namespace merv {
namespace {

struct LoadedModule {
    const HttpModuleApi* api = nullptr;
    std::string error;  // why it could not be loaded
};

#ifdef MERV_HTTP_LINKED
LoadedModule LoadModule() {
    return {quorvi_http_module(), {}};
}
#else
// Beside the program (its program folder), else where the build made it.
LoadedModule LoadModule() {
    std::vector<std::string> places;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) places.push_back((program.parent_path() / "libquorvi-http.so").string());
#ifdef MERV_HTTP_MODULE_BUILD_PATH
    places.push_back(MERV_HTTP_MODULE_BUILD_PATH);
#endif
    LoadedModule loaded;
    for (const std::string& place : places) {
        if (!std::filesystem::exists(place, error)) continue;
        using Entry = const HttpModuleApi* (*)();
        if (void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (auto entry = reinterpret_cast<Entry>(dlsym(module, "quorvi_http_module"))) {
                loaded.api = entry();
                return loaded;
            }
            loaded.error += " " + place + ": no entry;";
        } else {
            loaded.error += std::string(" ") + dlerror() + ";";
        }
    }
    loaded.error =
        "the HTTP module could not be loaded:" +
        (loaded.error.empty() ? " libquorvi-http.so is missing beside the program" : loaded.error);
    return loaded;
}
#endif

}  // namespace

TransportResult TransportGet(const TransportRequest& request, TransferSink& sink) {
    static const LoadedModule module = LoadModule();  // once, whichever thread comes first
    if (!module.api) {
        TransportResult result;
        result.error = module.error;
        return result;
    }
    return module.api->get(request, sink);
}

}  // namespace merv
