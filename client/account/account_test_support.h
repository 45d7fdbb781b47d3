// For the account's tests: a headless window that records the login events
// it receives, the account's servers on a portal stand-in, and a stand-in for
// the system browser (system_browser_test_support.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/account/account_requests.h"
#include "client/common/database_test_support.h"
#include "client/common/events.h"
#include "client/common/portal_stand_in_test_support.h"
#include "client/common/system_browser_test_support.h"
#include "client/common/user_info.h"
#include "client/common/window_events.h"
#include "ui/core/window.h"

namespace quorvi::testing {

// "failed <text>", "user <account>/<password>/<userType>", "succeeded <text>".
class LoginMessageWindow : public DuiLib::CWindowWnd {
public:
    std::vector<std::string> received;

    LoginMessageWindow() {
        m_events.On<LoginFailed>(
            [this](const LoginFailed& failed) { received.push_back("failed " + failed.message); });
        m_events.On<LoginSucceeded>([this](const LoginSucceeded& succeeded) {
            received.push_back("succeeded " + succeeded.answer);
        });
        m_events.On<UserInfoReceived>([this](const UserInfoReceived& login) {
            const UserInfo& user = login.user;
            received.push_back("user " + user.account + "/" + user.password + "/" + user.userType);
        });
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (auto answer = m_events.Handle(message, lParam)) return *answer;
        return CWindowWnd::HandleMessage(message, wParam, lParam);
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "LoginMessageWindow"; }

    EventRoutes m_events;
};

inline AccountEndpoints ServersOf(const PortalStandIn& portal) {
    const std::string origin = portal.Origin();
    return {origin + "/user/", origin + "/shop/", origin + "/app/", origin + "/service/"};
}

// Servers where nothing listens (port 1 of the loopback address).
inline AccountEndpoints UnreachableServers() {
    return {"http://127.0.0.1:1/user/", "http://127.0.0.1:1/shop/", "http://127.0.0.1:1/app/",
            "http://127.0.0.1:1/service/"};
}

}  // namespace quorvi::testing
