// The catalogue inside the real main window: built at creation from "apps.xml",
// and reached through the window's own routing of clicks, timers and messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "client/catalogue/search.h"
#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "client/shell/main_window_test_support.h"
#include "platform/chinese_texts.h"
#include "ui/core/headless_backend.h"
#include "ui/core/input.h"
#include "ui/core/test_support.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

constexpr char kCatalogue[] = R"(<?xml version="1.0" encoding="utf-8"?>
<apps>
  <group caption="Study" icon="g.png" iconMd5="x" mark="Study" id="5">
    <app caption="Mail" icon="m.png" iconMd5="x" id="7" action="web" appRecommend="1">http://mail.example/</app>
    <holder caption="Tools" icon="t.png" iconMd5="x" id="8" showSubApps="true">
      <app caption="Calc" icon="c.png" iconMd5="x" id="81" action="plugin">tools/calc</app>
    </holder>
  </group>
</apps>)";

class MainWindowCatalogueTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Open(kCatalogue);
    }
};

// The option named `name` among the children of `parent`.
CControlUI* ChildNamed(CControlUI* parent, std::string_view name) {
    for (int i = 0; parent && i < parent->GetChildCount(); ++i)
        if (parent->GetChildAt(i)->GetName() == name) return parent->GetChildAt(i);
    return nullptr;
}

TEST_F(MainWindowCatalogueTest, CreationBuildsTheCatalogueAndClicksReachIt) {
    // Built at creation: navigation, quick bar, the recommendation column, the history.
    ASSERT_NE(Find("optNavStudy"), nullptr);
    EXPECT_NE(ChildNamed(Find("Container1"), "optLink7"), nullptr);
    EXPECT_EQ(Find("containerHistoryPanel")->GetChildCount(), 2);
    EXPECT_EQ(Column(frame->Database(), "select AppID from apps order by AppID"), "7|81");

    Notify("click", Find("optNavStudy"));
    EXPECT_FALSE(Visible("Container1"));
    EXPECT_TRUE(Visible("Container5"));

    // The holder's panel, and focus on it closes it again.
    Notify("click", Find("optLink8"));
    EXPECT_TRUE(Visible("containerMask"));
    ASSERT_TRUE(Visible("FloatContainer8"));
    Notify("setfocus", Find("FloatContainer8"));
    EXPECT_FALSE(Visible("FloatContainer8"));
    EXPECT_FALSE(Visible("containerMask"));

    // A web application is recorded as used and leads the history.
    Notify("click", Find("optLink7"));
    EXPECT_NE(Column(frame->Database(), "select ifnull(Dateline,'') from apps where AppID=7"), "");
    EXPECT_EQ(Find("containerHistoryPanel")->GetChildAt(0)->GetName(), "optLink7");

    Notify("click", Find("btnGoHome"));
    EXPECT_TRUE(Visible("Container1"));
    EXPECT_FALSE(Visible("Container5"));
}

// The program shows its window before it stores the catalogue: the first frame
// has the catalogue's recommendations, and the tables are written on the turn
// after a paint, or first when a click needs them, or when the window closes
// before it was ever painted.
TEST_F(MainWindowTest, ACatalogueLeftForAfterTheFirstFrameIsStoredBeforeAnythingReadsIt) {
    std::ofstream(folder.Path() + "apps.xml", std::ios::binary) << kCatalogue;
    const std::string path = LocalDatabase::PathIn(folder.Path());
    auto openAnew = [&] {
        std::filesystem::remove(path);
        frame = new CQuorviFrameWnd(folder.Path(), services);
        frame->StoreCatalogueAfterFirstFrame();
        hwnd =
            frame->Create(nullptr, "Quorvi", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 950, 553);
        ui::RunUntilIdle();
        return hwnd != nullptr;
    };
    auto stored = [&] { return Column(frame->Database(), "select count(*) from apps"); };

    ASSERT_TRUE(openAnew());
    EXPECT_NE(ChildNamed(Find("Container1"), "optLink7"), nullptr);
    EXPECT_EQ(stored(), "0");
    EXPECT_EQ(Find("containerHistoryPanel")->GetChildCount(), 0);
    ui_test::RecordingTarget target;
    frame->PaintManager().Paint(target, {0, 0, 950, 553});
    ui::RunUntilIdle();
    EXPECT_EQ(Column(frame->Database(), "select AppID from apps order by AppID"), "7|81");
    EXPECT_EQ(Column(frame->Database(), "select AppName from apps_recommend"), "Mail");
    EXPECT_EQ(Find("containerHistoryPanel")->GetChildCount(), 2);

    ::DestroyWindow(hwnd);
    ASSERT_TRUE(openAnew());
    Notify("click", Find("optNavStudy"));
    EXPECT_EQ(stored(), "2");

    ::DestroyWindow(hwnd);
    ASSERT_TRUE(openAnew());
    ::DestroyWindow(hwnd);
    frame = nullptr;
    LocalDatabase db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(Column(db, "select count(*) from apps"), "2");
}

