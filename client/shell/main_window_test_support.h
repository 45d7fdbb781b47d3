// The real main window, headless, in a program folder of its own, for the tests
// of the main window and of the features it routes to: services that record
// what the window would start instead of starting it, and a fixture with the
// window's controls and the notifications a user's actions raise.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "client/common/database_test_support.h"
#include "client/shell/quorvi_frame_wnd.h"
#include "ui/core/headless_backend.h"
#include "ui/core/message_loop.h"

namespace quorvi {

// Records what the window starts and ends instead of doing it.
class RecordingServices : public MainWindowServices {
public:
    std::vector<std::string> log;
    bool updaterRunning = false;

    bool IsProgramRunning(const std::string& path) override {
        return path.ends_with("/updrix.exe") && updaterRunning;
    }
    void KillProgram(const std::string& path) override { log.push_back("kill " + path); }
    void StartProgram(const std::string& path) override { log.push_back("start " + path); }
    void StartAppListUpdate(const std::string& folder) override {
        log.push_back("apps update in " + folder);
    }
    void StartRechargeParamsFetch(HWND, const std::string& account) override {
        log.push_back("recharge params for [" + account + "]");
    }
    void StartScriptPluginFetch(HWND) override { log.push_back("script plug-in"); }
    WorkerOwner& Workers() override { return workers; }
    WorkerOwner workers;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = &ui::InstallHeadlessBackend();
        DuiLib::CPaintManagerUI::SetResourcePath(QUORVI_SKIN_DIR);
    }
    // Workers the window started finish first, so none outlives its window.
    void TearDown() override {
        WorkersFinished();
        if (frame && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);  // deletes the frame
        ui::RunUntilIdle();
        ui::TakeQuit();
    }

    // Creates the window at (x, y), with `catalogue` as the stored "apps.xml" when given.
    void Open(const char* catalogue = nullptr, int x = 0, int y = 0) {
        if (catalogue) std::ofstream(folder.Path() + "apps.xml", std::ios::binary) << catalogue;
        frame = new CQuorviFrameWnd(folder.Path(), services);
        hwnd =
            frame->Create(nullptr, "Quorvi", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, x, y, 950, 553);
        ASSERT_TRUE(hwnd);
    }

    DuiLib::CControlUI* Find(std::string_view name) {
        return frame->PaintManager().FindControl(name);
    }
    bool Visible(std::string_view name) { return Find(name) && Find(name)->IsVisible(); }
    bool Selected(std::string_view name) {
        auto* option = static_cast<DuiLib::COptionUI*>(Find(name)->GetInterface("Option"));
        return option && option->IsSelected();
    }
    void Notify(const char* type, DuiLib::CControlUI* sender, WPARAM wParam = 0) {
        DuiLib::TNotifyUI msg;
        msg.sType = type;
        msg.pSender = sender;
        msg.wParam = wParam;
        frame->Notify(msg);
    }
    void Click(DuiLib::CControlUI* control) { Notify("click", control); }
    void FireTimer(MainTimer timer) {
        Notify("timer", frame->PaintManager().GetRoot(), static_cast<WPARAM>(timer));
    }
    bool IsSet(MainTimer timer) { return frame->Timers().IsSet(timer); }
    bool WorkersFinished() {
        return ui::RunUntil([this] { return services.workers.Running() == 0; },
                            std::chrono::seconds(60));
    }

    TempFolder folder;
    RecordingServices services;
    ui::HeadlessBackend* backend = nullptr;
    CQuorviFrameWnd* frame = nullptr;
    HWND hwnd = nullptr;
};

}  // namespace quorvi
