// The main window's skin as the widget layer builds it: no complaint from the
// builder, the controls the client looks up, the positions the client computes
// with (placed here with the same calls the client makes), hit testing of the
// caption band, and a painted window (also saved as skin_main_window*.png in
// the test folder, to look at).
#include <gtest/gtest.h>

#include <cairo.h>

#include <memory>
#include <string>

#include "ui/render/skin_window_for_tests.h"
#include "ui/render/window_image.h"

namespace {

using namespace DuiLib;

constexpr int kWidth = 950, kHeight = 553;

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

struct Rgb {
    int r, g, b;
};

Rgb Pixel(cairo_surface_t* image, int x, int y) {
    cairo_surface_flush(image);
    const unsigned char* row =
        cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    const std::uint32_t argb = reinterpret_cast<const std::uint32_t*>(row)[x];
    return {int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF)};
}

bool IsAccent(Rgb c) {
    return c.b > 180 && c.b > c.r + 90;
}

class MainSkin : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        window_ = std::make_unique<ui::testing::SkinWindow>("skin.xml");
        ASSERT_NE(window_->Create(nullptr, "quorvi", WS_POPUP, 0, 0, 0, kWidth, kHeight), nullptr);
    }
    void TearDown() override {
        if (window_ && IsWindow(window_->GetHWND())) DestroyWindow(window_->GetHWND());
    }

    CControlUI* Find(const char* name) {
        CControlUI* control = window_->Manager().FindControl(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    CControlUI* At(POINT point) { return window_->Manager().FindControl(point); }
    RECT Abs(CControlUI* control) {
        window_->Manager().UpdateLayout();
        return control->GetAbsolutePos();
    }
    void Save(const char* file) { EXPECT_TRUE(ui::WriteWindowPng(window_->GetHWND(), file)); }

    // A catalogue option as the client creates it for a quick bar.
    static COptionUI* CatalogueOption(int left, int top) {
        auto* option = new COptionUI;
        option->SetFloat(true);
        option->SetAttribute("width", "100");
        option->SetAttribute("height", "100");
        option->SetAttribute("normalimage", "toolbar_normal.png");
        option->SetAttribute("hotimage", "toolbar_hover.png");
        option->SetAttribute("foreimage", "file='images/app.png' dest='16,0,84,70'");
        option->SetAttribute("textcolor", "#00FFFBF0");
        option->SetAttribute("textpadding", "0,0,0,2");
        option->SetAttribute("align", "centerbottom");
        option->SetText("\xd3\xa6\xd3\xc3");  // "应用" in GBK
        option->SetPos({left, top, left + 100, top + 100});
        return option;
    }

    std::unique_ptr<ui::testing::SkinWindow> window_;
};

TEST(MainSkinBuild, BuildsWithoutAnyDiagnostic) {
    CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
    CPaintManagerUI manager;
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create("skin.xml", nullptr, nullptr, &manager));
    ASSERT_NE(root, nullptr);
    std::string all;
    for (const auto& line : builder.GetDiagnostics()) all += line + "\n";
    EXPECT_TRUE(all.empty()) << all;
    EXPECT_EQ(manager.GetInitSize().cx, kWidth);
    EXPECT_EQ(manager.GetInitSize().cy, kHeight);
    EXPECT_EQ(manager.GetFontCount(), 5);
}

