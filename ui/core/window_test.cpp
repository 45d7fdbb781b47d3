// Windows and messages: creation and destruction, the handle registry,
// cross-thread sends, posting order, quit, modal loops, window states, shapes.
#include "ui/core/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ui/core/test_support.h"

namespace {

using namespace DuiLib;
using namespace std::chrono_literals;
using ui_test::TestWindow;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = &ui::InstallHeadlessBackend();
        ui::RunUntilIdle();
        ui::TakeQuit();
    }
    void TearDown() override {
        ui::RunUntilIdle();
        ui::TakeQuit();
    }
    ui::HeadlessBackend* backend_ = nullptr;
};

constexpr UINT kPing = WM_USER + 100;

TEST_F(WindowTest, CreationSendsCreateThenSizeAndDestructionEndsWithFinalMessage) {
    TestWindow window;
    std::vector<std::string> order;
    window.onMessage = [&](UINT msg, WPARAM, LPARAM lParam, bool&) {
        if (msg == WM_CREATE) {
            auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
            order.push_back("create " + std::to_string(create->cx) + "x" +
                            std::to_string(create->cy));
        }
        if (msg == WM_SIZE)
            order.push_back("size " + std::to_string(LOWORD(lParam)) + "x" +
                            std::to_string(HIWORD(lParam)));
        if (msg == WM_DESTROY) order.push_back("destroy");
        return 0;
    };
    window.onFinal = [&](HWND hwnd) {
        EXPECT_FALSE(IsWindow(hwnd));  // the handle is already retired
        order.push_back("final");
    };
    HWND hwnd = window.Open(10, 20, 300, 200);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window.GetHWND(), hwnd);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetFocus(), hwnd);
    window.Close(IDOK);
    EXPECT_TRUE(IsWindow(hwnd));  // Close posts
    ui::RunUntilIdle();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(order,
              (std::vector<std::string>{"create 300x200", "size 300x200", "destroy", "final"}));
    EXPECT_EQ(window.GetHWND(), nullptr);
    EXPECT_FALSE(backend_->GetWindowView(hwnd, nullptr));
}

TEST_F(WindowTest, FailedCreationGivesNoWindow) {
    TestWindow window;
    window.onMessage = [](UINT msg, WPARAM, LPARAM, bool& handled) {
        handled = msg == WM_CREATE;
        return LRESULT{-1};
    };
    EXPECT_EQ(window.Open(), nullptr);
    EXPECT_TRUE(window.finalMessageSeen);
}

TEST_F(WindowTest, MessagesToAWindowThatIsGoneAreDroppedAndReturnZero) {
    auto window = std::make_unique<TestWindow>();
    int pings = 0;
    window->onMessage = [&](UINT msg, WPARAM, LPARAM, bool& handled) {
        if (msg != kPing) return LRESULT{0};
        handled = true;
        ++pings;
        return LRESULT{42};
    };
    HWND hwnd = window->Open();
    EXPECT_EQ(SendMessage(hwnd, kPing), 42);
    EXPECT_TRUE(PostMessage(hwnd, kPing));  // queued before the window goes
    DestroyWindow(hwnd);
    window.reset();  // the object is gone too: a stale handle must not reach it
    EXPECT_EQ(SendMessage(hwnd, kPing), 0);
    EXPECT_FALSE(PostMessage(hwnd, kPing));
    EXPECT_FALSE(DestroyWindow(hwnd));
    ui::RunUntilIdle();
    EXPECT_EQ(pings, 1);
    std::thread worker([&] { EXPECT_EQ(SendMessage(hwnd, kPing), 0); });
    worker.join();
}

