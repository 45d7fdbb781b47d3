// quorvi-gallery: shows the widget gallery on screen.
//
//   quorvi-gallery [--page 0|1|2] [--screenshot FILE] [--skin FOLDER]
//
// With --screenshot the window is saved as PNG once it is painted (and, on the
// browser page, once the page has loaded), and the program ends.
#include <chrono>
#include <cstring>
#include <string>

#include "platform/log.h"
#include "ui/gallery/gallery_window.h"
#include "ui/web/screen_backend.h"

int main(int argc, char** argv) {
    int page = 0;
    std::string screenshot;
    std::string skin = QUORVI_GALLERY_SKIN_DIR;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--page") == 0) page = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = argv[i + 1];
        if (std::strcmp(argv[i], "--skin") == 0) skin = argv[i + 1];
    }
    if (!ui::InstallScreenBackend()) return 1;
    DuiLib::CPaintManagerUI::SetResourcePath(skin);

    auto* window = new gallery::GalleryWindow("file://" + skin + "/page.html");
    if (!window->Create(nullptr, "Widget Gallery", WS_POPUP | WS_VISIBLE, 0, 0, 0, 950, 553)) {
        platform::LogError("cannot build " + skin + "/gallery.xml");
        return 1;
    }
    window->CenterWindow();
    window->SelectPage(page);
    if (screenshot.empty()) {
        DuiLib::CPaintManagerUI::MessageLoop();
        return 0;
    }
    using namespace std::chrono_literals;
    if (page == 2) ui::RunUntil([&] { return window->PageLoaded(); }, 20s);
    ui::RunFor(500ms);  // the first frames, the page's own painting
    const bool saved = ui::SaveWindowPng(window->GetHWND(), screenshot);
    platform::Log(saved ? platform::LogLevel::Info : platform::LogLevel::Error,
                  (saved ? "saved " : "could not save ") + screenshot);
    DestroyWindow(window->GetHWND());
    return saved ? 0 : 1;
}
