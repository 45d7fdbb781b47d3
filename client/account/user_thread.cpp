#include "client/account/user_thread.h"

#include <chrono>

#include "client/account/login_answer.h"
#include "client/common/events.h"
#include "client/common/user_info.h"
#include "client/common/window_events.h"
#include "libmerv/http_get.h"
#include "platform/chinese_texts.h"

namespace quorvi {

namespace {

std::int64_t SecondsSince1970() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

CUserThread::CUserThread(HWND target, std::string account, std::string password,
                         Unreachable unreachable, AccountEndpoints servers)
    : m_target(target),
      m_account(std::move(account)),
      m_password(std::move(password)),
      m_unreachable(unreachable),
      m_servers(std::move(servers)) {}

std::string CUserThread::Get(const std::string& url, bool* answered) {
    std::string body;
    merv::HttpOptions options;
    options.stop = &StopFlag();
    const merv::HttpResult result = merv::HttpGetText(url, body, options);
    if (answered != nullptr)
        *answered = result.outcome == merv::HttpOutcome::Complete ||
                    result.outcome == merv::HttpOutcome::HttpError;
    return body;
}

std::string CUserThread::RegisterWithShop(const std::string& userName, const std::string& password,
                                          const std::string& email, std::int64_t seconds) {
    const std::string query = ShopRegistrationQuery(userName, password, email, seconds);
    return Get(ShopRegistrationUrl(m_servers, query));
}

int CUserThread::Run() {
    UserInfo user;
    user.userType = std::string(kLoginUserType);
    user.account = m_account;
    user.password = m_password;

    bool answered = false;
    const std::string body =
        Get(LoginRequestUrl(m_servers, m_account, m_password, kLoginUserType), &answered);
    if (StopRequested()) return Finish();

    LoginAnswer answer;
    if (!ParseLoginAnswer(body, answer)) {
        // A server that answered, with an error page say, was reached: the user
        // is not sent to check a network that works.
        if (m_unreachable == Unreachable::Report)
            Deliver(m_target, LoginFailed{answered ? platform::texts::kLoginAnswerUnreadable
                                                   : platform::texts::kLoginServerUnreachable});
        return Finish();
    }
    if (!answer.success) {
        Deliver(m_target, LoginFailed{std::move(answer.message)});
        return Finish();
    }
    RegisterWithShop(m_account, m_password, "", SecondsSince1970());
    if (StopRequested()) return Finish();
    Deliver(m_target, UserInfoReceived{std::move(user)});
    Deliver(m_target, LoginSucceeded{std::move(answer.text)});
    return Finish();
}

}  // namespace quorvi
