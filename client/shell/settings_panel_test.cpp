#include "client/shell/settings_panel.h"

#include <gtest/gtest.h>

#include <memory>

#include "ui/core/UIlib.h"

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

}  // namespace
}  // namespace quorvi
