// The final updater as a process, with stand-in clients, launchers and dialers.
//
// Each test has a program folder of its own under /tmp and a PID namespace of its
// own (ProcessSandbox): the updater, a copy of the built program placed in that
// folder, sees and ends only the test's own processes. The stand-ins are copies of
// sleep(1) named "quorvi", "vamo" and "pelkdial". Most tests run the test-only
// build with short ticks, which prints a line per tick.
//
// Sections: fixture | the client and its watchers | side files | a killed updater
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/file_test_support.h"
#include "updrix/process_sandbox.h"

namespace updrix {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using testing::ExitStatus;
using testing::ProcessSandbox;
using testing::SandboxedProcess;

constexpr milliseconds kLongWait{30000};  // a bound for things that normally take a moment

// ---- fixture -------------------------------------------------------------------------------

using platform::testing::ReadFile;

void WriteFile(const fs::path& path, const std::string& content, mode_t mode = 0644) {
    ASSERT_TRUE(platform::testing::WriteFile(path, content, mode)) << path;
}

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout = kLongWait) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

class FinalUpdater : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        sandbox_ = ProcessSandbox::Create(&whyNot);
        if (!sandbox_) GTEST_SKIP() << whyNot;
        char pattern[] = "/tmp/updrix-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        program_ = root_ / "program";
        fs::create_directories(program_);
    }
    void TearDown() override {
        sandbox_.reset();  // ends whatever still runs
        if (!root_.empty()) fs::remove_all(root_);
    }

    // A stand-in process: a copy of sleep(1) under `name` in the program folder
    // (or in `folder`).
    SandboxedProcess StartStandIn(const std::string& name, fs::path folder = {}) {
        if (folder.empty()) folder = program_;
        const fs::path copy = folder / name;
        fs::create_directories(folder);
        if (!fs::exists(copy)) fs::copy_file(fs::canonical("/bin/sleep"), copy);
        auto process = sandbox_->Start({copy.string(), "600"});
        EXPECT_TRUE(process) << name;
        return process.value_or(SandboxedProcess{});
    }

    // The updater from the program folder: the test-only build ticking every
    // `period` (its ticks go to ticks.log), or the program itself.
    SandboxedProcess StartUpdater(milliseconds period = milliseconds(40)) {
        const fs::path copy = program_ / "updrix";
        fs::copy_file(UPDRIX_TEST_RUNNER, copy, fs::copy_options::overwrite_existing);
        const std::string ms = std::to_string(period.count());
        auto process = sandbox_->Start({copy.string(), ms, ms}, TickLog());
        EXPECT_TRUE(process);
        return process.value_or(SandboxedProcess{});
    }
    SandboxedProcess StartBuiltUpdater() {
        const fs::path copy = program_ / "updrix";
        fs::copy_file(UPDRIX_PROGRAM, copy, fs::copy_options::overwrite_existing);
        auto process = sandbox_->Start({copy.string()});
        EXPECT_TRUE(process);
        return process.value_or(SandboxedProcess{});
    }

    std::string TickLog() const { return (root_ / "ticks.log").string(); }

    // The count of side files each tick so far applied.
    std::vector<int> Ticks() const {
        std::vector<int> found;
        std::istringstream log(ReadFile(TickLog()));
        for (std::string line; std::getline(log, line);) {
            if (line.starts_with("tick applied=")) found.push_back(std::stoi(line.substr(13)));
        }
        return found;
    }
    size_t IdleTicks() const {
        const std::vector<int> ticks = Ticks();
        return std::count(ticks.begin(), ticks.end(), 0);
    }

    // How a process ended; fails the test when it still runs after a long wait.
    ExitStatus EndOf(const SandboxedProcess& process) {
        auto status = sandbox_->WaitForExit(process, kLongWait);
        EXPECT_TRUE(status) << "still running";
        return status.value_or(ExitStatus{true, 0});
    }
    void ExpectExitedNormally(const SandboxedProcess& process) {
        const ExitStatus status = EndOf(process);
        EXPECT_FALSE(status.signalled) << "signal " << status.code;
        EXPECT_EQ(status.code, 0);
    }
    void ExpectKilled(const SandboxedProcess& process) {
        const ExitStatus status = EndOf(process);
        EXPECT_TRUE(status.signalled);
        EXPECT_EQ(status.code, SIGKILL);
    }

    std::unique_ptr<ProcessSandbox> sandbox_;
    fs::path root_;
    fs::path program_;
};

