// Layout arithmetic: stacking, floating positions, tabs, scrolling.
#include "ui/core/container.h"

#include <gtest/gtest.h>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::TestWindow;

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ui::InstallHeadlessBackend(); }
    void TearDown() override { ui::RunUntilIdle(); }

    // Opens a 400 x 300 window built from `skin` and lays it out.
    void Open(const std::string& skin) {
        window_ = std::make_unique<TestWindow>(skin);
        ASSERT_NE(window_->Open(0, 0, 400, 300), nullptr);
        window_->pm.UpdateLayout();
    }
    RECT At(std::string_view name) { return window_->pm.FindControl(name)->GetAbsolutePos(); }

    std::unique_ptr<TestWindow> window_;
};

TEST_F(LayoutTest, VerticalLayoutGivesFixedHeightsThenSharesTheRest) {
    Open(R"(<VerticalLayout name="root" inset="10,10,10,10" childpadding="5">
        <Control name="top" height="40" />
        <Control name="a" />
        <Control name="hidden" height="50" visible="false" />
        <Control name="b" maxheight="60" />
        <Control name="narrow" height="20" width="100" />
      </VerticalLayout>)");
    // inner 380 x 280; fixed 40 + 20, padding 3 x 5: 205 left for the two flexible.
    EXPECT_EQ(At("top"), (RECT{10, 10, 390, 50}));
    EXPECT_EQ(At("a"), (RECT{10, 55, 390, 157}));   // 205 / 2 = 102
    EXPECT_EQ(At("b"), (RECT{10, 162, 390, 222}));  // its share clamped to 60
    EXPECT_EQ(At("narrow"), (RECT{10, 227, 110, 247}));
}

TEST_F(LayoutTest, HorizontalLayoutStacksLeftToRight) {
    Open(R"(<HorizontalLayout><Control name="l" width="100"/><Control name="m"/><Control name="r"/>
      </HorizontalLayout>)");
    EXPECT_EQ(At("l"), (RECT{0, 0, 100, 300}));
    EXPECT_EQ(At("m"), (RECT{100, 0, 250, 300}));
    EXPECT_EQ(At("r"), (RECT{250, 0, 400, 300}));
}

TEST_F(LayoutTest, FloatingControlsArePlacedRelativeToTheirParent) {
    Open(R"(<VerticalLayout>
        <Control height="100" />
        <Container name="panel" inset="7,7,7,7">
          <Button name="abs" float="true" pos="20,30,120,80" />
          <Option name="sized" width="100" height="100" float="true" pos="75,32,0,0" />
        </Container>
      </VerticalLayout>)");
    EXPECT_EQ(At("panel"), (RECT{0, 100, 400, 300}));
    // Relative to the panel's top-left, not its inset and not the window.
    EXPECT_EQ(At("abs"), (RECT{20, 130, 120, 180}));
    auto* sized = window_->pm.FindControl("sized");
    EXPECT_EQ(sized->GetPos(), (RECT{75, 32, 175, 132}));  // "x,y,0,0" keeps width/height
    EXPECT_EQ(At("sized"), (RECT{75, 132, 175, 232}));

    // SetPos and GetPos of a floating control use the parent's frame.
    sized->SetPos({10, 5, 60, 25});
    EXPECT_EQ(sized->GetPos(), (RECT{10, 5, 60, 25}));
    window_->pm.UpdateLayout();
    EXPECT_EQ(At("sized"), (RECT{10, 105, 60, 125}));
}

TEST_F(LayoutTest, MovingAParentMovesItsFloatingChildren) {
    Open(R"(<Container><Container name="group" float="true" pos="0,40,400,300">
        <Option name="opt" float="true" pos="75,32,175,132" /></Container></Container>)");
    EXPECT_EQ(At("opt"), (RECT{75, 72, 175, 172}));
    window_->pm.FindControl("group")->SetPos({0, 0, 400, 300});
    window_->pm.UpdateLayout();
    EXPECT_EQ(At("opt"), (RECT{75, 32, 175, 132}));
}

