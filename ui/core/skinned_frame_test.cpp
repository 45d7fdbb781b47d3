#include "ui/core/skinned_frame.h"

#include <gtest/gtest.h>

#include <string_view>

#include "ui/core/UIlib.h"
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

TEST(SkinnedHitTest, SizeBoxBordersThenCaptionBandThenClientArea) {
    ui::InstallHeadlessBackend();
    TestWindow window(kSkin);
    HWND hwnd = window.Open(100, 50, 400, 300);
    ASSERT_NE(hwnd, nullptr);
    auto at = [&](int x, int y) {  // client coordinates
        return SkinnedHitTest(hwnd, window.pm, MAKELPARAM(100 + x, 50 + y), IsButton);
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
    EXPECT_EQ(SkinnedHitTest(hwnd, window.pm, MAKELPARAM(rect.left + 1, rect.top + 1), IsButton),
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

// A control of a class the caption test does not know by this spelling.
class LowerCaseButton : public CButtonUI {
public:
    LPCTSTR GetClass() const override { return "buttonui"; }
};

TEST(CaptionHitTest, TheBandDragsExceptOverClickableControlsAndItsMargins) {
    const RECT client{0, 0, 950, 553};
    const RECT caption{0, 0, 372, 32};  // right: the last 372 pixels are client area
    CLabelUI label;
    CButtonUI button;
    COptionUI option;
    CTextUI text;
    CEditUI edit;
    LowerCaseButton oddlyNamed;

    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &label, IsButtonOptionOrText), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &edit, IsButtonOptionOrText), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &oddlyNamed, IsButtonOptionOrText),
              HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, nullptr, IsButtonOptionOrText), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &button, IsButtonOptionOrText), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &option, IsButtonOptionOrText), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &text, IsButtonOptionOrText), HTCLIENT);

    // Band edges: top inclusive, bottom exclusive; right margin from 950 - 372.
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 0}, &label, IsButtonOptionOrText), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 31}, &label, IsButtonOptionOrText), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 32}, &label, IsButtonOptionOrText), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {577, 5}, &label, IsButtonOptionOrText), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {578, 5}, &label, IsButtonOptionOrText), HTCLIENT);

    // A left margin and a band that does not start at the top.
    const RECT inset{20, 4, 0, 30};
    EXPECT_EQ(CaptionHitTest(client, inset, {19, 10}, &label, IsButtonOptionOrText), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, inset, {20, 10}, &label, IsButtonOptionOrText), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, inset, {20, 3}, &label, IsButtonOptionOrText), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, inset, {949, 29}, &label, IsButtonOptionOrText), HTCAPTION);
}

TEST(CaptionHitTest, OnlyButtonsMayBeTheExemptClass) {
    const RECT client{0, 0, 400, 300};
    const RECT caption{0, 0, 0, 30};
    CButtonUI button;
    COptionUI option;
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &button, IsButton), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &option, IsButton), HTCAPTION);
}

}  // namespace
