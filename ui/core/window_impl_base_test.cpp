#include "ui/core/window_impl_base.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ui/core/UIlib.h"
#include "ui/core/headless_backend.h"
#include "ui/core/input.h"
#include "ui/core/message_loop.h"

namespace {

using namespace DuiLib;

constexpr const char* kSkin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,30" sizebox="4,4,4,4" roundcorner="6,6">
  <VerticalLayout name="root">
    <HorizontalLayout height="30">
      <Label name="title" width="100" />
      <Button name="closebtn" width="50" />
      <Option name="pin" width="50" />
    </HorizontalLayout>
    <Label name="body" />
  </VerticalLayout>
</Window>)";

// A button whose class name differs from the usual spelling only in case.
class LowerCaseButton : public CButtonUI {
public:
    LPCTSTR GetClass() const override { return "buttonui"; }
};

// A window on the base that records what reaches it.
class ProbeWindow : public WindowImplBase {
public:
    explicit ProbeWindow(std::string folder, std::string file = "probe.xml")
        : folder_(std::move(folder)), file_(std::move(file)) {}

    HWND Open() { return Create(nullptr, "probe", WS_POPUP | WS_VISIBLE, 0, 100, 50, 400, 300); }

    void InitWindow() override {
        titleAtInit = m_PaintManager.FindControl("title");
        resourcePathAtInit = CPaintManagerUI::GetResourcePath();
    }
    void Notify(TNotifyUI& msg) override {
        if (msg.sType == "click") clicks.push_back(msg.pSender->GetName());
    }
    CControlUI* CreateControl(LPCTSTR pstrClass) override {
        if (std::string_view(pstrClass) == "LowerCaseButton") return new LowerCaseButton;
        return nullptr;
    }
    LRESULT OnClose(UINT, WPARAM wParam, LPARAM, bool& bHandled) override {
        closeResults.push_back(wParam);
        bHandled = false;
        return 0;
    }
    LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& bHandled) override {
        keys.push_back(wParam);
        bHandled = wParam == 'K';  // handles K only
        return bHandled ? 7 : 0;
    }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) override {
        custom.push_back(uMsg);
        bHandled = uMsg == WM_USER + 1 || (uMsg == WM_KEYDOWN && wParam == 'C');
        return bHandled ? 42 : 0;
    }
    void OnFinalMessage(HWND hwnd) override {
        WindowImplBase::OnFinalMessage(hwnd);
        finalMessageSeen = true;
    }

    CControlUI* titleAtInit = nullptr;
    CStdString resourcePathAtInit;
    std::vector<std::string> clicks;
    std::vector<WPARAM> closeResults;
    std::vector<WPARAM> keys;
    std::vector<UINT> custom;
    bool finalMessageSeen = false;

protected:
    LPCTSTR GetWindowClassName() const override { return "ProbeWindow"; }
    CStdString GetSkinFolder() override { return folder_; }
    CStdString GetSkinFile() override { return file_; }

private:
    std::string folder_;
    std::string file_;
};

class WindowImplBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        folder_ = std::filesystem::temp_directory_path() /
                  ("window_impl_base_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        WriteSkin("probe.xml", kSkin);
        CPaintManagerUI::SetResourcePath("/elsewhere/skins/");
    }
    void TearDown() override {
        ui::RunUntilIdle();
        ui::TakeQuit();
        std::filesystem::remove_all(folder_);
    }
    void WriteSkin(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name) << text;
    }
    std::string Folder() const { return folder_.string() + "/"; }
    // The screen point of a point in the window's client coordinates.
    static LPARAM At(HWND hwnd, int x, int y) {
        POINT point{x, y};
        ClientToScreen(hwnd, &point);
        return MAKELPARAM(point.x, point.y);
    }

    std::filesystem::path folder_;
};

TEST_F(WindowImplBaseTest, BuildsItsSkinFileAndPutsTheResourcePathBack) {
    ProbeWindow window(Folder());
    HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_NE(window.titleAtInit, nullptr);  // the skin is attached before InitWindow
    EXPECT_EQ(window.resourcePathAtInit, "/elsewhere/skins/");
    EXPECT_EQ(CPaintManagerUI::GetResourcePath(), "/elsewhere/skins/");
    EXPECT_EQ(GetWindowLong(hwnd, GWL_STYLE) & static_cast<LONG>(WS_CAPTION), 0);
    EXPECT_NE(GetWindowLong(hwnd, GWL_STYLE) & static_cast<LONG>(WS_CLIPCHILDREN), 0);
    HRGN__ shape{};
    ASSERT_TRUE(GetWindowShape(hwnd, &shape));  // the skin's round corners
    EXPECT_EQ(shape.ellipseWidth, 6);

    DestroyWindow(hwnd);
    EXPECT_TRUE(window.finalMessageSeen);
    // The manager let go of the tree, and the object was not deleted (it lives on the stack).
    EXPECT_EQ(window.PaintManager().FindControl("title"), nullptr);
}

