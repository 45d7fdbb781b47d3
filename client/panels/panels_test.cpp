// The settings panel (shown from and saved to the settings record and the
// database) and the side panels of the main window's skin, through the click
// rules their components register.
#include "client/panels/settings_panel.h"

#include <gtest/gtest.h>

#include <memory>

#include "client/common/database_test_support.h"
#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "client/panels/side_panels.h"
#include "ui/core/UIlib.h"
#include "ui/core/headless_backend.h"
#include "ui/core/test_support.h"

namespace quorvi {
namespace {

constexpr char kPanel[] = R"(<Window><Container name="containerSettingDialog">
  <Option name="optSettingIsAutoStartWebPage" selected="true" />
  <Option name="optSettingChannel1" userdata="1" group="c" selected="true" />
  <Option name="optSettingChannelB" userdata="b" group="c" />
  <Option name="otherChannel" userdata="B" group="c" />
  <Option name="optSettingSaveDefault" group="s" selected="true" />
  <Option name="optSettingSaveCustom" group="s" />
  <Edit name="txtSettingSavePath" text="/old/" />
</Container></Window>)";

class SettingsPanelTest : public ::testing::Test {
protected:
    void Build(const std::string& skin) {
        DuiLib::CDialogBuilder builder;
        ASSERT_TRUE(pm.AttachDialog(builder.Create(skin, nullptr, nullptr, &pm)));
    }
    bool Selected(std::string_view name) {
        auto* option = static_cast<DuiLib::COptionUI*>(pm.FindControl(name));
        return option && option->IsSelected();
    }
    std::string Text(std::string_view name) { return pm.FindControl(name)->GetText(); }

    DuiLib::CPaintManagerUI pm;
    ClientConfig config = DefaultClientConfig("/opt/quorvi/");
};

TEST_F(SettingsPanelTest, OnlyAnExactChannelOfTheRightNameIsSelected) {
    Build(kPanel);
    config.WebPageChannel = "B";  // held only by a control that is no channel option
    ShowSettings(pm, config);
    EXPECT_TRUE(Selected("optSettingChannel1"));  // left as the skin made it
    EXPECT_FALSE(Selected("optSettingChannelB"));
    EXPECT_FALSE(Selected("otherChannel"));
    EXPECT_TRUE(Selected("optSettingSaveDefault"));
    EXPECT_EQ(Text("txtSettingSavePath"), "/opt/quorvi/");
}

TEST_F(SettingsPanelTest, AMissingControlEndsTheSteps) {
    Build(R"(<Window><Container>
      <Option name="optSettingIsAutoStartWebPage" selected="true" />
      <Option name="optSettingSaveDefault" group="s" selected="true" />
      <Edit name="txtSettingSavePath" text="/old/" />
    </Container></Window>)");
    config.AutoStartWebPage = false;
    config.IsDefaultSavePath = false;  // its option is missing: the folder stays too
    ShowSettings(pm, config);
    EXPECT_FALSE(Selected("optSettingIsAutoStartWebPage"));
    EXPECT_TRUE(Selected("optSettingSaveDefault"));
    EXPECT_EQ(Text("txtSettingSavePath"), "/old/");

    DuiLib::CPaintManagerUI other;
    DuiLib::CDialogBuilder builder;
    ASSERT_TRUE(other.AttachDialog(builder.Create(
        R"(<Window><Container><Edit name="txtSettingSavePath" text="/old/" /></Container></Window>)",
        nullptr, nullptr, &other)));
    ShowSettings(other, config);
    EXPECT_EQ(other.FindControl("txtSettingSavePath")->GetText(), "/old/");
}

// ---- the main window's panels, clicked through their routes ----------------------------------
class MainPanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ui::TakeQuit();
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        events.On<OpenApplication>([this](const OpenApplication& open) {
            opened.push_back((open.appId ? "id " : "") + open.address);
        });
        window.onMessage = [this](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
            return events.Handle(msg, lParam, handled);
        };
        ASSERT_NE(window.Open(0, 0, 950, 553), nullptr);
        ui::RunUntilIdle();
        StartDatabase(db, folder);
        config = LoadClientConfig(db, folder.Path());
        settingPanel = window.pm.FindControl("containerSettingDialog");
        sidePanels.Register(routes);
        settings.Register(routes);
    }
    void TearDown() override {
        window.Close();
        ui::RunUntilIdle();
    }
    DuiLib::CControlUI* Find(std::string_view name) { return window.pm.FindControl(name); }
    bool Visible(std::string_view name) { return Find(name) && Find(name)->IsVisible(); }
    bool Selected(std::string_view name) {
        auto* option = static_cast<DuiLib::COptionUI*>(Find(name));
        return option && option->IsSelected();
    }
    void Select(std::string_view name) {
        static_cast<DuiLib::COptionUI*>(Find(name))->Selected(true);
    }
    // A click as the main window's dispatch routes it: every matching rule runs.
    void Click(std::string_view name) {
        DuiLib::CControlUI& control = *Find(name);
        for (std::size_t i = 0; i < kClickRuleCount; ++i) {
            const auto rule = static_cast<ClickRule>(i);
            if (!ClickRuleMatches(rule, name)) continue;
            if (const auto* handler = routes.Click(rule)) (*handler)(control);
        }
    }
    std::string Stored(const std::string& column) {
        return Column(db, "select " + column + " from config");
    }

    TempFolder folder;
    LocalDatabase db;
    ClientConfig config;
    ui_test::TestWindow window{"skin.xml"};
    DuiLib::CControlUI* settingPanel = nullptr;
    std::optional<std::string> pickedFolder;
    int pickerShown = 0;
    MainWindowRoutes routes;
    EventRoutes events;
    std::vector<std::string> opened;
    SidePanelsComponent sidePanels{window.pm, settingPanel};
    SettingsPanelComponent settings{
        window.pm, db, config, "/opt/quorvi", settingPanel, [this](HWND) {
            ++pickerShown;
            return pickedFolder;
        }};
};