TEST_F(WindowTest, PostedMessagesArriveInOrderAndAfterSentOnes) {
    TestWindow window;
    std::vector<WPARAM> seen;
    window.onMessage = [&](UINT msg, WPARAM wParam, LPARAM, bool& handled) {
        if (msg == kPing) {
            seen.push_back(wParam);
            handled = true;
        }
        return LRESULT{0};
    };
    HWND hwnd = window.Open();
    for (WPARAM i = 1; i <= 5; ++i) PostMessage(hwnd, kPing, i);
    std::thread poster([&] {
        for (WPARAM i = 6; i <= 10; ++i) PostMessage(hwnd, kPing, i);
    });
    poster.join();
    ui::RunUntilIdle();
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(WindowTest, SendFromAnotherThreadBlocksUntilHandledOnTheUiThread) {
    TestWindow window;
    std::atomic<bool> workerReturned{false};
    std::thread::id handledOn;
    std::string text = "kept by the sender";
    std::string copied;
    window.onMessage = [&](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
        if (msg != kPing) return LRESULT{0};
        handled = true;
        handledOn = std::this_thread::get_id();
        EXPECT_FALSE(workerReturned.load());  // the sender is still waiting
        copied = *reinterpret_cast<std::string*>(lParam);
        return LRESULT{1234};
    };
    HWND hwnd = window.Open();
    LRESULT result = 0;
    std::thread worker([&] {
        result = SendMessage(hwnd, kPing, 0, reinterpret_cast<LPARAM>(&text));
        workerReturned = true;
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(workerReturned.load());  // nothing pumps the loop yet
    ASSERT_TRUE(ui::RunUntil([&] { return workerReturned.load(); }, 5s));
    worker.join();
    EXPECT_EQ(result, 1234);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
    EXPECT_EQ(copied, text);
}

TEST_F(WindowTest, SendToAWindowDestroyedWhileWaitingReturnsZero) {
    TestWindow window;
    HWND hwnd = window.Open();
    std::atomic<bool> queued{false};
    LRESULT result = -1;
    std::thread worker([&] {
        queued = true;
        result = SendMessage(hwnd, kPing);
    });
    while (!queued) std::this_thread::yield();
    std::this_thread::sleep_for(20ms);
    DestroyWindow(hwnd);
    ui::RunUntilIdle();
    worker.join();
    EXPECT_EQ(result, 0);
}

TEST_F(WindowTest, QuitEndsTheMessageLoopWithItsCode) {
    TestWindow window;
    HWND hwnd = window.Open();
    window.onMessage = [](UINT msg, WPARAM, LPARAM, bool& handled) {
        if (msg == kPing) {
            handled = true;
            PostQuitMessage(7);
        }
        return LRESULT{0};
    };
    std::thread worker([&] { PostMessage(hwnd, kPing); });
    EXPECT_EQ(ui::RunMessageLoop(), 7);
    worker.join();
    EXPECT_FALSE(ui::TakeQuit());  // taken by the loop
}

// A modal window runs its own loop; the owner's timers keep firing in it and
// the owner takes no input until the modal window closes.
TEST_F(WindowTest, ModalLoopKeepsDeliveringTheOwnersTimersAndMessages) {
    TestWindow owner(R"(<Container name="root"/>)");
    HWND ownerHwnd = owner.Open();
    int ownerTicks = 0;
    int ownerPings = 0;
    owner.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == "timer") ++ownerTicks;
    };
    owner.onMessage = [&](UINT msg, WPARAM, LPARAM, bool& handled) {
        if (msg == kPing) {
            handled = true;
            ++ownerPings;
        }
        return LRESULT{0};
    };
    ASSERT_TRUE(owner.pm.SetTimer(owner.pm.GetRoot(), 2, 10));

    TestWindow dialog(R"(<Container name="d"/>)");
    HWND dialogHwnd = dialog.Create(ownerHwnd, "login", WS_POPUP, 0, 0, 0, 200, 100);
    ASSERT_NE(dialogHwnd, nullptr);
    bool ownerDisabledDuringModal = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);
        SendMessage(ownerHwnd, kPing);  // a worker reaching the owner during the modal loop
    });
    dialog.pm.SetTimer(dialog.pm.GetRoot(), 1, 200);
    dialog.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType != "timer") return;
        ownerDisabledDuringModal = !IsWindowEnabled(ownerHwnd);
        ui::PointerPressed(ownerHwnd, {110, 60}, ui::MouseButton::Left);  // ignored
        dialog.Close(IDCANCEL);
    };
    // A broken modal loop must fail the test, not hang it.
    std::atomic<bool> returned{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 500 && !returned; ++i) std::this_thread::sleep_for(10ms);
        if (!returned) PostMessage(dialogHwnd, WM_CLOSE, 99, 0);
    });
    UINT result = dialog.ShowModal();
    returned = true;
    watchdog.join();
    worker.join();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(IsWindow(dialogHwnd));
    EXPECT_GE(ownerTicks, 3);  // about 20 when the machine is idle
    EXPECT_EQ(ownerPings, 1);
    EXPECT_TRUE(ownerDisabledDuringModal);
    EXPECT_TRUE(IsWindowEnabled(ownerHwnd));
    for (const std::string& note : owner.Log()) EXPECT_EQ(note, "timer:root");  // no input
}

