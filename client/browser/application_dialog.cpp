// Sections: construction | window | recommendation column | notifications | script plug-in
#include "client/browser/application_dialog.h"

#include <cstdlib>
#include <memory>

#include "client/browser/browser_event_handler.h"
#include "client/browser/script_plugin_thread.h"
#include "client/common/database.h"
#include "client/common/events.h"
#include "platform/text.h"
#include "ui/core/skinned_frame.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::COptionUI;

namespace {

// The program's icon resource, which every window of the client shows.
constexpr UINT kProgramIconResource = 102;

void SetVisible(CControlUI* control, bool visible) {
    if (control) control->SetVisible(visible);
}

}  // namespace

// ---- construction ------------------------------------------------------------------------------
ApplicationDialog::ApplicationDialog(HWND owner, std::string groupId, std::string address,
                                     const ApplicationDialogSetup& setup)
    : m_address(std::move(address)), m_owner(owner), m_groupId(std::move(groupId)), m_setup(setup) {
    m_events.On<StartContentFetch>([this](const StartContentFetch&) { StartScriptFetch(); });
    m_events.On<HomeContent>([this](const HomeContent& content) {
        if (content.mode == ContentMode::ScriptPlugin) RunScript(content.body);
    });
    // The main window opens what the page asked for.
    m_events.On<OpenSignedLink>([this](const OpenSignedLink& link) { Raise(m_owner, link); });
}

ApplicationDialog::~ApplicationDialog() = default;

void ApplicationDialog::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

// ---- window ------------------------------------------------------------------------------------
LRESULT ApplicationDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (auto answer = m_events.Handle(uMsg, lParam)) return *answer;
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

LRESULT ApplicationDialog::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    LONG style = ::GetWindowLong(m_hWnd, GWL_STYLE);
    style = (style & ~static_cast<LONG>(WS_CAPTION)) |
            static_cast<LONG>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    ::SetWindowLong(m_hWnd, GWL_STYLE, style);

    // No pre-message filter: keys never reach ResponseDefaultKeyEvent, so Escape
    // cannot close the dialog. The skin comes from the client's skin folder.
    m_PaintManager.Init(m_hWnd);
    DuiLib::CDialogBuilder builder;
    CControlUI* root =
        builder.Create(kApplicationDialogSkin, nullptr, m_setup.builderCallback, &m_PaintManager);
    if (!root) return -1;  // the builder has named the file on standard error
    m_PaintManager.AttachDialog(root);
    m_PaintManager.AddNotifier(this);
    InitWindow();
    return 0;
}

void ApplicationDialog::InitWindow() {
    SetIcon(kProgramIconResource);
    m_closeButton = m_PaintManager.FindControl("closebtn");
    m_maxButton = m_PaintManager.FindControl("maxbtn");
    m_restoreButton = m_PaintManager.FindControl("restorebtn");
    m_minButton = m_PaintManager.FindControl("minbtn");
    m_scripted = false;

    auto browser = std::make_unique<DuiLib::CWebBrowserUI>();
    browser->SetDefaultUrl(m_address);
    browser->SetWebBrowserEventHandler(
        std::make_unique<CWebBrowserEventHandlerEx>(m_hWnd, true, UserInfo{}));
    auto* area = dynamic_cast<DuiLib::CContainerUI*>(m_PaintManager.FindControl("ieContainer"));
    if (area) m_browser = browser.get();
    if (area) area->Add(browser.release());

    BuildRecommendations();
}

// Not the base's: SC_CLOSE closes the dialog like every other command's default.
LRESULT ApplicationDialog::OnSysCommand(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    return DuiLib::SystemCommand(m_hWnd, wParam, lParam, m_maxButton, m_restoreButton);
}

LRESULT ApplicationDialog::ResponseDefaultKeyEvent(WPARAM wParam) {
    return wParam == VK_ESCAPE ? TRUE : FALSE;
}

// ---- recommendation column ---------------------------------------------------------------------
void ApplicationDialog::BuildRecommendations() {
    auto* column =
        dynamic_cast<DuiLib::CContainerUI*>(m_PaintManager.FindControl("containerRecommend"));
    if (!column || !m_setup.database) return;
    const auto rows = m_setup.database->Query(
        "select AppName, AppForeImage, ControlName, UserData, AppID from apps where GroupID=? "
        "limit ?",
        {m_groupId, kRecommendationLimit});
    int shown = 0;
    for (const SqlRow& row : rows) {
        const std::string address = row.Text(3);
        if (!address.starts_with("http://")) continue;  // https and programs stay out
        auto option = std::make_unique<COptionUI>();
        option->SetText(row.Text(0));
        option->SetAttribute("width", "100");
        option->SetAttribute("height", "100");
        option->SetFont(0);
        option->SetAttribute("float", "true");
        option->SetAttribute("textpadding", "0,0,0,2");
        option->SetAttribute("textcolor", "#00FFFBF0");
        option->SetAttribute("align", "centerbottom");
        option->SetAttribute("group", "quickbarRecommend");
        option->SetAttribute("foreimage", row.Text(1));
        option->SetAttribute("pos", "10," + std::to_string(40 + 110 * shown) + ",0,0");
        option->SetName(row.Text(2));
        option->SetUserData(address);
        option->SetTag(static_cast<UINT_PTR>(std::atoi(row.Text(4).c_str())));
        COptionUI* added = option.get();
        column->Add(option.release());
        added->NeedParentUpdate();
        added->NeedUpdate();
        ++shown;
    }
}

// ---- notifications -----------------------------------------------------------------------------
void ApplicationDialog::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.sType != "click" || !msg.pSender) return;
    CControlUI* sender = msg.pSender;
    if (sender == m_closeButton) {
        Close(IDOK);
    } else if (sender == m_minButton) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sender == m_maxButton) {
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (sender == m_restoreButton) {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    } else if (sender->GetName().starts_with("optLink")) {
        // A new page: it gets the script once it has loaded.
        m_scripted = false;
        ++m_page;
        if (m_browser) m_browser->Navigate2(sender->GetUserData());
    } else if (sender->GetName() == "btnCloseSlider") {
        ShowSlider(false);
    } else if (sender->GetName() == "btnOpenSlider") {
        ShowSlider(true);
    }
}

void ApplicationDialog::ShowSlider(bool open) {
    SetVisible(m_PaintManager.FindControl("btnCloseSlider"), open);
    SetVisible(m_PaintManager.FindControl("rightContainer"), open);
    SetVisible(m_PaintManager.FindControl("btnOpenSlider"), !open);
}

// ---- script plug-in ----------------------------------------------------------------------------
void ApplicationDialog::StartScriptFetch() {
    if (m_scripted || m_fetchedPage == m_page) return;
    m_fetchedPage = m_page;
    if (m_setup.workers) {
        m_setup.workers->Start(
            std::make_unique<CScriptPluginThread>(m_hWnd, m_setup.scriptPluginUrl));
    } else {
        RunScript("");  // nobody to fetch it: the page goes without, as after a failed fetch
    }
}

void ApplicationDialog::RunScript(const std::string& script) {
    if (m_scripted || m_fetchedPage != m_page) return;  // this page is done, or was left
    if (m_browser) m_browser->RunJavaScript(platform::GbkToUtf16(script));
    m_scripted = true;
}

}  // namespace quorvi
