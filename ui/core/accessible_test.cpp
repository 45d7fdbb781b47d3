// The accessible description of a skin: roles, names, flattening, states,
// extents, and a "click" that does what the mouse does.
#include "ui/core/accessible.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::TestWindow;

std::vector<std::string> Describe(const std::vector<CControlUI*>& controls) {
    std::vector<std::string> out;
    for (CControlUI* c : controls)
        out.push_back(std::string(AccessibleRoleName(GetAccessibleRole(*c))) + ":" +
                      GetAccessibleName(*c));
    return out;
}

TEST(Accessible, RolesNamesFlatteningStatesAndClick) {
    ui::InstallHeadlessBackend();
    TestWindow window(R"(<VerticalLayout>
        <HorizontalLayout height="30">
          <Option name="optA" text="Home" group="nav" selected="true" />
          <Option name="optB" tooltip="Apps" group="nav" />
          <Option name="chk" text="Remember" />
          <Button name="closebtn" accname="Close" />
          <Control name="spacer" />
        </HorizontalLayout>
        <VerticalLayout name="panel" tooltip="Panel" visible="false" height="40">
          <Label name="lb" text="inside" />
        </VerticalLayout>
        <Edit name="ed" tooltip="Account" height="24" />
        <List name="ls" height="60"><ListLabelElement name="li" text="row" /></List>
        <Progress name="pg" text="half" height="10" />
      </VerticalLayout>)");
    ASSERT_NE(window.Open(0, 0, 400, 300), nullptr);
    window.pm.UpdateLayout();

    // The nameless layouts are flattened, the nameless plain control is left
    // out, the panel with a tooltip stays with its own child.
    CControlUI* root = window.pm.GetRoot();
    EXPECT_FALSE(IsAccessible(*root));
    EXPECT_EQ(
        Describe(GetAccessibleChildren(*root)),
        (std::vector<std::string>{"radio button:Home", "radio button:Apps",
                                  "toggle button:Remember", "push button:Close", "panel:Panel",
                                  "entry:Account", "list:", "progress bar:half"}));
    EXPECT_EQ(Describe(GetAccessibleChildren(*window.Find("panel"))),
              std::vector<std::string>{"label:inside"});
    EXPECT_EQ(Describe(GetAccessibleChildren(*window.Find("ls"))),
              std::vector<std::string>{"list item:row"});
    // An edit is named for what it is for, not by what was typed into it.
    window.Find("ed")->SetText("typed");
    EXPECT_EQ(GetAccessibleName(*window.Find("ed")), "Account");

    // A label in a hidden panel is not showing.
    CControlUI* label = window.Find("lb");
    EXPECT_FALSE(GetAccessibleStates(*label).showing);
    AccessibleStates a = GetAccessibleStates(*window.Find("optA"));
    EXPECT_TRUE(a.showing && a.enabled && a.focusable && a.checkable && a.checked);
    EXPECT_FALSE(GetAccessibleStates(*window.Find("optB")).checked);
    EXPECT_FALSE(GetAccessibleStates(*label).focusable);
    // A control just shown has its extents before the window paints again.
    window.Find("panel")->SetVisible(true);
    EXPECT_TRUE(GetAccessibleStates(*label).showing);
    EXPECT_GT(GetAccessibleExtents(*label).bottom, GetAccessibleExtents(*label).top);
    const RECT extents = GetAccessibleExtents(*window.Find("closebtn"));
    EXPECT_EQ(extents, window.Find("closebtn")->GetAbsolutePos());
    EXPECT_GT(extents.right - extents.left, 0);

    // "click" raises the notifications the mouse raises, in the same order.
    DoAccessibleClick(*window.Find("optB"));
    ui::RunUntilIdle();
    const std::vector<std::string> byAction = window.Log();
    EXPECT_TRUE(GetAccessibleStates(*window.Find("optB")).checked);
    EXPECT_FALSE(GetAccessibleStates(*window.Find("optA")).checked);
    DoAccessibleClick(*window.Find("optA"));
    ui::RunUntilIdle();
    window.log.clear();
    const RECT b = window.Find("optB")->GetAbsolutePos();
    window.Click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    ui::RunUntilIdle();
    // (The press also gives the option the focus, which the action leaves alone.)
    std::vector<std::string> byMouse = window.Log();
    std::erase(byMouse, "setfocus:optB");
    EXPECT_EQ(byMouse, byAction);
    EXPECT_EQ(byAction, (std::vector<std::string>{"selectchanged:optB", "click:optB"}));
    // A list item's "click" is the mouse's press on it: it is clicked and selected.
    window.log.clear();
    EXPECT_TRUE(DoAccessibleClick(*window.Find("li")));
    ui::RunUntilIdle();
    EXPECT_TRUE(GetAccessibleStates(*window.Find("li")).checked);
    EXPECT_EQ(window.Log().front(), "itemclick:li");
    // The skin's accname is an attribute like any other; a misspelt one is reported.
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> button(
        builder.Create(R"(<Button accname="Minimise" accnmae="x" />)", nullptr));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetAccessibleName(*button), "Minimise");
    ASSERT_EQ(builder.GetDiagnostics().size(), 1u);
    EXPECT_NE(builder.GetDiagnostics()[0].find("unknown attribute 'accnmae'"), std::string::npos);
    // A hidden control cannot be clicked.
    window.Find("closebtn")->SetVisible(false);
    EXPECT_FALSE(DoAccessibleClick(*window.Find("closebtn")));
}

