// The check-up panel built from its own skin file, and the builder hook.
#include "ui/custom/computer_examine.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "ui/core/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace DuiLib;

// A resource folder of its own, restored afterwards.
class ExamineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "examineXXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder_ = pattern;
        previous_ = CPaintManagerUI::GetResourcePath();
        CPaintManagerUI::SetResourcePath(folder_ + "/");
        ui::InstallHeadlessBackend();
    }
    void TearDown() override {
        CPaintManagerUI::SetResourcePath(previous_);
        fs::remove_all(folder_);
    }
    void WritePanel(const std::string& xml) {
        std::ofstream(folder_ + "/" + kComputerExamineSkin) << xml;
    }

    std::string folder_;
    std::string previous_;
};

constexpr char kPanel[] = R"(<?xml version="1.0" encoding="utf-8"?>
<VerticalLayout name="layExamine">
  <Label name="lbExamineTitle" text="本机概况" height="30" />
  <Label name="lbExamineHost" height="24" />
</VerticalLayout>)";

TEST_F(ExamineTest, TheHookCreatesThePanelForItsExactClassNameOnly) {
    WritePanel(kPanel);
    CDialogBuilderCallbackEx callback;
    std::unique_ptr<CControlUI> panel(callback.CreateControl("ComputerExamine"));
    ASSERT_TRUE(panel);
    EXPECT_STREQ(panel->GetClass(), "ComputerExamineUI");
    EXPECT_EQ(panel->GetInterface("ComputerExamine"), panel.get());
    EXPECT_TRUE(panel->GetInterface("IContainer"));

    EXPECT_EQ(callback.CreateControl("computerexamine"), nullptr);
    EXPECT_EQ(callback.CreateControl("ComputerExamineUI"), nullptr);
    EXPECT_EQ(callback.CreateControl("Button"), nullptr);
    EXPECT_EQ(callback.CreateControl(""), nullptr);
    EXPECT_EQ(callback.CreateControl(nullptr), nullptr);
}

TEST_F(ExamineTest, ThePanelHoldsWhatItsSkinFileBuilds) {
    WritePanel(kPanel);
    ComputerExamineUI panel;
    ASSERT_EQ(panel.GetCount(), 1);
    CControlUI* root = panel.GetItemAt(0);
    EXPECT_EQ(root->GetName(), "layExamine");
    auto* content = static_cast<IContainerUI*>(root->GetInterface("IContainer"));
    ASSERT_TRUE(content);
    ASSERT_EQ(content->GetCount(), 2);
    // The skin's UTF-8 text arrives as the system's GBK text ("本机概况").
    EXPECT_EQ(content->GetItemAt(0)->GetText(), "\xB1\xBE\xBB\xFA\xB8\xC5\xBF\xF6");
}

TEST_F(ExamineTest, ThePanelStaysEmptyWhenItsSkinFileIsMissingOrBroken) {
    EXPECT_EQ(ComputerExamineUI().GetCount(), 0);
    WritePanel("<VerticalLayout><Label name=\"lbBroken\"");
    EXPECT_EQ(ComputerExamineUI().GetCount(), 0);
    WritePanel("<NoSuchClass name=\"x\" />");
    EXPECT_EQ(ComputerExamineUI().GetCount(), 0);
}

// In a window's skin the panel's controls join the window: found by name,
// laid out inside the panel.
TEST_F(ExamineTest, APanelInAWindowSkinJoinsThatWindow) {
    WritePanel(kPanel);
    class Window : public ui_test::TestWindow {
    public:
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_CREATE) {
                pm.Init(m_hWnd);
                CDialogBuilder builder;
                CDialogBuilderCallbackEx callback;
                pm.AttachDialog(builder.Create(
                    R"(<Window size="300,200"><VerticalLayout name="root">)"
                    R"(<Label name="lbAbove" height="40" />)"
                    R"(<ComputerExamine name="examine" /></VerticalLayout></Window>)",
                    nullptr, &callback, &pm));
                return 0;
            }
            return TestWindow::HandleMessage(message, wParam, lParam);
        }
    };
    auto window = std::make_unique<Window>();
    ASSERT_TRUE(window->Open(0, 0, 300, 200));
    window->pm.UpdateLayout();
    CControlUI* panel = window->pm.FindControl("examine");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->GetInterface("ComputerExamine"));
    CControlUI* host = window->pm.FindControl("lbExamineHost");
    ASSERT_TRUE(host);
    const RECT panelRect = panel->GetPos();
    const RECT hostRect = host->GetPos();
    EXPECT_EQ(panelRect.top, 40);
    EXPECT_GE(hostRect.top, panelRect.top);
    EXPECT_LE(hostRect.bottom, panelRect.bottom);
    DestroyWindow(window->GetHWND());
}

}  // namespace
