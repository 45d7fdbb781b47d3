// The file update in both modes against the portal stand-in on loopback: where
// a run looks, what it fetches and reports, and what it leaves on disk when the
// server lies, stalls or sends broken files.
#include "client/update/update_files_thread.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/common/portal_stand_in_test_support.h"
#include "client/update/file_list.h"
#include "libmerv/libmerv.h"

namespace quorvi {
namespace {

namespace fs = std::filesystem;
using testing::PortalStandIn;
using testing::ReadFile;
using testing::WriteFile;

// ---- where a run looks ---------------------------------------------------------------------

FileUpdateSettings FixedSettings() {
    return {"/p/", "http://u/", merv::kDefaultHttpLimits};
}

TEST(PlanFileUpdate, PluginFoldersLieBelowTheSaveFolder) {
    ClientConfig config;
    config.IsDefaultSavePath = true;
    FileUpdatePlan plan = PlanPluginUpdate("tool/run.exe", config, FixedSettings());
    EXPECT_EQ(plan.baseDir, "/p/plugins/tool/");
    EXPECT_EQ(plan.listUrl, "http://u/pub/UpdateFiles.php?dir=tool");
    EXPECT_EQ(plan.pluginPath, "/p/plugins/tool/run.exe");
    EXPECT_FALSE(plan.refused);

    // A chosen download folder, with or without its separator.
    config.IsDefaultSavePath = false;
    for (const char* savePath : {"/downloads", "/downloads/"}) {
        config.SavePath = savePath;
        plan = PlanPluginUpdate("tool/bin/run.exe", config, FixedSettings());
        EXPECT_EQ(plan.baseDir, "/downloads/plugins/tool/");
        EXPECT_EQ(plan.pluginPath, "/downloads/plugins/tool/bin/run.exe");
    }

    // No folder part: the plain list and folder, the path as it stands.
    config.IsDefaultSavePath = true;
    for (const char* path : {"run.exe", "/tool/run.exe"}) {
        plan = PlanPluginUpdate(path, config, FixedSettings());
        EXPECT_EQ(plan.baseDir, "/p/");
        EXPECT_EQ(plan.listUrl, "http://u/pub/UpdateFiles.php");
        EXPECT_EQ(plan.pluginPath, path);
    }

    // A path that walks out of the plugins folder fetches and starts nothing.
    for (const char* path : {"../bin/sh", "tool/../../x", "./run.exe"}) {
        plan = PlanPluginUpdate(path, config, FixedSettings());
        EXPECT_TRUE(plan.refused) << path;
        EXPECT_EQ(plan.pluginPath, "") << path;
    }

    plan = PlanClientUpdate(FixedSettings());
    EXPECT_EQ(plan.baseDir, "/p/");
    EXPECT_EQ(plan.listUrl, "http://u/pub/UpdateFiles.php");
}

// ---- runs against the stand-in -------------------------------------------------------------

class FileUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        portal.Start();
        settings = {program.Path(), portal.Origin() + "/update/", merv::kDefaultHttpLimits};
    }

    // Runs and records every report; `cancelAfter` answers the cancel query
    // with true from that changed file on (0: never).
    FileUpdateEnd Run(const FileUpdatePlan& plan, bool pluginMode = false, int cancelAfter = 0) {
        progress = UpdateProgress{};
        progress.PluginMode = pluginMode;
        progress.StatusName = pluginMode ? "DownloadStatusoptLink1" : "";
        reports.clear();
        queries = 0;
        FileUpdateReports hooks;
        hooks.progress = [this](const UpdateProgress& p) { reports.push_back(p); };
        hooks.cancelRequested = [this, cancelAfter](const UpdateProgress&) {
            return ++queries == cancelAfter;
        };
        return RunFileUpdate(plan, settings, progress, hooks);
    }

    // The program folder's list as the stand-in serves it.
    FileList ServedProgramList() const {
        return ParseFileList(
            Clibmerv::GetHttpContent(portal.Origin() + "/update/pub/UpdateFiles.php"));
    }
    std::string Served(const std::string& serverPath) const {
        return ReadFile(portal.DataFolder() + "update/pub/" + serverPath);
    }
    std::vector<std::string> FileRequests() const {
        std::vector<std::string> paths;
        for (const std::string& path : portal.PathsBelow("/update/pub/"))
            if (!path.ends_with("UpdateFiles.php")) paths.push_back(path);
        return paths;
    }
    // Serves `text` as a list of the test's own at /update/pub/lists/NAME.
    FileUpdatePlan PlanWithList(const std::string& name, const std::string& text) {
        WriteFile(portal.DataFolder() + "update/pub/lists/" + name, text);
        return {program.Path() + "base/", portal.Origin() + "/update/pub/lists/" + name, "", false};
    }
    std::string Line(const std::string& serverPath) const {
        const std::string content = Served(serverPath);
        return serverPath + "|" + Clibmerv::md5ex(content) + "|" + std::to_string(content.size());
    }

