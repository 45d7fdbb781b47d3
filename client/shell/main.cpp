// The client program quorvi.
#include "client/shell/program_entry.h"
#include "ui/core/UIlib.h"
#include "ui/render/cairo_target.h"
#include "ui/web/screen_backend.h"

int main() {
    ui::PrepareScreenEnvironment();
    DuiLib::CPaintManagerUI::SetInstance(nullptr);
    quorvi::SystemServices services;
    quorvi::ClientProgram program;
    program.programFolder = DuiLib::CPaintManagerUI::GetInstancePath();
    program.initialiseUi = [](const DuiLib::SkinFile& mainSkin) {
        // The main window's fonts and images are made ready on threads of their
        // own while GTK starts and the window is made.
        const std::string text = mainSkin.text.value_or("");
        ui::PrepareFonts(ui::SkinFontDescriptions(text));
        ui::PreloadImages(ui::SkinImageNames(text));
        if (!ui::InstallScreenBackend()) return false;
        // Application dialogs open one after another; each starts on a ready page process.
        ui::EnableSpareWebView();
        return true;
    };
    program.services = &services;
    return quorvi::RunClientProgram(program);
}
