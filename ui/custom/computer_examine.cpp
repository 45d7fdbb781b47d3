#include "ui/custom/computer_examine.h"

#include <cstring>

namespace DuiLib {

ComputerExamineUI::ComputerExamineUI() {
    // No callback (the panel holds no custom classes of its own) and no paint
    // manager: the panel's controls join the window's manager with the panel.
    CDialogBuilder builder;
    if (CControlUI* content = builder.Create(kComputerExamineSkin))
        Add(content);
    else
        RemoveAll();
}

void* ComputerExamineUI::GetInterface(std::string_view name) {
    if (name == kComputerExamineClass) return this;
    return CContainerUI::GetInterface(name);
}

CControlUI* CDialogBuilderCallbackEx::CreateControl(LPCTSTR pstrClass) {
    if (pstrClass && std::strcmp(pstrClass, kComputerExamineClass) == 0)
        return new ComputerExamineUI;
    return nullptr;
}

}  // namespace DuiLib
