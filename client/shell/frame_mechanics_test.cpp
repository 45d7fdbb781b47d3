#include "client/shell/frame_mechanics.h"

#include <gtest/gtest.h>

#include "ui/core/UIlib.h"

namespace quorvi {
namespace {

// A control of a class the caption test does not know by this spelling.
class LowerCaseButton : public DuiLib::CButtonUI {
public:
    LPCTSTR GetClass() const override { return "buttonui"; }
};

TEST(CaptionHitTest, TheBandDragsExceptOverClickableControlsAndItsMargins) {
    const RECT client{0, 0, 950, 553};
    const RECT caption{0, 0, 372, 32};  // right: the last 372 pixels are client area
    DuiLib::CLabelUI label;
    DuiLib::CButtonUI button;
    DuiLib::COptionUI option;
    DuiLib::CTextUI text;
    DuiLib::CEditUI edit;
    LowerCaseButton oddlyNamed;

    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &label), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &edit), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &oddlyNamed), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, nullptr), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &button), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &option), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 10}, &text), HTCLIENT);

    // Band edges: top inclusive, bottom exclusive; right margin from 950 - 372.
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 0}, &label), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 31}, &label), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {10, 32}, &label), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, caption, {577, 5}, &label), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, caption, {578, 5}, &label), HTCLIENT);

    // A left margin and a band that does not start at the top.
    const RECT inset{20, 4, 0, 30};
    EXPECT_EQ(CaptionHitTest(client, inset, {19, 10}, &label), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, inset, {20, 10}, &label), HTCAPTION);
    EXPECT_EQ(CaptionHitTest(client, inset, {20, 3}, &label), HTCLIENT);
    EXPECT_EQ(CaptionHitTest(client, inset, {949, 29}, &label), HTCAPTION);
}

}  // namespace
}  // namespace quorvi
