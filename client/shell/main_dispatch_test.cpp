// The main window's routing, run in a small headless window whose skin holds
// the controls the rules name and whose actions record what they are asked.
#include "client/shell/main_dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/common/events.h"
#include "platform/chinese_texts.h"
#include "ui/core/UIlib.h"
#include "ui/core/accessible.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"

namespace quorvi {
namespace {

using DuiLib::CControlUI;

constexpr char kSkin[] = R"(<Window size="600,400" caption="0,0,100,32">
  <VerticalLayout name="root">
    <Container name="Container1" />
    <List name="listSearchResult" float="true" pos="0,40,300,300">
      <Container name="listSearchResultContainer" height="100" />
    </List>
    <Container name="containerMask" float="true" pos="0,0,600,400" />
    <Label name="labelSearchResultCount" float="true" pos="0,0,50,20" />
    <Container name="searchHost" float="true" pos="300,0,500,32">
      <Edit name="signature" float="true" pos="0,0,150,30" />
    </Container>
    <Option name="optNavUser" float="true" pos="0,300,100,400" menu="true" />
    <Button name="minbtn" float="true" pos="500,0,530,30" />
    <Button name="maxbtn" float="true" pos="530,0,560,30" />
    <Button name="restorebtn" float="true" pos="530,0,560,30" visible="false" />
    <Button name="closebtn" float="true" pos="560,0,590,30" />
  </VerticalLayout>
</Window>)";

// A window that routes through MainWindowDispatch, with a recording handler
// registered for every route.
class RoutingWindow : public DuiLib::CWindowWnd, public DuiLib::INotifyUI {
public:
    std::vector<std::string> calls;
    UserInfo user;
    std::vector<CControlUI*> floating;
    POINT menuPoint{};
    DuiLib::CPaintManagerUI pm;
    MainWindowControls controls;
    MainTimers timers{pm};
    MainWindowRoutes routes;
    MainWindowDispatch dispatch{pm, controls, timers, routes, user, [this] { return OnCreate(); }};

    RoutingWindow() {
        const std::pair<ClickRule, const char*> clicks[] = {
            {ClickRule::StartSearch, "SearchNow"},
            {ClickRule::ShowSecondBackground, "ShowSecondBackground"},
            {ClickRule::HideSecondBackground, "HideSecondBackground"},
            {ClickRule::HideSideBar, "CollapseSideBar"},
            {ClickRule::ExpandSideBar, "ExpandSideBar"},
            {ClickRule::NewsPanel, "ToggleNewsPanel"},
            {ClickRule::HistoryPanel, "ToggleHistoryPanel"},
            {ClickRule::SettingPanel, "ToggleSettingPanel"},
            {ClickRule::OpenService, "OpenServiceSite"},
            {ClickRule::CatalogueOption, "OpenCatalogueOption:"},
            {ClickRule::GoHome, "GoHome"},
            {ClickRule::BrowseFolder, "ChooseDownloadFolder"},
            {ClickRule::NavigationOption, "ShowGroup:"},
            {ClickRule::CloseDownloadStatus, "CloseDownloadStatus:"},
            {ClickRule::TipsPanel, "TipsPanelButton:"},
            {ClickRule::SettingDialogButton, "SettingDialogButton:"},
        };
        for (const auto& [rule, name] : clicks) {
            std::string label = name;
            routes.OnClick(rule, [this, label](CControlUI& c) {
                calls.push_back(label.ends_with(':') ? label + c.GetName() : label);
            });
        }
        const std::pair<MainTimer, const char*> timerNames[] = {
            {MainTimer::SecondStage, "RunSecondStage"},
            {MainTimer::CatalogueRetry, "Init"},
            {MainTimer::LiveSearch, "LiveSearch"},
            {MainTimer::ClientReport, "SendClientReport"},
            {MainTimer::TrimWorkingSet, "TrimWorkingSet"},
        };
        for (const auto& [timer, name] : timerNames)
            routes.OnTimer(timer, [this, label = std::string(name)] { calls.push_back(label); });
        routes.OnHomeViewFocus([this] { calls.push_back("HideNewsPanel"); });
        routes.OnUserMenu([this](POINT p) {
            calls.push_back("OpenUserMenu");
            menuPoint = p;
        });
        routes.SetFloatingPanels([this] { return std::span<CControlUI* const>(floating); });
        routes.On<DownloadCancelQuery>([this](const DownloadCancelQuery&) {
            calls.push_back("OnQueryDownloadCancel");
            return true;
        });
        routes.On<HomeContent>([this](const HomeContent& content) {
            calls.push_back("OnHomeContent:" + content.body);
        });
        routes.On<SignedOut>([this](const SignedOut&) { calls.push_back("OnSignedOut"); });
    }