TEST_F(WindowTest, QuitDuringAModalLoopReachesTheOuterLoop) {
    TestWindow dialog;
    HWND hwnd = dialog.Open();
    PostQuitMessage(3);
    dialog.ShowModal();
    EXPECT_TRUE(IsWindow(hwnd));  // the modal window stays; the quit is passed on
    EXPECT_EQ(ui::TakeQuit(), 3);
}

TEST_F(WindowTest, MaximiseUsesTheWindowsMinMaxAnswerAndRestoreReturns) {
    ui::ScreenInfo screen;
    screen.monitor = {0, 0, 1280, 800};
    screen.workArea = {0, 0, 1280, 760};
    backend_->SetScreen(screen);
    TestWindow window;
    std::vector<WPARAM> sizeKinds;
    window.onMessage = [&](UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
        if (msg == WM_GETMINMAXINFO) {
            // The work area, as the system's windows answer.
            MONITORINFO info;
            GetMonitorInfo(MonitorFromWindow(window.GetHWND(), MONITOR_DEFAULTTONEAREST), &info);
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
            mmi->ptMaxPosition = {info.rcWork.left, info.rcWork.top};
            mmi->ptMaxSize = {info.rcWork.right - info.rcWork.left,
                              info.rcWork.bottom - info.rcWork.top};
        }
        if (msg == WM_SIZE) {
            sizeKinds.push_back(wParam);
            EXPECT_EQ(IsZoomed(window.GetHWND()) != FALSE, wParam == SIZE_MAXIMIZED);
        }
        (void)handled;
        return LRESULT{0};
    };
    HWND hwnd = window.Open(100, 50, 950, 553);
    sizeKinds.clear();
    window.CenterWindow();
    RECT centred;
    GetWindowRect(hwnd, &centred);
    EXPECT_EQ(centred, (RECT{165, 103, 1115, 656}));

    SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{0, 0, 1280, 760}));
    EXPECT_TRUE(IsZoomed(hwnd));
    ui::HeadlessBackend::WindowView view;
    ASSERT_TRUE(backend_->GetWindowView(hwnd, &view));
    EXPECT_EQ(view.state, ui::WindowState::Maximized);
    EXPECT_EQ(view.rect, rect);

    SendMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE);
    EXPECT_TRUE(IsIconic(hwnd));
    SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE);  // back to maximised
    EXPECT_TRUE(IsZoomed(hwnd));
    SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE);
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, centred);
    EXPECT_FALSE(IsZoomed(hwnd));
    EXPECT_EQ(sizeKinds,
              (std::vector<WPARAM>{SIZE_MAXIMIZED, SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_RESTORED}));
}

TEST_F(WindowTest, IconResourcesNameTheImageTheWindowShows) {
    CPaintManagerUI::SetResourcePath("/skins/main/");
    RegisterIconResource(102, "logo.png");
    RegisterIconResource(103, "/abs/other.png");
    TestWindow window;
    HWND hwnd = window.Open(0, 0, 300, 200);
    ui::HeadlessBackend::WindowView view;

    window.SetIcon(101);  // no such resource: nothing changes
    ASSERT_TRUE(backend_->GetWindowView(hwnd, &view));
    EXPECT_EQ(view.icon, "");
    window.SetIcon(102);
    ASSERT_TRUE(backend_->GetWindowView(hwnd, &view));
    EXPECT_EQ(view.icon, "/skins/main/logo.png");
    window.SetIcon(103);
    ASSERT_TRUE(backend_->GetWindowView(hwnd, &view));
    EXPECT_EQ(view.icon, "/abs/other.png");
}

TEST_F(WindowTest, RoundedRegionBecomesTheWindowShape) {
    TestWindow window;
    HWND hwnd = window.Open(0, 0, 300, 200);
    SetWindowRgn(hwnd, CreateRoundRectRgn(0, 0, 301, 201, 6, 6), TRUE);
    ui::HeadlessBackend::WindowView view;
    ASSERT_TRUE(backend_->GetWindowView(hwnd, &view));
    ASSERT_TRUE(view.hasShape);
    EXPECT_EQ(view.shape.bounds, (RECT{0, 0, 301, 201}));
    EXPECT_EQ(view.shape.ellipseWidth, 6);
    SetWindowRgn(hwnd, nullptr, TRUE);
    ASSERT_TRUE(backend_->GetWindowView(hwnd, &view));
    EXPECT_FALSE(view.hasShape);
}

