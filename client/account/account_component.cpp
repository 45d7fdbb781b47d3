// Sections: construction | signed-in state | login window | signed links | reports
#include "client/account/account_component.h"

#include <memory>

#include "client/account/login_frame_wnd.h"
#include "client/account/report_thread.h"
#include "client/account/user_menu_wnd.h"
#include "client/account/user_thread.h"
#include "client/common/events.h"
#include "client/common/portal_urls.h"
#include "client/common/school_account.h"
#include "platform/chinese_texts.h"
#include "platform/log.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"

namespace quorvi {

namespace {

constexpr const char kUserOption[] = "optNavUser";
constexpr const char kSignedInImage[] = "file='btn_login_normal_bak.png' dest='11,0,88,90'";
constexpr const char kSignedOutImage[] = "file='btn_login_normal.png' dest='20,20,77,77'";

}  // namespace

// ---- construction ---------------------------------------------------------------------------
AccountComponent::AccountComponent(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                                   ClientConfig& config, UserInfo& user, WorkerOwner& workers,
                                   std::string programFolder, AccountEndpoints servers)
    : m_pm(pm),
      m_db(db),
      m_config(config),
      m_user(user),
      m_workers(workers),
      m_programFolder(std::move(programFolder)),
      m_servers(std::move(servers)) {
    m_loginWindow = [this](std::string_view message) {
        CLoginFrameWnd::ShowModalOver(Window(), m_config, m_workers, message, m_servers);
    };
}

void AccountComponent::Register(MainWindowRoutes& routes) {
    routes.OnClick(ClickRule::OpenService, [this](DuiLib::CControlUI&) { OpenService(); });
    routes.OnUserMenu([this](POINT point) { OpenUserMenu(point); });
    routes.OnTimer(MainTimer::ClientReport, [this] { SendClientReport(); });

    routes.On<LoginFailed>([this](const LoginFailed& failed) { ShowLoginWindow(failed.message); });
    routes.On<LoginSucceeded>(
        [this](const LoginSucceeded& succeeded) { EnterSignedIn(succeeded.answer); });
    routes.On<UserInfoReceived>(
        [this](const UserInfoReceived& received) { TakeUserRecord(received.user); });
    routes.On<quorvi::SaveLogin>([this](const quorvi::SaveLogin& save) { SaveLogin(save.login); });
    routes.On<SignedOut>([this](const SignedOut&) { SignOut(); });
    routes.On<quorvi::OpenPersonalCenter>(
        [this](const quorvi::OpenPersonalCenter&) { OpenPersonalCenter(); });
    routes.On<quorvi::OpenSignedLink>(
        [this](const quorvi::OpenSignedLink& link) { OpenSignedLink(link.address); });
}

// ---- signed-in state ------------------------------------------------------------------------
bool AccountComponent::HasLoginAnswer() const {
    const DuiLib::CControlUI* option = m_pm.FindControl(kUserOption);
    return option && !option->GetUserData().empty();
}

void AccountComponent::EnterSignedIn(const std::string& answer) {
    DuiLib::CControlUI* option = m_pm.FindControl(kUserOption);
    if (!option) return;
    option->SetAttribute("foreimage", kSignedInImage);
    option->SetUserData(answer);
    option->SetText(m_user.account);
}

void AccountComponent::TakeUserRecord(const UserInfo& record) {
    // The login's record replaces the whole one, the recharge parameters too.
    m_user = record;
    m_user.schoolAccount = ReadSchoolAccount(m_programFolder);
}

void AccountComponent::SaveLogin(const ClientConfig& login) {
    m_config.IsRemeberPassword = login.IsRemeberPassword;
    m_config.IsAutoLogin = login.IsAutoLogin;
    m_config.LoginUserName = login.LoginUserName;
    m_config.LoginPassword = login.LoginPassword;
    WriteRememberedLogin(m_db, m_config);
}

void AccountComponent::SignOut() {
    // The rest of the record and the remembered login stay.
    m_user.account.clear();
    DuiLib::CControlUI* option = m_pm.FindControl(kUserOption);
    if (!option) return;
    option->SetAttribute("foreimage", kSignedOutImage);
    option->SetUserData("");
    option->SetText(platform::texts::kLoginButtonText);
}

// ---- login window ---------------------------------------------------------------------------
void AccountComponent::ShowLoginWindow(std::string_view message) {
    if (m_loginWindow) m_loginWindow(message);
}

bool AccountComponent::StartAutomaticLogin() {
    if (!m_config.IsAutoLogin) return false;
    m_workers.Start(std::make_unique<CUserThread>(Window(), m_config.LoginUserName,
                                                  m_config.LoginPassword,
                                                  CUserThread::Unreachable::Silent, m_servers));
    return true;
}

void AccountComponent::OpenUserMenu(POINT screenPoint) {
    auto* menu = new CUserMenuWnd();  // deletes itself when it closes
    menu->Init(m_pm.FindControl(kUserOption), screenPoint, Window());
}

// ---- signed links ---------------------------------------------------------------------------
void AccountComponent::OpenInApplicationDialog(const std::string& link) {
    Raise(Window(), OpenApplication{std::nullopt, link});
}

void AccountComponent::OpenPersonalCenter() {
    if (!HasLoginAnswer()) {
        ShowLoginWindow();
        return;
    }
    OpenInApplicationDialog(
        SignedLoginLink(m_servers, m_user, m_servers.userServer + "PersonalCenter", false));
}

void AccountComponent::OpenService() {
    if (!m_user.IsSignedIn()) ShowLoginWindow();
    if (!m_user.IsSignedIn()) return;  // the login window closed without a login
    OpenInApplicationDialog(
        SignedLoginLink(m_servers, m_user, m_servers.customerServiceServer + "index.php", true));
}

void AccountComponent::OpenSignedLink(std::string_view address) {
    // Checked before signing: the signed link itself is always a web address of
    // the user server, which would pass on any target.
    if (!platform::IsWebAddress(address)) {
        platform::LogWarning("a page asked to open what is not a web address, refused: " +
                             platform::GbkToUtf8(address));
        return;
    }
    if (!m_user.IsSignedIn()) {
        platform::OpenUrl(std::string(address));
        return;
    }
    platform::OpenUrl(SignedLoginLink(m_servers, m_user, address, true));
}

// ---- reports --------------------------------------------------------------------------------
void AccountComponent::ReportUsage(int id, std::string_view action) {
    m_workers.Start(std::make_unique<CReportThread>(
        UsageReportPath(action, std::to_string(id), m_user), m_servers.applicationServer));
}

void AccountComponent::SendClientReport() {
    m_workers.Start(std::make_unique<CReportThread>(
        ClientReportPath(m_user, platform::FirstAdapterAddress()), m_servers.applicationServer));
}

}  // namespace quorvi