// Without a mouse: the arrows reach the group in the navigation bar, Return opens
// it as a click does, Tab walks into its quick bar and into the holder's panel,
// and Escape closes the panel, then the search results, then a side panel.
TEST_F(MainWindowCatalogueTest, TheKeyboardAloneOpensAGroupAndEscapeClosesWhatIsOpen) {
    auto press = [this](WPARAM key) {
        ui::KeyPressed(hwnd, key);
        ui::KeyReleased(hwnd, key);
    };
    auto focused = [this] {
        CControlUI* focus = frame->PaintManager().GetFocus();
        return focus ? std::string(focus->GetName()) : std::string();
    };
    auto tabTo = [&](std::string_view name) {
        for (int i = 0; i < 100 && focused() != name; ++i) press(VK_TAB);
        return focused();
    };

    ASSERT_EQ(tabTo("optNavUser"), "optNavUser");
    press(VK_RIGHT);
    ASSERT_EQ(focused(), "optNavStudy");
    press(VK_RETURN);
    EXPECT_TRUE(Selected("optNavStudy"));
    EXPECT_FALSE(Visible("Container1"));
    ASSERT_TRUE(Visible("Container5"));
    EXPECT_TRUE(ChildNamed(Find("Container5"), "optLink7")->IsVisible());

    ASSERT_EQ(tabTo("optLink8"), "optLink8");
    EXPECT_EQ(frame->PaintManager().GetFocus()->GetParent(), Find("Container5"));
    press(VK_SPACE);
    ASSERT_TRUE(Visible("FloatContainer8"));
    EXPECT_EQ(tabTo("optLink81"), "optLink81");
    EXPECT_TRUE(Visible("FloatContainer8"));  // Tab passing its list left it open
    press(VK_ESCAPE);
    EXPECT_FALSE(Visible("FloatContainer8"));
    EXPECT_FALSE(Visible("containerMask"));

    Find("signature")->SetText("mail");
    Notify("click", Find("btnStartSearch"));
    Notify("click", Find("btnShowHistoryPanel"));
    ASSERT_TRUE(Visible("listSearchResult"));
    ASSERT_TRUE(Find("btnCloseHistoryPanel")->GetParent()->IsVisible());
    press(VK_ESCAPE);
    EXPECT_FALSE(Visible("listSearchResult"));
    EXPECT_TRUE(Find("btnCloseHistoryPanel")->GetParent()->IsVisible());
    press(VK_ESCAPE);
    EXPECT_FALSE(Find("btnCloseHistoryPanel")->GetParent()->IsVisible());
    EXPECT_TRUE(::IsWindow(hwnd));
}

TEST_F(MainWindowCatalogueTest, SearchRunsByHandAndOnTheLiveTimer) {
    Find("signature")->SetText("MAIL");
    Notify("click", Find("btnStartSearch"));
    EXPECT_TRUE(Visible("listSearchResult"));
    EXPECT_EQ(Find("listSearchResultContainer")->GetChildCount(), 1);

    Find("signature")->SetText("calc");
    Notify("timer", frame->PaintManager().GetRoot(), 3);
    EXPECT_EQ(Find("listSearchResultContainer")->GetChildAt(0)->GetText(), "Calc");
    EXPECT_EQ(Find("labelSearchResultCount")->GetText(),
              std::string(platform::texts::kSearchCountPrefix) + "1" +
                  platform::texts::kSearchCountSuffix);
}

