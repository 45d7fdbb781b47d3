// The facts of the check-up pages: parsers of the system's files, the program
// folder's leftovers, and the page texts filled from the skin's patterns.
#include "launcher/check_up_facts.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "launcher/check_up_pages.h"
#include "ui/core/UIlib.h"

namespace vamo {
namespace {

namespace fs = std::filesystem;

TEST(MachineFacts, SystemFilesAreParsed) {
    EXPECT_EQ(OsPrettyName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                           "(bookworm)\"\nID=debian\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(OsPrettyName("ID=alpine\nNAME='Alpine Linux'\n"), "Alpine Linux");
    EXPECT_EQ(OsPrettyName(""), "");

    const char meminfo[] =
        "MemTotal:       16303284 kB\nMemFree:  100 kB\n"
        "MemAvailable:    9876543 kB\nHugePages_Total:       0\n";
    EXPECT_EQ(MemInfoBytes(meminfo, "MemTotal"), 16303284ull * 1024);
    EXPECT_EQ(MemInfoBytes(meminfo, "MemAvailable"), 9876543ull * 1024);
    EXPECT_EQ(MemInfoBytes(meminfo, "HugePages_Total"), 0u);
    EXPECT_EQ(MemInfoBytes(meminfo, "Mem"), std::nullopt);  // whole keys only
    EXPECT_EQ(MemInfoBytes("MemTotal: lots\n", "MemTotal"), std::nullopt);

    const char cpuinfo[] =
        "processor\t: 0\nmodel name\t: Example CPU @ 2.0GHz\n\n"
        "processor\t: 1\nmodel name\t: Example CPU @ 2.0GHz\n";
    EXPECT_EQ(CpuModelName(cpuinfo), "Example CPU @ 2.0GHz");
    EXPECT_EQ(CpuCount(cpuinfo), 2);
    EXPECT_EQ(CpuModelName("processor : 0\nHardware : Board X\n"), "Board X");

    EXPECT_EQ(UptimeSeconds("350735.47 234388.90\n"), 350735u);
    EXPECT_EQ(UptimeSeconds("garbage"), std::nullopt);
}

TEST(MachineFacts, ThisMachineIsReadable) {
    const MachineFacts facts = ReadMachineFacts("/");
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(facts.hostName, host);
    EXPECT_FALSE(facts.kernel.empty());
    EXPECT_GT(facts.logicalProcessors, 0);
    ASSERT_TRUE(facts.memoryTotalBytes && facts.memoryAvailableBytes);
    EXPECT_LE(*facts.memoryAvailableBytes, *facts.memoryTotalBytes);
    ASSERT_TRUE(facts.diskTotalBytes && facts.diskFreeBytes);
    EXPECT_LE(*facts.diskFreeBytes, *facts.diskTotalBytes);
}

TEST(FolderFacts, LeftoversAndPluginsOfTheProgramFolder) {
    std::string pattern = (fs::temp_directory_path() / "factsXXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    const std::string folder = pattern + "/";
    fs::create_directories(folder + "plugins/snake");
    fs::create_directories(folder + "plugins/calc/data");
    std::ofstream(folder + "plugins/calc/data/x.tmp") << "12345";
    std::ofstream(folder + "quorvi.vmupdate") << "new";
    std::ofstream(folder + "apps.xml.tmp") << "abc";
    std::ofstream(folder + "plugins/notes.tmpx") << "not a download";
    std::ofstream(folder + "vamo.db") << "";

    FolderFacts facts = ReadFolderFacts(folder);
    EXPECT_EQ(facts.sideFiles, 1);
    EXPECT_EQ(facts.partialDownloads, 2);
    EXPECT_EQ(facts.partialBytes, 8u);
    EXPECT_EQ(facts.plugins, (std::vector<std::string>{"calc", "snake"}));
    EXPECT_TRUE(facts.databasePresent);
    EXPECT_FALSE(facts.cataloguePresent);

    // The look stops after the given number of entries.
    EXPECT_LT(ReadFolderFacts(folder, 2).partialDownloads, 2);
    fs::remove_all(folder);
}

TEST(PageTexts, BytesAndPatterns) {
    EXPECT_EQ(FormatBytes(0), "0 B");
    EXPECT_EQ(FormatBytes(1023), "1023 B");
    EXPECT_EQ(FormatBytes(1536), "1.5 KB");
    EXPECT_EQ(FormatBytes(8ull << 30), "8.0 GB");

    const std::map<std::string, std::string> values{{"a", "1"}, {"b", "two"}};
    EXPECT_EQ(FillPattern("{a} of {b}", values), "1 of two");
    EXPECT_EQ(FillPattern("no keys", values), "no keys");
    EXPECT_EQ(FillPattern("{a} and {missing}", values), std::nullopt);
    EXPECT_EQ(FillPattern("{ a} {} {a", values), "{ a} {} {a");
    EXPECT_EQ(FillPattern("{{a}}", values), "{1}");
}

// The skin decides where facts go: patterns in user data become texts, and
// "show-if" labels follow the states.
TEST(PageTexts, ControlsTakeTheirValues) {
    using namespace DuiLib;
    CVerticalLayoutUI root;
    auto* host = new CLabelUI;
    host->SetText("unknown");
    host->SetUserData("host {host}");
    auto* memory = new CLabelUI;
    memory->SetText("unknown");
    memory->SetUserData("{memAvailable} of {memTotal}");
    auto* inner = new CHorizontalLayoutUI;
    auto* loaded = new CLabelUI;
    loaded->SetUserData("show-if:module=loaded");
    loaded->SetVisible(false);
    auto* missing = new CLabelUI;
    missing->SetUserData("show-if:module=missing");
    root.Add(host);
    root.Add(memory);
    root.Add(inner);
    inner->Add(loaded);
    inner->Add(missing);

    MachineFacts machine;
    machine.hostName = "lab-pc-07";
    machine.memoryTotalBytes = 2ull << 30;  // the available memory is unknown
    LauncherState state;
    state.moduleLoaded = true;
    FillPages(&root, MakePageValues(machine, FolderFacts{}, state, "/opt/quorvi/"));
    EXPECT_EQ(host->GetText(), "host lab-pc-07");
    EXPECT_EQ(memory->GetText(), "unknown");
    EXPECT_TRUE(loaded->IsVisible());
    EXPECT_FALSE(missing->IsVisible());

    state.moduleLoaded = false;
    FillPages(&root, MakePageValues(machine, FolderFacts{}, state, "/opt/quorvi/"));
    EXPECT_FALSE(loaded->IsVisible());
    EXPECT_TRUE(missing->IsVisible());
}

}  // namespace
}  // namespace vamo
