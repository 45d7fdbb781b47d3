// The client's start on an X display (run under Xvfb without one), side by side
// with a minimal GTK 3 window and a GTK window holding a WebKit view:
//
//   map:      from exec to the MapNotify of the program's window; median of the
//             runs, the programs started in turn so the machine's load hits each
//   frame:    from exec to the first finished frame: the window's content is
//             read after the map and whenever the X server reports it drawn
//             into, and the finished frame is the first report of the content
//             that then stays; any other content shown before it (a black
//             frame, a control drawn out of place) is counted
//   memory:   PSS of the program and its helper processes (WebKit's) once the
//             window has shown the home page, against the WebKit window
//             showing the same page
//   idle:     processor time (from the processes' CPU clocks) and wake-ups
//             (context switches) of the same processes over twenty idle
//             seconds (from 15 s after the start), in two rounds that start
//             the two programs in either order, against the WebKit window
//
// Usage: startup_bench [runs] [program folder to take the client from]
// The client runs in a folder of its own (the program, its web and HTTP modules and the
// skin), started once before the runs so its database and catalogue are there;
// a portal stand-in serves the home page when the portal's port is free.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/bench_report.h"
#include "platform/server_process_test_support.h"
#include "quorvi/build_config.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// ---- processes ---------------------------------------------------------------------------
pid_t Spawn(const std::vector<std::string>& argv, const std::string& folder) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (folder + "out.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// The process and every process it started, by their parent links.
std::vector<pid_t> Tree(pid_t root) {
    std::map<pid_t, pid_t> parents;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        parents[std::stoi(name)] = parent;
    }
    std::vector<pid_t> tree{root};
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto& [pid, parent] : parents)
            if (parent == tree[i]) tree.push_back(pid);
    return tree;
}

// Ends the program and its helpers, politely first.
void End(pid_t pid) {
    if (pid <= 0) return;
    const std::vector<pid_t> tree = Tree(pid);
    kill(pid, SIGTERM);
    for (int i = 0; i < 40; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = 0;
            break;
        }
        std::this_thread::sleep_for(50ms);
    }
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    // Helpers end with their parent's connection; the few left are ended here.
    std::this_thread::sleep_for(300ms);
    for (size_t i = 1; i < tree.size(); ++i) kill(tree[i], SIGKILL);
}

long ProcField(const std::string& path, const std::string& key) {
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
    return 0;
}

// PSS in KiB of the processes.
long PssKiB(const std::vector<pid_t>& pids) {
    long total = 0;
    for (pid_t pid : pids)
        total += ProcField("/proc/" + std::to_string(pid) + "/smaps_rollup", "Pss:");
    return total;
}

// Processor time (per process, from its CPU clock: nanoseconds, threads that
// ended included) and context switches (per thread) so far; compared key by
// key, so a thread that ends in between takes nothing off.
struct Activity {
    std::map<std::string, double> cpuMs;
    std::map<std::string, long> switches;
};

Activity ActivityOf(const std::vector<pid_t>& pids) {
    Activity a;
    for (pid_t pid : pids) {
        const std::string base = "/proc/" + std::to_string(pid);
        clockid_t clock{};
        timespec used{};
        if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &used) != 0) continue;
        a.cpuMs[base] =
            static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
        std::error_code error;
        for (const auto& task : fs::directory_iterator(base + "/task", error)) {
            const std::string status = (task.path() / "status").string();
            a.switches[task.path().string()] = ProcField(status, "voluntary_ctxt_switches:") +
                                               ProcField(status, "nonvoluntary_ctxt_switches:");
        }
    }
    return a;
}

template <typename Value>
double Growth(const std::map<std::string, Value>& before,
              const std::map<std::string, Value>& after) {
    double total = 0;
    for (const auto& [key, value] : after) {
        const auto found = before.find(key);
        total += static_cast<double>(value - (found == before.end() ? 0 : found->second));
    }
    return total;
}

// Idle figures of one program, added up over the rounds.
struct IdleFigures {
    long pssKiB = 0;
    double cpuMs = 0;
    double wakeUps = 0;
    void Add(const Activity& before, const Activity& after) {
        cpuMs += Growth(before.cpuMs, after.cpuMs);
        wakeUps += Growth(before.switches, after.switches);
    }
};