TEST_F(MainSkin, HoldsTheControlsTheClientLooksUpWithTheirKinds) {
    for (const char* name : {"closebtn",
                             "maxbtn",
                             "restorebtn",
                             "minbtn",
                             "btnGoHome",
                             "btnStartSearch",
                             "btnShowNewsPanel",
                             "btnCloseNewsPanel",
                             "btnShowHistoryPanel",
                             "btnCloseHistoryPanel",
                             "btnShowUpdateLog",
                             "btnCloseTipsPanel",
                             "btnHideSideBar",
                             "btnExpandSideBar",
                             "btnShowSettingPanel",
                             "btnCloseSettingDialog",
                             "btnOpenService",
                             "btnBrowserFolder",
                             "btnSettingDialogOk",
                             "btnSettingDialogApply",
                             "laySecondBg"})
        EXPECT_NE(dynamic_cast<CButtonUI*>(Find(name)), nullptr) << name;
    for (const char* name :
         {"optNavUser", "maskOption", "optNoLinkTB", "optSettingIsAutoStartWebPage",
          "optSettingSaveDefault", "optSettingSaveCustom"})
        EXPECT_NE(dynamic_cast<COptionUI*>(Find(name)), nullptr) << name;
    for (const char* name : {"Container1", "ieContainer", "containerMask", "containerHistoryPanel",
                             "listSearchResultContainer", "ExpandBarContainer", "FloatContainer",
                             "containerSettingDialog"})
        EXPECT_NE(dynamic_cast<CContainerUI*>(Find(name)), nullptr) << name;
    EXPECT_NE(dynamic_cast<CEditUI*>(Find("signature")), nullptr);
    EXPECT_NE(dynamic_cast<CEditUI*>(Find("txtSettingSavePath")), nullptr);
    EXPECT_NE(dynamic_cast<CListUI*>(Find("listSearchResult")), nullptr);
    EXPECT_NE(dynamic_cast<CLabelUI*>(Find("labelSearchResultCount")), nullptr);
    EXPECT_NE(Find("maskFlag"), nullptr);

    // What starts hidden and what shows.
    EXPECT_FALSE(Find("restorebtn")->IsVisible());
    EXPECT_TRUE(Find("maxbtn")->IsVisible());
    EXPECT_FALSE(Find("containerMask")->IsVisible());
    EXPECT_FALSE(Find("ieContainer")->GetParent()->GetParent()->IsVisible());
    EXPECT_FALSE(Find("containerSettingDialog")->IsVisible());
    EXPECT_TRUE(Find("Container1")->IsVisible());
    EXPECT_EQ(std::string(Find("listSearchResultContainer")->GetParent()->GetName()),
              "listSearchResult");
    EXPECT_EQ(std::string(Find("signature")->GetParent()->GetBkImage()), "search_bg_normal.png");
}

TEST_F(MainSkin, SettingsControlsHaveTheParentsTheClientWalks) {
    CControlUI* dialog = Find("containerSettingDialog");
    CControlUI* autoStart = Find("optSettingIsAutoStartWebPage");
    auto* parent = dynamic_cast<CContainerUI*>(autoStart->GetParent());
    ASSERT_NE(parent, nullptr);
    int channels = 0;
    for (int i = 0; i < parent->GetCount(); ++i) {
        CControlUI* child = parent->GetItemAt(i);
        if (std::string(child->GetName()).starts_with("optSettingChannel")) {
            ++channels;
            EXPECT_FALSE(std::string(child->GetUserData()).empty()) << child->GetName();
        }
    }
    EXPECT_GE(channels, 2);
    for (const char* name :
         {"btnSettingDialogOk", "btnSettingDialogApply", "btnSettingDialogCancel"})
        EXPECT_EQ(Find(name)->GetParent(), dialog) << name;
}

TEST_F(MainSkin, QuickBarOptionsTheMaskAndTheFloatingPanelShareOneOrigin) {
    CControlUI* home = Find("Container1");
    auto* homeParent = dynamic_cast<CContainerUI*>(home->GetParent());
    auto* panelParent = dynamic_cast<CContainerUI*>(homeParent->GetParent());
    ASSERT_NE(homeParent, nullptr);
    ASSERT_NE(panelParent, nullptr);

    // A group container holding a holder option in its first row, third column.
    auto* group = new CContainerUI;
    homeParent->Add(group);
    COptionUI* holder = CatalogueOption(75 + 145 * 2, 32);
    group->Add(holder);
    home->SetVisible(false);

    // The click on the holder: the mask option copies its place, the panel
    // opens under the mask flag.
    auto* maskOption = dynamic_cast<COptionUI*>(Find("maskOption"));
    CControlUI* maskFlag = Find("maskFlag");
    const RECT o = holder->GetPos();
    maskOption->SetPos({o.left, 32, o.right, 132});
    const RECT m = maskOption->GetPos();
    maskFlag->SetPos({m.left + 42, m.bottom, m.left + 42 + 58, m.bottom + 9});
    Find("containerMask")->SetVisible(true);
    auto* panel = new CListUI;
    panelParent->Add(panel);
    panel->SetFloat(true);
    panel->SetAttribute("bkimage", "bg3.png");
    panel->SetPos({0, 125, 948, 557});
    RECT p = panel->GetPos();
    p.top = m.bottom + 9;
    panel->SetPos(p);

    EXPECT_TRUE(SameRect(Abs(maskOption), Abs(holder)))
        << Text(Abs(maskOption)) << " vs " << Text(Abs(holder));
    EXPECT_EQ(Abs(maskFlag).top, Abs(holder).bottom);
    EXPECT_EQ(Abs(panel).top, Abs(maskFlag).bottom);
    EXPECT_EQ(Abs(panel).left, 0);
    // The option lies below the caption band with room for a download status
    // control 7 pixels above it.
    EXPECT_GE(Abs(holder).top - 7, window_->Manager().GetCaptionRect().bottom - 1);
    // The mask is what the pointer meets outside the panel, the panel inside it.
    EXPECT_EQ(At({900, 80}), Find("containerMask"));
    EXPECT_EQ(At({400, 300}), panel);
    Save("skin_main_window_mask.png");
}