// ---- the client and its watchers -------------------------------------------------------

TEST_F(FinalUpdater, TheProgramEndsAClientThatNoLauncherWatchesAndThenItself) {
    // The program as built, with its own timing (a few seconds).
    const SandboxedProcess client = StartStandIn("quorvi");
    const SandboxedProcess updater = StartBuiltUpdater();
    ExpectKilled(client);
    ExpectExitedNormally(updater);
}

TEST_F(FinalUpdater, AProgramOfTheClientsNameInAnotherFolderIsNeitherEndedNorWaitedFor) {
    const SandboxedProcess stranger = StartStandIn("quorvi", root_ / "elsewhere");
    const SandboxedProcess alone = StartUpdater();
    ExpectExitedNormally(alone);

    const SandboxedProcess client = StartStandIn("quorvi");
    const SandboxedProcess updater = StartUpdater();
    ExpectKilled(client);
    ExpectExitedNormally(updater);
    EXPECT_TRUE(sandbox_->IsRunning(stranger));
}

class FinalUpdaterWatcher : public FinalUpdater,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(FinalUpdaterWatcher, LeavesTheClientAloneAndEndsOnceTheClientHasEnded) {
    const SandboxedProcess watcher = StartStandIn(GetParam());
    const SandboxedProcess client = StartStandIn("quorvi");
    const SandboxedProcess updater = StartUpdater();

    ASSERT_TRUE(WaitUntil([&] { return IdleTicks() >= 5; })) << ReadFile(TickLog());
    EXPECT_TRUE(sandbox_->IsRunning(client));
    EXPECT_TRUE(sandbox_->IsRunning(updater));