TEST_F(MainPanelsTest, NewsAndHistoryPanelsToggleAndCloseEachOther) {
    Click("btnShowNewsPanel");
    EXPECT_TRUE(Visible("containerNewsPanel"));
    Click("btnShowHistoryPanel");
    EXPECT_TRUE(Visible("layHistoryPanel"));
    EXPECT_FALSE(Visible("containerNewsPanel"));
    // The close button of a hidden panel opens it.
    Click("btnCloseNewsPanel");
    EXPECT_TRUE(Visible("containerNewsPanel"));
    EXPECT_FALSE(Visible("layHistoryPanel"));
    Click("btnShowNewsPanel");
    EXPECT_FALSE(Visible("containerNewsPanel"));

    // The home view taking the focus hides the news panel.
    Click("btnShowNewsPanel");
    (*routes.HomeViewFocus())();
    EXPECT_FALSE(Visible("containerNewsPanel"));

    // Close side panels: news, settings and history.
    Click("btnShowNewsPanel");
    settingPanel->SetVisible(true);
    sidePanels.CloseSidePanels();
    EXPECT_FALSE(Visible("containerNewsPanel"));
    EXPECT_FALSE(Visible("containerSettingDialog"));
    Click("btnShowHistoryPanel");
    sidePanels.CloseSidePanels();
    EXPECT_FALSE(Visible("layHistoryPanel"));
}

TEST_F(MainPanelsTest, TheSideBarCollapsesToItsHandleInTheSamePlaceEachTime) {
    for (int round = 0; round < 3; ++round) {
        Click("btnHideSideBar");
        EXPECT_TRUE(Visible("ExpandBarContainer"));
        EXPECT_FALSE(Visible("FloatContainer"));
        const RECT at = Find("ExpandBarContainer")->GetPos();
        EXPECT_EQ(at.left, 0);
        EXPECT_EQ(at.top, 24);
        EXPECT_EQ(at.right, 25);
        EXPECT_EQ(at.bottom, 52);
        Click("btnExpandSideBar");
        EXPECT_FALSE(Visible("ExpandBarContainer"));
        EXPECT_TRUE(Visible("FloatContainer"));
    }
    Click("optNoLinkTB");
    EXPECT_TRUE(Visible("laySecondBg"));
    Click("laySecondBg");
    EXPECT_FALSE(Visible("laySecondBg"));
}

