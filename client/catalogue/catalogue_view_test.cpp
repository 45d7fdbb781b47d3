// Clicks on the catalogue: groups, home, opening options and sub-application
// panels, and the recorded use.
#include "client/catalogue/catalogue_view.h"

#include "client/catalogue/catalogue_ui_test_support.h"
#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "ui/core/headless_backend.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

class CatalogueViewTest : public CatalogueWindowTest {
protected:
    void SetUp() override {
        CatalogueWindowTest::SetUp();
        // Records OpenApplication as the main window would read it.
        events.On<OpenApplication>([this](const OpenApplication& open) {
            opened.push_back(std::to_string(open.appId.value_or(-1)) + " " + open.address);
        });
        window->onMessage = [this](UINT message, WPARAM, LPARAM lParam, bool& handled) {
            return events.Handle(message, lParam, handled);
        };
        hooks.window = window->GetHWND();
        hooks.report = [this](int id, std::string_view action) {
            reports.push_back(std::string(action) + " " + std::to_string(id));
        };
        hooks.isSignedIn = [this] { return signedIn; };
        hooks.showLoginWindow = [this] {
            ++loginWindows;
            signedIn = signInAtLogin;
        };
        hooks.startDownload = [this](CControlUI& option) { downloads.push_back(option.GetName()); };
    }
    CatalogueContext View() {
        return {window->pm, db, controls.groupContainers, controls.floatingPanels,
                [this] { ++sidePanelCloses; }};
    }
    OpenOutcome Open(std::string_view name) {
        return OpenCatalogueOption(View(), *Find(name), hooks);
    }
    std::string Dateline(const std::string& appId) {
        return Column("select ifnull(Dateline,'never') from apps where AppID=" + appId);
    }
    // Each action closes the side panels first, once.
    bool SidePanelsClosedOnce() { return std::exchange(sidePanelCloses, 0) == 1; }

    CatalogueOpenHooks hooks;
    EventRoutes events;
    std::vector<std::string> opened, reports, downloads;
    bool signedIn = false;
    bool signInAtLogin = false;
    int loginWindows = 0;
    int sidePanelCloses = 0;
};