    sandbox_->Kill(client);  // the user closes the client
    ExpectExitedNormally(updater);
    EXPECT_TRUE(sandbox_->IsRunning(watcher)) << "the updater never ends the " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(LauncherOrDialer, FinalUpdaterWatcher,
                         ::testing::Values("vamo", "pelkdial"));

// ---- side files ----------------------------------------------------------------------------

TEST_F(FinalUpdater, ReplacesTheRunningClientsOwnProgram) {
    // The new program: sleep(1) with bytes appended, still runnable, and written
    // without its run bit as a download is.
    const SandboxedProcess launcher = StartStandIn("vamo");
    const SandboxedProcess client = StartStandIn("quorvi");
    const std::string newProgram = ReadFile(program_ / "quorvi") + "\nquorvi 4.06\n";
    WriteFile(program_ / "quorvi.vmupdate", newProgram, 0644);

    const SandboxedProcess updater = StartUpdater();
    ASSERT_TRUE(WaitUntil([&] { return IdleTicks() >= 2; })) << ReadFile(TickLog());
    EXPECT_EQ(Ticks().front(), 1);
    EXPECT_EQ(ReadFile(program_ / "quorvi"), newProgram);
    EXPECT_FALSE(fs::exists(program_ / "quorvi.vmupdate"));
    // The running client keeps running from its old file, under its name.
    EXPECT_TRUE(sandbox_->IsRunning(client));
    EXPECT_TRUE(sandbox_->IsRunning(updater)) << "the replaced client is still found";

    sandbox_->Kill(launcher);
    ExpectKilled(client);
    ExpectExitedNormally(updater);

    // The replaced program starts.
    auto restarted = sandbox_->Start({(program_ / "quorvi").string(), "0"});
    ASSERT_TRUE(restarted);
    ExpectExitedNormally(*restarted);
}

TEST_F(FinalUpdater, AppliesSubfoldersButNeitherDotFoldersNorCapitalsAndThenEnds) {
    WriteFile(program_ / "skin/quorvi/skin.xml", "old skin");
    WriteFile(program_ / "skin/quorvi/skin.xml.vmupdate", "new skin");
    WriteFile(program_ / "plugins/calc/lib/calc.so", "old lib");
    WriteFile(program_ / "plugins/calc/lib/calc.so.vmupdate", "new lib");
    WriteFile(program_ / ".trash/apps.xml", "old trash");
    WriteFile(program_ / ".trash/apps.xml.vmupdate", "new trash");
    WriteFile(program_ / "skin/.backup/logo.png.vmupdate", "new logo");
    WriteFile(program_ / "libmerv.so", "old merv");
    WriteFile(program_ / "libmerv.so.VMUPDATE", "capitals");
    WriteFile(program_ / "skin/quorvi/bg.png.VmUpdate", "mixed");

    const SandboxedProcess updater = StartUpdater();
    ExpectExitedNormally(updater);
    // What it left behind does not keep it running.
    EXPECT_EQ(Ticks(), (std::vector<int>{2, 0}));
    EXPECT_EQ(ReadFile(program_ / "skin/quorvi/skin.xml"), "new skin");
    EXPECT_EQ(ReadFile(program_ / "plugins/calc/lib/calc.so"), "new lib");
    EXPECT_EQ(ReadFile(program_ / ".trash/apps.xml"), "old trash");
    EXPECT_TRUE(fs::exists(program_ / ".trash/apps.xml.vmupdate"));
    EXPECT_FALSE(fs::exists(program_ / "skin/.backup/logo.png"));
    EXPECT_EQ(ReadFile(program_ / "libmerv.so"), "old merv");
    EXPECT_TRUE(fs::exists(program_ / "libmerv.so.VMUPDATE"));
    EXPECT_FALSE(fs::exists(program_ / "skin/quorvi/bg.png"));
}

TEST_F(FinalUpdater, ASideFileWhoseTargetIsMissingIsAppliedAndDoesNotKeepItRunning) {
    WriteFile(program_ / "docs/welcome.txt.vmupdate", "welcome");
    const SandboxedProcess updater = StartUpdater();
    ExpectExitedNormally(updater);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0}));
    EXPECT_EQ(ReadFile(program_ / "docs/welcome.txt"), "welcome");
    EXPECT_FALSE(fs::exists(program_ / "docs/welcome.txt.vmupdate"));
}

TEST_F(FinalUpdater, SideFilesThatCannotBeAppliedAreLoggedOnceAndDoNotKeepItRunning) {
    // One whose target is a folder, one in a read-only folder (mounted so inside
    // the sandbox, which even root cannot write), and one that can be applied.
    fs::create_directories(program_ / "data");
    WriteFile(program_ / "data.vmupdate", "cannot replace a folder");
    WriteFile(program_ / "locked/skin.xml", "old skin");
    WriteFile(program_ / "locked/skin.xml.vmupdate", "new skin");
    WriteFile(program_ / "notes.txt.vmupdate", "notes");
    const std::string locked = (program_ / "locked").string();
    auto mount = sandbox_->Start({"/usr/bin/mount", "-o", "bind,ro", locked, locked});
    ASSERT_TRUE(mount);
    ASSERT_EQ(EndOf(*mount).code, 0);

    const SandboxedProcess client = StartStandIn("quorvi");
    const SandboxedProcess updater = StartUpdater();
    ExpectKilled(client);
    ExpectExitedNormally(updater);
    const std::vector<int> ticks = Ticks();
    ASSERT_GE(ticks.size(), 2u) << ReadFile(TickLog());
    EXPECT_EQ(ticks.front(), 1);
    EXPECT_EQ(ReadFile(program_ / "notes.txt"), "notes");
    EXPECT_EQ(ReadFile(program_ / "locked/skin.xml"), "old skin");
    EXPECT_TRUE(fs::exists(program_ / "locked/skin.xml.vmupdate"));
    EXPECT_TRUE(fs::is_directory(program_ / "data"));

    // One line each, for the whole run, with the cause.
    const std::string log = ReadFile(TickLog());
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    };
    const std::string folder = fs::canonical(program_).string() + "/";
    EXPECT_EQ(count("updrix: warning: side file " + folder +
                    "data.vmupdate not applied: its target is a folder\n"),
              1u)
        << log;
    EXPECT_EQ(
        count("updrix: warning: side file " + folder + "locked/skin.xml.vmupdate not applied: "),
        1u)
        << log;
    EXPECT_NE(log.find("Read-only file system"), std::string::npos) << log;
    EXPECT_EQ(count("not applied"), 2u) << log;
}

