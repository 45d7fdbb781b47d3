// Plugin downloads in a headless window against the portal stand-in: the status
// control over the option, its progress, the close button, the cancel query and
// the start of the plugin program (the demo plugins really run, in the test's
// own folder).
#include "client/update/download_component.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "client/common/events.h"
#include "client/common/portal_stand_in_test_support.h"
#include "client/common/window_events.h"
#include "platform/chinese_texts.h"
#include "ui/core/message_loop.h"
#include "ui/core/test_support.h"

namespace quorvi {
namespace {

namespace fs = std::filesystem;
using DuiLib::CControlUI;
using testing::PortalStandIn;
using testing::ReadFile;
using testing::WriteFile;

// A quick-bar option (floating, 100 x 100) and a history option (laid out, 34 x 36).
constexpr char kSkin[] = R"(<Window size="400,300">
  <VerticalLayout>
    <Container name="quickbar" height="150">
      <Option name="optLink12" float="true" pos="10,20,110,120" userdata="calc/calc.sh" />
    </Container>
    <HorizontalLayout name="history" height="60" inset="20,12,0,0">
      <Option name="optLink7" width="34" height="36" userdata="calc/calc.sh" />
    </HorizontalLayout>
  </VerticalLayout>
</Window>)";

struct Start {
    std::string program, parameters, folder;
    bool operator==(const Start&) const = default;
};

TEST(CDownloadStatusUI, NamesItsButtonAndHoldsItsChildrenInOrder) {
    CDownloadStatusUI status;
    status.SetName("DownloadStatusoptLink12");
    EXPECT_EQ(status.GetName(), "DownloadStatusoptLink12");
    ASSERT_EQ(status.GetCount(), 3);
    EXPECT_EQ(status.GetItemAt(0), &status.CloseButton());
    EXPECT_EQ(status.GetItemAt(1), &status.Progress());
    EXPECT_EQ(status.GetItemAt(2), &status.FailureText());
    EXPECT_EQ(status.FailureText().GetText(), platform::texts::kDownloadFailed);
    EXPECT_FALSE(status.FailureText().IsVisible());
    EXPECT_FALSE(status.Failed());
    EXPECT_EQ(status.CloseButton().GetName(), "closeDownloadStatusoptLink12");
    EXPECT_EQ(status.CloseButton().GetUserData(), "DownloadStatusoptLink12");
    EXPECT_TRUE(ClickRuleMatches(ClickRule::CloseDownloadStatus, status.CloseButton().GetName()));
    EXPECT_FALSE(ClickRuleMatches(ClickRule::CatalogueOption, status.CloseButton().GetName()));
    EXPECT_EQ(status.CloseButton().GetToolTip(), platform::texts::kCancelDownloadTooltip);
    EXPECT_EQ(status.Progress().GetMaxValue(), 100);
    EXPECT_EQ(status.Cancelled(), 0);
    EXPECT_TRUE(status.IsFloat());
}

TEST(ProgressPercent, TruncatesAndNeverDividesByZero) {
    auto percent = [](std::int64_t done, std::int64_t needed) {
        UpdateProgress progress;
        progress.DoneBytes = done;
        progress.NeededBytes = needed;
        return ProgressPercent(progress);
    };
    EXPECT_EQ(percent(2, 3), 66);
    EXPECT_EQ(percent(0, 0), 0);
    EXPECT_EQ(percent(5, 0), 0);
    EXPECT_EQ(percent(7, 5), 100);  // a file that grew between the passes
    EXPECT_EQ(percent(3'000'000'000, 4'000'000'000), 75);
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("DISPLAY");  // the demo plugins then only write their log
        ui::InstallHeadlessBackend();
        ui::TakeQuit();
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        portal.Start();
        user.account = "demo";
        user.password = "demo123";

        settings = {program.Path(), portal.Origin() + "/update/", merv::kDefaultHttpLimits};
        settings.limits.stallTime = std::chrono::seconds(20);  // the tests end stalls themselves
        window = std::make_unique<ui_test::TestWindow>(kSkin);
        window->onMessage = [this](UINT message, WPARAM, LPARAM lParam, bool& handled) {
            return routes.Events().Handle(message, lParam, handled);
        };
        window->onNotify = [this](DuiLib::TNotifyUI& msg) {
            if (msg.sType == "click" &&
                ClickRuleMatches(ClickRule::CloseDownloadStatus, msg.pSender->GetName()))
                (*routes.Click(ClickRule::CloseDownloadStatus))(*msg.pSender);
        };
        ASSERT_NE(window->Open(0, 0, 400, 300), nullptr);
        ui::RunUntilIdle();
    }
    void TearDown() override {
        portal.ClearFaults();
        workers.StopAll();
        window.reset();
        ui::RunUntilIdle();
    }