TEST_F(WindowImplBaseTest, ASkinThatDoesNotBuildFailsTheCreation) {
    ProbeWindow window(Folder(), "missing.xml");
    EXPECT_EQ(window.Open(), nullptr);
    EXPECT_TRUE(window.finalMessageSeen);
    EXPECT_EQ(CPaintManagerUI::GetResourcePath(), "/elsewhere/skins/");
}

TEST_F(WindowImplBaseTest, DispatchTriesTheHandlerThenCustomThenManagerThenDefault) {
    ProbeWindow window(Folder());
    HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);

    window.custom.clear();
    // A handler that handles its message ends the dispatch.
    EXPECT_EQ(SendMessage(hwnd, WM_KEYDOWN, 'K'), 7);
    EXPECT_TRUE(window.custom.empty());
    // A handler that does not: the custom handler is tried next.
    EXPECT_EQ(SendMessage(hwnd, WM_KEYDOWN, 'C'), 42);
    EXPECT_EQ(window.custom, std::vector<UINT>{WM_KEYDOWN});
    // Messages without a handler of their own go to the custom handler.
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 1), 42);
    // Then the paint manager: a click reaches the notifier.
    window.custom.clear();
    ui::DeliverInputMessage(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(120, 10));
    ui::DeliverInputMessage(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(120, 10));
    ui::RunUntilIdle();
    EXPECT_EQ(window.clicks, std::vector<std::string>{"closebtn"});
    EXPECT_EQ(window.custom, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    // Last the default processing: WM_CLOSE is not handled, so the window goes.
    SendMessage(hwnd, WM_CLOSE, 5);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.closeResults, std::vector<WPARAM>{5});
}

TEST_F(WindowImplBaseTest, TheSystemCloseIsSwallowedAndOtherCommandsWork) {
    ProbeWindow window(Folder());
    HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);
    ui::CloseRequested(hwnd);  // Alt+F4
    SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE);
    ui::RunUntilIdle();
    EXPECT_TRUE(IsWindow(hwnd));

    SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(hwnd));
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 1920);  // the work area of the headless screen
    EXPECT_EQ(rect.bottom - rect.top, 1040);
    SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE);
    EXPECT_FALSE(IsZoomed(hwnd));
    DestroyWindow(hwnd);
}

TEST_F(WindowImplBaseTest, EscapeClosesWithOkAndReturnDoesNothing) {
    ProbeWindow window(Folder());
    HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);
    ui::KeyPressed(hwnd, VK_RETURN);
    ui::RunUntilIdle();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(window.keys, std::vector<WPARAM>{VK_RETURN});  // Return went on to the window

    ui::KeyPressed(hwnd, VK_ESCAPE);
    ui::RunUntilIdle();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.closeResults, std::vector<WPARAM>{IDOK});
    EXPECT_EQ(window.keys.size(), 1u);  // the filter took Escape
}

TEST_F(WindowImplBaseTest, CaptionBandDragsExceptOverButtonsAndOptions) {
    WriteSkin("caption.xml", R"(<Window size="400,300" caption="0,0,0,30" sizebox="4,4,4,4">
  <VerticalLayout><HorizontalLayout height="30">
    <Label name="title" width="100" /><Button name="closebtn" width="50" />
    <Option name="pin" width="50" /><LowerCaseButton name="odd" width="50" />
    <Text name="caption" width="50" />
  </HorizontalLayout><Label name="body" /></VerticalLayout></Window>)");
    ProbeWindow window(Folder(), "caption.xml");
    HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);
    auto hit = [&](int x, int y) { return SendMessage(hwnd, WM_NCHITTEST, 0, At(hwnd, x, y)); };
    EXPECT_EQ(hit(50, 10), HTCAPTION);   // label
    EXPECT_EQ(hit(120, 10), HTCLIENT);   // button
    EXPECT_EQ(hit(170, 10), HTCLIENT);   // option
    EXPECT_EQ(hit(220, 10), HTCLIENT);   // class name compared without case
    EXPECT_EQ(hit(270, 10), HTCAPTION);  // a text drags this window
    EXPECT_EQ(hit(50, 40), HTCLIENT);    // below the band
    EXPECT_EQ(hit(1, 1), HTTOPLEFT);
    EXPECT_EQ(hit(399, 150), HTRIGHT);
    EXPECT_EQ(hit(200, 298), HTBOTTOM);

    SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE);  // maximised: no sizing edges
    EXPECT_EQ(hit(1, 1), HTCAPTION);
    DestroyWindow(hwnd);
}

TEST_F(WindowImplBaseTest, NonClientMessagesAnswerWithoutAFrame) {
    ProbeWindow window(Folder());
    HWND hwnd = window.Open();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(SendMessage(hwnd, WM_NCACTIVATE, FALSE), 1);
    EXPECT_EQ(SendMessage(hwnd, WM_NCACTIVATE, TRUE), 0);
    EXPECT_EQ(SendMessage(hwnd, WM_NCCALCSIZE, TRUE), 0);
    MINMAXINFO info{};
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxSize.x, 1920);
    EXPECT_EQ(info.ptMaxSize.y, 1040);
    DestroyWindow(hwnd);
}

}  // namespace
