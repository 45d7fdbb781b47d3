#include "client/common/main_window_routes.h"

#include <stdexcept>
#include <string>

namespace quorvi {

namespace {

enum class Match { Is, BeginsWith };

struct RuleName {
    Match match;
    std::string_view name;
    std::string_view otherName;  // "is" rules that name two controls
};

// Indexed by ClickRule.
constexpr RuleName kRuleNames[kClickRuleCount] = {
    {Match::Is, "btnStartSearch", {}},
    {Match::Is, "optNoLinkTB", {}},
    {Match::Is, "laySecondBg", {}},
    {Match::Is, "btnHideSideBar", {}},
    {Match::Is, "btnExpandSideBar", {}},
    {Match::Is, "btnShowNewsPanel", "btnCloseNewsPanel"},
    {Match::Is, "btnShowHistoryPanel", "btnCloseHistoryPanel"},
    {Match::Is, "btnShowSettingPanel", "btnCloseSettingDialog"},
    {Match::Is, "btnOpenService", {}},
    {Match::BeginsWith, "optLink", {}},
    {Match::Is, "btnGoHome", {}},
    {Match::Is, "btnBrowserFolder", {}},
    {Match::BeginsWith, "optNav", {}},
    {Match::BeginsWith, "closeDownloadStatusoptLink", {}},
    {Match::Is, "btnShowUpdateLog", "btnCloseTipsPanel"},
    {Match::BeginsWith, "btnSettingDialog", {}},
};
static_assert(static_cast<std::size_t>(ClickRule::SettingDialogButton) + 1 == kClickRuleCount);

template <typename Handler>
void Claim(Handler& slot, Handler handler, const char* route) {
    if (slot) throw std::logic_error(std::string("main window route registered twice: ") + route);
    slot = std::move(handler);
}

}  // namespace

bool ClickRuleMatches(ClickRule rule, std::string_view name) {
    const RuleName& rn = kRuleNames[static_cast<std::size_t>(rule)];
    if (rn.match == Match::BeginsWith) return name.starts_with(rn.name);
    return name == rn.name || (!rn.otherName.empty() && name == rn.otherName);
}

void MainWindowRoutes::OnClick(ClickRule rule, ControlHandler handler) {
    Claim(m_clicks[static_cast<std::size_t>(rule)], std::move(handler),
          kRuleNames[static_cast<std::size_t>(rule)].name.data());
}

void MainWindowRoutes::OnTimer(MainTimer timer, TimerHandler handler) {
    Claim(m_timers[timer], std::move(handler), "timer");
}

void MainWindowRoutes::OnUserMenu(MenuHandler handler) {
    Claim(m_userMenu, std::move(handler), "user menu");
}

void MainWindowRoutes::OnHomeViewFocus(TimerHandler handler) {
    Claim(m_homeViewFocus, std::move(handler), "home view focus");
}

void MainWindowRoutes::SetFloatingPanels(PanelsQuery query) {
    Claim(m_floatingPanels, std::move(query), "floating panels");
}

const MainWindowRoutes::ControlHandler* MainWindowRoutes::Click(ClickRule rule) const {
    const ControlHandler& handler = m_clicks[static_cast<std::size_t>(rule)];
    return handler ? &handler : nullptr;
}

const MainWindowRoutes::TimerHandler* MainWindowRoutes::Timer(MainTimer timer) const {
    auto it = m_timers.find(timer);
    return it != m_timers.end() && it->second ? &it->second : nullptr;
}

std::span<DuiLib::CControlUI* const> MainWindowRoutes::FloatingPanels() const {
    if (!m_floatingPanels) return {};
    return m_floatingPanels();
}

}  // namespace quorvi
