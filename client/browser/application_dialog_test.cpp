// The application dialog on the headless backend: opening (group lookup,
// caption, maximised), the recommendation column, the caption and slider
// buttons, Escape, pop-ups reaching the owner, and the script plug-in fetched
// on a worker from the portal stand-in, including a server that stalls.
#include "client/browser/application_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/browser/application_component.h"
#include "client/common/database_test_support.h"
#include "client/common/events.h"
#include "client/common/portal_stand_in_test_support.h"
#include "client/common/portal_urls.h"
#include "platform/text.h"
#include "ui/core/headless_backend.h"
#include "ui/core/test_support.h"

namespace quorvi {
namespace {

using namespace DuiLib;
using namespace std::chrono_literals;

class ApplicationDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ui::TakeQuit();
        CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
        StartDatabase(db, folder);
        ownerEvents.On<OpenSignedLink>(
            [this](const OpenSignedLink& link) { links.push_back(link.address); });
        owner.onMessage = [this](UINT msg, WPARAM, LPARAM lParam, bool& handled) -> LRESULT {
            if (auto answer = ownerEvents.Handle(msg, lParam)) {
                handled = true;
                return *answer;
            } else if (msg == kPing) {
                handled = true;
                return 7;
            }
            return 0;
        };
        ASSERT_NE(owner.Create(nullptr, "Quorvi", WS_POPUP | WS_VISIBLE, 0, 0, 0, 950, 553),
                  nullptr);
        setup.database = &db;
        setup.scriptPluginUrl = urls::kScriptPluginUrl.str();
        setup.workers = &workers;
    }
    void TearDown() override {
        for (HWND dialog : opened)
            if (IsWindow(dialog)) DestroyWindow(dialog);
        owner.Close();
        ui::RunUntilIdle();
        workers.StopAll();
        ui::RunUntilIdle();
    }

    void AddApp(int appId, int group, const std::string& address) {
        const std::string id = std::to_string(appId);
        ASSERT_TRUE(db.Execute(
            "insert into apps(AppName, AppForeImage, UserData, ControlName, AppID, GroupID) "
            "values(?, ?, ?, ?, ?, ?)",
            {"App " + id, "file='icon" + id + ".png'", address, "optLink" + id, appId, group}));
    }

    HWND Open(int appId, const std::string& address) {
        ApplicationDialogComponent component(owner.pm, db, setup);
        MainWindowRoutes routes;
        component.Register(routes);
        routes.Raise(OpenApplication{appId, address});
        HWND hwnd = component.LastOpened();
        if (hwnd) opened.push_back(hwnd);
        ui::RunUntilIdle();
        return hwnd;
    }

    static CControlUI* Find(HWND hwnd, std::string_view name) {
        return CPaintManagerUI::FromWindow(hwnd)->FindControl(name);
    }
    static bool Visible(HWND hwnd, std::string_view name) {
        CControlUI* control = Find(hwnd, name);
        return control && control->IsVisible();
    }
    static ui::HeadlessBrowserEngine& Engine(HWND hwnd) {
        auto* area = static_cast<CContainerUI*>(Find(hwnd, "ieContainer"));
        auto* browser = static_cast<CWebBrowserUI*>(area->GetItemAt(0));
        return *static_cast<ui::HeadlessBrowserEngine*>(browser->GetEngine());
    }
    // A click as the paint manager raises it.
    static void Click(HWND hwnd, std::string_view name) {
        CPaintManagerUI::FromWindow(hwnd)->SendNotify(Find(hwnd, name), "click");
        ui::RunUntilIdle();
    }
    static std::vector<std::string> RecommendedNames(HWND hwnd) {
        std::vector<std::string> names;
        auto* column = static_cast<CContainerUI*>(Find(hwnd, "containerRecommend"));
        for (int i = 0; i < column->GetCount(); ++i)
            if (column->GetItemAt(i)->GetName().starts_with("optLink"))
                names.push_back(column->GetItemAt(i)->GetName());
        return names;
    }

    static constexpr UINT kPing = WM_USER + 1;
    TempFolder folder;
    LocalDatabase db;
    WorkerOwner workers;
    ApplicationDialogSetup setup;
    ui_test::TestWindow owner;
    EventRoutes ownerEvents;
    std::vector<HWND> opened;
    std::vector<std::string> links;
};

