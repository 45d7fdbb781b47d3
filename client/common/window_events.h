// Raising the client's events (events.h) at a window, and handling them there.
//
// A window keeps an EventRoutes with one handler per event type and hands each
// message to EventRoutes::Handle first. An event travels to its window as one
// private window message carrying the event's address, so it reaches a window
// as any sent message does, and never a window that has gone.
//
//     routes.On<OpenApplication>([this](const OpenApplication& e) { Open(e); });
//     Raise(window, OpenApplication{id, address});          // waits for the handler
//     Deliver(window, HomeContent{mode, std::move(body)});  // a worker's result, by value
//     if (Raise(window, DownloadCancelQuery{progress})) ... // a query's answer
#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <typeindex>
#include <utility>

#include "ui/core/message_loop.h"
#include "ui/core/win_types.h"

namespace quorvi {

// What a handler of E returns: E::Answer (a bool) for a query, nothing otherwise.
template <typename E>
struct EventAnswer {
    using type = void;
};
template <typename E>
requires requires {
    typename E::Answer;
}
struct EventAnswer<E> {
    using type = typename E::Answer;
};
template <typename E>
using AnswerOf = typename EventAnswer<E>::type;

// One window's handlers, one per event type.
class EventRoutes {
public:
    // Each event type has one handler: a second is a programming error
    // (std::logic_error), found by the first test that builds the window.
    template <typename E, typename Handler>
    void On(Handler handler) {
        static_assert(std::is_void_v<AnswerOf<E>> || std::is_same_v<AnswerOf<E>, bool>,
                      "a query is answered with a bool");
        Claim(typeid(const E*), [handler = std::move(handler)](const std::any& event) -> LRESULT {
            const E& raised = *std::any_cast<const E*>(event);
            if constexpr (std::is_void_v<AnswerOf<E>>) {
                handler(raised);
                return 0;
            } else {
                return handler(raised) ? 1 : 0;
            }
        });
    }

    template <typename E>
    bool Handles() const {
        return m_handlers.contains(typeid(const E*));
    }

    // Runs the handler of `event` now, on this thread, without a window.
    template <typename E>
    AnswerOf<E> Raise(const E& event) const {
        const LRESULT answer = Run(std::any(&event));
        if constexpr (!std::is_void_v<AnswerOf<E>>) return answer != 0;
    }

    // For the window procedure: the answer when `message` carries an event (0
    // when nobody handles its type here), nothing for any other message.
    std::optional<LRESULT> Handle(UINT message, LPARAM lParam) const;
    // The same for a procedure that reports whether it handled the message.
    LRESULT Handle(UINT message, LPARAM lParam, bool& handled) const {
        const std::optional<LRESULT> answer = Handle(message, lParam);
        handled = answer.has_value();
        return answer.value_or(0);
    }

private:
    using Handler = std::function<LRESULT(const std::any&)>;
    void Claim(std::type_index type, Handler handler);
    LRESULT Run(const std::any& event) const;

    std::map<std::type_index, Handler> m_handlers;
};

namespace detail {
// The one window message that carries events. Private to the client: the
// numbers of the controls and of Win32's own messages lie below it.
inline constexpr UINT kEventMessage = 0x8000 + 1;

// Sends the event message with `event` (an address of an event) to `window`:
// the handler's answer, or 0 when the window is gone or messaging has ended.
LRESULT SendEvent(HWND window, const std::any& event);
}  // namespace detail

// Raises `event` at `window` and returns once its handler has run; a query
// returns the handler's answer, false when nobody answered (no handler, the
// window gone, the program's message loop ended). From another thread than the
// UI thread it waits until the UI thread has handled it.
template <typename E>
AnswerOf<E> Raise(HWND window, const E& event) {
    const LRESULT answer = detail::SendEvent(window, std::any(&event));
    if constexpr (!std::is_void_v<AnswerOf<E>>) return answer != 0;
}

// Hands `event` to `window` from any thread without waiting: the UI thread
// raises the copy at its next turn, in order with posted messages. A window
// that has gone by then, or a program whose message loop has ended, drops it.
template <typename E>
void Deliver(HWND window, E event) {
    auto copy = std::make_shared<const E>(std::move(event));
    ui::PostTask([window, copy] { Raise(window, *copy); });
}

}  // namespace quorvi