    LPCTSTR GetWindowClassName() const override { return "RoutingWindow"; }
    LRESULT HandleMessage(UINT m, WPARAM w, LPARAM l) override {
        return dispatch.HandleMessage(m_hWnd, m, w, l);
    }
    void Notify(DuiLib::TNotifyUI& msg) override { dispatch.Notify(msg); }

    // Raises a notification from the named control.
    void Raise(std::string_view type, std::string_view sender, WPARAM wParam = 0) {
        DuiLib::TNotifyUI msg;
        msg.sType = type;
        msg.pSender = sender.empty() ? pm.GetRoot() : pm.FindControl(sender);
        msg.ptMouse = {15, 25};
        msg.wParam = wParam;
        Notify(msg);
    }
    CControlUI* Find(std::string_view name) { return pm.FindControl(name); }
    void SignIn(bool signedIn) { user.account = signedIn ? "demo" : ""; }

    LRESULT OnCreate() {
        pm.Init(m_hWnd);
        DuiLib::CDialogBuilder builder;
        pm.AttachDialog(builder.Create(kSkin, nullptr, nullptr, &pm));
        pm.AddNotifier(this);
        calls.push_back("OnCreate");
        return 0;
    }
};

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InstallHeadlessBackend();
        ASSERT_TRUE(window.Create(nullptr, "routing", WS_VISIBLE, 0, 100, 50, 600, 400));
        window.controls.LookUp(window.pm);
        window.calls.clear();
    }
    void TearDown() override {
        if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
        ui::RunUntilIdle();
        ui::TakeQuit();
    }
    // Adds a control to the skin's root, as the catalogue does at run time.
    CControlUI* AddControl(CControlUI* control, std::string_view name) {
        control->SetName(name);
        static_cast<DuiLib::CContainerUI*>(window.pm.GetRoot())->Add(control);
        return control;
    }
    std::vector<std::string> ClickOn(CControlUI* control) {
        window.calls.clear();
        window.Raise("click", control->GetName());
        return window.calls;
    }

    RoutingWindow window;
};

using Calls = std::vector<std::string>;

TEST_F(DispatchTest, ClickRulesMatchWholeNamesOrPrefixesInTableOrder) {
    auto* user = window.Find("optNavUser");
    EXPECT_EQ(ClickOn(user), Calls{"ShowGroup:optNavUser"});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::COptionUI, "optLink17")),
              Calls{"OpenCatalogueOption:optLink17"});
    // Begins with "closeDownloadStatusoptLink", not with "optLink".
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "closeDownloadStatusoptLink17")),
              Calls{"CloseDownloadStatus:closeDownloadStatusoptLink17"});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "btnCloseNewsPanel")),
              Calls{"ToggleNewsPanel"});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "btnCloseSettingDialog")),
              Calls{"ToggleSettingPanel"});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "btnSettingDialogCancel")),
              Calls{"SettingDialogButton:btnSettingDialogCancel"});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "btnShowUpdateLog")),
              Calls{"TipsPanelButton:btnShowUpdateLog"});
    // "is" rules take the whole name only.
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "btnGoHome2")), Calls{});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "optNoLinkTB")),
              Calls{"ShowSecondBackground"});
    // Only the beginning of a name counts.
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "optNavoptLink2")),
              Calls{"ShowGroup:optNavoptLink2"});
    EXPECT_EQ(ClickOn(AddControl(new DuiLib::CButtonUI, "OptLink2")), Calls{});
}

