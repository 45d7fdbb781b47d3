// Plugin downloads and the client's own file update inside the real main window:
// the catalogue's plugin entries reach the download component, the close
// buttons reach it through the window's click rules, and the second start-up
// stage starts the client-mode run.
#include <gtest/gtest.h>

#include <fstream>

#include "client/common/database_test_support.h"
#include "client/shell/quorvi_frame_wnd.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

// A plugin no portal publishes: whatever answers on the build's portal address,
// its list is empty and nothing is started.
constexpr char kCatalogue[] = R"(<?xml version="1.0" encoding="utf-8"?>
<apps>
  <group caption="Tools" icon="g.png" iconMd5="x" mark="Tools" id="5">
    <app caption="Calc" icon="c.png" iconMd5="x" id="12" action="plugin">quorvi-test-none/run.sh</app>
  </group>
</apps>)";

class QuietServices : public MainWindowServices {
public:
    bool IsProcessRunning(const std::string&) override { return false; }
    void KillProcesses(const std::string&) override {}
    void StartProgram(const std::string&) override {}
    void StartAppListUpdate(const std::string&) override {}
    void StartRechargeParamsFetch(HWND, const std::string&) override {}
    void StartScriptPluginFetch(HWND) override {}
    WorkerOwner& Workers() override { return workers; }
    WorkerOwner workers;
};

class MainWindowDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        std::ofstream(folder.Path() + "apps.xml", std::ios::binary) << kCatalogue;
        frame = new CQuorviFrameWnd(folder.Path(), services);
        hwnd =
            frame->Create(nullptr, "Quorvi", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 950, 553);
        ASSERT_TRUE(hwnd);
    }
    void TearDown() override {
        ui::RunUntil([this] { return services.workers.Running() == 0; }, std::chrono::seconds(60));
        if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);  // deletes the frame
        ui::RunUntilIdle();
        ui::TakeQuit();
    }
    CControlUI* Find(std::string_view name) { return frame->PaintManager().FindControl(name); }
    void Notify(const char* type, CControlUI* sender, WPARAM wParam = 0) {
        DuiLib::TNotifyUI msg;
        msg.sType = type;
        msg.pSender = sender;
        msg.wParam = wParam;
        frame->Notify(msg);
    }
    bool RunsEnded() {
        return ui::RunUntil([this] { return services.workers.Running() == 0; },
                            std::chrono::seconds(60));
    }

    TempFolder folder;
    QuietServices services;
    CQuorviFrameWnd* frame = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(MainWindowDownloadTest, APluginEntryNeedsASignedInUserAndShowsItsStatusOverTheOption) {
    Notify("click", Find("optNavTools"));  // the group's quick bar shows
    CControlUI* option = Find("optLink12");
    ASSERT_NE(option, nullptr);
    // Nobody signed in: the login window opens over the main window; the user
    // closes it without signing in, and nothing is downloaded.
    HWND loginWindow = nullptr;
    ui::PostTask([&] {
        loginWindow = ::GetActiveWindow();
        if (loginWindow != frame->GetHWND()) ::PostMessage(loginWindow, WM_CLOSE, 0, 0);
    });
    Notify("click", option);
    EXPECT_NE(loginWindow, frame->GetHWND());
    // No status and no download (the workers running now are the usage reports).
    EXPECT_EQ(Find("DownloadStatusoptLink12"), nullptr);
    EXPECT_EQ(frame->Downloads().FindStatus("DownloadStatusoptLink12"), nullptr);

    // Signed in by the window's own record, as a login would leave it.
    auto& user = const_cast<UserInfo&>(frame->User());
    user.account = "demo";
    user.password = "demo123";
    Notify("click", option);
    CDownloadStatusUI* status = frame->Downloads().FindStatus("DownloadStatusoptLink12");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetParent(), option->GetParent());
    const RECT over = option->GetPos();
    EXPECT_EQ(status->GetPos(), (RECT{over.left, over.top - 7, over.right, over.bottom}));
    EXPECT_TRUE(status->IsVisible());

    // The close button goes through the window's click rules, not the option's.
    Notify("click", &status->CloseButton());
    EXPECT_FALSE(status->IsVisible());
    EXPECT_EQ(status->Cancelled(), 1);
    ASSERT_TRUE(RunsEnded());
    EXPECT_FALSE(status->IsVisible());
}

TEST_F(MainWindowDownloadTest, TheSecondStageBringsTheProgramFolderLevel) {
    ASSERT_TRUE(frame->Timers().IsSet(MainTimer::SecondStage));
    Notify("timer", frame->PaintManager().GetRoot(), static_cast<WPARAM>(MainTimer::SecondStage));
    ASSERT_TRUE(ui::RunUntil([this] { return frame->Downloads().ClientUpdatesFinished() == 1; },
                             std::chrono::seconds(60)));
}

}  // namespace
}  // namespace quorvi
