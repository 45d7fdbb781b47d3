// Input routing, notifications, focus, option groups and timers.
#include "ui/core/paint_manager.h"

#include <gtest/gtest.h>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using namespace std::chrono_literals;
using ui_test::RecordingTarget;
using ui_test::TestWindow;
using Log = std::vector<std::string>;

// Overlapping floating controls: "back" covers everything, "front" lies over
// part of "btn", "ghost" is hidden, "glass" takes no mouse.
const char* kSkin = R"(<Container name="root">
  <Container name="back" float="true" pos="0,0,400,300">
    <Button name="btn" float="true" pos="10,10,110,60" normalimage="n.png" hotimage="h.png" pushedimage="p.png" />
    <Label name="front" float="true" pos="80,40,200,100" />
    <Button name="ghost" float="true" pos="10,10,110,60" visible="false" />
    <Label name="glass" float="true" pos="0,0,400,8" mouse="false" />
    <Edit name="edit1" float="true" pos="10,120,200,140" />
    <Edit name="edit2" float="true" pos="10,150,200,170" password="true" />
    <Option name="o1" group="nav" float="true" pos="220,10,260,40" selected="true" />
    <Option name="o2" group="nav" float="true" pos="270,10,310,40" />
    <Option name="check" float="true" pos="320,10,360,40" />
    <List name="menu" float="true" pos="220,100,380,200">
      <ListLabelElement name="menu_UserCenter" text="centre" />
      <ListLabelElement name="menu_Logout" text="logout" />
    </List>
    <Combo name="accountcombo" float="true" pos="220,220,380,240">
      <ListLabelElement text="alice" /><ListLabelElement text="bob" />
    </Combo>
  </Container>
</Container>)";

class PaintManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ui::TakeQuit();
        window_ = std::make_unique<TestWindow>(kSkin);
        ASSERT_NE(window_->Open(0, 0, 400, 300), nullptr);
        ui::RunUntilIdle();  // "windowinit"
        window_->notes.clear();
        window_->log.clear();
    }
    void TearDown() override {
        window_.reset();
        ui::RunUntilIdle();
    }
    std::unique_ptr<TestWindow> window_;
};

TEST_F(PaintManagerTest, WindowInitArrivesOnceAfterCreation) {
    TestWindow other(R"(<Container name="r"/>)");
    other.Open();
    EXPECT_TRUE(other.notes.empty());  // not during creation
    ui::RunUntilIdle();
    ASSERT_EQ(other.notes.size(), 1u);
    EXPECT_EQ(other.notes[0].sType, "windowinit");
    EXPECT_EQ(other.notes[0].pSender, other.pm.GetRoot());
}

// Work left for after the first frame runs on the turn after the next paint,
// once, and never after its window is gone.
TEST_F(PaintManagerTest, WorkAfterTheNextPaintRunsOnceOnTheTurnAfterIt) {
    int runs = 0;
    window_->pm.RunAfterNextPaint([&] { ++runs; });
    ui::RunUntilIdle();
    EXPECT_EQ(runs, 0) << "ran before any paint";
    RecordingTarget target;
    window_->pm.Paint(target, {0, 0, 400, 300});
    EXPECT_EQ(runs, 0) << "ran inside the paint";
    ui::RunUntilIdle();
    EXPECT_EQ(runs, 1);
    window_->pm.Paint(target, {0, 0, 400, 300});
    ui::RunUntilIdle();
    EXPECT_EQ(runs, 1);

    window_->pm.RunAfterNextPaint([&] { ++runs; });
    window_->pm.Paint(target, {0, 0, 400, 300});
    window_.reset();
    ui::RunUntilIdle();
    EXPECT_EQ(runs, 1) << "ran after its window was gone";
}