TEST_F(ApplicationDialogTest, OpensMaximisedWithTheCaptionAndTheGroupOfTheApplication) {
    AddApp(7, 3, "http://a.example/7");
    AddApp(8, 3, "http://a.example/8");
    AddApp(9, 4, "http://a.example/9");
    EXPECT_EQ(ApplicationGroup(db, 9), "4");
    EXPECT_EQ(ApplicationGroup(db, 1234), "0");
    // A value that would change the statement if it were pasted in.
    EXPECT_EQ(db.Query("select count(*) from apps")[0].Text(0), "3");

    HWND first = Open(7, "http://a.example/7");
    HWND second = Open(9, "http://a.example/9");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);  // every opening is a dialog of its own
    for (HWND hwnd : {first, second}) {
        EXPECT_TRUE(IsZoomed(hwnd));
        EXPECT_EQ(GetWindowTextString(hwnd), "Quorvi-");
        EXPECT_FALSE(Visible(hwnd, "maxbtn"));
        EXPECT_TRUE(Visible(hwnd, "restorebtn"));
    }
    EXPECT_EQ(Engine(first).Navigations(), std::vector<std::string>{"http://a.example/7"});
    EXPECT_EQ(RecommendedNames(first), (std::vector<std::string>{"optLink7", "optLink8"}));
    EXPECT_EQ(RecommendedNames(second), std::vector<std::string>{"optLink9"});

    // Without an id (the update log): group "0", an empty column.
    const std::string log = urls::kUpdateLogUrl.str();
    ApplicationDialogComponent component(owner.pm, db, setup);
    MainWindowRoutes routes;
    component.Register(routes);
    routes.Raise(OpenApplication{std::nullopt, log});
    HWND third = component.LastOpened();
    ASSERT_NE(third, nullptr);
    opened.push_back(third);
    ui::RunUntilIdle();
    EXPECT_TRUE(RecommendedNames(third).empty());
    EXPECT_EQ(Engine(third).Navigations(), std::vector<std::string>{log});
}

TEST_F(ApplicationDialogTest, TheColumnShowsAtMostSevenAndOnlyPlainHttpAddresses) {
    for (int id = 1; id <= 10; ++id) AddApp(id, 5, "http://a.example/" + std::to_string(id));
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    const auto names = RecommendedNames(hwnd);
    ASSERT_EQ(names.size(), 7u);
    auto* seventh = static_cast<COptionUI*>(Find(hwnd, "optLink7"));
    ASSERT_NE(seventh, nullptr);
    EXPECT_EQ(seventh->GetText(), "App 7");
    EXPECT_EQ(seventh->GetUserData(), "http://a.example/7");
    EXPECT_EQ(seventh->GetTag(), 7u);
    EXPECT_EQ(seventh->GetForeImage(), "file='icon7.png'");
    EXPECT_EQ(seventh->GetPos().top, 40 + 110 * 6);

    // https addresses and programs are left out, and the next one moves up.
    AddApp(21, 6, "https://secure.example/");
    AddApp(22, 6, "http://a.example/22");
    AddApp(23, 6, "calc/calc.sh");
    AddApp(24, 6, "http://a.example/24");
    HWND other = Open(22, "http://a.example/22");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(RecommendedNames(other), (std::vector<std::string>{"optLink22", "optLink24"}));
    EXPECT_EQ(static_cast<COptionUI*>(Find(other, "optLink24"))->GetPos().top, 150);
}

TEST_F(ApplicationDialogTest, EscapeLeavesItOpenAndTheButtonsWork) {
    AddApp(1, 1, "http://a.example/1");
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    ui::KeyPressed(hwnd, VK_ESCAPE);
    ui::RunUntilIdle();
    EXPECT_TRUE(IsWindow(hwnd));

    Click(hwnd, "restorebtn");
    EXPECT_FALSE(IsZoomed(hwnd));
    EXPECT_TRUE(Visible(hwnd, "maxbtn"));
    EXPECT_FALSE(Visible(hwnd, "restorebtn"));
    Click(hwnd, "maxbtn");
    EXPECT_TRUE(IsZoomed(hwnd));

    Click(hwnd, "btnCloseSlider");
    EXPECT_FALSE(Visible(hwnd, "rightContainer"));
    EXPECT_FALSE(Visible(hwnd, "btnCloseSlider"));
    EXPECT_TRUE(Visible(hwnd, "btnOpenSlider"));
    Click(hwnd, "btnOpenSlider");
    EXPECT_TRUE(Visible(hwnd, "rightContainer"));
    EXPECT_TRUE(Visible(hwnd, "btnCloseSlider"));
    EXPECT_FALSE(Visible(hwnd, "btnOpenSlider"));

    Click(hwnd, "closebtn");
    EXPECT_FALSE(IsWindow(hwnd));  // and the dialog deleted itself (sanitizer builds check)

    // The system Close is not swallowed for this window.
    HWND again = Open(1, "http://a.example/1");
    ASSERT_NE(again, nullptr);
    ui::CloseRequested(again);
    ui::RunUntilIdle();
    EXPECT_FALSE(IsWindow(again));
}

