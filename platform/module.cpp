#include "platform/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

namespace platform {

void* OpenModuleEntry(const std::string& fileName, const char* buildPath, const char* entry,
                      std::string& reasons) {
    std::vector<std::string> places;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) places.push_back((program.parent_path() / fileName).string());
    if (buildPath) places.push_back(buildPath);
    const size_t before = reasons.size();
    for (const std::string& place : places) {
        if (!std::filesystem::exists(place, error)) continue;
        if (void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void* symbol = dlsym(module, entry)) return symbol;
            reasons += " " + place + ": no entry;";
        } else {
            reasons += std::string(" ") + dlerror() + ";";
        }
    }
    if (reasons.size() == before) reasons += " " + fileName + " is missing beside the program";
    return nullptr;
}

}  // namespace platform
