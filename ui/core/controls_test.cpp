// What controls draw in each state, the progress arithmetic, tab order, and
// the text helpers the system's code calls.
#include "ui/core/controls.h"

#include <gtest/gtest.h>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::RecordingTarget;
using ui_test::TestWindow;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { ui::InstallHeadlessBackend(); }
    void TearDown() override {
        window_.reset();
        ui::RunUntilIdle();
    }
    void Open(const std::string& skin) {
        window_ = std::make_unique<TestWindow>(skin);
        ASSERT_NE(window_->Open(0, 0, 400, 300), nullptr);
        window_->pm.UpdateLayout();
    }
    std::unique_ptr<TestWindow> window_;
};

TEST_F(ControlsTest, PaintingFollowsTreeOrderAndSkipsHiddenControls) {
    Open(R"(<Container bkcolor="#FF101010">
        <Label name="a" float="true" pos="0,0,50,20" text="first" bkimage="a.png" />
        <Label name="b" float="true" pos="0,0,50,20" text="hidden" visible="false" />
        <Option name="c" float="true" pos="60,0,110,20" normalimage="n.png" selectedimage="s.png"
                foreimage="file='icon.png' dest='16,0,84,70'" selected="true" text="opt" />
        <Button name="d" float="true" pos="120,0,170,20" normalimage="n.png" disabledimage="off.png" enabled="false" />
      </Container>)");
    RecordingTarget target;
    window_->pm.Paint(target, {0, 0, 400, 300});
    EXPECT_EQ(target.calls, (std::vector<std::string>{"fill:#FF101010", "image:a.png", "text:first",
                                                      "image:s.png", "image:icon.png", "text:opt",
                                                      "image:off.png"}));
    EXPECT_EQ(target.lastImage.file, "off.png");
    // Deselected, the option falls back to its button images.
    window_->Find<COptionUI>("c")->Selected(false);
    RecordingTarget again;
    window_->Find("c")->DoPaint(again, {0, 0, 400, 300});
    EXPECT_EQ(again.calls, (std::vector<std::string>{"image:n.png", "image:icon.png", "text:opt"}));
    EXPECT_EQ(again.lastControl, (RECT{60, 0, 110, 20}));
}

TEST_F(ControlsTest, ComboDrawsItsSelectionInsideItsPaddingInItsColour) {
    Open(R"(<Container><Combo name="c" float="true" pos="10,10,210,40" textpadding="10,2,30,2"
        textcolor="#FF123456"><ListLabelElement text="east" /><ListLabelElement text="west" />
        </Combo></Container>)");
    auto* combo = window_->Find<CComboUI>("c");
    ASSERT_TRUE(combo->SelectItem(1, false));
    RecordingTarget target;
    combo->DoPaint(target, {0, 0, 400, 300});
    EXPECT_TRUE(target.Drew("text:west"));
    EXPECT_EQ(target.lastTextRect, (RECT{20, 12, 180, 38}));
    EXPECT_EQ(target.lastTextColor, 0xFF123456u);
}

TEST_F(ControlsTest, ProgressClampsItsValueAndFillsItsShare) {
    Open(R"(<Container><Progress name="p" float="true" pos="16,64,84,78" min="0" max="100"
        foreimage="file='progress_fk.png' dest='5,5,50,10' source='0,0,56,10' corner='4,4,4,4'"
        value="0" maxheight="14" /></Container>)");
    auto* progress = window_->Find<CProgressUI>("p");
    progress->SetValue(50);
    EXPECT_EQ(progress->GetFillRect(), (RECT{16, 64, 50, 78}));
    RecordingTarget target;
    progress->PaintStatusImage(target);
    ASSERT_TRUE(target.lastImage.dest);
    EXPECT_EQ(*target.lastImage.dest,
              (RECT{0, 0, 34, 14}));  // the filled share, not the skin's dest
    EXPECT_EQ(target.lastImage.corner, (RECT{4, 4, 4, 4}));
    progress->SetValue(250);
    EXPECT_EQ(progress->GetValue(), 100);
    progress->SetValue(-3);
    EXPECT_EQ(progress->GetValue(), 0);
    RecordingTarget empty;
    progress->PaintStatusImage(empty);
    EXPECT_TRUE(empty.calls.empty());
    progress->SetMaxValue(0);  // no range: nothing to fill, no division by zero
    EXPECT_EQ(progress->GetFillRect().right, progress->GetFillRect().left);
}

