// Benchmark: one walk of the updater's tick (ApplySideFiles) over 20,000 files
// without side files, side by side with `find DIR -name '*.vmupdate'` over the
// same folder. Prints the median of several runs of each and their ratio.
//   updrix_bench [RUNS]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

double TimeTick(const fs::path& root) {
    const auto start = Clock::now();
    const int found = updrix::ApplySideFiles(root.string() + "/*.*");
    const auto elapsed = Clock::now() - start;
    if (found != 0) std::fprintf(stderr, "updrix_bench: %d side files found?\n", found);
    return Milliseconds(elapsed);
}

double TimeFind(const fs::path& root) {
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
    waitpid(pid, &status, 0);
    const auto elapsed = Clock::now() - start;
    posix_spawn_file_actions_destroy(&actions);
    return Milliseconds(elapsed);
}

void Compare(const char* layout, const fs::path& root, int runs) {
    TimeTick(root);  // both start from a warm cache
    TimeFind(root);
    std::vector<double> tick, find;
    for (int run = 0; run < runs; ++run) {
        tick.push_back(TimeTick(root));
        find.push_back(TimeFind(root));
    }
    const double tickMs = Median(tick);
    const double findMs = Median(find);
    std::printf("%-34s  tick %8.2f ms   find %8.2f ms   ratio %.2fx\n", layout, tickMs, findMs,
                tickMs / findMs);
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
