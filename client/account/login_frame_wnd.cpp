// Sections: creation | window | notifications | login
#include "client/account/login_frame_wnd.h"

#include <memory>

#include "client/account/skin_folder.h"
#include "client/account/user_thread.h"
#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "platform/chinese_texts.h"
#include "platform/process.h"
#include "ui/core/skinned_frame.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::COptionUI;

CLoginFrameWnd::CLoginFrameWnd(const ClientConfig& remembered, WorkerOwner& workers,
                               AccountEndpoints servers)
    : m_remembered(remembered), m_workers(workers), m_servers(std::move(servers)) {
    m_events.On<LoginFailed>([this](const LoginFailed& failed) { ShowInfo(failed.message); });
    m_events.On<LoginSucceeded>(
        [this](const LoginSucceeded& succeeded) { OnLoginAccepted(succeeded); });
    m_events.On<UserInfoReceived>(
        [this](const UserInfoReceived& received) { Raise(m_owner, received); });
}

// ---- creation -------------------------------------------------------------------------------
void CLoginFrameWnd::ShowModalOver(HWND owner, const ClientConfig& remembered, WorkerOwner& workers,
                                   std::string_view message, AccountEndpoints servers) {
    auto* window = new CLoginFrameWnd(remembered, workers, std::move(servers));
    if (!window->CreateOver(owner, message)) return;  // a failed creation deleted it
    window->ShowModal();
}

HWND CLoginFrameWnd::CreateOver(HWND owner, std::string_view message) {
    m_owner = owner;
    constexpr DWORD kStyle =
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    // Titled for the window list and for scripts that look for it.
    if (!Create(owner, platform::texts::kLoginButtonText, kStyle, 0)) return nullptr;
    CenterWindow();
    Prefill();
    if (!message.empty()) ShowInfo(message);
    return m_hWnd;
}

// The skin comes from the folder every window of the client reads its images from.
DuiLib::CStdString CLoginFrameWnd::GetSkinFolder() {
    return SkinFolder();
}

void CLoginFrameWnd::InitWindow() {
    const auto option = [this](const char* name) {
        CControlUI* control = m_PaintManager.FindControl(name);
        return control ? static_cast<COptionUI*>(control->GetInterface("Option")) : nullptr;
    };
    m_rememberOption = option("optRemPsw");
    m_autoLoginOption = option("optAutoLogin");
    m_accountEdit = m_PaintManager.FindControl("accountedit");
    m_info = m_PaintManager.FindControl("lbLoginInfo");
    if (m_info) m_info->SetVisible(false);
    m_passwordEdit = m_PaintManager.FindControl("pwdedit");
    if (m_accountEdit) m_PaintManager.SetFocusNeeded(m_accountEdit);
}

void CLoginFrameWnd::Prefill() {
    if (!m_remembered.IsRemeberPassword) return;
    if (m_accountEdit) m_accountEdit->SetText(m_remembered.LoginUserName);
    if (m_passwordEdit) m_passwordEdit->SetText(m_remembered.LoginPassword);
    Tick(m_rememberOption, true);
    if (m_remembered.IsAutoLogin) Tick(m_autoLoginOption, true);
}

void CLoginFrameWnd::Tick(COptionUI* option, bool selected) {
    if (option && option->IsSelected() != selected) option->Selected(selected);
}

void CLoginFrameWnd::ShowInfo(std::string_view text) {
    if (!m_info) return;
    m_info->SetText(text);
    m_info->SetVisible(true);
}

void CLoginFrameWnd::HideInfo() {
    if (!m_info) return;
    m_info->SetText("");
    m_info->SetVisible(false);
}

// ---- window ---------------------------------------------------------------------------------
// Only buttons take their clicks in the caption band; labels and options there
// drag the window.
LRESULT CLoginFrameWnd::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool& handled) {
    handled = true;
    return DuiLib::CaptionOnlyHitTest(m_hWnd, m_PaintManager, lParam, DuiLib::IsButton);
}

// Alt+F4 and the system menu's Close close the login window like its close button.
LRESULT CLoginFrameWnd::OnSysCommand(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT CLoginFrameWnd::HandleCustomMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
    return m_events.Handle(message, lParam, handled);
}

void CLoginFrameWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

// ---- notifications --------------------------------------------------------------------------
void CLoginFrameWnd::Notify(DuiLib::TNotifyUI& msg) {
    if (!msg.pSender) return;
    const DuiLib::CStdString name = msg.pSender->GetName();
    if (msg.sType == "click") {
        if (name == "closebtn") {
            Close(IDCANCEL);
        } else if (name == "loginBtn") {
            StartLogin();
        } else if (name == "btnRegisterLink") {
            platform::OpenUrl(urls::Concat({m_servers.userServer, "Reg/register?userType=1"}));
        } else if (name == "btnForgetPasswordLink") {
            platform::OpenUrl(urls::Concat({m_servers.userServer, "User/login"}));
        } else if (name == "optRemPsw") {
            // Signing in by itself needs the remembered password.
            if (m_rememberOption && !m_rememberOption->IsSelected()) Tick(m_autoLoginOption, false);
        } else if (name == "optAutoLogin") {
            if (m_autoLoginOption && m_autoLoginOption->IsSelected()) Tick(m_rememberOption, true);
        }
    } else if (msg.sType == "itemselect") {
        if (name == "accountcombo" && m_accountEdit) m_accountEdit->SetText(msg.pSender->GetText());
    } else if (msg.sType == "textchanged") {
        HideInfo();
    } else if (msg.sType == "return") {
        if (name == "accountedit" && m_passwordEdit) {
            m_PaintManager.SetFocus(m_passwordEdit);
        } else if (name == "pwdedit") {
            StartLogin();
        }
    }
}

// ---- login ----------------------------------------------------------------------------------
void CLoginFrameWnd::StartLogin() {
    // Taken as typed: the server judges empty or odd values.
    const std::string account = m_accountEdit ? std::string(m_accountEdit->GetText()) : "";
    const std::string password = m_passwordEdit ? std::string(m_passwordEdit->GetText()) : "";
    m_workers.Start(std::make_unique<CUserThread>(m_hWnd, account, password,
                                                  CUserThread::Unreachable::Report, m_servers));
}

void CLoginFrameWnd::OnLoginAccepted(const LoginSucceeded& succeeded) {
    ClientConfig login;
    if (m_rememberOption && m_rememberOption->IsSelected()) {
        login.IsRemeberPassword = true;
        login.LoginUserName = m_accountEdit ? std::string(m_accountEdit->GetText()) : "";
        login.LoginPassword = m_passwordEdit ? std::string(m_passwordEdit->GetText()) : "";
        login.IsAutoLogin = m_autoLoginOption && m_autoLoginOption->IsSelected();
    }
    Raise(m_owner, SaveLogin{std::move(login)});
    Raise(m_owner, succeeded);
    Close(IDOK);
}

}  // namespace quorvi
