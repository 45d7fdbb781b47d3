// CVamoFrameWnd: the launcher's window.
//
// Built from the skin "vamo.xml": caption buttons, the eight check-up pages of
// the tab layout "switch" chosen by options, the home page browser "ie" and
// the check-up panels ("ComputerExamine"). At creation it swaps in the side
// file of entity.so, loads the product module vamo.so, embeds the window its
// RunVamo returns and then calls its ConnectVamo("test") at every timer
// notification (timer 1, each second).
//
// Sections: window | notifications | state for tests | members
#pragma once

#include <string>

#include "launcher/check_up_pages.h"
#include "launcher/entity_side_file.h"
#include "launcher/product_module.h"
#include "ui/core/UIlib.h"

namespace vamo {

inline constexpr const char kLauncherSkin[] = "vamo.xml";
inline constexpr UINT kModuleTimer = 1;
inline constexpr UINT kModuleTimerPeriodMs = 1000;
inline constexpr const char kConnectArgument[] = "test";
// Where the module's window goes, and its size (it is never resized).
inline constexpr RECT kModuleWindowPlace{0, 30, 0, 0};  // x, y, width, height

class CVamoFrameWnd : public DuiLib::CWindowWnd, public DuiLib::INotifyUI {
public:
    // `programFolder` ends in the separator: entity.so and vamo.so lie there.
    explicit CVamoFrameWnd(std::string programFolder);

    // ---- window ----
    LPCTSTR GetWindowClassName() const override { return "UIMainFrame"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ---- notifications ----
    void Notify(DuiLib::TNotifyUI& msg) override;

    // ---- state for tests ----
    DuiLib::CPaintManagerUI& PaintManager() { return m_pm; }
    ProductModule& Module() { return m_module; }
    HWND ModuleWindow() const { return m_moduleWindow; }
    EntitySwap EntityResult() const { return m_entity; }
    DuiLib::IWebBrowser2* WebBrowser() const { return m_webBrowser; }

protected:
    void OnFinalMessage(HWND hwnd) override;

private:
    LRESULT OnCreate();
    void InitWindow();
    // Reads the facts again and shows them on the pages.
    void ShowCheckUp();
    void SelectPage(const DuiLib::CStdString& optionName);
    LRESULT OnSysCommand(WPARAM command, LPARAM lParam);

    // ---- members ----
    const std::string m_programFolder;
    DuiLib::CPaintManagerUI m_pm;
    DuiLib::IWebBrowser2* m_webBrowser = nullptr;  // belongs to the "ie" control
    DuiLib::CControlUI* m_closeButton = nullptr;
    DuiLib::CControlUI* m_maxButton = nullptr;
    DuiLib::CControlUI* m_restoreButton = nullptr;
    DuiLib::CControlUI* m_minButton = nullptr;
    ProductModule m_module;
    HWND m_moduleWindow = nullptr;
    EntitySwap m_entity = EntitySwap::NothingPending;
};

}  // namespace vamo
