// Plugin downloads and the client's own file update inside the real main window:
// the catalogue's plugin entries reach the download component, the close
// buttons reach it through the window's click rules, and the second start-up
// stage starts the client-mode run.
#include <gtest/gtest.h>

#include "client/shell/main_window_test_support.h"

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

class MainWindowDownloadTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Open(kCatalogue);
    }
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
    ASSERT_TRUE(WorkersFinished());
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
