#include "client/browser/home_page_component.h"

#include "client/browser/browser_event_handler.h"

namespace quorvi {

void HomePageComponent::Register(MainWindowRoutes& routes) {
    routes.On<HomeContent>([this](const HomeContent& content) {
        // The home page shows no scroll bars; its handler keeps a copy of the user.
        HWND window = m_pm.GetPaintWindow();
        const auto makeHandler = [window](const UserInfo& user) {
            return std::make_unique<CWebBrowserEventHandlerEx>(window, false, user);
        };
        HomePageContext home{m_pm, m_config, m_user, m_browser, m_keptForHome, makeHandler};
        HandleHomeContent(home, content);
    });
}

}  // namespace quorvi
