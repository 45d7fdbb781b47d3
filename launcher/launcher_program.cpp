#include "launcher/launcher_program.h"

#include "launcher/vamo_frame_wnd.h"
#include "platform/chinese_texts.h"
#include "platform/log.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "ui/core/UIlib.h"
#include "ui/core/shell_dialogs.h"

namespace vamo {

namespace {

// Runs on the single-instance listener thread: the window is looked up by its
// caption on the UI thread, as a second start would find it, and nudged.
void NudgeOwnWindow(const std::string& caption) {
    ui::PostTask([caption] {
        HWND window = ::FindWindow(nullptr, caption.c_str());
        if (window && ::PostMessage(window, WM_SIZE, 0, 0))
            platform::LogInfo("another start of the launcher nudged this window");
    });
}

}  // namespace

int RunLauncherProgram(const LauncherProgram& program) {
    // Held until the process ends.
    platform::SingleInstance instance(kSingleInstanceName);
    if (!instance.IsFirst()) {
        // The message box needs the screen; without one its text goes to
        // standard error.
        if (program.initialiseUi) program.initialiseUi();
        ::MessageBoxA(nullptr, platform::texts::kAlreadyRunningMessage, kLauncherTitle, MB_OK);
        instance.NudgeFirst(kLauncherTitle);
        return 0;
    }
    instance.OnNudge(NudgeOwnWindow);

    DuiLib::CPaintManagerUI::SetResourcePath(program.programFolder + "skin/quorvi");
    DuiLib::RegisterIconResource(kLauncherIcon, kLauncherIconImage);
    if (program.initialiseUi && !program.initialiseUi()) return 0;

    auto* frame = new CVamoFrameWnd(program.programFolder);
    HWND hwnd = frame->Create(
        nullptr, kLauncherTitle,
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0);
    if (!hwnd) {
        // A failed creation has destroyed (and deleted) the window.
        platform::LogError("cannot build the window from " +
                           DuiLib::CPaintManagerUI::GetResourcePath() + kLauncherSkin);
        return 1;
    }
    frame->CenterWindow();
    ::ShowWindow(hwnd, SW_SHOW);

    DuiLib::CPaintManagerUI::MessageLoop();

    // The close button and the system Close end the loop with the window still there.
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    // Only the client of this program folder: a "quorvi" elsewhere is not ours.
    platform::KillProgram(program.programFolder + kClientImageName);
    return 0;
}

}  // namespace vamo