// ---- a killed updater ------------------------------------------------------------------------

// 1,000 files, each with a side file, spread over folders.
constexpr int kFiles = 1000;
fs::path FileNumber(const fs::path& program, int i) {
    return program / ("d" + std::to_string(i % 50)) / ("f" + std::to_string(i) + ".dat");
}
fs::path SideOf(const fs::path& file) {
    return file.string() + ".vmupdate";
}
std::string OldContent(int i) {
    return "old " + std::to_string(i) + std::string(100, 'o');
}
std::string NewContent(int i) {
    return "new " + std::to_string(i) + std::string(200, 'n');
}

TEST_F(FinalUpdater, KilledMidTickEveryFileIsOldOrNewAndTheNextRunFinishes) {
    // The kill lands when the first file has changed; should the whole tick be
    // over by then on a fast machine, the test tries again with fresh files.
    bool killedMidTick = false;
    for (int attempt = 0; attempt < 5 && !killedMidTick; ++attempt) {
        fs::remove_all(program_);
        for (int i = 0; i < kFiles; ++i) {
            WriteFile(FileNumber(program_, i), OldContent(i));
            WriteFile(SideOf(FileNumber(program_, i)), NewContent(i));
        }
        fs::remove(TickLog());
        const SandboxedProcess updater = StartUpdater(milliseconds(100));
        auto anyApplied = [&] {
            for (int i = 0; i < kFiles; ++i) {
                if (!fs::exists(SideOf(FileNumber(program_, i)))) return true;
            }
            return false;
        };
        ASSERT_TRUE(WaitUntil(anyApplied));
        sandbox_->Kill(updater);
        ExpectKilled(updater);

        int applied = 0;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path file = FileNumber(program_, i);
            ASSERT_TRUE(fs::exists(file)) << file << " is missing";
            const std::string content = ReadFile(file);
            if (content == NewContent(i)) {
                ++applied;
                EXPECT_FALSE(fs::exists(SideOf(file))) << file;
            } else {
                ASSERT_EQ(content, OldContent(i)) << file << " is neither old nor new";
                ASSERT_EQ(ReadFile(SideOf(file)), NewContent(i)) << file;
            }
        }
        EXPECT_GT(applied, 0);
        killedMidTick = applied < kFiles;
    }
    ASSERT_TRUE(killedMidTick) << "every attempt's tick was over before the kill";

    // Nothing but the files and their side files is in the folders.
    size_t entries = 0;
    for (const auto& entry : fs::recursive_directory_iterator(program_)) {
        entries += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_LE(entries, static_cast<size_t>(2 * kFiles + 1));  // + the updater

    const SandboxedProcess rerun = StartUpdater();
    ExpectExitedNormally(rerun);
    for (int i = 0; i < kFiles; ++i) {
        const fs::path file = FileNumber(program_, i);
        ASSERT_EQ(ReadFile(file), NewContent(i)) << file;
        ASSERT_FALSE(fs::exists(SideOf(file))) << file;
    }
}

}  // namespace
}  // namespace updrix
