// The launcher program vamo.
#include "launcher/launcher_program.h"
#include "ui/core/UIlib.h"
#include "ui/web/screen_backend.h"

int main() {
    ui::PrepareScreenEnvironment();
    DuiLib::CPaintManagerUI::SetInstance(nullptr);
    vamo::LauncherProgram program;
    program.programFolder = DuiLib::CPaintManagerUI::GetInstancePath();
    program.initialiseUi = ui::InstallScreenBackend;
    return vamo::RunLauncherProgram(program);
}
