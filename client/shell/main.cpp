// The client program quorvi.
#include "client/shell/program_entry.h"
#include "platform/text.h"
#include "ui/core/UIlib.h"
#include "ui/render/cairo_target.h"
#include "ui/web/screen_backend.h"

int main() {
    ui::PrepareScreenEnvironment();
    DuiLib::CPaintManagerUI::SetInstance(nullptr);
    quorvi::SystemServices services;
    quorvi::ClientProgram program;
    program.programFolder = DuiLib::CPaintManagerUI::GetInstancePath();
    program.initialiseUi = [folder = program.programFolder](const DuiLib::SkinFile& mainSkin) {
        // GTK starts first, alone: its start waits on the X server, which a
        // thread busy beside it on a machine of two cores would hold up. The main
        // window's fonts, and where a core is spare its images, are then made
        // ready on threads of their own while the window is made.
        if (!ui::InstallScreenBackend()) return false;
        // The main window's images as the last start decoded them, where their
        // files have not changed since: copied, not decoded again.
        ui::UseStoredImages(platform::GbkToUtf8(folder) + quorvi::kStoredImagesFileName);
        const std::string text = mainSkin.text.value_or("");
        ui::PrepareFonts(ui::SkinFontDescriptions(text));
        if (ui::DecodeAheadPays()) ui::PreloadImages(ui::SkinImageNames(text));
        // Application dialogs open one after another; each starts on a ready page process.
        ui::EnableSpareWebView();
        return true;
    };
    program.services = &services;
    return quorvi::RunClientProgram(program);
}
