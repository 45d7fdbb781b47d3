#include "client/common/window_events.h"

#include <stdexcept>
#include <string>

#include "ui/core/win_api.h"

namespace quorvi {

void EventRoutes::Claim(std::type_index type, Handler handler) {
    auto [slot, added] = m_handlers.try_emplace(type, std::move(handler));
    if (!added) throw std::logic_error(std::string("event route registered twice: ") + type.name());
}

// The event message's parameter is the address of a std::any holding the
// address of the event; these two are the only places that convert it.
std::optional<LRESULT> EventRoutes::Handle(UINT message, LPARAM lParam) const {
    if (message != detail::kEventMessage) return std::nullopt;
    if (lParam == 0) return 0;  // no event: nothing to run
    return Run(*reinterpret_cast<const std::any*>(lParam));
}

LRESULT EventRoutes::Run(const std::any& event) const {
    auto it = m_handlers.find(event.type());
    return it != m_handlers.end() ? it->second(event) : 0;
}

namespace detail {

LRESULT SendEvent(HWND window, const std::any& event) {
    return ::SendMessage(window, kEventMessage, 0, reinterpret_cast<LPARAM>(&event));
}

}  // namespace detail

}  // namespace quorvi