TEST_F(ApplicationDialogTest, APopUpReachesTheOwnerUnchangedAndOpensNoWindow) {
    AddApp(1, 1, "http://a.example/1");
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    // A redirect link from a dialog carries no recharge parameters.
    const std::string redirect = urls::kPortalRedirect.str() + "pay";
    EXPECT_TRUE(Engine(hwnd).RaiseNewWindow3(platform::GbkToUtf16(redirect)));
    EXPECT_EQ(links, std::vector<std::string>{redirect});
}

TEST_F(ApplicationDialogTest, ARecommendationOpensInTheSameBrowser) {
    AddApp(1, 2, "http://a.example/1");
    AddApp(2, 2, "http://a.example/2");
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    Click(hwnd, "optLink2");
    EXPECT_EQ(Engine(hwnd).Navigations(),
              (std::vector<std::string>{"http://a.example/1", "http://a.example/2"}));
}

// ---- the script plug-in, from the portal stand-in ---------------------------------------------
class ScriptPluginTest : public ApplicationDialogTest {
protected:
    void SetUp() override {
        ApplicationDialogTest::SetUp();
        portal.Start();
        setup.scriptPluginUrl = portal.Origin() + "/appmgr/plugin/js.php";
        AddApp(1, 2, "http://a.example/1");
        AddApp(2, 2, "http://a.example/2");
    }
    void TearDown() override {
        portal.ClearFaults();
        ApplicationDialogTest::TearDown();
    }
    std::u16string PluginScript() {
        const std::string utf8 = testing::ReadFile(portal.DataFolder() + "appmgr/plugin.js");
        return platform::Utf8ToUtf16(utf8);
    }
    int PluginRequests() {
        int count = 0;
        for (const auto& request : portal.Requests())
            if (request.path == "/appmgr/plugin/js.php") ++count;
        return count;
    }

    testing::PortalStandIn portal;
};

TEST_F(ScriptPluginTest, EachPageReachedIsScriptedOnce) {
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    auto& engine = Engine(hwnd);
    engine.RaiseDocumentComplete(u"http://a.example/1");
    engine.RaiseDocumentComplete(u"http://a.example/1");  // a frame of the same page
    ASSERT_TRUE(ui::RunUntil([&] { return !engine.Scripts().empty(); }, 10s));
    ui::RunFor(100ms);
    ASSERT_EQ(engine.Scripts().size(), 1u);
    EXPECT_EQ(engine.Scripts()[0], PluginScript());
    EXPECT_EQ(PluginRequests(), 1);

    // The next page, reached through the column, gets its own run.
    Click(hwnd, "optLink2");
    engine.RaiseDocumentComplete(u"http://a.example/2");
    ASSERT_TRUE(ui::RunUntil([&] { return engine.Scripts().size() == 2; }, 10s));
    EXPECT_EQ(PluginRequests(), 2);
}

TEST_F(ScriptPluginTest, AStalledServerHoldsUpNoWindowAndEndsInAnEmptyScript) {
    portal.SetFault("/appmgr/plugin/js.php", "kind=stall");
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    auto& engine = Engine(hwnd);
    engine.RaiseDocumentComplete(u"http://a.example/1");
    ASSERT_TRUE(ui::RunUntil([&] { return PluginRequests() == 1; }, 10s) || workers.Running() == 1);

    // While the transfer hangs, both windows go on answering.
    ui::RunUntilIdle();
    EXPECT_EQ(SendMessage(owner.GetHWND(), kPing), 7);
    Click(hwnd, "btnCloseSlider");
    EXPECT_FALSE(Visible(hwnd, "rightContainer"));
    EXPECT_TRUE(engine.Scripts().empty());
    EXPECT_EQ(workers.Running(), 1u);

    // The stall ends with the connection cut short: the page runs an empty script, once.
    portal.ClearFaults();
    ASSERT_TRUE(ui::RunUntil([&] { return !engine.Scripts().empty(); }, 20s));
    EXPECT_EQ(engine.Scripts()[0], u"");
    engine.RaiseDocumentComplete(u"http://a.example/1");
    ui::RunFor(200ms);
    EXPECT_EQ(engine.Scripts().size(), 1u);
}

TEST_F(ScriptPluginTest, AnAnswerForAClosedDialogIsDropped) {
    portal.SetFault("/appmgr/plugin/js.php", "kind=delay&ms=300");
    HWND hwnd = Open(1, "http://a.example/1");
    ASSERT_NE(hwnd, nullptr);
    Engine(hwnd).RaiseDocumentComplete(u"http://a.example/1");
    ui::RunUntilIdle();
    Click(hwnd, "closebtn");
    ASSERT_FALSE(IsWindow(hwnd));
    // The worker finishes and its answer finds no window (no crash, nothing run).
    ASSERT_TRUE(ui::RunUntil([&] { return workers.Running() == 0; }, 10s));
    ui::RunUntilIdle();
}

}  // namespace
}  // namespace quorvi
