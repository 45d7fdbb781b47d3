// Benchmark: one walk of the updater's tick (ApplySideFiles) over 20,000 files
// without side files, side by side with `find DIR -name '*.vmupdate'` over the
// same folder. Prints the medians of several runs of each and their ratios: wall
// time (find's includes starting the process) and processor time (user + system;
// the walk's thread, find's process), which a busy machine disturbs less.
//   updrix_bench [RUNS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/bench_report.h"
#include "updrix/side_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// `folders` folders of `filesPerFolder` empty files each, below `root`.
void MakeTree(const fs::path& root, int folders, int filesPerFolder) {
    for (int folder = 0; folder < folders; ++folder) {
        const fs::path dir = root / ("group" + std::to_string(folder / 10)) /
                             ("folder" + std::to_string(folder % 10));
        fs::create_directories(dir);
        for (int file = 0; file < filesPerFolder; ++file) {
            std::ofstream(dir / ("file" + std::to_string(file) + ".dat"));
        }
    }
}

struct Times {
    double wallMs = 0;
    double cpuMs = 0;
};

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Ms(const timeval& time) {
    return time.tv_sec * 1e3 + time.tv_usec / 1e3;
}

Times TimeTick(const fs::path& root) {
    const double cpuStart = ThreadCpuMs();
    const auto start = Clock::now();
    const updrix::SideFileReport report = updrix::ApplySideFiles(root.string() + "/*.*");
    const size_t found = static_cast<size_t>(report.applied) + report.failures.size();
    const auto elapsed = Clock::now() - start;
    const double cpu = ThreadCpuMs() - cpuStart;
    if (found != 0) std::fprintf(stderr, "updrix_bench: %zu side files found?\n", found);
    return {Milliseconds(elapsed), cpu};
}

Times TimeFind(const fs::path& root) {
    const std::string dir = root.string();
    char find[] = "find";
    char name[] = "-name";
    char pattern[] = "*.vmupdate";
    char* argv[] = {find, const_cast<char*>(dir.c_str()), name, pattern, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv, environ) != 0) {
        std::perror("updrix_bench: find");
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto elapsed = Clock::now() - start;
    posix_spawn_file_actions_destroy(&actions);
    return {Milliseconds(elapsed), Ms(usage.ru_utime) + Ms(usage.ru_stime)};
}

void Compare(const char* layout, const fs::path& root, int runs) {
    TimeTick(root);  // both start from a warm cache
    TimeFind(root);
    std::vector<double> tickWall, tickCpu, findWall, findCpu;
    for (int run = 0; run < runs; ++run) {
        const Times tick = TimeTick(root);
        const Times find = TimeFind(root);
        tickWall.push_back(tick.wallMs);
        tickCpu.push_back(tick.cpuMs);
        findWall.push_back(find.wallMs);
        findCpu.push_back(find.cpuMs);
    }
    const double tw = Median(tickWall), fw = Median(findWall);
    const double tc = Median(tickCpu), fc = Median(findCpu);
    std::printf("%s\n", layout);
    std::printf("  wall       tick %8.2f ms   find %8.2f ms   ratio %.2fx\n", tw, fw, tw / fw);
    std::printf("  processor  tick %8.2f ms   find %8.2f ms   ratio %.2fx\n", tc, fc, tc / fc);
    platform::PrintBenchRow(std::string("updater tick against find, processor time, ") + layout, tc,
                            fc, "ms", {});
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    char pattern[] = "/tmp/updrix-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("updrix_bench: mkdtemp");
        return 1;
    }
    const fs::path base = pattern;
    MakeTree(base / "tree", 200, 100);
    MakeTree(base / "flat", 1, 20000);
    std::printf("updrix_bench: medians of %d runs over 20,000 files without side files\n", runs);
    Compare("tree (20 x 10 folders x 100 files)", base / "tree", runs);
    Compare("flat (one folder of 20,000 files)", base / "flat", runs);
    fs::remove_all(base);
    return 0;
}
