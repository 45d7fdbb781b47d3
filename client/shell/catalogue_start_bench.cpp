// The client program itself started with a catalogue of 20,000 applications,
// against the same program with the demo catalogue: wall time from exec to its
// main window mapped on the X display (the catalogue is read and its navigation
// built before the window is shown; it is stored after the first frame). Each
// start reads the catalogue into a new database, as the first start with a new
// catalogue does. The two alternate so
// the machine's load hits both; medians. The client's processor time up to the
// map is shown beside: on a busy machine the wall time of the catalogue's work
// (processor-bound) grows more than that of loading the program.
//
// Goal: the 20,000 applications' window within 2x the demo catalogue's.
//
// Usage: catalogue_start_bench [runs]   (needs an X display)
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client/catalogue/catalogue_bench_support.h"
#include "platform/bench_report.h"
#include "ui/gtk/x_program_test_support.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ui::testing::Process;

// A program folder with the program and the skin.
std::string MakeProgramFolder(const char* stem) {
    const std::string folder = ui::testing::MakeFolder(stem);
    if (folder.empty()) return folder;
    fs::copy_file(QUORVI_PROGRAM, folder + "quorvi");
    fs::create_directories(folder + "skin");
    // A copy, not a link: a client that reaches a portal updates its own skin.
    fs::copy(QUORVI_SKIN_DIR, folder + "skin/quorvi", fs::copy_options::recursive);
    return folder;
}

pid_t PidOf(Display* display, Window window) {
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    pid_t pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data && count == 1)
        pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pid;
}

// What a window manager sends when the user closes a window.
void RequestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

// The processor time of process `pid` so far (all its threads), in milliseconds.
double ProcessorMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text{std::istreambuf_iterator<char>(stat), {}};
    const size_t end = text.rfind(')');  // the command name may hold spaces
    if (end == std::string::npos) return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    double ticks = 0;
    // After the name: state is field 3, user time 14 and system time 15.
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number >= 14) ticks += std::atof(field.c_str());
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Start {
    double wallMs = -1, processorMs = 0;
};

// From exec to the program's first window mapped; a negative wall time when it
// was not shown within a minute. The program is closed again afterwards.
Start StartOnce(Display* display, const std::string& folder, const std::string& catalogue) {
    // Written again each time: a portal the program reaches replaces its catalogue.
    fs::remove(folder + "vamo.db");
    std::ofstream(folder + "apps.xml", std::ios::binary | std::ios::trunc) << catalogue;
    XSync(display, True);  // events of earlier runs are not this one's
    Process process;
    const auto start = Clock::now();
    if (!process.Start(folder + "quorvi", {}, folder + "out.txt", folder + "err.txt")) return {};
    Window shown = 0;
    auto mapped = start;
    double processor = 0;
    const auto deadline = start + std::chrono::seconds(60);
    while (!shown && Clock::now() < deadline && process.Running()) {
        while (!shown && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && PidOf(display, event.xmap.window) == process.Pid()) {
                mapped = Clock::now();
                processor = ProcessorMs(process.Pid());
                shown = event.xmap.window;
            }
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        if (!shown) poll(&connection, 1, 5);
    }
    if (shown) RequestClose(display, shown);
    if (!process.WaitForExit(std::chrono::seconds(10))) process.Kill();
    if (!shown) return {};
    return {std::chrono::duration<double, std::milli>(mapped - start).count(), processor};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "catalogue_start_bench: needs an X display\n");
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    std::ifstream demoFile(QUORVI_DEMO_CATALOGUE, std::ios::binary);
    const std::string demoText{std::istreambuf_iterator<char>(demoFile), {}};
    const std::string largeText = quorvi::bench::GenerateCatalogueDocument(20000);
    const std::string demo = MakeProgramFolder("startdemo");
    const std::string large = MakeProgramFolder("startlarge");
    if (demoText.empty() || demo.empty() || large.empty()) return 2;

    std::vector<double> demoMs, largeMs, demoCpu, largeCpu;
    bool failed = false;
    StartOnce(display, demo, demoText);  // a first start fills the file caches for both
    for (int i = 0; i < runs && !failed; ++i) {
        const Start d = StartOnce(display, demo, demoText);
        const Start l = StartOnce(display, large, largeText);
        demoMs.push_back(d.wallMs);
        largeMs.push_back(l.wallMs);
        demoCpu.push_back(d.processorMs);
        largeCpu.push_back(l.processorMs);
        failed = d.wallMs < 0 || l.wallMs < 0;
    }
    fs::remove_all(demo);
    fs::remove_all(large);
    if (failed) {
        std::fprintf(stderr, "catalogue_start_bench: the window was not shown\n");
        return 2;
    }
    std::printf("the client from exec to its main window mapped, medians of %d interleaved runs\n",
                runs);
    std::printf("  %-22s %8.1f ms  (processor time %6.0f ms)\n", "demo catalogue", Median(demoMs),
                Median(demoCpu));
    std::printf("  %-22s %8.1f ms  (processor time %6.0f ms)\n", "20,000 applications",
                Median(largeMs), Median(largeCpu));
    const bool met =
        platform::PrintBenchRow("client start to its window, 20,000 apps against the demo",
                                Median(largeMs), Median(demoMs), "ms", {2.0});
    XCloseDisplay(display);
    return met ? 0 : 1;
}
