// The channel home page as a component of the main window: it answers
// HomeContent (the recharge parameters build the page, the script plug-in
// runs in it) and keeps the home page browser it created last, and whether its
// page waits for the home button.
#pragma once

#include "client/browser/home_page.h"
#include "client/common/main_window_routes.h"

namespace quorvi {

class HomePageComponent {
public:
    HomePageComponent(DuiLib::CPaintManagerUI& pm, const ClientConfig& config, UserInfo& user)
        : m_pm(pm), m_config(config), m_user(user) {}

    void Register(MainWindowRoutes& routes);

    DuiLib::CControlUI* Browser() const { return m_browser; }

    // The home button brought the home view back: a page that arrived while the
    // user was elsewhere shows now.
    void ShowKeptPage() { ShowKeptHomePage(m_pm, m_keptForHome); }

private:
    DuiLib::CPaintManagerUI& m_pm;
    const ClientConfig& m_config;
    UserInfo& m_user;
    DuiLib::CControlUI* m_browser = nullptr;
    bool m_keptForHome = false;
};

}  // namespace quorvi