TEST_F(DispatchTest, TimerTypeIgnoresLetterCaseButOtherTypesDoNot) {
    window.Raise("Timer", "", 5);
    window.Raise("TIMER", "", 2);
    window.Raise("timer", "", 1);
    window.Raise("tImEr", "", 3);
    window.Raise("timer", "", 4);
    window.Raise("timer", "", 6);  // no such timer
    EXPECT_EQ(window.calls, (Calls{"TrimWorkingSet", "Init", "RunSecondStage", "LiveSearch",
                                   "SendClientReport"}));
    window.calls.clear();
    window.Raise("Click", "optNavUser");
    window.Raise("Click", "closebtn");
    window.Raise("windowinit", "optNavUser");
    window.Raise("selectchanged", "optNavUser");
    EXPECT_EQ(window.calls, Calls{});
    ui::RunUntilIdle();
    EXPECT_FALSE(ui::TakeQuit().has_value());
}

TEST_F(DispatchTest, CaptionButtonsAreKnownByIdentityNotByName) {
    HWND hwnd = window.GetHWND();
    window.Raise("click", "maxbtn");
    EXPECT_TRUE(::IsZoomed(hwnd));
    window.Raise("click", "restorebtn");
    EXPECT_FALSE(::IsZoomed(hwnd));
    window.Raise("click", "minbtn");
    EXPECT_TRUE(::IsIconic(hwnd));
    EXPECT_EQ(window.calls, Calls{});

    // Another control named "closebtn" is not the caption button.
    auto* impostor = new DuiLib::CButtonUI;
    impostor->SetName("closebtn");
    static_cast<DuiLib::CContainerUI*>(window.Find("Container1"))->Add(impostor);
    DuiLib::TNotifyUI click;
    click.sType = "click";
    click.pSender = impostor;
    window.Notify(click);
    ui::RunUntilIdle();
    EXPECT_FALSE(ui::TakeQuit().has_value());

    window.Raise("click", "closebtn");
    ui::RunUntilIdle();
    EXPECT_EQ(ui::TakeQuit(), 0);
    EXPECT_TRUE(::IsWindow(hwnd));  // quitting does not destroy the window
}

TEST_F(DispatchTest, FocusOnTheMaskOrAFloatingPanelClosesThemAndNothingElse) {
    auto* panelA = AddControl(new DuiLib::CContainerUI, "FloatContainer3");
    auto* panelB = AddControl(new DuiLib::CContainerUI, "FloatContainer9");
    window.floating = {panelA, panelB};
    CControlUI* mask = window.Find("containerMask");
    CControlUI* list = window.Find("listSearchResult");

    window.Raise("setfocus", "FloatContainer9");
    EXPECT_FALSE(mask->IsVisible());
    EXPECT_FALSE(panelA->IsVisible());
    EXPECT_FALSE(panelB->IsVisible());
    EXPECT_TRUE(list->IsVisible());
    EXPECT_EQ(window.calls, Calls{});

    mask->SetVisible(true);
    panelA->SetVisible(true);
    window.Raise("setfocus", "containerMask");
    EXPECT_FALSE(mask->IsVisible());
    EXPECT_FALSE(panelA->IsVisible());
    EXPECT_EQ(window.calls, Calls{});
}

TEST_F(DispatchTest, FocusOnTheHomeViewHidesSearchResultsAndTheNewsPanel) {
    CControlUI* list = window.Find("listSearchResult");
    window.Raise("setfocus", "listSearchResultContainer");
    EXPECT_FALSE(list->IsVisible());
    EXPECT_EQ(window.calls, Calls{});

    list->SetVisible(true);
    window.Raise("setfocus", "Container1");
    EXPECT_FALSE(list->IsVisible());
    EXPECT_EQ(window.calls, Calls{"HideNewsPanel"});
}

