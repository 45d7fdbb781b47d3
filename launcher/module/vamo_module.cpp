// Stand-in for the outside product module vamo.so, which the launcher loads at
// start. It exports, with C linkage:
//   HWND RunVamo(void)               a window made through the launcher's own
//                                    widget layer (resolved from the launcher
//                                    at load time), for the launcher to embed;
//   void ConnectVamo(const char* s)  called once a second by the launcher.
//
// Every call is counted in "<module file>.calls" beside the module, rewritten
// whole on each call ("RunVamo N" and "ConnectVamo N LAST-ARGUMENT" lines), so
// that tests and curious users can see what the launcher asked of it.
//
// Built in variants for the launcher's tests: VAMO_WITHOUT_CONNECT (no
// ConnectVamo), VAMO_WITHOUT_RUN (no RunVamo), VAMO_NULL_WINDOW (RunVamo
// returns null), VAMO_CRASH_IN_RUN (RunVamo aborts the process).
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "ui/core/UIlib.h"

namespace {

// The module's window: nothing to draw, the launcher gives it no size.
class ModuleWindow : public DuiLib::CWindowWnd {
protected:
    LPCTSTR GetWindowClassName() const override { return "VamoModuleWnd"; }
    void OnFinalMessage(HWND) override { delete this; }
};

std::mutex g_mutex;
long g_runCalls = 0;
long g_connectCalls = 0;
std::string g_lastArgument;

std::string CallsFile() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&CallsFile), &info) || !info.dli_fname) return {};
    return std::string(info.dli_fname) + ".calls";
}

void RecordCalls() {
    const std::string path = CallsFile();
    if (path.empty()) return;
    const std::string temporary = path + ".new";
    FILE* out = std::fopen(temporary.c_str(), "w");
    if (!out) return;
    std::fprintf(out, "RunVamo %ld\nConnectVamo %ld %s\n", g_runCalls, g_connectCalls,
                 g_lastArgument.c_str());
    const bool written = std::fclose(out) == 0;
    // A reader sees the old counts or the new ones, never half a file.
    if (written) std::rename(temporary.c_str(), path.c_str());
}

}  // namespace

extern "C" {

#ifndef VAMO_WITHOUT_RUN
__attribute__((visibility("default"))) HWND RunVamo() {
    std::lock_guard lock(g_mutex);
    ++g_runCalls;
    RecordCalls();
#if defined(VAMO_CRASH_IN_RUN)
    std::abort();
#elif defined(VAMO_NULL_WINDOW)
    return nullptr;
#else
    // A failed creation deletes the window object itself (OnFinalMessage).
    return (new ModuleWindow)->Create(nullptr, "vamo module", WS_POPUP, 0, 0, 0, 0, 0);
#endif
}
#endif

#ifndef VAMO_WITHOUT_CONNECT
__attribute__((visibility("default"))) void ConnectVamo(const char* argument) {
    std::lock_guard lock(g_mutex);
    ++g_connectCalls;
    g_lastArgument = argument ? argument : "";
    RecordCalls();
}
#endif

}  // extern "C"
