#include "ui/core/skinned_frame.h"

#include <gtest/gtest.h>

#include <string_view>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using ui_test::TestWindow;

constexpr const char* kSkin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,30" sizebox="4,4,4,4">
  <VerticalLayout>
    <HorizontalLayout height="30">
      <Label name="title" width="100" />
      <Button name="closebtn" width="50" />
    </HorizontalLayout>
    <Label name="body" />
  </VerticalLayout>
</Window>)";

bool ButtonsStayClickable(const CControlUI& control) {
    return std::string_view(control.GetClass()) == "ButtonUI";
}

TEST(SkinnedHitTest, SizeBoxBordersThenCaptionBandThenClientArea) {
    ui::InstallHeadlessBackend();
    TestWindow window(kSkin);
    HWND hwnd = window.Open(100, 50, 400, 300);
    ASSERT_NE(hwnd, nullptr);
    auto at = [&](int x, int y) {  // client coordinates
        return SkinnedHitTest(hwnd, window.pm, MAKELPARAM(100 + x, 50 + y), ButtonsStayClickable);
    };
    EXPECT_EQ(at(1, 1), HTTOPLEFT);
    EXPECT_EQ(at(398, 2), HTTOPRIGHT);
    EXPECT_EQ(at(200, 2), HTTOP);
    EXPECT_EQ(at(0, 298), HTBOTTOMLEFT);
    EXPECT_EQ(at(399, 150), HTRIGHT);
    EXPECT_EQ(at(4, 150), HTCLIENT);   // just inside the size box
    EXPECT_EQ(at(10, 10), HTCAPTION);  // the title label drags the window
    EXPECT_EQ(at(120, 10), HTCLIENT);  // the button takes its own clicks
    EXPECT_EQ(at(10, 30), HTCLIENT);   // below the caption band

    ShowWindow(hwnd, SW_MAXIMIZE);  // no sizing borders when maximised
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(SkinnedHitTest(hwnd, window.pm, MAKELPARAM(rect.left + 1, rect.top + 1),
                             ButtonsStayClickable),
              HTCAPTION);
    window.Close();
    ui::RunUntilIdle();
    ui::TakeQuit();
}

TEST(SkinnedFrame, MaximisedTheWindowCoversTheWorkArea) {
    ui::InstallHeadlessBackend();
    TestWindow window(kSkin);
    HWND hwnd = window.Open(100, 50, 400, 300);
    ASSERT_NE(hwnd, nullptr);
    MINMAXINFO info{};
    FillMaximisedSize(hwnd, info);
    EXPECT_EQ(info.ptMaxPosition.x, 0);
    EXPECT_EQ(info.ptMaxPosition.y, 0);
    EXPECT_EQ(info.ptMaxSize.x, 1920);
    EXPECT_EQ(info.ptMaxSize.y, 1040);  // the screen less its panel
    window.Close();
    ui::RunUntilIdle();
    ui::TakeQuit();
}

}  // namespace