TEST_F(DispatchTest, SearchBoxFocusRunsTheLiveSearchTimerAndThePlaceholder) {
    CControlUI* box = window.Find("signature");
    CControlUI* host = window.Find("searchHost");
    CControlUI* count = window.Find("labelSearchResultCount");
    box->SetText(platform::texts::kSearchPlaceholder);

    window.Raise("setfocus", "signature");
    EXPECT_TRUE(window.timers.IsSet(MainTimer::LiveSearch));
    EXPECT_EQ(host->GetBkImage(), "search_bg_hot.png");
    EXPECT_EQ(box->GetText(), "");

    window.Raise("killfocus", "signature");
    EXPECT_FALSE(window.timers.IsSet(MainTimer::LiveSearch));
    EXPECT_EQ(host->GetBkImage(), "search_bg_normal.png");
    EXPECT_EQ(box->GetText(), platform::texts::kSearchPlaceholder);
    EXPECT_FALSE(count->IsVisible());

    // A typed keyword stays, and so does the result count.
    count->SetVisible(true);
    window.Raise("setfocus", "signature");
    box->SetText("mail");
    window.Raise("killfocus", "signature");
    EXPECT_EQ(box->GetText(), "mail");
    EXPECT_TRUE(count->IsVisible());
    window.Raise("setfocus", "signature");
    EXPECT_EQ(box->GetText(), "mail");

    // The timer really fires while the box has the focus, once: an unchanged
    // keyword leaves the window without ticks; a typed one starts them again.
    window.calls.clear();
    EXPECT_TRUE(ui::RunUntil([&] { return !window.calls.empty(); }, std::chrono::seconds(3)));
    EXPECT_EQ(window.calls.front(), "LiveSearch");
    EXPECT_FALSE(window.timers.IsSet(MainTimer::LiveSearch));
    window.Raise("textchanged", "signature");
    EXPECT_TRUE(window.timers.IsSet(MainTimer::LiveSearch));
    window.Raise("timer", "", static_cast<WPARAM>(MainTimer::LiveSearch));
    EXPECT_FALSE(window.timers.IsSet(MainTimer::LiveSearch));
    window.Raise("textchanged", "signature");
    window.Raise("killfocus", "signature");
    EXPECT_FALSE(window.timers.IsSet(MainTimer::LiveSearch));
}

TEST_F(DispatchTest, SearchBoxFocusChangesNothingWithoutItsReference) {
    window.controls.signature = nullptr;
    CControlUI* box = window.Find("signature");
    box->SetText(platform::texts::kSearchPlaceholder);
    window.Raise("setfocus", "signature");
    EXPECT_FALSE(window.timers.IsSet(MainTimer::LiveSearch));
    EXPECT_EQ(box->GetText(), platform::texts::kSearchPlaceholder);
    EXPECT_EQ(window.Find("searchHost")->GetBkImage(), "");
    box->SetText("");
    window.Raise("killfocus", "signature");
    EXPECT_EQ(box->GetText(), "");
}

