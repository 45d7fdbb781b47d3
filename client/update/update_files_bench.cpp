// The file update against reference tools, side by side in one run:
//  1. a client-mode run over 5,000 listed files that all match, against one
//     md5sum over the same files;
//  2. a plugin update from an empty folder, 300 files and 30 MB from the portal
//     stand-in on loopback, against one curl fetching the same addresses.
//
// Usage: file_update_bench [portal program] [folder]
// The portal program defaults to the build's quorvi-portal, serving a copy of
// the demo data with the benchmark's files added; the folder defaults to the
// temp folder. Each side runs three times, alternating, with a warm page cache;
// the best time counts. The run's own progress lines are sent to /dev/null.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "client/update/update_files_thread.h"
#include "libmerv/libmerv.h"
#include "platform/bench_report.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using quorvi::FileUpdateEnd;
using quorvi::FileUpdatePlan;
using quorvi::FileUpdateSettings;
using quorvi::UpdateProgress;

constexpr int kRuns = 3;

// ---- processes ---------------------------------------------------------------------------
// Runs a program with its output sent to /dev/null; true when it exited with 0.
bool RunQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The portal stand-in on a free loopback port, serving `data`.
class Portal {
public:
    Portal(const std::string& program, const std::string& data) {
        int ends[2];
        if (pipe(ends) != 0) std::exit(2);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> arguments = {program, "--port", "0",        "--data",
                                              data,    "--log",  "/dev/null"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", program.c_str());
            std::exit(2);
        }
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        m_said = fdopen(ends[0], "r");
        char line[1024];
        while (m_port == 0 && std::fgets(line, sizeof line, m_said))
            if (const char* at = std::strstr(line, "127.0.0.1:")) m_port = std::atoi(at + 10);
        if (m_port == 0) {
            std::fprintf(stderr, "the portal did not start\n");
            std::exit(2);
        }
    }
    ~Portal() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        std::fclose(m_said);
    }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = 0;
    int m_port = 0;
    std::FILE* m_said = nullptr;
};

// ---- measuring ---------------------------------------------------------------------------
// Standard output goes to /dev/null while `run` runs (the transfers' progress lines).
double Seconds(const std::function<bool()>& run, bool& ok) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    const auto start = Clock::now();
    ok = run() && ok;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(quiet);
    return seconds;
}

struct Duel {
    double ours = 1e9, theirs = 1e9;
    bool ok = true;
};

// `prepare(true)` comes before each of our runs, `prepare(false)` before each reference run.
Duel BestOf(const std::function<void(bool ours)>& prepare, const std::function<bool()>& ours,
            const std::function<bool()>& theirs) {
    Duel duel;
    for (int i = 0; i < kRuns; ++i) {
        prepare(true);
        duel.ours = std::min(duel.ours, Seconds(ours, duel.ok));
        prepare(false);
        duel.theirs = std::min(duel.theirs, Seconds(theirs, duel.ok));
    }
    return duel;
}

void Print(const char* title, const char* reference, const Duel& duel, double goal,
           const char* metric) {
    const double ratio = duel.ours / duel.theirs;
    std::printf("%s\n  file update %8.3f s   %-8s %8.3f s   ratio %.2fx (goal <= %.1fx)  %s\n",
                title, duel.ours, reference, duel.theirs, ratio, goal,
                !duel.ok        ? "FAILED"
                : ratio <= goal ? "ok"
                                : "over the goal");
    if (duel.ok) platform::PrintBenchRow(metric, duel.ours, duel.theirs, "s", {goal});
}

void WriteNoise(const fs::path& path, std::size_t size, std::mt19937_64& random) {
    fs::create_directories(path.parent_path());
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = random();
        std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(8, size - i));
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