TEST_F(WindowTest, MonitorInfoFollowsTheConfiguredScreen) {
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint({5, 5}, MONITOR_DEFAULTTOPRIMARY), &info));
    EXPECT_EQ(info.rcMonitor, (RECT{0, 0, 1920, 1080}));
    EXPECT_EQ(info.rcWork, (RECT{0, 0, 1920, 1040}));
}

// Caption dragging and edge sizing follow the window's own hit test.
TEST_F(WindowTest, HitTestDrivesCaptionDragAndEdgeSizing) {
    TestWindow window;
    window.onMessage = [&](UINT msg, WPARAM, LPARAM lParam, bool& handled) {
        if (msg != WM_NCHITTEST) return LRESULT{0};
        handled = true;
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(window.GetHWND(), &point);
        RECT client;
        GetClientRect(window.GetHWND(), &client);
        if (point.x >= client.right - 4) return HTRIGHT;
        return point.y < 20 ? HTCAPTION : HTCLIENT;
    };
    window.pm.SetMinInfo(150, 100);
    HWND hwnd = window.Open(100, 100, 300, 200);
    ui::PointerPressed(hwnd, {150, 110}, ui::MouseButton::Left);
    ui::PointerMoved(hwnd, {180, 150});
    ui::PointerReleased(hwnd, {180, 150}, ui::MouseButton::Left);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{130, 140, 430, 340}));
    ui::PointerPressed(hwnd, {428, 200}, ui::MouseButton::Left);
    ui::PointerMoved(hwnd, {200, 200});  // narrower than the minimum
    ui::PointerReleased(hwnd, {200, 200}, ui::MouseButton::Left);
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{130, 140, 280, 340}));
    ui::PointerPressed(hwnd, {150, 110 + 40}, ui::MouseButton::Left, true);  // caption double click
    EXPECT_TRUE(IsZoomed(hwnd));
    EXPECT_EQ(std::count(window.messages.begin(), window.messages.end(), WM_LBUTTONDOWN), 0);
}

TEST_F(WindowTest, PreMessageFiltersSeeKeysFirst) {
    struct EscapeFilter : IMessageFilterUI {
        LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool& handled) override {
            if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
                handled = true;
                ++escapes;
            }
            return 0;
        }
        int escapes = 0;
    } filter;
    TestWindow window;
    HWND hwnd = window.Open();
    window.pm.AddPreMessageFilter(&filter);
    ui::KeyPressed(hwnd, VK_ESCAPE);
    ui::KeyPressed(hwnd, VK_RETURN);
    EXPECT_EQ(filter.escapes, 1);
    EXPECT_EQ(std::count(window.messages.begin(), window.messages.end(), WM_KEYDOWN), 1);
    window.pm.RemovePreMessageFilter(&filter);
    ui::KeyPressed(hwnd, VK_ESCAPE);
    EXPECT_EQ(filter.escapes, 1);
}

TEST_F(WindowTest, OwnedWindowsGoFirstAndFocusReturnsToTheOwner) {
    TestWindow owner;
    HWND ownerHwnd = owner.Open();
    TestWindow popup;
    HWND popupHwnd = popup.Create(ownerHwnd, "menu", WS_POPUP | WS_VISIBLE, 0, 0, 0, 50, 50);
    EXPECT_EQ(GetFocus(), popupHwnd);
    EXPECT_EQ(GetAncestor(popupHwnd, GA_ROOTOWNER), ownerHwnd);
    std::vector<HWND> killedFor;
    owner.onMessage = [&](UINT msg, WPARAM, LPARAM, bool&) {
        if (msg == WM_SETFOCUS) killedFor.push_back(nullptr);
        return LRESULT{0};
    };
    DestroyWindow(popupHwnd);
    EXPECT_EQ(GetFocus(), ownerHwnd);
    EXPECT_EQ(killedFor.size(), 1u);
    TestWindow second;
    HWND secondHwnd = second.Create(ownerHwnd, "menu", WS_POPUP, 0, 0, 0, 50, 50);
    DestroyWindow(ownerHwnd);
    EXPECT_FALSE(IsWindow(secondHwnd));
    EXPECT_TRUE(second.finalMessageSeen);
}

}  // namespace
