// Sections: creation | window | notifications | login
#include "client/account/login_frame_wnd.h"

#include <cstdio>
#include <memory>

#include "client/account/user_thread.h"
#include "client/common/messages.h"
#include "client/common/portal_urls.h"
#include "platform/chinese_texts.h"
#include "platform/process.h"
#include "ui/core/skinned_frame.h"

namespace quorvi {

using DuiLib::CControlUI;
using DuiLib::COptionUI;

CLoginFrameWnd::CLoginFrameWnd(const ClientConfig& remembered, WorkerOwner& workers,
                               AccountEndpoints servers)
    : m_remembered(remembered), m_workers(workers), m_servers(std::move(servers)) {}

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

LRESULT CLoginFrameWnd::OnCreate() {
    LONG style = ::GetWindowLong(m_hWnd, GWL_STYLE);
    style = static_cast<LONG>((static_cast<DWORD>(style) & ~WS_CAPTION) | WS_CLIPSIBLINGS |
                              WS_CLIPCHILDREN);
    ::SetWindowLong(m_hWnd, GWL_STYLE, style);

    m_pm.Init(m_hWnd);
    m_pm.AddPreMessageFilter(this);
    DuiLib::CDialogBuilder builder;
    CControlUI* root = builder.Create(kSkinFile, nullptr, nullptr, &m_pm);
    if (!root) {
        std::fprintf(stderr, "quorvi: error: the login skin %s%s could not be built\n",
                     DuiLib::CPaintManagerUI::GetResourcePath().c_str(), kSkinFile);
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);

    m_rememberOption = static_cast<COptionUI*>(
        m_pm.FindControl("optRemPsw") ? m_pm.FindControl("optRemPsw")->GetInterface("Option")
                                      : nullptr);
    m_autoLoginOption = static_cast<COptionUI*>(
        m_pm.FindControl("optAutoLogin") ? m_pm.FindControl("optAutoLogin")->GetInterface("Option")
                                         : nullptr);
    m_accountEdit = m_pm.FindControl("accountedit");
    m_info = m_pm.FindControl("lbLoginInfo");
    if (m_info) m_info->SetVisible(false);
    m_passwordEdit = m_pm.FindControl("pwdedit");
    if (m_accountEdit) m_pm.SetFocusNeeded(m_accountEdit);
    return 0;
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
LRESULT CLoginFrameWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_SIZE:
            DuiLib::ApplyRoundCorners(m_hWnd, m_pm);
            break;
        case WM_NCHITTEST:
            // Only buttons take their clicks in the caption band; labels and
            // options there drag the window.
            return DuiLib::CaptionOnlyHitTest(m_hWnd, m_pm, lParam, DuiLib::IsButton);
        case WM_NCACTIVATE:
            return DuiLib::NcActivate(m_hWnd, wParam, lParam);
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_LOGIN_FAILED:
            ShowInfo(lParam ? reinterpret_cast<const char*>(lParam) : "");
            return 0;
        case WM_LOGIN_SUCCEEDED:
            OnLoginAccepted(lParam);
            return 0;
        case WM_USER_INFO:
            return ::SendMessage(m_owner, WM_USER_INFO, wParam, lParam);
        default:
            break;
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

LRESULT CLoginFrameWnd::MessageHandler(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

void CLoginFrameWnd::OnFinalMessage(HWND) {
    m_pm.RemovePreMessageFilter(this);
    m_pm.RemoveNotifier(this);
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
            m_pm.SetFocus(m_passwordEdit);
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

void CLoginFrameWnd::OnLoginAccepted(LPARAM answer) {
    ClientConfig login;
    if (m_rememberOption && m_rememberOption->IsSelected()) {
        login.IsRemeberPassword = true;
        login.LoginUserName = m_accountEdit ? std::string(m_accountEdit->GetText()) : "";
        login.LoginPassword = m_passwordEdit ? std::string(m_passwordEdit->GetText()) : "";
        login.IsAutoLogin = m_autoLoginOption && m_autoLoginOption->IsSelected();
    }
    ::SendMessage(m_owner, WM_SAVE_LOGIN, 0, reinterpret_cast<LPARAM>(&login));
    ::SendMessage(m_owner, WM_LOGIN_SUCCEEDED, 0, answer);
    Close(IDOK);
}

}  // namespace quorvi
