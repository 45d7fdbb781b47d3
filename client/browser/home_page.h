// The channel home page of the main window: a browser in "ieContainer" showing
// the portal's page for the configured channel, signed with the fetched recharge
// parameters, and the portal's script plug-in run in it after each page load.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "client/common/client_config.h"
#include "client/common/events.h"
#include "client/common/user_info.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// The event handler a new home page browser gets, for a copy of the signed-in user.
using HomePageHandlerFactory =
    std::function<std::unique_ptr<DuiLib::CWebBrowserEventHandler>(const UserInfo& user)>;

// The home page address: the channel page, then "&" + the fetched parameters
// when there are any.
std::string HomePageAddress(std::string_view channel, std::string_view fetched);

// What HomeContent works on in the main window.
struct HomePageContext {
    DuiLib::CPaintManagerUI& pm;
    const ClientConfig& config;
    UserInfo& user;                    // rechargeParams is stored here
    DuiLib::CControlUI*& homeBrowser;  // the home page browser created last
    // Set when a page that would have shown arrived while the user had left the
    // home view; the home button shows it (ShowKeptHomePage).
    bool& keptForHome;
    HomePageHandlerFactory makeHandler;  // empty: the browser gets no handler
};

// HomeContent. Recharge parameters: the body is appended to the home page; a
// new browser is added to "ieContainer". When AutoStartWebPage is set its area shows,
// but only while the home view ("Container1") is what the window shows: the page
// arrives seconds after the catalogue, and covering a group the user opened
// meanwhile would take their next click. Otherwise it is kept for the home button.
// Script plug-in: the body (GBK) runs in the browser created last.
void HandleHomeContent(HomePageContext& context, const HomeContent& content);

// After the home button brought the home view back: the page kept for it shows,
// once.
void ShowKeptHomePage(DuiLib::CPaintManagerUI& pm, bool& keptForHome);

}  // namespace quorvi