TEST_F(PaintManagerTest, HitTestingTakesTheTopmostVisibleMouseControl) {
    auto& pm = window_->pm;
    EXPECT_EQ(pm.FindControl(POINT{20, 20}), pm.FindControl("btn"));    // ghost is hidden
    EXPECT_EQ(pm.FindControl(POINT{90, 50}), pm.FindControl("front"));  // front is above btn
    EXPECT_EQ(pm.FindControl(POINT{150, 4}), pm.FindControl("back"));   // through the glass
    EXPECT_EQ(pm.FindControl(POINT{399, 299}), pm.FindControl("back"));
    EXPECT_EQ(pm.FindControl(POINT{400, 10}), nullptr);  // right edge is outside
    pm.FindControl("ghost")->SetVisible(true);
    EXPECT_EQ(pm.FindControl(POINT{20, 20}), pm.FindControl("ghost"));
    EXPECT_STREQ(pm.FindControl(POINT{20, 20})->GetClass(), "ButtonUI");
}

TEST_F(PaintManagerTest, ClickNeedsPressAndReleaseOverTheSameControl) {
    window_->Click(20, 20);
    window_->Press(20, 20);
    window_->Release(300, 280);  // released elsewhere: no click
    window_->Press(300, 280);
    window_->Release(20, 20);  // pressed elsewhere: no click either
    EXPECT_EQ(window_->Log(), (Log{"setfocus:btn", "click:btn", "killfocus:btn", "setfocus:back"}));
}

TEST_F(PaintManagerTest, HotAndPushedStatesPickTheImages) {
    auto* button = window_->Find<CButtonUI>("btn");
    auto paint = [&] {
        RecordingTarget target;
        button->PaintStatusImage(target);
        return target.calls.front();
    };
    EXPECT_EQ(paint(), "image:n.png");
    window_->Move(20, 20);
    EXPECT_EQ(window_->pm.GetHotControl(), button);
    EXPECT_EQ(paint(), "image:h.png");
    window_->Press(20, 20);
    EXPECT_EQ(paint(), "image:p.png");
    window_->Move(150, 150);  // dragged off: still captured, not pushed
    EXPECT_EQ(paint(), "image:n.png");
    EXPECT_EQ(window_->pm.GetPushedControl(), button);
    window_->Move(30, 30);
    EXPECT_EQ(paint(), "image:p.png");
    window_->Release(30, 30);
    EXPECT_EQ(paint(), "image:h.png");
    window_->Move(300, 280);
    EXPECT_EQ(paint(), "image:n.png");
}

TEST_F(PaintManagerTest, RightButtonRaisesMenuWithTheMousePoint) {
    ui::DeliverInputMessage(window_->GetHWND(), WM_RBUTTONDOWN, 0, MAKELPARAM(230, 20));
    ui::DeliverInputMessage(window_->GetHWND(), WM_RBUTTONUP, 0, MAKELPARAM(231, 21));
    ASSERT_EQ(window_->Log().back(), "menu:o1");
    const TNotifyUI& menu = window_->notes.back();
    EXPECT_EQ(menu.ptMouse, (POINT{231, 21}));
    EXPECT_EQ(menu.lParam, MAKELPARAM(231, 21));
    EXPECT_GT(menu.dwTimestamp, 0u);
}

TEST_F(PaintManagerTest, OptionGroupsKeepOneSelectedAndClickSeesTheNewState) {
    auto* o1 = window_->Find<COptionUI>("o1");
    auto* o2 = window_->Find<COptionUI>("o2");
    auto* check = window_->Find<COptionUI>("check");
    bool selectedAtClick = false;
    window_->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "click" && msg.pSender == o2) selectedAtClick = o2->IsSelected();
    };
    window_->Click(280, 20);
    EXPECT_TRUE(o2->IsSelected());
    EXPECT_FALSE(o1->IsSelected());
    EXPECT_TRUE(selectedAtClick);
    window_->Click(280, 20);  // a grouped option stays selected
    EXPECT_TRUE(o2->IsSelected());
    window_->Click(330, 20);
    window_->Click(330, 20);  // an ungrouped one toggles
    EXPECT_FALSE(check->IsSelected());
    Log log = window_->Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "selectchanged:o2"), 1);  // only real changes
    EXPECT_EQ(std::count(log.begin(), log.end(), "selectchanged:check"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "selectchanged:o1"), 0);  // deselected silently
    auto it = std::find(log.begin(), log.end(), "selectchanged:o2");
    EXPECT_EQ(*(it + 1), "click:o2");
    // A handler may deselect the option it was clicked on.
    window_->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "click" && msg.pSender == o1) o1->Selected(false);
    };
    window_->Click(230, 20);
    EXPECT_FALSE(o1->IsSelected());
    o1->Selected(true);
    EXPECT_FALSE(o2->IsSelected());
}