// ---- the display -----------------------------------------------------------------------
int g_damageEventBase = 0;

int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Waits for a top-level window at least `minWidth` wide to be mapped; the time
// of the MapNotify and the window, or nothing within the time allowed.
std::optional<std::pair<Clock::time_point, Window>> WaitForMap(Display* display, int minWidth,
                                                               Clock::duration allowed) {
    const auto end = Clock::now() + allowed;
    const int fd = ConnectionNumber(display);
    while (Clock::now() < end) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify) continue;
            const auto at = Clock::now();
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, event.xmap.window, &attributes) &&
                attributes.width >= minWidth)
                return std::make_pair(at, event.xmap.window);
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval wait{0, 2000};
        select(fd + 1, &set, nullptr, nullptr, &wait);
    }
    return std::nullopt;
}

// Where the frames of the client's starts are saved (QUORVI_BENCH_FRAMES),
// as PPM files named by run and frame; empty: not saved.
std::string g_framesFolder;
std::string g_framesPrefix;

void SaveFrame(XImage* image, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16),
                                          static_cast<unsigned char>(pixel >> 8),
                                          static_cast<unsigned char>(pixel)};
            std::fwrite(rgb, 1, 3, file);
        }
    std::fclose(file);
}

// A digest of the window's content, or 0 when it cannot be read. A new content
// is saved as frame `frame` when frames are saved.
uint64_t Content(Display* display, Window window, uint64_t previous = 0, int frame = 0) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return 0;
    XImage* image =
        XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return 0;
    uint64_t hash = 1469598103934665603ull;
    // Only the colour bits count: the spare byte of a 32-bit pixel on a 24-bit
    // window is not shown and differs between ways of drawing the same pixels.
    const uint64_t colour = image->red_mask | image->green_mask | image->blue_mask;
    const uint64_t mask = image->bits_per_pixel == 32 ? colour << 32 | colour : ~0ull;
    const auto* words = reinterpret_cast<const uint64_t*>(image->data);
    const size_t count = static_cast<size_t>(image->bytes_per_line) * image->height / 8;
    for (size_t i = 0; i < count; ++i) hash = (hash ^ (words[i] & mask)) * 1099511628211ull;
    hash = hash ? hash : 1;
    if (!g_framesPrefix.empty() && hash != previous)
        SaveFrame(image, g_framesPrefix + std::to_string(frame) + ".ppm");
    XDestroyImage(image);
    return hash;
}

struct StartTimes {
    double mapMs = -1;
    double frameMs = -1;
    int framesBefore = 0;  // different contents shown before the finished one
};

// Starts the program and times its window: from the map on, its content is
// read each time the X server reports it drawn into (DAMAGE), until nothing has
// changed it for `settle`. A change is timed when the server's report arrives:
// waiting on the reports instead of sampling on a period times each frame
// within a fraction of a millisecond, and leaves the server alone meanwhile.
StartTimes TimeStart(Display* display, const std::vector<std::string>& argv,
                     const std::string& folder, Clock::duration settle) {
    StartTimes times;
    XSync(display, True);
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv, folder);
    if (pid <= 0) return times;
    if (auto mapped = WaitForMap(display, 400, 20s)) {
        times.mapMs = Ms(mapped->first - start);
        const Window window = mapped->second;
        const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
        std::vector<std::pair<Clock::time_point, uint64_t>> samples;
        // Read once at once: the window may have been drawn before its reports were asked for.
        bool damaged = true;
        auto at = Clock::now();
        const auto end = at + 6s;
        auto lastChange = at;
        const int fd = ConnectionNumber(display);
        while (Clock::now() < end && Clock::now() - lastChange < settle) {
            if (damaged) {
                const uint64_t content =
                    Content(display, window, samples.empty() ? 0 : samples.back().second,
                            static_cast<int>(samples.size()));
                if (content != 0 && (samples.empty() || samples.back().second != content)) {
                    samples.emplace_back(at, content);
                    lastChange = at;
                }
                damaged = false;
            }
            while (!damaged && XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type != g_damageEventBase + XDamageNotify) continue;
                at = Clock::now();
                damaged = true;
            }
            if (damaged) continue;
            fd_set set;
            FD_ZERO(&set);
            FD_SET(fd, &set);
            timeval wait{0, 1000};
            select(fd + 1, &set, nullptr, nullptr, &wait);
        }
        XDamageDestroy(display, damage);
        XSync(display, True);  // the reports still on their way are dropped
        if (!samples.empty()) {
            times.frameMs = Ms(samples.back().first - start);
            times.framesBefore = static_cast<int>(samples.size()) - 1;
        }
    }
    End(pid);
    return times;
}