TEST_F(MainWindowCatalogueTest, ScrolledSearchResultsShowTheirRowsAndAClickFarDownOpensIt) {
    constexpr int kTools = 600;  // 100 rows of results
    LocalDatabase& db = frame->Database();
    db.Execute("begin;");
    for (int i = 0; i < kTools; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Tool%03d", i);
        const std::string id = std::to_string(1000 + i);
        db.Execute("insert into apps values (NULL,?,?,?,NULL,?,?,'web',1)",
                   {name, "file='i.png' dest='16,0,84,70'", "http://tool/" + id, id, 1000 + i});
    }
    db.Execute("commit;");
    Find("signature")->SetText("TOOL");
    Click(Find("btnStartSearch"));
    frame->PaintManager().UpdateLayout();

    auto* list =
        static_cast<DuiLib::CContainerUI*>(Find("listSearchResult")->GetInterface("Container"));
    CControlUI* results = Find("listSearchResultContainer");
    ASSERT_TRUE(list && list->IsVisible());
    EXPECT_LT(results->GetChildCount(), kTools / 4);  // only what is in view is built
    EXPECT_EQ(list->GetScrollRange(), SearchResultsHeight(kTools / 6 - 1) - list->GetViewHeight());

    // The result under each place of the results in view, found as a click would.
    const auto resultsInView = [&] {
        frame->PaintManager().UpdateLayout();
        const RECT view = list->GetAbsolutePos(), origin = results->GetAbsolutePos();
        std::vector<std::pair<int, POINT>> shown;
        for (int i = 0; i < kTools; ++i) {
            const RECT at = SearchResultRect(i);
            const POINT middle{origin.left + (at.left + at.right) / 2,
                               origin.top + (at.top + at.bottom) / 2};
            if (!::PtInRect(&view, middle)) continue;
            CControlUI* hit = frame->PaintManager().FindControl(middle);
            char name[16];
            std::snprintf(name, sizeof name, "Tool%03d", i);
            EXPECT_TRUE(hit && hit->GetText() == name)
                << "result " << i << " shows " << (hit ? hit->GetText() : "nothing");
            shown.emplace_back(i, middle);
        }
        return shown;
    };
    EXPECT_EQ(resultsInView().front().first, 0);

    // The wheel, a jump to the last row, another jump and the wheel again.
    const RECT listAt = list->GetAbsolutePos();
    const LPARAM overList = MAKELPARAM(listAt.left + 80, listAt.top + 80);
    for (int notch = 0; notch < 9; ++notch)
        ui::DeliverInputMessage(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), overList);
    EXPECT_EQ(list->GetScrollPos(), 360);
    EXPECT_EQ(resultsInView().front().first, 18);
    list->SetScrollPos(SearchResultRect(kTools - 1).top);
    EXPECT_EQ(resultsInView().back().first, kTools - 1);
    list->SetScrollPos(6420);
    ui::DeliverInputMessage(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -240), overList);
    const auto shown = resultsInView();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().first, 300);
    EXPECT_LT(results->GetChildCount(), kTools / 4);

    // A real click on the last result in view opens that application, and only it.
    const auto [index, point] = shown.back();
    ui::DeliverInputMessage(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(point.x, point.y));
    ui::DeliverInputMessage(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    EXPECT_EQ(Column(db, "select group_concat(AppID) from apps where Dateline is not null"),
              std::to_string(1000 + index));
}

TEST_F(MainWindowCatalogueTest, HomeContentBuildsThePageAndRunsTheScript) {
    const char params[] = "sid=42";
    Raise(hwnd, HomeContent{ContentMode::RechargeParams, params});
    CControlUI* browser = Find("ieContainer")->GetChildAt(0);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(static_cast<DuiLib::CWebBrowserUI*>(browser)->GetDefaultUrl(),
              urls::HomePageUrl("1") + "&sid=42");
    EXPECT_EQ(frame->User().rechargeParams, "sid=42");
    EXPECT_TRUE(Visible("layHomePage"));

    const char script[] = "run();";
    Raise(hwnd, HomeContent{ContentMode::ScriptPlugin, script});
    auto* engine = static_cast<ui::HeadlessBrowserEngine*>(
        static_cast<DuiLib::CWebBrowserUI*>(browser)->GetEngine());
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->Scripts(), std::vector<std::u16string>{u"run();"});
}

TEST_F(MainWindowCatalogueTest, AHomePageArrivingAfterTheUserOpenedAGroupWaitsForTheHomeButton) {
    Notify("click", Find("optNavStudy"));
    CControlUI* quickBarOption = ChildNamed(Find("Container5"), "optLink7");
    ASSERT_NE(quickBarOption, nullptr);
    const RECT at = quickBarOption->GetPos();
    const POINT middle{(at.left + at.right) / 2, (at.top + at.bottom) / 2};

    // Loaded, but the group stays in front and the user's next click lands in it.
    const char params[] = "sid=42";
    Raise(hwnd, HomeContent{ContentMode::RechargeParams, params});
    ASSERT_NE(Find("ieContainer")->GetChildAt(0), nullptr);
    EXPECT_FALSE(Visible("layHomePage"));
    EXPECT_TRUE(Visible("Container5"));
    EXPECT_EQ(frame->PaintManager().FindControl(middle), quickBarOption);

    // The home button shows the page kept for it, once; afterwards home is the home view.
    Notify("click", Find("btnGoHome"));
    EXPECT_TRUE(Visible("layHomePage"));
    Notify("click", Find("optNavStudy"));
    EXPECT_FALSE(Visible("layHomePage"));
    Notify("click", Find("btnGoHome"));
    EXPECT_FALSE(Visible("layHomePage"));
    EXPECT_TRUE(Visible("Container1"));
}

}  // namespace
}  // namespace quorvi