    // The component, starting programs for real or recording the starts.
    DownloadComponent& Component(bool recordStarts) {
        DownloadComponent::ProgramStarter start;
        if (recordStarts)
            start = [this](const std::string& p, const std::string& a, const std::string& f) {
                starts.push_back({p, a, f});
                return true;
            };
        component = std::make_unique<DownloadComponent>(window->pm, config, user, workers, settings,
                                                        start, [this] { return now; });
        component->Register(routes);
        return *component;
    }
    void Open(const char* option) { component->StartDownload(window->GetHWND(), *Find(option)); }
    CControlUI* Find(std::string_view name) { return window->pm.FindControl(name); }
    CDownloadStatusUI* Status(std::string_view option) {
        return component->FindStatus(DownloadStatusNameFor(option));
    }
    bool RunUntil(const std::function<bool()>& done) {
        return ui::RunUntil(done, std::chrono::seconds(30));
    }
    bool AllRunsEnded() {
        return RunUntil([this] { return workers.Running() == 0; }) && ui::RunUntilIdle() >= 0;
    }
    // Adds a file to the calc plugin that stalls (is cut off when the faults
    // change) or is held (arrives whole when they change).
    void StallASecondFile(const char* fault = "kind=stall") {
        WriteFile(portal.DataFolder() + "update/pub/plugins/calc/lib/data.bin",
                  std::string(20000, 'd'));
        portal.SetFault("/update/pub/plugins/calc/lib/data.bin", fault);
    }
    std::string PluginFolder() const { return program.Path() + "plugins/calc"; }

    PortalStandIn portal;
    TempFolder program;
    ClientConfig config;
    UserInfo user;
    FileUpdateSettings settings;
    WorkerOwner workers;
    MainWindowRoutes routes;
    std::unique_ptr<ui_test::TestWindow> window;
    std::unique_ptr<DownloadComponent> component;
    std::vector<Start> starts;
    std::time_t now = 1'700'000'000;
};

TEST_F(DownloadTest, OpeningAPluginShowsProgressThenStartsItWithTheUsersArguments) {
    Component(false);
    StallASecondFile("kind=hold");
    Open("optLink12");

    CDownloadStatusUI* status = Status("optLink12");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetParent(), Find("quickbar"));
    EXPECT_EQ(status->GetPos(), (RECT{10, 13, 110, 120}));  // over the option, 7 higher
    EXPECT_TRUE(status->IsVisible());
    EXPECT_EQ(status->Progress().GetValue(), 0);

    // The first file is in; the second one is held: the bar shows the first's share.
    ASSERT_TRUE(RunUntil([&] { return status->Progress().GetValue() > 0; }));
    EXPECT_TRUE(status->IsVisible());
    const double script = double(ReadFile(PluginFolder() + "/calc.sh").size());
    EXPECT_EQ(status->Progress().GetValue(), int(script * 100 / (script + 20000)));
    EXPECT_FALSE(fs::exists(PluginFolder() + "/started.log"));

    // The server lets go and the file arrives whole: the run ends, the bar
    // hides, the program starts.
    portal.ClearFaults();
    ASSERT_TRUE(AllRunsEnded());
    EXPECT_FALSE(status->IsVisible());
    const std::string log = PluginFolder() + "/started.log";
    ASSERT_TRUE(RunUntil([&] { return fs::exists(log) && ReadFile(log).ends_with("\n"); }));
    // One argument, in the plugin's own folder.
    EXPECT_TRUE(ReadFile(log).ends_with(" cwd=" + PluginFolder() + " argc=1 [demo'demo123'1]\n"))
        << ReadFile(log);
}

