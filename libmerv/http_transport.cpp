#include "libmerv/http_transport.h"

#ifndef MERV_HTTP_LINKED
#include "platform/module.h"
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
#ifdef MERV_HTTP_MODULE_BUILD_PATH
    const char* buildPath = MERV_HTTP_MODULE_BUILD_PATH;
#else
    const char* buildPath = nullptr;
#endif
    using Entry = const HttpModuleApi* (*)();
    LoadedModule loaded;
    if (auto entry = reinterpret_cast<Entry>(platform::OpenModuleEntry(
            "libquorvi-http.so", buildPath, "quorvi_http_module", loaded.error)))
        loaded.api = entry();
    else
        loaded.error = "the HTTP module could not be loaded:" + loaded.error;
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