// The options switching a tab layout's pages are page tabs; a text box or bar
// showing no text is named by the label placed just before it; padded texts
// are read without their blanks; a progress bar tells its value.
TEST(Accessible, PageTabsTiedLabelsAndValues) {
    ui::InstallHeadlessBackend();
    TestWindow window(R"(<VerticalLayout>
        <HorizontalLayout height="30">
          <Option name="tab1" text="One" group="pages" selected="true" />
          <Option name="tab2" text="Two" group="pages" />
          <Option name="other" text="Other" group="choice" />
        </HorizontalLayout>
        <TabLayout name="switch" tabgroup="pages" height="60">
          <HorizontalLayout height="24">
            <Label name="lbUser" accname="Account" width="20" />
            <Edit name="ed" />
          </HorizontalLayout>
          <Label text="page two" />
        </TabLayout>
        <HorizontalLayout height="24">
          <Label name="mark" width="4" />
          <Label name="caption" text="Caption" width="60" />
          <Label name="plain" width="4" />
          <Progress name="pg" min="10" max="50" value="20" />
          <Button name="iconbtn" width="20" menu="true" />
        </HorizontalLayout>
        <List name="menu" height="40"><ListLabelElement name="item" text="   Log out  " /></List>
      </VerticalLayout>)");
    ASSERT_NE(window.Open(0, 0, 400, 300), nullptr);
    window.pm.UpdateLayout();

    EXPECT_EQ(Describe({window.Find("tab1"), window.Find("tab2"), window.Find("other")}),
              (std::vector<std::string>{"page tab:One", "page tab:Two", "radio button:Other"}));
    // The edit takes the icon's name; a label never takes its neighbour's, so
    // the nameless mark and the rule after a caption stay silent.
    EXPECT_EQ(GetAccessibleName(*window.Find("ed")), "Account");
    EXPECT_EQ(GetAccessibleName(*window.Find("plain")), "");
    EXPECT_EQ(GetAccessibleName(*window.Find("caption")), "Caption");
    // Only the control immediately after the label is tied to it.
    EXPECT_EQ(GetAccessibleName(*window.Find("pg")), "");
    EXPECT_EQ(GetAccessibleName(*window.Find("iconbtn")), "");
    window.Find("plain")->SetText("Loading");
    EXPECT_EQ(GetAccessibleName(*window.Find("pg")), "Loading");
    // An accname of blanks is no name: the text is read.
    window.Find("caption")->SetAccName("  ");
    EXPECT_EQ(GetAccessibleName(*window.Find("caption")), "Caption");
    EXPECT_EQ(GetAccessibleName(*window.Find("item")), "Log out");

    EXPECT_EQ(GetAccessibleValue(*window.Find("pg")), (AccessibleValue{10, 50, 20}));
    static_cast<CProgressUI*>(window.Find("pg"))->SetValue(70);
    EXPECT_EQ(GetAccessibleValue(*window.Find("pg")), (AccessibleValue{10, 50, 50}));
    EXPECT_FALSE(GetAccessibleValue(*window.Find("caption")));

    // "menu" is the right click's notification, at the control's centre (the
    // point in lParam, as the paint manager gives it), and
    // only for a control whose window has a menu for it.
    window.log.clear();
    window.notes.clear();
    EXPECT_FALSE(DoAccessibleMenu(*window.Find("caption")));
    ASSERT_TRUE(DoAccessibleMenu(*window.Find("iconbtn")));
    ui::RunUntilIdle();
    EXPECT_EQ(window.Log(), std::vector<std::string>{"menu:iconbtn"});
    const RECT b = window.Find("iconbtn")->GetAbsolutePos();
    const auto menu = std::find_if(window.notes.begin(), window.notes.end(),
                                   [](const TNotifyUI& n) { return n.sType == "menu"; });
    ASSERT_NE(menu, window.notes.end());
    EXPECT_EQ(menu->lParam, MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2));
    window.Find("iconbtn")->SetEnabled(false);
    EXPECT_FALSE(DoAccessibleMenu(*window.Find("iconbtn")));
}

}  // namespace