TEST_F(DownloadTest, CloseButtonCancelsAndReopeningResetsTheSameControl) {
    Component(true);
    StallASecondFile();
    Open("optLink12");
    CDownloadStatusUI* status = Status("optLink12");
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(RunUntil([&] { return status->Progress().GetValue() > 0; }));

    // Pressed: hidden at once; the run stops after its current file, with no final report.
    const RECT button = status->CloseButton().GetAbsolutePos();
    window->Click(button.left + 5, button.top + 5);
    EXPECT_FALSE(status->IsVisible());
    EXPECT_EQ(status->Cancelled(), 1);
    portal.ClearFaults();
    ASSERT_TRUE(AllRunsEnded());
    EXPECT_FALSE(status->IsVisible());
    EXPECT_TRUE(starts.empty());

    // Opened again: the same control, reset and shown; this time the run ends and starts it.
    const int children = Find("quickbar")->GetChildCount();
    Open("optLink12");
    EXPECT_EQ(Status("optLink12"), status);
    EXPECT_EQ(Find("quickbar")->GetChildCount(), children);
    EXPECT_TRUE(status->IsVisible());
    EXPECT_EQ(status->Progress().GetValue(), 0);
    EXPECT_EQ(status->Cancelled(), 0);
    ASSERT_TRUE(AllRunsEnded());
    EXPECT_FALSE(status->IsVisible());
    EXPECT_EQ(
        starts,
        (std::vector<Start>{{PluginFolder() + "/calc.sh", "demo'demo123'1", PluginFolder()}}));
    EXPECT_EQ(ReadFile(PluginFolder() + "/lib/data.bin"), std::string(20000, 'd'));
}

TEST_F(DownloadTest, ReopeningAfterACancelLetsTheEarlierRunFinishAndOneSecondStartsOnce) {
    Component(true);
    StallASecondFile();
    Open("optLink12");
    CDownloadStatusUI* status = Status("optLink12");
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(RunUntil([&] { return status->Progress().GetValue() > 0; }));
    (*routes.Click(ClickRule::CloseDownloadStatus))(status->CloseButton());
    EXPECT_EQ(status->Cancelled(), 1);

    // Opened again while the first run still hangs: the flag is clear for both runs.
    Open("optLink12");
    EXPECT_EQ(workers.Running(), 2u);
    portal.ClearFaults();
    ASSERT_TRUE(AllRunsEnded());
    // Two final reports in the same second: one start.
    EXPECT_EQ(starts.size(), 1u);

    // A second later the next final report starts it again.
    ++now;
    Open("optLink12");
    ASSERT_TRUE(AllRunsEnded());
    EXPECT_EQ(starts.size(), 2u);
}

TEST_F(DownloadTest, AFailedDownloadStartsNothingAndShowsItsFailureUntilClosed) {
    Component(true);
    const std::string script = PluginFolder() + "/calc.sh";
    WriteFile(script, "an older script");
    WriteFile(portal.DataFolder() + "update/pub/plugins/calc/lib/data.bin", std::string(900, 'd'));
    // One file fails its digest, the other is far longer than listed.
    portal.SetFault("/update/pub/plugins/calc/calc.sh", "kind=corrupt");
    portal.SetFault("/update/pub/plugins/calc/lib/data.bin", "kind=garbage&bytes=3000000");
    Open("optLink12");
    CDownloadStatusUI* status = Status("optLink12");
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(AllRunsEnded());
    EXPECT_TRUE(starts.empty());
    EXPECT_TRUE(status->IsVisible());
    EXPECT_TRUE(status->Failed());
    EXPECT_TRUE(status->FailureText().IsVisible());
    EXPECT_FALSE(status->Progress().IsVisible());
    EXPECT_EQ(ReadFile(script), "an older script");
    EXPECT_FALSE(fs::exists(PluginFolder() + "/lib/data.bin"));
    for (const auto& item : fs::recursive_directory_iterator(PluginFolder()))
        EXPECT_LE(item.is_regular_file() ? item.file_size() : 0u, 1000u) << item.path();

    // The close button takes it away.
    (*routes.Click(ClickRule::CloseDownloadStatus))(status->CloseButton());
    EXPECT_FALSE(status->IsVisible());

    // Opened again once the server mends: the bar is back, and the run starts the program.
    portal.ClearFaults();
    Open("optLink12");
    EXPECT_TRUE(status->IsVisible());
    EXPECT_FALSE(status->Failed());
    EXPECT_TRUE(status->Progress().IsVisible());
    ASSERT_TRUE(AllRunsEnded());
    EXPECT_FALSE(status->IsVisible());
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_EQ(ReadFile(script + ".vmupdate"),
              ReadFile(portal.DataFolder() + "update/pub/plugins/calc/calc.sh"));
}