TEST_F(MainPanelsTest, TheUpdateLogButtonClosesTheTipsAndOpensOneDialogPerClick) {
    Click("btnCloseTipsPanel");
    EXPECT_FALSE(Visible("containerTipsPanel"));
    EXPECT_TRUE(opened.empty());
    Find("containerTipsPanel")->SetVisible(true);
    Click("btnShowUpdateLog");
    EXPECT_FALSE(Visible("containerTipsPanel"));
    EXPECT_EQ(opened, std::vector<std::string>{urls::kUpdateLogUrl.str()});  // no id
    Click("btnShowUpdateLog");
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(MainPanelsTest, TheSettingsButtonsToggleTheSaveAndCancel) {
    Click("btnShowNewsPanel");
    Click("btnShowSettingPanel");
    EXPECT_TRUE(Visible("containerSettingDialog"));
    EXPECT_FALSE(Visible("containerNewsPanel"));
    Click("btnCloseSettingDialog");
    EXPECT_FALSE(Visible("containerSettingDialog"));

    // Apply saves and leaves the panel open; cancel then closes it, the values saved.
    Click("btnShowSettingPanel");
    Select("optSettingChannel3");
    static_cast<DuiLib::COptionUI*>(Find("optSettingIsAutoStartWebPage"))->Selected(false);
    Click("btnSettingDialogApply");
    EXPECT_TRUE(Visible("containerSettingDialog"));
    Click("btnSettingDialogCancel");
    EXPECT_FALSE(Visible("containerSettingDialog"));
    EXPECT_EQ(Stored("WebPageChannel"), "3");
    EXPECT_EQ(Stored("AutoStartWebPage"), "0");
    EXPECT_EQ(config.WebPageChannel, "3");

    // A custom folder holding an apostrophe is stored as it stands.
    Click("btnShowSettingPanel");
    Select("optSettingSaveCustom");
    Find("txtSettingSavePath")->SetText("/home/o'brien/apps");
    Click("btnSettingDialogOk");
    EXPECT_FALSE(Visible("containerSettingDialog"));
    EXPECT_EQ(Stored("SavePath"), "/home/o'brien/apps");
    EXPECT_EQ(Stored("IsDefaultSavePath"), "0");
    EXPECT_EQ(Column(db, "select count(*) from config"), "1");
}

TEST_F(MainPanelsTest, TheDefaultFolderIsTheProgramFolderWithItsSeparator) {
    // The custom option with an empty box stores the program folder as the default.
    Select("optSettingSaveCustom");
    Find("txtSettingSavePath")->SetText("");
    Click("btnSettingDialogOk");
    EXPECT_EQ(Stored("SavePath"), "/opt/quorvi/");
    EXPECT_EQ(Stored("IsDefaultSavePath"), "1");
    // ... so the next start shows the default option selected.
    ShowSettings(window.pm, LoadClientConfig(db, folder.Path()));
    EXPECT_TRUE(Selected("optSettingSaveDefault"));

    // The default option stores the program folder, whatever the box holds.
    Find("txtSettingSavePath")->SetText("/tmp/elsewhere");
    Click("btnSettingDialogApply");
    EXPECT_EQ(Stored("SavePath"), "/opt/quorvi/");
}

TEST_F(MainPanelsTest, NoChannelSelectedKeepsTheStoredChannel) {
    config.WebPageChannel = "2";
    for (const char* name :
         {"optSettingChannel1", "optSettingChannel2", "optSettingChannel3", "optSettingChannel4"})
        static_cast<DuiLib::COptionUI*>(Find(name))->Selected(false);
    Click("btnSettingDialogApply");
    EXPECT_EQ(Stored("WebPageChannel"), "2");
}

TEST_F(MainPanelsTest, ThePickedFolderOnlyFillsTheBox) {
    Select("optSettingSaveDefault");
    pickedFolder = "/media/usb/downloads";
    Click("btnBrowserFolder");
    EXPECT_EQ(pickerShown, 1);
    EXPECT_EQ(Find("txtSettingSavePath")->GetText(), "/media/usb/downloads");
    EXPECT_TRUE(Selected("optSettingSaveDefault"));  // not chosen before OK or Apply
    EXPECT_EQ(Stored("SavePath"), "");

    pickedFolder.reset();  // cancelled
    Click("btnBrowserFolder");
    EXPECT_EQ(Find("txtSettingSavePath")->GetText(), "/media/usb/downloads");
}

TEST_F(MainPanelsTest, WithoutThePanelReferenceOnlyTheNewsPanelCloses) {
    settingPanel = nullptr;
    Click("btnShowNewsPanel");
    Click("btnShowSettingPanel");
    EXPECT_FALSE(Visible("containerNewsPanel"));
    EXPECT_FALSE(Visible("containerSettingDialog"));
}

}  // namespace
}  // namespace quorvi
