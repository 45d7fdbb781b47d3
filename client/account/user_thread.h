// CUserThread: one login against the user server and, when it is accepted,
// the registration of the same account with the shop, so the user exists
// there too.
//
// Results are delivered to the target window (window_events.h):
//   refused:  LoginFailed with the server's message or the default one;
//   accepted: UserInfoReceived, then LoginSucceeded with the whole answer in
//             GBK; the shop's answer is ignored.
// A server that cannot be reached, or answers with something that is not a
// JSON object, sends nothing, unless the worker was asked to report it: then
// LoginFailed carries the "server unreachable" text when no whole answer
// arrived, and the "answer unreadable" text when one did (an error page, an
// empty or garbled body). The login window shows it; the automatic login at
// start-up stays silent.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "client/account/account_requests.h"
#include "client/common/worker_thread.h"
#include "ui/core/win_types.h"

namespace quorvi {

class CUserThread : public CThread {
public:
    enum class Unreachable { Silent, Report };

    CUserThread(HWND target, std::string account, std::string password, Unreachable unreachable,
                AccountEndpoints servers = AccountEndpoints::Default());
    ~CUserThread() override { StopAndJoin(); }

    // The shop registration made on success: GET of its URL, answer returned.
    // `seconds` is the time of the request since 1970.
    std::string RegisterWithShop(const std::string& userName, const std::string& password,
                                 const std::string& email, std::int64_t seconds);

protected:
    int Run() override;

private:
    // The body of a GET of url; `answered`, when given, tells whether a whole
    // answer arrived, whatever its status.
    std::string Get(const std::string& url, bool* answered = nullptr);

    HWND m_target;
    std::string m_account;
    std::string m_password;
    Unreachable m_unreachable;
    AccountEndpoints m_servers;
};

}  // namespace quorvi
