// The outside product module (vamo.so), bound at run time.
//
// The launcher loads it once, calls its RunVamo once for a window to embed and
// its ConnectVamo once a second; it never unloads it. Each export is looked up
// again at every call, so a module without one is simply skipped. A line naming
// the module's file is logged before each call into it (loading included), so
// a module that crashes the launcher is the last thing its log names.
#pragma once

#include <string>

#include "platform/process.h"
#include "ui/core/win_types.h"

namespace vamo {

// The module's file name: "vamo" with the platform's module suffix.
inline const std::string kProductModuleFile = std::string("vamo") + platform::kModuleSuffix;
// Exports, with C linkage: HWND RunVamo(void) and <any> ConnectVamo(const char*).
inline constexpr const char kRunVamoExport[] = "RunVamo";
inline constexpr const char kConnectVamoExport[] = "ConnectVamo";

class ProductModule {
public:
    ProductModule() = default;
    ProductModule(const ProductModule&) = delete;
    ProductModule& operator=(const ProductModule&) = delete;

    // Loads the module by its file name: from `programFolder` (ending in the
    // separator) first, then by the system's search order. False when neither
    // loads; the loader's reason is kept for LoadError.
    bool Load(const std::string& programFolder);
    bool IsLoaded() const { return handle_ != nullptr; }
    const std::string& LoadError() const { return loadError_; }
    // The file that was loaded (GBK); empty until then.
    const std::string& File() const { return file_; }

    // Calls RunVamo when the module is loaded and exports it; null otherwise or
    // when it returns none.
    HWND RunVamo();
    // Calls ConnectVamo(argument) when the module is loaded and exports it; the
    // result is ignored. False when there was nothing to call.
    bool ConnectVamo(const char* argument);

private:
    void* Export(const char* name) const;

    void* handle_ = nullptr;  // never closed: the module may own windows and threads
    std::string loadError_;
    std::string file_;
};

}  // namespace vamo