TEST_F(MainSkin, ThreeQuickBarRowsAndSevenNavigationOptionsStayReachable) {
    auto* homeParent = dynamic_cast<CContainerUI*>(Find("Container1")->GetParent());
    auto* group = new CContainerUI;
    homeParent->Add(group);
    Find("Container1")->SetVisible(false);
    COptionUI* last = CatalogueOption(75 + 145 * 5, 32 + 130 * 2);
    group->Add(last);
    EXPECT_EQ(At(Centre(Abs(last))), last);

    auto* nav = dynamic_cast<CContainerUI*>(Find("optNavUser")->GetParent());
    COptionUI* seventh = CatalogueOption(140 + 115 * 6, 10);
    nav->Add(seventh);
    EXPECT_EQ(At(Centre(Abs(seventh))), seventh);
    EXPECT_LE(Abs(seventh).right, Abs(nav).right);
    EXPECT_LE(Abs(seventh).bottom, Abs(nav).bottom);
    EXPECT_LE(Abs(last).bottom, Abs(nav).top);  // the rows end above the navigation bar
}

TEST_F(MainSkin, CaptionBandDragsOnLabelsAndLeavesButtonsAndSearchBoxClickable) {
    const RECT caption = window_->Manager().GetCaptionRect();
    CControlUI* title = At({300, caption.bottom / 2});
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(std::string(title->GetClass()), "LabelUI");
    for (const char* name : {"closebtn", "maxbtn", "minbtn", "btnStartSearch"})
        EXPECT_EQ(At(Centre(Abs(Find(name)))), Find(name)) << name;
    CControlUI* search = Find("signature");
    EXPECT_EQ(At(Centre(Abs(search))), search);
    // The main window drags by anything in the band but buttons, options and
    // texts, so the search box must lie in the band's client-area margin.
    EXPECT_GE(Abs(search).left, kWidth - caption.right);
    EXPECT_LE(Abs(Find("closebtn")).right, kWidth);
}

TEST_F(MainSkin, MaximisedCaptionButtonsStayAtTheRightEdge) {
    MoveWindow(window_->GetHWND(), 0, 0, 1280, 800, TRUE);
    EXPECT_EQ(Abs(Find("closebtn")).right, 1280);
    // Swapping the maximise and restore buttons keeps the row's width.
    Find("maxbtn")->SetVisible(false);
    Find("restorebtn")->SetVisible(true);
    EXPECT_EQ(Abs(Find("restorebtn")).right, Abs(Find("closebtn")).left);
    EXPECT_EQ(Abs(Find("closebtn")).right, 1280);
}

TEST_F(MainSkin, PaintsItsImages) {
    cairo_surface_t* image = ui::RenderWindowImage(window_->GetHWND());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(image), kWidth);
    EXPECT_TRUE(IsAccent(Pixel(image, 400, 12)));   // caption band
    EXPECT_TRUE(IsAccent(Pixel(image, 70, 536)));   // name plate of the user option
    EXPECT_TRUE(IsAccent(Pixel(image, 180, 250)));  // first recommendation column
    const Rgb ground = Pixel(image, 70, 400);       // window background under the side bar
    EXPECT_GT(ground.r, 230);
    EXPECT_GT(ground.b, 240);
    cairo_surface_destroy(image);
    Save("skin_main_window.png");

    Find("containerSettingDialog")->SetVisible(true);
    Find("layHistoryPanel")->SetVisible(true);
    Save("skin_main_window_panels.png");
}

}  // namespace
