#include "portal/faults.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace portal {
namespace {

TEST(FaultTable, ExactPathWinsOverPrefixAndLongerPrefixOverShorter) {
    FaultTable table;
    table.Set("/update/pub/*", {FaultKind::Error});
    table.Set("/update/pub/plugins/*", {FaultKind::Truncate});
    table.Set("/update/pub/plugins/calc/calc.sh", {FaultKind::Corrupt});

    EXPECT_EQ(table.Take("/update/pub/plugins/calc/calc.sh")->fault.kind, FaultKind::Corrupt);
    EXPECT_EQ(table.Take("/update/pub/plugins/notes/notes.sh")->fault.kind, FaultKind::Truncate);
    EXPECT_EQ(table.Take("/update/pub/quorvi/program/docs/welcome.txt")->fault.kind,
              FaultKind::Error);
    EXPECT_FALSE(table.Take("/app/appsn.php"));
    // A pattern without "*" is a whole path, not a prefix.
    EXPECT_EQ(table.Take("/update/pub/plugins/calc/calc.sh.tmp")->fault.kind, FaultKind::Truncate);

    table.Clear("/update/pub/plugins/calc/calc.sh");
    EXPECT_EQ(table.Take("/update/pub/plugins/calc/calc.sh")->fault.kind, FaultKind::Truncate);
    table.ClearAll();
    EXPECT_FALSE(table.Take("/update/pub/plugins/calc/calc.sh"));
}

TEST(FaultTable, LimitedFaultsWearOff) {
    FaultTable table;
    Fault twice{FaultKind::Garbage};
    twice.times = 2;
    table.Set("/app/appsn.php", twice);
    EXPECT_TRUE(table.Take("/app/appsn.php"));
    EXPECT_TRUE(table.Take("/app/appsn.php"));
    EXPECT_FALSE(table.Take("/app/appsn.php"));
    EXPECT_EQ(table.Describe(), "");
}

TEST(FaultTable, KindsByName) {
    for (auto kind :
         {FaultKind::Delay, FaultKind::Hold, FaultKind::Slow, FaultKind::Stall, FaultKind::Truncate,
          FaultKind::Corrupt, FaultKind::Garbage, FaultKind::Error, FaultKind::Empty})
        EXPECT_EQ(ParseFaultKind(FaultKindName(kind)), kind);
    EXPECT_FALSE(ParseFaultKind("off"));
    EXPECT_FALSE(ParseFaultKind("Error"));
}

TEST(FaultTable, AWaitEndsWhenTheTableChangesOrShutsDown) {
    FaultTable table;
    table.Set("/x", {FaultKind::Stall});
    auto active = table.Take("/x");
    ASSERT_TRUE(active);

    auto started = std::chrono::steady_clock::now();
    std::thread changer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        table.Clear("/x");
    });
    table.WaitForChange(active->generation, 0);
    changer.join();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(90));

    // A wait that began after the last change lasts until shutdown.
    auto later = table.Take("/none");
    EXPECT_FALSE(later);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        table.Shutdown();
    });
    table.WaitForChange(active->generation + 1, 0);
    stopper.join();
    // After shutdown nothing waits any more.
    started = std::chrono::steady_clock::now();
    table.Sleep(5000);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

}  // namespace
}  // namespace portal