TEST_F(DispatchTest, UserMenuOpensOnlyWhileSignedIn) {
    window.Raise("menu", "optNavUser");
    EXPECT_EQ(window.calls, Calls{});

    window.SignIn(true);
    window.Raise("menu", "closebtn");
    EXPECT_EQ(window.calls, Calls{});
    window.Raise("menu", "optNavUser");
    EXPECT_EQ(window.calls, Calls{"OpenUserMenu"});

    // A right click opens the menu at the pointer; Shift+F10 and a screen
    // reader's "menu" action open it at the control, wherever the pointer is.
    HWND hwnd = window.GetHWND();
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    CControlUI* user = window.Find("optNavUser");  // 0,300 to 100,400
    const auto openedAt = [&](auto&& ask) {
        window.calls.clear();
        ::SendMessage(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(250, 100));
        ask();
        EXPECT_EQ(window.calls, Calls{"OpenUserMenu"});
        return POINT{window.menuPoint.x - rect.left, window.menuPoint.y - rect.top};
    };
    EXPECT_EQ(openedAt([&] {
                  ::SendMessage(hwnd, WM_RBUTTONDOWN, 0, MAKELPARAM(40, 350));
                  ::SendMessage(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(40, 350));
              }),
              (POINT{40, 350}));
    EXPECT_EQ(openedAt([&] {
                  window.pm.SetFocus(user);
                  ::SendMessage(hwnd, WM_KEYDOWN, VK_SHIFT, 0);
                  ::SendMessage(hwnd, WM_KEYDOWN, VK_F10, 0);
                  ::SendMessage(hwnd, WM_KEYUP, VK_SHIFT, 0);
              }),
              (POINT{0, 400}));
    EXPECT_EQ(openedAt([&] { EXPECT_TRUE(DuiLib::DoAccessibleMenu(*user)); }), (POINT{50, 350}));
}

TEST_F(DispatchTest, MessageTable) {
    HWND hwnd = window.GetHWND();
    // The numbers WM_USER + 100 to + 113 mean nothing to the window.
    CControlUI* list = window.Find("listSearchResult");
    list->SetVisible(false);
    for (UINT message = WM_USER + 100; message <= WM_USER + 113; ++message)
        EXPECT_EQ(::SendMessage(hwnd, message, 1, 0), 0);
    EXPECT_EQ(window.calls, Calls{});
    EXPECT_FALSE(list->IsVisible());

    EXPECT_TRUE(Raise(hwnd, DownloadCancelQuery{}));
    // An event nobody registered does nothing.
    Raise(hwnd, LoginFailed{"x"});
    Raise(hwnd, HomeContent{ContentMode::RechargeParams, "x"});
    Raise(hwnd, SignedOut{});
    EXPECT_EQ(window.calls, (Calls{"OnQueryDownloadCancel", "OnHomeContent:x", "OnSignedOut"}));

    // No frame: nothing to calculate or paint outside the skin.
    EXPECT_EQ(::SendMessage(hwnd, WM_NCCALCSIZE, 0, 0), 0);
    // Activation answers 0 when activating and 1 when deactivating.
    EXPECT_EQ(::SendMessage(hwnd, WM_NCACTIVATE, TRUE, 0), 0);
    EXPECT_EQ(::SendMessage(hwnd, WM_NCACTIVATE, FALSE, 0), 1);

    // The system Close quits without destroying the window.
    EXPECT_EQ(::SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    EXPECT_TRUE(::IsWindow(hwnd));
    ui::RunUntilIdle();
    EXPECT_EQ(ui::TakeQuit(), 0);
    // Destruction quits as well.
    ::DestroyWindow(hwnd);
    ui::RunUntilIdle();
    EXPECT_EQ(ui::TakeQuit(), 0);
}

TEST(MainWindowRoutesTest, EachRouteHasOneOwnerAndAnUnclaimedRouteIsEmpty) {
    MainWindowRoutes routes;
    routes.OnClick(ClickRule::GoHome, [](CControlUI&) {});
    EXPECT_THROW(routes.OnClick(ClickRule::GoHome, [](CControlUI&) {}), std::logic_error);
    routes.On<SignedOut>([](const SignedOut&) {});
    EXPECT_THROW(routes.On<SignedOut>([](const SignedOut&) {}), std::logic_error);
    EXPECT_NE(routes.Click(ClickRule::GoHome), nullptr);
    EXPECT_EQ(routes.Click(ClickRule::OpenService), nullptr);
    EXPECT_FALSE(routes.Events().Handles<LoginFailed>());
    EXPECT_TRUE(routes.FloatingPanels().empty());
}

}  // namespace
}  // namespace quorvi