    PortalStandIn portal;
    TempFolder program;
    FileUpdateSettings settings;
    UpdateProgress progress;
    std::vector<UpdateProgress> reports;
    int queries = 0;
};

TEST_F(FileUpdateTest, ClientModePlacesMissingFilesThenFindsNothingToDo) {
    const FileList served = ServedProgramList();
    ASSERT_GE(served.entries.size(), 2u);
    std::int64_t total = 0;
    for (const FileListEntry& entry : served.entries) total += entry.size;

    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Finished);
    ASSERT_EQ(reports.size(), served.entries.size() + 1);  // one per file, then the final one
    std::int64_t done = 0;
    for (std::size_t i = 0; i < served.entries.size(); ++i) {
        done += served.entries[i].size;
        EXPECT_FALSE(reports[i].Finished);
        EXPECT_EQ(reports[i].NeededBytes, total);
        EXPECT_EQ(reports[i].DoneBytes, done);
    }
    EXPECT_TRUE(reports.back().Finished);
    EXPECT_EQ(reports.back().DoneBytes, total);
    for (const FileListEntry& entry : served.entries) {
        const std::string local = program.Path() + entry.localName;
        EXPECT_EQ(Clibmerv::FileDigest(local), entry.digest) << entry.localName;
        EXPECT_FALSE(fs::exists(local + ".tmp"));
        EXPECT_FALSE(fs::exists(local + ".vmupdate"));
    }
    EXPECT_TRUE(fs::exists(program.Path() + "filesinfo.txt"));

    // Level with the list: one final report with both counters 0, no file fetched.
    const std::size_t fetched = FileRequests().size();
    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Finished);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].Finished);
    EXPECT_EQ(reports[0].NeededBytes, 0);
    EXPECT_EQ(reports[0].DoneBytes, 0);
    EXPECT_EQ(FileRequests().size(), fetched);
}

TEST_F(FileUpdateTest, AnExistingFileStaysAndItsNewContentGoesBesideIt) {
    const FileList served = ServedProgramList();
    const FileListEntry& changed = served.entries.front();
    const std::string local = program.Path() + changed.localName;
    WriteFile(local, "the old content");
    WriteFile(local + ".vmupdate", "a side file from an earlier run");

    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Finished);
    EXPECT_EQ(ReadFile(local), "the old content");
    EXPECT_EQ(Clibmerv::FileDigest(local + ".vmupdate"), changed.digest);
    EXPECT_FALSE(fs::exists(local + ".tmp"));
    // The others were missing, so they went straight into place.
    for (const FileListEntry& entry : served.entries) {
        if (&entry == &changed) continue;
        EXPECT_FALSE(fs::exists(program.Path() + entry.localName + ".vmupdate"));
    }
}

TEST_F(FileUpdateTest, PluginModeFillsThePluginFolderAndStopsWhenCancelled) {
    WriteFile(portal.DataFolder() + "update/pub/plugins/calc/lib/one.bin", std::string(3000, '1'));
    WriteFile(portal.DataFolder() + "update/pub/plugins/calc/lib/two.bin", std::string(5000, '2'));
    ClientConfig config;
    const FileUpdatePlan plan = PlanPluginUpdate("calc/calc.sh", config, settings);

    // Cancelled after the first changed file: no further file, no final report.
    EXPECT_EQ(Run(plan, true, 1), FileUpdateEnd::Cancelled);
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(progress.DoneBytes, 0);
    EXPECT_FALSE(progress.Finished);
    EXPECT_EQ(FileRequests(), std::vector<std::string>{"/update/pub/plugins/calc/calc.sh"});
    EXPECT_EQ(portal.Requests().front().query, "dir=calc");

    // Opened again: the rest arrives, and the final report names the program.
    EXPECT_EQ(Run(plan, true), FileUpdateEnd::Finished);
    EXPECT_EQ(queries, 2);  // one per changed file
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports.back().Finished);
    EXPECT_EQ(reports.back().NeededBytes, 8000);
    EXPECT_EQ(reports.back().PluginPath, program.Path() + "plugins/calc/calc.sh");
    EXPECT_EQ(reports.back().StatusName, "DownloadStatusoptLink1");
    const std::string folder = program.Path() + "plugins/calc/";
    EXPECT_EQ(ReadFile(folder + "calc.sh"), Served("plugins/calc/calc.sh"));
    EXPECT_EQ(ReadFile(folder + "lib/two.bin"), std::string(5000, '2'));
    EXPECT_TRUE(fs::exists(folder + "filesinfo.txt"));
    EXPECT_FALSE(fs::exists(program.Path() + "filesinfo.txt"));
}

