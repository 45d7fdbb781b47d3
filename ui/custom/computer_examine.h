// The skin's custom check-up panel and the skin-builder hook that creates it.
//
// A skin names the panel with the class "ComputerExamine"; a builder given a
// CDialogBuilderCallbackEx creates a ComputerExamineUI for it. The panel fills
// itself from the skin file "ComputerExamine.xml" (found under the resource
// path) and stays an empty container when that file does not build. The window
// that shows it fills in the panel's labels by name.
#pragma once

#include "ui/core/UIlib.h"

namespace DuiLib {

inline constexpr const char kComputerExamineClass[] = "ComputerExamine";
inline constexpr const char kComputerExamineSkin[] = "ComputerExamine.xml";

class ComputerExamineUI : public CContainerUI {
public:
    ComputerExamineUI();

    LPCTSTR GetClass() const override { return "ComputerExamineUI"; }
    void* GetInterface(std::string_view name) override;
};

class CDialogBuilderCallbackEx : public IDialogBuilderCallback {
public:
    // A new ComputerExamineUI for exactly "ComputerExamine" (case counts), else null.
    CControlUI* CreateControl(LPCTSTR pstrClass) override;
};

}  // namespace DuiLib
