// The account as a component of the main window: the signed-in state shown on
// the user option "optNavUser", the user record, the remembered login, the
// login window, the user menu, the signed links into the portal's pages and
// the usage and client reports.
//
// What it answers: the click on "btnOpenService", the user menu, the events
// of the login worker and the login window (LoginFailed, LoginSucceeded,
// UserInfoReceived, SaveLogin), of the user menu (SignedOut,
// OpenPersonalCenter), of the browsers (OpenSignedLink) and the client-report
// timer. The main window calls the rest: the automatic
// login and the first client report at start, and, through the catalogue's
// hooks, the usage reports, the login window and the user option's click.
//
// Portal pages open in an application dialog through OpenApplication.
//
// Sections: construction | signed-in state | login window | signed links | reports
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "client/account/account_requests.h"
#include "client/common/client_config.h"
#include "client/common/database.h"
#include "client/common/main_window_routes.h"
#include "client/common/user_info.h"
#include "client/common/worker_thread.h"
#include "ui/core/UIlib.h"

namespace quorvi {

class AccountComponent {
public:
    // ---- construction ----
    // `programFolder` ends in the separator and holds the user file.
    AccountComponent(DuiLib::CPaintManagerUI& pm, LocalDatabase& db, ClientConfig& config,
                     UserInfo& user, WorkerOwner& workers, std::string programFolder,
                     AccountEndpoints servers = AccountEndpoints::Default());

    void Register(MainWindowRoutes& routes);

    // ---- signed-in state ----
    // The user option shows a login answer: what the user centre and the
    // option's click count as signed in.
    bool HasLoginAnswer() const;

    // ---- login window ----
    // Opens the login window modally over the main window, with `message` shown
    // when it is not empty; returns once it has closed.
    void ShowLoginWindow(std::string_view message = {});
    // How the login window is shown; tests put their own in place.
    using LoginWindowRunner = std::function<void(std::string_view message)>;
    void SetLoginWindowRunner(LoginWindowRunner runner) { m_loginWindow = std::move(runner); }

    // At start, when the automatic login is remembered: a silent login with the
    // remembered account. False when none started.
    bool StartAutomaticLogin();

    // ---- signed links ----
    // The user option's click and the menu's user centre: the personal centre
    // when signed in, else the login window.
    void OpenPersonalCenter();
    void OpenService();
    // A page's request for a new window: the system browser, signed in when a
    // user is; only web addresses (http, https) go there, others are logged.
    void OpenSignedLink(std::string_view address);

    // ---- reports ----
    void ReportUsage(int id, std::string_view action);
    void SendClientReport();

private:
    void EnterSignedIn(const std::string& answer);
    void TakeUserRecord(const UserInfo& record);
    void SaveLogin(const ClientConfig& login);
    void SignOut();
    void OpenInApplicationDialog(const std::string& link);
    void OpenUserMenu(POINT screenPoint);
    HWND Window() const { return m_pm.GetPaintWindow(); }

    DuiLib::CPaintManagerUI& m_pm;
    LocalDatabase& m_db;
    ClientConfig& m_config;
    UserInfo& m_user;
    WorkerOwner& m_workers;
    const std::string m_programFolder;
    const AccountEndpoints m_servers;
    LoginWindowRunner m_loginWindow;
};

}  // namespace quorvi
