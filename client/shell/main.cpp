// The client program quorvi.
#include "client/shell/program_entry.h"
#include "ui/core/UIlib.h"
#include "ui/web/screen_backend.h"

int main() {
    DuiLib::CPaintManagerUI::SetInstance(nullptr);
    quorvi::SystemServices services;
    quorvi::ClientProgram program;
    program.programFolder = DuiLib::CPaintManagerUI::GetInstancePath();
    program.initialiseUi = [] {
        if (!ui::InstallScreenBackend()) return false;
        // Application dialogs open one after another; each starts on a ready page process.
        ui::EnableSpareWebView();
        return true;
    };
    program.services = &services;
    return quorvi::RunClientProgram(program);
}
