// For the account's tests: a headless window that records the login messages
// it receives, the account's servers on a portal stand-in, and a stand-in for
// the system browser.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "client/account/account_requests.h"
#include "client/common/database_test_support.h"
#include "client/common/messages.h"
#include "client/common/portal_stand_in_test_support.h"
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

// xdg-open's stand-in: appends each address it is given to a file.
class BrowserStandIn {
public:
    BrowserStandIn() {
        WriteFile(m_folder.Path() + "xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.urls\"\n");
        ::chmod((m_folder.Path() + "xdg-open").c_str(), 0755);
        m_savedPath = std::getenv("PATH");
        setenv("PATH", (m_folder.Path() + ":" + m_savedPath).c_str(), 1);
    }
    ~BrowserStandIn() { setenv("PATH", m_savedPath.c_str(), 1); }
    // The addresses opened, once `count` have arrived (started detached).
    std::vector<std::string> Opened(std::size_t count) {
        std::vector<std::string> lines;
        for (int i = 0; i < 500; ++i) {
            lines.clear();
            std::istringstream in(ReadFile(m_folder.Path() + "xdg-open.urls"));
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            if (lines.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

private:
    TempFolder m_folder;
    std::string m_savedPath;
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