TEST_F(ControlsTest, TabMovesOverShownEnabledControlsAndWraps) {
    Open(R"(<Container>
        <Edit name="accountedit" float="true" pos="0,0,50,20" />
        <Button name="off" float="true" pos="0,30,50,50" enabled="false" />
        <Container name="hiddenPanel" visible="false"><Edit name="inside" /></Container>
        <Label name="lb" float="true" pos="0,60,50,80" />
        <Edit name="pwdedit" float="true" pos="0,90,50,110" />
        <Button name="loginBtn" float="true" pos="0,120,50,140" />
      </Container>)");
    auto& pm = window_->pm;
    std::vector<std::string> order;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(pm.SetNextTabControl());
        order.push_back(pm.GetFocus()->GetName());
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"accountedit", "pwdedit", "loginBtn", "accountedit"}));
    pm.SetNextTabControl(false);
    EXPECT_EQ(pm.GetFocus()->GetName(), "loginBtn");
}

TEST_F(ControlsTest, FocusNeededReturnsWhenTheWindowRegainsFocus) {
    Open(R"(<Container><Edit name="accountedit" float="true" pos="0,0,50,20" />
        <Button name="b" float="true" pos="0,30,50,50" /></Container>)");
    auto* edit = window_->Find("accountedit");
    window_->pm.SetFocusNeeded(edit);
    window_->pm.SetFocus(window_->Find("b"));
    TestWindow other;
    other.Open();  // takes the keyboard focus
    EXPECT_EQ(GetFocus(), other.GetHWND());
    SetFocus(window_->GetHWND());
    EXPECT_EQ(window_->pm.GetFocus()->GetName(), "b");  // the user's last choice stays
    window_->pm.SetFocus(nullptr);
    SetFocus(other.GetHWND());
    SetFocus(window_->GetHWND());
    EXPECT_EQ(window_->pm.GetFocus(), edit);
}

TEST_F(ControlsTest, HidingTheFocusedControlDropsTheFocus) {
    Open(R"(<Container><Container name="panel"><Edit name="e" /></Container></Container>)");
    auto* edit = window_->Find("e");
    edit->SetFocus();
    ASSERT_EQ(window_->pm.GetFocus(), edit);
    window_->Find("panel")->SetVisible(false);
    EXPECT_EQ(window_->pm.GetFocus(), nullptr);
    EXPECT_EQ(window_->Log().back(), "killfocus:e");
}

TEST_F(ControlsTest, DisabledControlsTakeNoClicks) {
    Open(
        R"(<Container name="root"><Button name="b" float="true" pos="0,0,50,20" enabled="false" /></Container>)");
    window_->Click(10, 10);
    EXPECT_TRUE(window_->Log().empty());
    window_->Find("b")->SetEnabled(true);
    window_->Click(10, 10);
    EXPECT_EQ(window_->Log().back(), "click:b");
}

TEST_F(ControlsTest, AnOptionSelectsATabPageAsTheLauncherDoes) {
    Open(R"(<HorizontalLayout>
        <VerticalLayout width="100">
          <Option name="examine" group="tabs" height="30" selected="true" />
          <Option name="trojan" group="tabs" height="30" />
        </VerticalLayout>
        <TabLayout name="switch"><Container name="page0"/><Container name="page1"/></TabLayout>
      </HorizontalLayout>)");
    window_->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType != "selectchanged") return;
        auto* tabs = window_->Find<CTabLayoutUI>("switch");
        tabs->SelectItem(msg.pSender->GetName() == "trojan" ? 1 : 0);
    };
    window_->Click(50, 45);
    EXPECT_EQ(window_->Find<CTabLayoutUI>("switch")->GetCurSel(), 1);
    EXPECT_TRUE(window_->Find("page1")->IsVisible());
    EXPECT_FALSE(window_->Find<COptionUI>("examine")->IsSelected());
}

TEST(StdString, HelpersTheSystemCalls) {
    CStdString name = "closeDownloadStatusoptLink12";
    EXPECT_EQ(name.Find("optLink"), 19);
    EXPECT_NE(name.Find("optLink"), 0);  // does not begin with it
    EXPECT_EQ(name.Find("nothere"), -1);
    EXPECT_EQ(name.Left(5), "close");
    EXPECT_EQ(name.Mid(19), "optLink12");
    EXPECT_EQ(name.Mid(19, 3), "opt");
    EXPECT_EQ(name.Mid(99), "");
    EXPECT_EQ(name.Right(2), "12");
    EXPECT_EQ(name.Left(-1), "");
    CStdString type = "Timer";
    EXPECT_EQ(type.CompareNoCase("timer"), 0);
    EXPECT_NE(type.CompareNoCase("timers"), 0);
    CStdString gbk = "\xC0\xB5Search";
    gbk.MakeLower();
    EXPECT_EQ(gbk, "\xC0\xB5search");  // GBK bytes untouched
    CStdString text = "a b c";
    EXPECT_EQ(text.Replace(" ", ""), 2);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(text.Replace("", "x"), 0);  // an empty pattern replaces nothing
    EXPECT_EQ(text.ReverseFind('c'), 2);
}

}  // namespace