// The client's folder: the program, its web and HTTP modules and the skin.
std::string ClientFolder(const fs::path& dist) {
    const fs::path folder = fs::temp_directory_path() / "quorvi_startup_bench";
    fs::remove_all(folder);
    fs::create_directories(folder / "skin");
    for (const char* name : {"quorvi", "libmerv.so", "libquorvi-web.so", "libquorvi-http.so"})
        if (fs::exists(dist / name)) fs::copy_file(dist / name, folder / name);
    // A copy: the client's own update writes its replacements beside the files.
    fs::copy(QUORVI_BENCH_SKIN_DIR, folder / "skin" / "quorvi", fs::copy_options::recursive);
    return folder.string() + "/";
}

constexpr auto kIdleRound = 20s;

// Starts both programs, one after the other's window is shown, and returns
// their process ids: the client's, then the WebKit window's.
std::pair<pid_t, pid_t> StartBoth(Display* display, const std::vector<std::string>& client,
                                  const std::vector<std::string>& web, const std::string& folder,
                                  bool clientFirst) {
    const pid_t first = Spawn(clientFirst ? client : web, folder);
    WaitForMap(display, 400, 20s);
    const pid_t second = Spawn(clientFirst ? web : client, folder);
    WaitForMap(display, 400, 20s);
    return clientFirst ? std::pair{first, second} : std::pair{second, first};
}