TEST_F(DownloadTest, AHistoryOptionGetsTheControlOverItWithTheSameInsides) {
    Component(true);
    portal.SetFault("/update/pub/UpdateFiles.php", "kind=stall");  // keeps the run waiting
    Open("optLink7");
    CDownloadStatusUI* status = Status("optLink7");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetParent(), Find("history"));
    ui::RunUntilIdle();  // laid out
    const RECT option = Find("optLink7")->GetAbsolutePos();
    const RECT placed = status->GetAbsolutePos();
    EXPECT_EQ(placed, (RECT{option.left, option.top - 7, option.right, option.bottom}));
    EXPECT_EQ(status->CloseButton().GetPos(), (RECT{74, 0, 91, 17}));
    EXPECT_EQ(status->Progress().GetPos(), (RECT{16, 64, 84, 78}));
    portal.ClearFaults();
    ASSERT_TRUE(AllRunsEnded());
}

TEST_F(DownloadTest, AClientRunReportsInOrderWithoutWaitingForTheWindow) {
    std::vector<UpdateProgress> seen;
    EventRoutes reports;
    reports.On<DownloadProgress>(
        [&](const DownloadProgress& report) { seen.push_back(report.progress); });
    window->onMessage = [&](UINT message, WPARAM, LPARAM lParam, bool& handled) {
        return reports.Handle(message, lParam, handled);
    };
    workers.Start(std::make_unique<CUpdateFilesThread>(window->GetHWND(), settings));

    // The run ends while the window handles nothing: no report waits for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (workers.Running() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(workers.Running(), 0u);

    // Then every report arrives, in order, the final one last.
    ui::RunUntilIdle();
    ASSERT_GE(seen.size(), 3u);
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) EXPECT_FALSE(seen[i].Finished);
    for (std::size_t i = 0; i + 2 < seen.size(); ++i)
        EXPECT_LT(seen[i].DoneBytes, seen[i + 1].DoneBytes);
    EXPECT_TRUE(seen.back().Finished);
    EXPECT_EQ(seen.back().DoneBytes, seen.back().NeededBytes);
}

TEST_F(DownloadTest, ReportsAreReadAsValuesAndAnUnknownStatusStillStartsTheProgram) {
    Component(true);
    HWND hwnd = window->GetHWND();
    Open("optLink12");
    ASSERT_TRUE(AllRunsEnded());
    starts.clear();
    ++now;
    CDownloadStatusUI* status = Status("optLink12");

    // Nothing needed yet: 0 shown, and nothing divided.
    UpdateProgress progress;
    progress.PluginMode = true;
    progress.StatusName = status->GetName();
    progress.PluginPath = "/somewhere/tool/run.sh";
    Raise(hwnd, DownloadProgress{progress});
    EXPECT_TRUE(status->IsVisible());
    EXPECT_EQ(status->Progress().GetValue(), 0);
    EXPECT_FALSE(Raise(hwnd, DownloadCancelQuery{progress}));

    // A final report for a control that does not exist updates nothing but starts.
    progress.StatusName = "DownloadStatusoptLink99";
    progress.Finished = true;
    Raise(hwnd, DownloadProgress{progress});
    EXPECT_TRUE(status->IsVisible());
    EXPECT_EQ(
        starts,
        (std::vector<Start>{{"/somewhere/tool/run.sh", "demo'demo123'1", "/somewhere/tool"}}));
    EXPECT_FALSE(Raise(hwnd, DownloadCancelQuery{progress}));

    // A client-mode report shows nothing and starts nothing.
    progress.PluginMode = false;
    progress.StatusName = status->GetName();
    ++now;
    Raise(hwnd, DownloadProgress{progress});
    EXPECT_TRUE(status->IsVisible());
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_EQ(component->ClientUpdatesFinished(), 1);
}

}  // namespace
}  // namespace quorvi