UpdateProgress RunOnce(const FileUpdatePlan& plan, const FileUpdateSettings& settings,
                       bool pluginMode, FileUpdateEnd& end) {
    UpdateProgress progress;
    progress.PluginMode = pluginMode;
    end = quorvi::RunFileUpdate(plan, settings, progress, {});
    return progress;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string portalProgram = argc > 1 ? argv[1] : QUORVI_PORTAL_PROGRAM;
    const fs::path root = (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) /
                          ("quorvi-file-update-bench-" + std::to_string(getpid()));
    // The demo data (the portal needs its catalogue), plus the benchmark's files.
    const fs::path data = root / "data", pub = data / "update" / "pub";
    fs::create_directories(root);
    fs::copy(QUORVI_PORTAL_DEMO_DATA, data, fs::copy_options::recursive);
    std::mt19937_64 random(42);

    // 5,000 program files of 1 to 40 KB, already level with their list (served as a file).
    const fs::path program = root / "program";
    std::string list;
    std::vector<std::string> localFiles = {"md5sum"};
    std::uint64_t programBytes = 0;
    for (int i = 0; i < 5000; ++i) {
        const std::string name =
            "dir" + std::to_string(i % 50) + "/file" + std::to_string(i) + ".bin";
        const std::size_t size = 1024 + random() % (40 * 1024);
        WriteNoise(program / name, size, random);
        list += "quorvi/program/" + name + "|" + Clibmerv::FileDigest((program / name).string()) +
                "|" + std::to_string(size) + "\n";
        localFiles.push_back((program / name).string());
        programBytes += size;
    }
    fs::create_directories(pub / "lists");
    std::ofstream(pub / "lists" / "program.txt", std::ios::binary) << list;

    // 300 plugin files, 30 MB in all (50 to 150 KB each).
    std::vector<std::string> curlCommand = {"curl", "-s", "--fail", "--create-dirs"};
    const fs::path pluginFolder = pub / "plugins" / "bench";
    std::vector<std::size_t> sizes(300);
    std::uint64_t pluginBytes = 0;
    for (std::size_t& size : sizes) size = 50'000 + random() % 100'000;
    for (std::size_t& size : sizes) pluginBytes += size;
    for (std::size_t& size : sizes)
        size = static_cast<std::size_t>(double(size) * 30e6 / double(pluginBytes));
    pluginBytes = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        WriteNoise(pluginFolder / ("part" + std::to_string(i / 30)) / ("f" + std::to_string(i)),
                   sizes[i], random);
        pluginBytes += sizes[i];
    }

    Portal portal(portalProgram, data.string());
    FileUpdateSettings settings{(root / "client").string() + "/", portal.Origin() + "/update/",
                                merv::kDefaultHttpLimits};

    // The same addresses for curl: the list, then every listed file.
    const fs::path curlFolder = root / "curl";
    const std::string listUrl = portal.Origin() + "/update/pub/UpdateFiles.php?dir=bench";
    curlCommand.insert(curlCommand.end(), {"-o", (curlFolder / "filesinfo.txt").string(), listUrl});
    const std::string served = Clibmerv::GetHttpContent(listUrl);
    for (std::size_t start = 0, end; (end = served.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string path = served.substr(start, served.find('|', start) - start);
        curlCommand.insert(curlCommand.end(), {"-o", (curlFolder / path).string(),
                                               portal.Origin() + "/update/pub/" + path});
    }

    // ---- 1: client mode, everything matches ----
    const FileUpdatePlan programPlan{program.string() + "/",
                                     portal.Origin() + "/update/pub/lists/program.txt", "", false};
    FileUpdateEnd end{};
    Duel digests =
        BestOf([](bool) {},
               [&] {
                   const UpdateProgress p = RunOnce(programPlan, settings, false, end);
                   return end == FileUpdateEnd::Finished && p.NeededBytes == 0 && p.Finished;
               },
               [&] { return RunQuietly(localFiles); });
    std::printf("client mode: 5000 matching files, %.1f MB\n", programBytes / 1e6);
    Print("  two passes (the second reuses unchanged files' digests) vs one md5sum", "md5sum",
          digests, 1.3, "file update, 5,000 matching files, against md5sum");

    // ---- 2: plugin from empty ----
    const quorvi::ClientConfig config;
    settings.programFolder = (root / "client").string() + "/";
    const FileUpdatePlan pluginPlan = quorvi::PlanPluginUpdate("bench/f0", config, settings);
    Duel downloads = BestOf(
        [&](bool ours) {
            fs::remove_all(ours ? root / "client" : curlFolder);
            sync();
        },
        [&] {
            const UpdateProgress p = RunOnce(pluginPlan, settings, true, end);
            return end == FileUpdateEnd::Finished && p.DoneBytes == std::int64_t(pluginBytes);
        },
        [&] { return RunQuietly(curlCommand); });
    std::printf("plugin from empty: %zu files, %.1f MB, loopback\n", sizes.size(),
                pluginBytes / 1e6);
    Print("  list + files (digest checked, put in place) vs curl, one invocation", "curl",
          downloads, 1.3, "plugin download, 300 files, 30 MB, against curl");

    // Every file arrived whole.
    int wrong = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const fs::path relative =
            fs::path("part" + std::to_string(i / 30)) / ("f" + std::to_string(i));
        if (Clibmerv::FileDigest((pluginFolder / relative).string()) !=
            Clibmerv::FileDigest((root / "client" / "plugins" / "bench" / relative).string()))
            ++wrong;
    }
    std::printf("  files that differ from the server's after the last run: %d\n", wrong);

    fs::remove_all(root);
    return digests.ok && downloads.ok && wrong == 0 ? 0 : 1;
}