TEST_F(CatalogueViewTest, WebAddressesOpenInTheDialogAndOtherTargetsNeedASignedInUser) {
    Build(GroupXml("10", AppXml("7", "https://mail.example/") + AppXml("8", "ftp://files/x") +
                             AppXml("9", "plugins/local.exe")));

    EXPECT_EQ(Open("optLink7"), OpenOutcome::WebApplication);
    EXPECT_EQ(opened, (std::vector<std::string>{"7 https://mail.example/"}));
    EXPECT_EQ(reports, (std::vector<std::string>{"app 7"}));
    EXPECT_TRUE(SidePanelsClosedOnce());
    EXPECT_NE(Dateline("7"), "never");
    // The history panel was rebuilt with the use on top.
    EXPECT_EQ(Find("containerHistoryPanel")->GetChildAt(0)->GetName(), "optLink7");

    // ftp: a program to download; nobody signs in at the login window.
    EXPECT_EQ(Open("optLink8"), OpenOutcome::NotSignedIn);
    EXPECT_EQ(loginWindows, 1);
    EXPECT_TRUE(downloads.empty());
    EXPECT_EQ(Dateline("8"), "never");
    EXPECT_EQ(opened.size(), 1u);

    // Signing in at the login window lets the download go on, and the use counts.
    signInAtLogin = true;
    EXPECT_EQ(Open("optLink8"), OpenOutcome::Program);
    EXPECT_EQ(loginWindows, 2);
    EXPECT_EQ(downloads, (std::vector<std::string>{"optLink8"}));
    EXPECT_NE(Dateline("8"), "never");

    // Signed in already: no login window.
    EXPECT_EQ(Open("optLink9"), OpenOutcome::Program);
    EXPECT_EQ(loginWindows, 2);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(CatalogueViewTest, WithoutADownloadTheProgramStepIsLeftOut) {
    Build(GroupXml("10", AppXml("8", "plugins/tool.exe")));
    hooks.startDownload = nullptr;
    hooks.showLoginWindow = nullptr;
    EXPECT_EQ(Open("optLink8"), OpenOutcome::NotSignedIn);
    signedIn = true;
    EXPECT_EQ(Open("optLink8"), OpenOutcome::Program);
    EXPECT_TRUE(opened.empty());
}

TEST_F(CatalogueViewTest, UseOfASharedAddressGoesToTheRowReturnedLast) {
    Build(GroupXml("10", AppXml("1", "http://same/") + AppXml("2", "http://same/")));
    EXPECT_TRUE(RecordUse(window->pm, db, "http://same/"));
    EXPECT_EQ(Dateline("1"), "never");
    EXPECT_NE(Dateline("2"), "never");
    EXPECT_FALSE(RecordUse(window->pm, db, "http://unknown/"));
    // A quote in the address is a value, not part of the statement.
    EXPECT_FALSE(RecordUse(window->pm, db, "x' or '1'='1"));
    EXPECT_EQ(Dateline("1"), "never");
}

TEST_F(CatalogueViewTest, GroupsAndHomeShowOneViewAtATime) {
    Build(GroupXml("10", AppXml("1")) + GroupXml("11", AppXml("2")));
    Find("layHomePage")->SetVisible(true);

    ShowGroup(View(), *Find("optNavm11"), hooks);
    EXPECT_FALSE(Visible("layHomePage"));
    EXPECT_FALSE(Visible("Container1"));
    EXPECT_TRUE(SidePanelsClosedOnce());
    EXPECT_FALSE(Visible("Container10"));
    EXPECT_TRUE(Visible("Container11"));
    EXPECT_EQ(reports, (std::vector<std::string>{"category 11"}));

    // The user's own option hides the home page area and opens the user's
    // entry, without a report.
    int userEntries = 0;
    hooks.openUserEntry = [&] { ++userEntries; };
    Find("layHomePage")->SetVisible(true);
    ShowGroup(View(), *Find("optNavUser"), hooks);
    EXPECT_FALSE(Visible("layHomePage"));
    EXPECT_TRUE(Visible("Container11"));
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(userEntries, 1);

    Option("optNavm11")->Selected(true);
    Option("optNavUser")->Selected(true);
    GoHome(View());
    EXPECT_TRUE(Visible("Container1"));
    EXPECT_FALSE(Visible("Container10"));
    EXPECT_FALSE(Visible("Container11"));
    EXPECT_TRUE(SidePanelsClosedOnce());
    EXPECT_FALSE(Option("optNavm11")->IsSelected());
    EXPECT_FALSE(Option("optNavUser")->IsSelected());
}

TEST_F(CatalogueViewTest, HolderShowsTheMaskAndOnlyItsPanel) {
    Build(GroupXml("10", AppXml("1") + HolderXml("5", AppXml("51")) + HolderXml("6", "")));
    Option("optLink5")->Selected(true);

    EXPECT_EQ(Open("optLink5"), OpenOutcome::SubAppPanel);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(Option("optLink5")->IsSelected());
    DuiLib::COptionUI* mask = Option("maskOption");
    EXPECT_EQ(mask->GetText(), "H5");
    EXPECT_EQ(mask->GetForeImage(), "file='h5.png' dest='16,0,84,70'");
    EXPECT_TRUE(mask->IsSelected());
    EXPECT_EQ(mask->GetPos(), (RECT{220, 32, 320, 132}));
    EXPECT_EQ(Find("maskFlag")->GetPos(), (RECT{262, 132, 320, 141}));
    EXPECT_TRUE(Visible("containerMask"));
    EXPECT_TRUE(controls.floatingPanels[0]->IsVisible());
    EXPECT_EQ(controls.floatingPanels[0]->GetPos(), (RECT{0, 141, 948, 557}));
    EXPECT_FALSE(controls.floatingPanels[1]->IsVisible());

    // The other holder swaps the panels.
    Open("optLink6");
    EXPECT_FALSE(controls.floatingPanels[0]->IsVisible());
    EXPECT_TRUE(controls.floatingPanels[1]->IsVisible());
    EXPECT_EQ(Find("maskFlag")->GetPos(), (RECT{407, 132, 465, 141}));
}

// A large catalogue's window is ready without an option per application: a
// group's options, and its holders' panel contents, are made when the group is
// first shown, once; the tables hold every application from the start.
TEST_F(CatalogueViewTest, AGroupsOptionsAreMadeWhenItIsFirstShown) {
    CatalogueDocument document;
    ASSERT_TRUE(ParseCatalogueDocument(
        "<apps>" + GroupXml("10", AppXml("1") + HolderXml("5", AppXml("51"))) +
            GroupXml("11", AppXml("2") + AppXml("3")) + "</apps>",
        document));
    controls = BuildCatalogueView(window->pm, db, document);
    EXPECT_EQ(Column("select AppID from apps order by ID"), "1|51|2|3");
    EXPECT_EQ(Find("optLink1"), nullptr);
    EXPECT_EQ(Find("optLink3"), nullptr);
    ASSERT_EQ(controls.floatingPanels.size(), 1u);
    EXPECT_EQ(controls.floatingPanels[0]->GetChildCount(), 0);

    ShowGroup(View(), *Find("optNavm11"), hooks);
    ASSERT_NE(Option("optLink3"), nullptr);
    EXPECT_EQ(Find("optLink3")->GetParent(), Find("Container11"));
    EXPECT_EQ(Find("optLink3")->GetPos(), (RECT{220, 32, 320, 132}));
    EXPECT_TRUE(Visible("optLink3"));
    EXPECT_EQ(Find("optLink1"), nullptr);  // its group was not shown

    GoHome(View());
    ShowGroup(View(), *Find("optNavm10"), hooks);
    ShowGroup(View(), *Find("optNavm10"), hooks);
    EXPECT_EQ(Find("Container10")->GetChildCount(), 2);
    EXPECT_EQ(Option("optLink5")->GetUserData(), "FloatContainer5");
    EXPECT_EQ(Open("optLink5"), OpenOutcome::SubAppPanel);
    ASSERT_NE(Find("optLink51"), nullptr);
    EXPECT_EQ(Find("optLink51")->GetParent()->GetParent(), controls.floatingPanels[0]);
    EXPECT_TRUE(Visible("optLink51"));
}

}  // namespace
}  // namespace quorvi