TEST_F(FileUpdateTest, APluginFolderAndFilesWithBlanksAndHashesArrive) {
    const std::string served = "update/pub/plugins/my tools/";
    WriteFile(portal.DataFolder() + served + "run me.sh", "#!/bin/sh\n");
    WriteFile(portal.DataFolder() + served + "notes #1.txt", "first notes");
    ClientConfig config;
    EXPECT_EQ(Run(PlanPluginUpdate("my tools/run me.sh", config, settings), true),
              FileUpdateEnd::Finished);
    const auto requests = portal.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().query, "dir=my%20tools");
    const std::string folder = program.Path() + "plugins/my tools/";
    EXPECT_EQ(ReadFile(folder + "run me.sh"), "#!/bin/sh\n");
    EXPECT_EQ(ReadFile(folder + "notes #1.txt"), "first notes");
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().PluginPath, folder + "run me.sh");
}

TEST_F(FileUpdateTest, AFolderOfManyFilesIsJudgedFileByFile) {
    // Enough files that the first pass digests them on several threads.
    std::int64_t changedBytes = 0;
    for (int i = 0; i < 150; ++i) {
        const std::string name = "data/part" + std::to_string(i % 7) + "/f" + std::to_string(i);
        const std::string content(100 + i, char('a' + i % 26));
        WriteFile(portal.DataFolder() + "update/pub/quorvi/program/" + name, content);
        if (i % 10 == 3) {
            WriteFile(program.Path() + name, "stale");
            changedBytes += static_cast<std::int64_t>(content.size());
        } else {
            WriteFile(program.Path() + name, content);
        }
    }
    for (const FileListEntry& entry : ServedProgramList().entries)
        if (!entry.localName.starts_with("data/")) changedBytes += entry.size;  // all missing

    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Finished);
    EXPECT_EQ(reports.back().NeededBytes, changedBytes);
    EXPECT_EQ(reports.back().DoneBytes, changedBytes);
    for (int i = 0; i < 150; ++i) {
        const std::string name = "data/part" + std::to_string(i % 7) + "/f" + std::to_string(i);
        EXPECT_EQ(fs::exists(program.Path() + name + ".vmupdate"), i % 10 == 3) << name;
    }
}

TEST_F(FileUpdateTest, BrokenTransfersLeaveTheOldFileWholeAndFailTheRun) {
    const FileList served = ServedProgramList();
    ASSERT_GE(served.entries.size(), 3u);
    const FileListEntry& cut = served.entries[0];
    const FileListEntry& corrupted = served.entries[1];
    const FileListEntry& overlong = served.entries[2];
    WriteFile(program.Path() + cut.localName, "old one");
    WriteFile(program.Path() + corrupted.localName, "old two");
    portal.SetFault("/update/pub/" + cut.serverPath, "kind=truncate");
    portal.SetFault("/update/pub/" + corrupted.serverPath, "kind=corrupt");
    // Far more than the list gives for it.
    portal.SetFault("/update/pub/" + overlong.serverPath, "kind=garbage&bytes=30000000");

    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Failed);
    EXPECT_TRUE(reports.back().Finished);
    EXPECT_TRUE(reports.back().Failed);
    EXPECT_EQ(ReadFile(program.Path() + cut.localName), "old one");
    EXPECT_EQ(ReadFile(program.Path() + corrupted.localName), "old two");
    EXPECT_FALSE(fs::exists(program.Path() + cut.localName + ".vmupdate"));
    EXPECT_FALSE(fs::exists(program.Path() + corrupted.localName + ".vmupdate"));
    // A cut-off answer is not kept; a whole one that fails its digest stays as ".tmp".
    EXPECT_FALSE(fs::exists(program.Path() + cut.localName + ".tmp"));
    EXPECT_NE(Clibmerv::FileDigest(program.Path() + corrupted.localName + ".tmp"),
              corrupted.digest);
    // Nothing longer than the list gives is left anywhere.
    EXPECT_FALSE(fs::exists(program.Path() + overlong.localName));
    for (const auto& item : fs::recursive_directory_iterator(program.Path()))
        EXPECT_LE(item.is_regular_file() ? item.file_size() : 0u, 100000u) << item.path();
    EXPECT_EQ(reports.back().DoneBytes, reports.back().NeededBytes);

    // The next run gets all three.
    portal.ClearFaults();
    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Finished);
    EXPECT_FALSE(reports.back().Failed);
    EXPECT_EQ(Clibmerv::FileDigest(program.Path() + cut.localName + ".vmupdate"), cut.digest);
    EXPECT_EQ(Clibmerv::FileDigest(program.Path() + corrupted.localName + ".vmupdate"),
              corrupted.digest);
    EXPECT_EQ(Clibmerv::FileDigest(program.Path() + overlong.localName), overlong.digest);
    EXPECT_FALSE(fs::exists(program.Path() + corrupted.localName + ".tmp"));
}

