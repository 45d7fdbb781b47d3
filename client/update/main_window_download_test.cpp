// Plugin downloads and the client's own file update inside the real main window:
// the catalogue's plugin entries reach the download component, the close
// buttons reach it through the window's click rules, and the second start-up
// stage starts the client-mode run.
#include <gtest/gtest.h>

#include "client/common/events.h"
#include "client/common/window_events.h"
#include "client/shell/main_window_test_support.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

// Plugins no portal publishes: whatever answers on the build's portal address,
// their lists are empty and nothing is started.
constexpr char kCatalogue[] = R"(<?xml version="1.0" encoding="utf-8"?>
<apps>
  <group caption="Tools" icon="g.png" iconMd5="x" mark="Tools" id="5">
    <app caption="Notes" icon="n.png" iconMd5="x" id="10" action="web">http://127.0.0.1:1/notes</app>
    <app caption="Chess" icon="h.png" iconMd5="x" id="11" action="plugin">quorvi-test-none/chess.sh</app>
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
    // The quick bar's option; the history panel holds one of the same name.
    CControlUI* bar = Find("Container5");
    CControlUI* option = nullptr;
    for (int i = 0; bar && i < bar->GetChildCount(); ++i)
        if (bar->GetChildAt(i)->GetName() == "optLink12") option = bar->GetChildAt(i);
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
    // Opening an entry closed the panel; opened again, it shows the download.
    EXPECT_FALSE(Visible("layHistoryPanel"));
    Click(Find("btnShowHistoryPanel"));
    EXPECT_TRUE(status->IsVisible());

    // The close button goes through the window's click rules, not the option's.
    Notify("click", &status->CloseButton());
    EXPECT_FALSE(status->IsVisible());
    EXPECT_EQ(status->Cancelled(), 1);
    ASSERT_TRUE(WorkersFinished());
    EXPECT_FALSE(status->IsVisible());
}

TEST_F(MainWindowDownloadTest, AHistoryIconKeepsItsStatusAndAClosedStatusStaysClosed) {
    auto& user = const_cast<UserInfo&>(frame->User());
    user.account = "demo";
    user.password = "demo123";
    const auto historyIcon = [this](int index) -> CControlUI* {
        auto* panel = static_cast<DuiLib::CContainerUI*>(
            Find("containerHistoryPanel")->GetInterface("Container"));
        for (int i = 0, icons = 0; i < panel->GetCount(); ++i) {
            CControlUI* child = panel->GetItemAt(i);
            if (child->GetInterface("Option") && icons++ == index) return child;
        }
        return nullptr;
    };
    CControlUI* plugin = historyIcon(2);
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(plugin->GetUserData(), "quorvi-test-none/run.sh");

    // Used, the plugin's icon moves to the front; its status goes along with it.
    Notify("click", plugin);
    CDownloadStatusUI* status = frame->Downloads().FindStatus("DownloadStatusoptLink12");
    ASSERT_NE(status, nullptr);
    ASSERT_EQ(historyIcon(0)->GetUserData(), "quorvi-test-none/run.sh");
    EXPECT_EQ(status->GetParent(), Find("containerHistoryPanel"));
    const RECT over = historyIcon(0)->GetPos();
    EXPECT_EQ(status->GetPos(), (RECT{over.left, over.top - 7, over.right, over.bottom}));
    // Opening an entry closed the panel; opened again, it shows the download.
    EXPECT_FALSE(Visible("layHistoryPanel"));
    Click(Find("btnShowHistoryPanel"));
    EXPECT_TRUE(status->IsVisible());
    // On top of the icons, so it is seen and its button can be pressed.
    EXPECT_EQ(Find("containerHistoryPanel")
                  ->GetChildAt(Find("containerHistoryPanel")->GetChildCount() - 1),
              status);
    UpdateProgress progress;
    progress.PluginMode = true;
    progress.StatusName = status->GetName();
    progress.NeededBytes = 4;
    progress.DoneBytes = 1;
    Raise(hwnd, DownloadProgress{progress});
    EXPECT_EQ(status->Progress().GetValue(), 25);

    // Another plugin opened from the history rebuilds it again: the status still
    // follows its icon.
    ASSERT_EQ(historyIcon(2)->GetUserData(), "quorvi-test-none/chess.sh");
    Notify("click", historyIcon(2));
    ASSERT_EQ(historyIcon(1)->GetUserData(), "quorvi-test-none/run.sh");
    EXPECT_EQ(frame->Downloads().FindStatus("DownloadStatusoptLink12"), status);
    EXPECT_EQ(status->GetPos().left, historyIcon(1)->GetPos().left);
    EXPECT_EQ(status->GetPos().bottom, historyIcon(1)->GetPos().bottom);

    // A report already queued when the user closes the status does not bring it back.
    progress.DoneBytes = 2;
    Deliver(hwnd, DownloadProgress{progress});
    Notify("click", &status->CloseButton());
    EXPECT_FALSE(status->IsVisible());
    ui::RunUntilIdle();
    EXPECT_FALSE(status->IsVisible());
    EXPECT_EQ(status->Progress().GetValue(), 25);
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
