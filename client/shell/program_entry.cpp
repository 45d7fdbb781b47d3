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
    DuiLib::SkinFile mainSkin = DuiLib::ReadSkin(kMainSkin);
    if (program.initialiseUi && !program.initialiseUi(mainSkin)) return 0;
    if (!program.services) return 0;

    auto* frame =
        new CQuorviFrameWnd(program.programFolder, *program.services, std::move(mainSkin));
    // A large catalogue is parsed while GTK makes the window.
    frame->PreloadCatalogue();
    frame->StoreCatalogueAfterFirstFrame();
    // Shown only when it is in place and laid out: the first frame on screen is
    // the finished window, with the native children (the search box) where
    // they belong, not at the window's corner until the next frame.
    HWND hwnd = frame->Create(nullptr, kWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 0, kWindowWidth,
                              kWindowHeight);
    // A failed creation (the main skin did not build) has destroyed and deleted
    // the window and said why.
    if (!hwnd) return 1;
    frame->CenterWindow();
    if (DuiLib::CPaintManagerUI* manager = DuiLib::CPaintManagerUI::FromWindow(hwnd))
        manager->UpdateLayout();
    ::ShowWindow(hwnd, SW_SHOW);

    DuiLib::CPaintManagerUI::MessageLoop();

    // The close button and the system Close end the loop with the window still
    // there; destroying it now closes the database cleanly.
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    // Workers still reporting to the window are answered at once from here on,
    // so joining them cannot wait for a loop that no longer runs.
    ui::CloseMessaging();
    program.services->StopWorkers();
    return 0;
}

}  // namespace quorvi
