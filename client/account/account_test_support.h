// For the account's tests: a headless window that records the login messages
// it receives, the account's servers on a portal stand-in, and a stand-in for
// the system browser (system_browser_test_support.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/account/account_requests.h"
#include "client/common/database_test_support.h"
#include "client/common/messages.h"
#include "client/common/portal_stand_in_test_support.h"
#include "client/common/system_browser_test_support.h"
#include "client/common/user_info.h"
#include "ui/core/window.h"

namespace quorvi::testing {

// "failed <text>", "user <account>/<password>/<userType>", "succeeded <text>".
class LoginMessageWindow : public DuiLib::CWindowWnd {
public:
    std::vector<std::string> received;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        const char* text = reinterpret_cast<const char*>(lParam);
        switch (message) {
            case WM_LOGIN_FAILED:
                received.push_back(std::string("failed ") + text);
                return 0;
            case WM_LOGIN_SUCCEEDED:
                received.push_back(std::string("succeeded ") + text);
                return 0;
            case WM_USER_INFO: {
                const auto& user = *reinterpret_cast<const UserInfo*>(lParam);
                received.push_back("user " + user.account + "/" + user.password + "/" +
                                   user.userType);
                return 0;
            }
            default:
                return CWindowWnd::HandleMessage(message, wParam, lParam);
        }
    }

protected:
    LPCTSTR GetWindowClassName() const override { return "LoginMessageWindow"; }
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
