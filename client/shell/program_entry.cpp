#include "client/shell/program_entry.h"

#include "client/shell/quorvi_frame_wnd.h"
#include "ui/core/UIlib.h"

namespace quorvi {

namespace {
constexpr const char kWindowTitle[] = "Quorvi";
constexpr int kWindowWidth = 950;
constexpr int kWindowHeight = 553;
}  // namespace

int RunClientProgram(const ClientProgram& program) {
    DuiLib::CPaintManagerUI::SetResourcePath(program.programFolder + "skin/quorvi");
    DuiLib::RegisterIconResource(kProgramIcon, kProgramIconImage);
    if (program.initialiseUi && !program.initialiseUi()) return 0;
    if (!program.services) return 0;

    auto* frame = new CQuorviFrameWnd(program.programFolder, *program.services);
    HWND hwnd = frame->Create(nullptr, kWindowTitle, WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0,
                              kWindowWidth, kWindowHeight);
    if (!hwnd) return 0;  // a failed creation has destroyed (and deleted) the window
    frame->CenterWindow();
    ::ShowWindow(hwnd, SW_SHOW);

    DuiLib::CPaintManagerUI::MessageLoop();

    // The close button and the system Close end the loop with the window still
    // there; destroying it now closes the database cleanly.
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    return 0;
}

}  // namespace quorvi