int Run(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    XSetErrorHandler(IgnoreXError);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench: no X display (run it under xvfb-run)\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    int damageErrorBase = 0;
    if (!XDamageQueryExtension(display, &g_damageEventBase, &damageErrorBase)) {
        std::fprintf(stderr, "bench: the X server has no DAMAGE extension\n");
        return 2;
    }

    const fs::path portalData = fs::temp_directory_path() / "quorvi_startup_bench_portal";
    fs::remove_all(portalData);
    fs::copy(QUORVI_PORTAL_DEMO_DATA, portalData, fs::copy_options::recursive);
    const std::string origin = quorvi::kPortalOrigin;
    const std::string port = origin.substr(origin.rfind(':') + 1);
    platform::testing::ServerProcess portal;
    if (portal.Start(QUORVI_PORTAL_PROGRAM,
                     {"--port", port, "--data", portalData.string(), "--log", "/dev/null"}) == 0)
        std::printf("the portal's port %s is taken; its server serves the pages\n", port.c_str());

    const std::string folder = ClientFolder(argc > 2 ? argv[2] : QUORVI_BENCH_DIST_DIR);
    const std::vector<std::string> client{folder + "quorvi"};
    const std::vector<std::string> gtk{QUORVI_BENCH_GTK_WINDOW};
    const std::string page = origin + "/web/win/?channel=1";
    const std::vector<std::string> web{QUORVI_BENCH_WEB_WINDOW, "--web", page};

    // The first start fills the folder (database, catalogue, icons); the
    // benchmark times the starts after it, as a user's starts are.
    TimeStart(display, client, folder, 3s);

    std::vector<double> clientMap, clientFrame, gtkMap, gtkFrame, webMap;
    int worstFramesBefore = 0, gtkWorstFramesBefore = 0;
    std::printf("run  client map  frame  (before)   gtk map  frame  (before)   webkit map\n");
    if (const char* frames = std::getenv("QUORVI_BENCH_FRAMES")) g_framesFolder = frames;
    for (int i = 0; i < runs; ++i) {
        if (!g_framesFolder.empty())
            g_framesPrefix = g_framesFolder + "/start" + std::to_string(i + 1) + "-frame";
        const StartTimes c = TimeStart(display, client, folder, 700ms);
        g_framesPrefix.clear();
        const StartTimes g = TimeStart(display, gtk, folder, 300ms);
        const StartTimes w = TimeStart(display, web, folder, 100ms);
        std::printf("%3d  %10.1f %6.1f  (%d)  %10.1f %6.1f  (%d)  %10.1f\n", i + 1, c.mapMs,
                    c.frameMs, c.framesBefore, g.mapMs, g.frameMs, g.framesBefore, w.mapMs);
        if (c.mapMs < 0 || g.mapMs < 0 || w.mapMs < 0) {
            std::fprintf(stderr, "bench: a window was not shown; see %sout.txt\n", folder.c_str());
            return 2;
        }
        clientMap.push_back(c.mapMs);
        clientFrame.push_back(c.frameMs);
        gtkMap.push_back(g.mapMs);
        gtkFrame.push_back(g.frameMs);
        webMap.push_back(w.mapMs);
        worstFramesBefore = std::max(worstFramesBefore, c.framesBefore);
        gtkWorstFramesBefore = std::max(gtkWorstFramesBefore, g.framesBefore);
    }
    bool met = true;
    met &= platform::PrintBenchRow("start: exec to the main window mapped, against a GTK window",
                                   Median(clientMap), Median(gtkMap), "ms", {1.3});
    met &= platform::PrintBenchRow("start: exec to the first finished frame, against a GTK window",
                                   Median(clientFrame), Median(gtkFrame), "ms", {1.3});
    platform::PrintBenchRow("start: exec to the main window mapped, against a WebKit window",
                            Median(clientMap), Median(webMap), "ms", {});
    // Without a compositor every new window is black until its first paint, the
    // GTK window's too; what counts is showing no more contents than it does.
    const bool fewFrames = worstFramesBefore <= gtkWorstFramesBefore;
    std::printf(
        "BENCH|start: contents shown before the finished frame, worst of %d, against a "
        "GTK window|%d|%d|-|<= reference|%s\n",
        runs, worstFramesBefore, gtkWorstFramesBefore, fewFrames ? "met" : "NOT MET");
    met &= fewFrames;

    // Memory and idle: both programs showing the home page at the same time,
    // in two rounds that start them in either order. Which of the two starts
    // first matters: WebKit's memory monitors of both wake on the same beat,
    // and the one that wakes first was measured to take twice the time.
    IdleFigures clientIdle, webIdle;
    for (const bool clientFirst : {true, false}) {
        const auto [clientPid, webPid] = StartBoth(display, client, web, folder, clientFirst);
        // Idle as a user leaves it: past the start's own work and the text
        // cursor's blinking, which GTK stops after ten seconds without a key.
        std::this_thread::sleep_for(15s);
        if (clientFirst) {
            clientIdle.pssKiB = PssKiB(Tree(clientPid));
            webIdle.pssKiB = PssKiB(Tree(webPid));
        }
        const Activity clientBefore = ActivityOf(Tree(clientPid)),
                       webBefore = ActivityOf(Tree(webPid));
        std::this_thread::sleep_for(kIdleRound);
        const Activity clientAfter = ActivityOf(Tree(clientPid)),
                       webAfter = ActivityOf(Tree(webPid));
        clientIdle.Add(clientBefore, clientAfter);
        webIdle.Add(webBefore, webAfter);
        End(clientPid);
        End(webPid);
    }
    met &=
        platform::PrintBenchRow("memory: PSS with web processes, against a WebKit window",
                                clientIdle.pssKiB / 1024.0, webIdle.pssKiB / 1024.0, "MiB", {1.1});
    met &= platform::PrintBenchRow("idle: processor time over 2 x 20 s, against a WebKit window",
                                   clientIdle.cpuMs, webIdle.cpuMs, "ms", {1.0});
    // One wake-up more on each side keeps the ratio from a zero.
    met &= platform::PrintBenchRow("idle: wake-ups over 2 x 20 s, against a WebKit window",
                                   clientIdle.wakeUps + 1, webIdle.wakeUps + 1, "", {1.0});

    XCloseDisplay(display);
    fs::remove_all(folder);
    fs::remove_all(portalData);
    return met ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return Run(argc, argv);
}