TEST_F(PaintManagerTest, FocusTabReturnAndTyping) {
    auto* edit1 = window_->Find<CEditUI>("edit1");
    auto* edit2 = window_->Find<CEditUI>("edit2");
    window_->pm.SetFocusNeeded(edit1);
    EXPECT_EQ(window_->pm.GetFocus(), edit1);
    edit1->SetText("prefilled");  // code changes raise nothing
    window_->Type("ab");
    window_->Key(VK_BACK);
    window_->Key(VK_RETURN);
    window_->Key(VK_TAB);
    EXPECT_EQ(window_->pm.GetFocus(), edit2);
    window_->Type("pw");
    EXPECT_EQ(edit1->GetText(), "prefilleda");
    EXPECT_EQ(edit2->GetText(), "pw");
    EXPECT_EQ(edit2->GetDisplayText(), "**");
    EXPECT_EQ(window_->Log(), (Log{"setfocus:edit1", "textchanged:edit1", "textchanged:edit1",
                                   "textchanged:edit1", "return:edit1", "killfocus:edit1",
                                   "setfocus:edit2", "textchanged:edit2", "textchanged:edit2"}));
    // A two-byte GBK character arrives as two bytes and is erased as one.
    window_->Type("\xB5\xC7");
    EXPECT_EQ(edit2->GetText(), "pw\xB5\xC7");
    window_->Key(VK_BACK);
    EXPECT_EQ(edit2->GetText(), "pw");
}

TEST_F(PaintManagerTest, ClickingAContainerFocusesIt) {
    window_->Click(300, 280);
    EXPECT_EQ(window_->Log(), (Log{"setfocus:back"}));
    window_->Click(20, 20);
    EXPECT_EQ(window_->Log(),
              (Log{"setfocus:back", "killfocus:back", "setfocus:btn", "click:btn"}));
}

TEST_F(PaintManagerTest, ListRaisesItemClickThenItemSelect) {
    window_->Click(230, 130);  // second element (22 px each)
    auto* list = window_->Find<CListUI>("menu");
    EXPECT_EQ(list->GetCurSel(), 1);
    Log log = window_->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "itemclick:menu_Logout");
    EXPECT_EQ(log.back(), "itemselect:menu");
    EXPECT_EQ(window_->notes.back().wParam, 1u);
    EXPECT_EQ(static_cast<int>(window_->notes.back().lParam), -1);
    window_->Click(230, 130);  // same element again: clicked, not selected again
    EXPECT_EQ(window_->Log().back(), "itemclick:menu_Logout");
}

TEST_F(PaintManagerTest, ComboTextIsTheSelectedItem) {
    auto* combo = window_->Find<CComboUI>("accountcombo");
    EXPECT_EQ(combo->GetText(), "");
    EXPECT_TRUE(combo->SelectItem(1));
    EXPECT_EQ(combo->GetText(), "bob");
    EXPECT_EQ(window_->Log().back(), "itemselect:accountcombo");
    combo->SetFocus();
    window_->Key(VK_UP);
    EXPECT_EQ(combo->GetText(), "alice");
    EXPECT_FALSE(combo->SelectItem(5));
}

