// CLoginFrameWnd: the small skinned login window (skin "login.xml"), modal over
// the main window. The user types an account and a password, chooses whether
// they are remembered and whether the client signs in by itself at start, and
// starts a login; a refusal shows in "lbLoginInfo", an acceptance is handed to
// the owner (SaveLogin with the remembered login, UserInfoReceived and
// LoginSucceeded) and the window closes.
//
// Sections: creation | window | notifications
#pragma once

#include <string>
#include <string_view>

#include "client/account/account_requests.h"
#include "client/common/client_config.h"
#include "client/common/events.h"
#include "client/common/window_events.h"
#include "client/common/worker_thread.h"
#include "ui/core/UIlib.h"
#include "ui/core/window_impl_base.h"

namespace quorvi {

class CLoginFrameWnd : public DuiLib::WindowImplBase {
public:
    static constexpr const char kSkinFile[] = "login.xml";

    // `remembered`: the settings record whose remembered login prefills the
    // window. Login workers go to `workers`.
    CLoginFrameWnd(const ClientConfig& remembered, WorkerOwner& workers,
                   AccountEndpoints servers = AccountEndpoints::Default());

    // Shows a new login window over `owner`, with `message` in "lbLoginInfo"
    // when it is not empty, and returns when it has closed.
    static void ShowModalOver(HWND owner, const ClientConfig& remembered, WorkerOwner& workers,
                              std::string_view message,
                              AccountEndpoints servers = AccountEndpoints::Default());

    // ---- creation ----
    // Creates the window over `owner`, centred, prefilled and showing `message`;
    // the object deletes itself when the window is destroyed.
    HWND CreateOver(HWND owner, std::string_view message);

    // ---- window ----
    LPCTSTR GetWindowClassName() const override { return "UILoginFrame"; }
    UINT GetClassStyle() const override {
        return CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_SAVEBITS;
    }
    void InitWindow() override;
    LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // ---- notifications ----
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CStdString GetSkinFolder() override;
    DuiLib::CStdString GetSkinFile() override { return kSkinFile; }
    void OnFinalMessage(HWND hwnd) override;

private:
    void Prefill();
    void ShowInfo(std::string_view text);
    void HideInfo();
    void StartLogin();
    void OnLoginAccepted(const LoginSucceeded& succeeded);
    static void Tick(DuiLib::COptionUI* option, bool selected);

    const ClientConfig m_remembered;
    WorkerOwner& m_workers;
    const AccountEndpoints m_servers;
    HWND m_owner = nullptr;
    DuiLib::CControlUI* m_info = nullptr;
    DuiLib::CControlUI* m_accountEdit = nullptr;
    DuiLib::CControlUI* m_passwordEdit = nullptr;
    DuiLib::COptionUI* m_rememberOption = nullptr;
    DuiLib::COptionUI* m_autoLoginOption = nullptr;
    // The login worker's results.
    EventRoutes m_events;
};

}  // namespace quorvi