TEST_F(LayoutTest, TabLayoutShowsOnlyTheSelectedPage) {
    Open(R"(<TabLayout name="switch"><Container name="p0"><Button name="b0"/></Container>
        <Container name="p1"/><Container name="p2"/></TabLayout>)");
    auto* tabs = window_->Find<CTabLayoutUI>("switch");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_TRUE(window_->Find("b0")->IsVisible());
    EXPECT_TRUE(tabs->SelectItem(2));
    EXPECT_FALSE(window_->Find("p0")->IsVisible());
    EXPECT_FALSE(window_->Find("b0")->IsVisible());  // hidden with its page
    EXPECT_TRUE(window_->Find("p2")->IsVisible());
    EXPECT_FALSE(tabs->SelectItem(8));
    EXPECT_EQ(tabs->GetCurSel(), 2);
    window_->pm.UpdateLayout();
    EXPECT_EQ(window_->pm.FindControl(POINT{5, 5}), window_->Find("p2"));
}

TEST_F(LayoutTest, HidingAContainerHidesItsChildrenUntilShownAgain) {
    Open(R"(<Container><Container name="panel"><Label name="lb"/></Container></Container>)");
    auto* panel = window_->Find("panel");
    auto* label = window_->Find("lb");
    panel->SetVisible(false);
    EXPECT_FALSE(label->IsVisible());
    panel->SetVisible(true);
    EXPECT_TRUE(label->IsVisible());
    label->SetVisible(false);
    panel->SetVisible(false);
    panel->SetVisible(true);
    EXPECT_FALSE(label->IsVisible());  // its own hidden state is kept
}

TEST_F(LayoutTest, ListScrollsContentTallerThanItself) {
    Open(R"(<Container><List name="list" float="true" pos="0,125,400,225" vscrollbar="true">
        <Container name="inner" height="340" /></List></Container>)");
    auto* list = window_->Find<CListUI>("list");
    EXPECT_EQ(list->GetScrollRange(), 240);
    EXPECT_EQ(At("inner"), (RECT{0, 125, 400, 465}));
    // The wheel over the list scrolls it; content moves up.
    ui::DeliverInputMessage(window_->GetHWND(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120),
                            MAKELPARAM(50, 150));  // screen point; the window is at 0,0
    EXPECT_EQ(list->GetScrollPos(), 40);
    list->SetScrollPos(100);
    EXPECT_EQ(At("inner").top, 25);
    list->SetScrollPos(1000);
    EXPECT_EQ(list->GetScrollPos(), 240);
    // Shrinking the content pulls the scroll position back in range.
    window_->Find("inner")->SetFixedHeight(150);
    window_->pm.UpdateLayout();
    EXPECT_EQ(list->GetScrollPos(), 50);
    EXPECT_EQ(At("inner"), (RECT{0, 75, 400, 225}));
}

TEST_F(LayoutTest, ContainerOwnsWhatIsAddedAndFindsItByName) {
    Open(R"(<Container name="root"/>)");
    auto* root = window_->Find<CContainerUI>("root");
    auto* option = new COptionUI;
    option->SetName("optLink12");
    EXPECT_TRUE(root->Add(option));
    EXPECT_EQ(window_->pm.FindControl("optLink12"), option);
    EXPECT_EQ(root->GetItemAt(0), option);
    EXPECT_EQ(root->GetCount(), 1);
    option->SetName("optLink13");  // renaming updates the lookup
    EXPECT_EQ(window_->pm.FindControl("optLink12"), nullptr);
    EXPECT_EQ(window_->pm.FindControl("optLink13"), option);
    root->RemoveAll();
    EXPECT_EQ(root->GetCount(), 0);
    EXPECT_EQ(window_->pm.FindControl("optLink13"), nullptr);
    EXPECT_FALSE(root->Add(nullptr));
}

TEST_F(LayoutTest, DuplicateNamesFindTheFirstUntilItGoes) {
    Open(
        R"(<Container name="root"><Label name="dup" text="1"/><Label name="dup" text="2"/></Container>)");
    auto* root = window_->Find<CContainerUI>("root");
    EXPECT_EQ(window_->pm.FindControl("dup")->GetText(), "1");
    root->RemoveAt(0);
    ASSERT_NE(window_->pm.FindControl("dup"), nullptr);
    EXPECT_EQ(window_->pm.FindControl("dup")->GetText(), "2");
}

}  // namespace