TEST_F(PaintManagerTest, TimersFireRepeatedlyUntilKilled) {
    auto* root = window_->pm.GetRoot();
    std::vector<UINT> ids;
    window_->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "timer") {
            EXPECT_EQ(msg.pSender, root);
            ids.push_back(static_cast<UINT>(msg.wParam));
        }
    };
    ASSERT_TRUE(window_->pm.SetTimer(root, 3, 20));
    ASSERT_TRUE(window_->pm.SetTimer(root, 4, 60000));
    ASSERT_TRUE(ui::RunUntil([&] { return std::count(ids.begin(), ids.end(), 3u) >= 3; }, 5s));
    EXPECT_EQ(ids, (std::vector<UINT>{3, 3, 3}));
    EXPECT_TRUE(window_->pm.KillTimer(root, 3));
    EXPECT_FALSE(window_->pm.KillTimer(root, 3));
    size_t before = ids.size();
    ui::RunFor(100ms);
    EXPECT_EQ(ids.size(), before);  // id 4 is not due yet, id 3 is gone
}

TEST_F(PaintManagerTest, TimerOfARemovedControlStops) {
    auto* back = window_->Find<CContainerUI>("back");
    auto* button = window_->Find("btn");
    int ticks = 0;
    window_->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "timer") ++ticks;
    };
    ASSERT_TRUE(window_->pm.SetTimer(button, 1, 10));
    back->Remove(button);
    ui::RunFor(60ms);
    EXPECT_EQ(ticks, 0);
}

TEST_F(PaintManagerTest, ClickHandlerMayRemoveTheClickedControl) {
    auto* back = window_->Find<CContainerUI>("back");
    window_->onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "click") back->RemoveAll();
    };
    window_->Click(20, 20);
    EXPECT_EQ(back->GetCount(), 0);
    EXPECT_EQ(window_->pm.FindControl("btn"), nullptr);
    ui::RunUntilIdle();  // the removed controls are deleted here
    window_->Click(20, 20);
    EXPECT_EQ(window_->Log().back(), "setfocus:back");
}

}  // namespace

namespace {

// A backend that gives edits a native entry, as the on-screen one does.
class EntryBackend : public ui::HeadlessBackend {
public:
    struct Entry : ui::NativeEdit {
        void SetBounds(const RECT& rect, bool shown) override {
            bounds = rect;
            visible = shown;
        }
        void SetText(const std::string& value) override { text = value; }
        void SetPasswordMode(bool value) override { password = value; }
        void SetReadOnly(bool) override {}
        void SetFocused(bool value) override { focused = value; }
        RECT bounds{};
        bool visible = false, password = false, focused = false;
        std::string text;
    };
    std::unique_ptr<ui::NativeEdit> CreateNativeEdit(DuiLib::CEditUI&) override {
        auto entry = std::make_unique<Entry>();
        entries.push_back(entry.get());
        return entry;
    }
    std::vector<Entry*> entries;
};

TEST(NativeEdit, EntryFollowsTheEditAndReportsTheUsersText) {
    auto owned = std::make_unique<EntryBackend>();
    EntryBackend* backend = owned.get();
    ui::InstallBackend(std::move(owned));
    {
        TestWindow window(
            R"(<Container><Edit name="pwdedit" float="true" pos="10,20,110,40" password="true" text="x"/></Container>)");
        window.Open(0, 0, 200, 100);
        window.pm.UpdateLayout();
        ASSERT_EQ(backend->entries.size(), 1u);
        auto* entry = backend->entries[0];
        auto* edit = window.Find<CEditUI>("pwdedit");
        EXPECT_EQ(entry->bounds, (RECT{10, 20, 110, 40}));
        EXPECT_TRUE(entry->visible);
        EXPECT_TRUE(entry->password);
        EXPECT_EQ(entry->text, "x");
        edit->SetText("secret");
        EXPECT_EQ(entry->text, "secret");
        edit->SetFocus();
        EXPECT_TRUE(entry->focused);
        edit->SetTextFromUser("typed");  // what the entry calls when the user types
        EXPECT_EQ(edit->GetText(), "typed");
        EXPECT_EQ(window.Log().back(), "textchanged:pwdedit");
        edit->SetVisible(false);
        EXPECT_FALSE(entry->visible);
    }
    ui::InstallHeadlessBackend();
}

}  // namespace