TEST_F(FileUpdateTest, AListThatFailsOrIsGarbageChangesNothing) {
    WriteFile(program.Path() + "filesinfo.txt", "an earlier list");
    // A list that did not arrive fails the run; garbage that did is a list of no files.
    for (const auto& [fault, end] :
         {std::pair{"kind=error&status=503", FileUpdateEnd::Failed},
          std::pair{"kind=truncate", FileUpdateEnd::Failed},
          std::pair{"kind=garbage&bytes=4000", FileUpdateEnd::Finished}}) {
        portal.SetFault("/update/pub/UpdateFiles.php", fault);
        EXPECT_EQ(Run(PlanClientUpdate(settings)), end) << fault;
        ASSERT_EQ(reports.size(), 1u) << fault;
        EXPECT_EQ(reports[0].Failed, end == FileUpdateEnd::Failed) << fault;
        EXPECT_EQ(reports[0].NeededBytes, 0) << fault;
        EXPECT_TRUE(FileRequests().empty()) << fault;
    }
    // Nothing of the program folder but the list itself was written.
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(program.Path()))
        names.push_back(item.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"filesinfo.txt"});
}

TEST_F(FileUpdateTest, ASilentServerEndsTheTransferAndTheRunGoesOn) {
    settings.limits.stallTime = std::chrono::milliseconds(300);
    const FileList served = ServedProgramList();
    const FileListEntry& stalled = served.entries[0];
    WriteFile(program.Path() + stalled.localName, "old");
    portal.SetFault("/update/pub/" + stalled.serverPath, "kind=stall");

    EXPECT_EQ(Run(PlanClientUpdate(settings)), FileUpdateEnd::Failed);
    portal.ClearFaults();
    EXPECT_EQ(ReadFile(program.Path() + stalled.localName), "old");
    EXPECT_FALSE(fs::exists(program.Path() + stalled.localName + ".vmupdate"));
    // The files after it still arrived.
    EXPECT_EQ(Clibmerv::FileDigest(program.Path() + served.entries[1].localName),
              served.entries[1].digest);
}

TEST_F(FileUpdateTest, BadLinesAreSkippedAndALongLineEndsTheList) {
    const std::string welcome = "quorvi/program/docs/welcome.txt";
    const std::string licenses = "quorvi/program/docs/licenses.txt";
    const std::string list =
        "\n"                                  // empty
        "quorvi/program/escape|x\n"           // too few fields
        "quorvi/program/../../escape.txt|" +  // leaves the folder
        Clibmerv::md5ex(Served(welcome)) +
        "|1\n" + welcome + "|" + Clibmerv::md5ex(Served(welcome)) + "|many\n" +  // size
        Line(welcome) + "\n" + std::string(1100, 'x') + "\n" +                   // ends the list
        Line(licenses) + "\n";
    const FileUpdatePlan plan = PlanWithList("custom.txt", list);
    EXPECT_EQ(Run(plan), FileUpdateEnd::Finished);

    EXPECT_EQ(FileRequests(),
              (std::vector<std::string>{"/update/pub/lists/custom.txt", "/update/pub/" + welcome}));
    EXPECT_EQ(ReadFile(plan.baseDir + "docs/welcome.txt"), Served(welcome));
    EXPECT_FALSE(fs::exists(plan.baseDir + "docs/licenses.txt"));
    EXPECT_FALSE(fs::exists(program.Path() + "escape.txt"));
    EXPECT_FALSE(fs::exists(fs::path(program.Path()).parent_path().parent_path() / "escape.txt"));
    EXPECT_EQ(reports.back().NeededBytes, static_cast<std::int64_t>(Served(welcome).size()));
}

TEST_F(FileUpdateTest, ARefusedPluginPathFetchesNothingAndAStopEndsTheRun) {
    ClientConfig config;
    EXPECT_EQ(Run(PlanPluginUpdate("../../bin/sh", config, settings), true), FileUpdateEnd::Failed);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].Failed);
    EXPECT_EQ(reports[0].PluginPath, "");
    EXPECT_TRUE(portal.PathsBelow("/update/").empty());

    std::atomic<bool> stop{true};
    progress = UpdateProgress{};
    reports.clear();
    FileUpdateReports hooks;
    hooks.progress = [this](const UpdateProgress& p) { reports.push_back(p); };
    EXPECT_EQ(RunFileUpdate(PlanClientUpdate(settings), settings, progress, hooks, &stop),
              FileUpdateEnd::Stopped);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(FileRequests().empty());
}

}  // namespace
}  // namespace quorvi
