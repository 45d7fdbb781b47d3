// Hands a worker's results to a window by value.
//
// The window's handlers keep the message numbers and parameters they always
// had (a text or record passed by address, valid while the handler runs); what
// changes is who owns that text: a copy travels with the message to the UI
// thread, so the worker neither blocks on a busy window nor lends it a pointer
// into its own stack. A window that has gone, or a program whose message loop
// has ended, drops the message and its copy.
//
//     DeliverText(window, WM_LOGIN_FAILED, 0, message);   // lParam: the text
//     DeliverValue(window, WM_USER_INFO, 0, user);        // lParam: &copy
//     if (AskWithValue(window, WM_QUERY_DOWNLOAD_CANCEL, 0, progress) == 1) ...
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "ui/core/message_loop.h"
#include "ui/core/win_api.h"

namespace quorvi {

// Posts `message`; the UI thread sends it to `window` with lParam pointing at
// the text's own copy (NUL-terminated). Never blocks.
void DeliverText(HWND window, UINT message, WPARAM wParam, std::string text);

// Posts `message`; the UI thread sends it with lParam pointing at a copy of
// `value`. Never blocks.
template <typename T>
void DeliverValue(HWND window, UINT message, WPARAM wParam, T value) {
    auto copy = std::make_shared<T>(std::move(value));
    ui::PostTask([window, message, wParam, copy] {
        ::SendMessage(window, message, wParam, reinterpret_cast<LPARAM>(copy.get()));
    });
}

// Sends `message` with lParam pointing at a copy of `value` and waits for the
// handler's answer: 0 at once when the window is gone or the program's message
// loop has ended. For the few questions a worker must have answered.
template <typename T>
LRESULT AskWithValue(HWND window, UINT message, WPARAM wParam, T value) {
    auto copy = std::make_shared<T>(std::move(value));
    return ::SendMessage(window, message, wParam, reinterpret_cast<LPARAM>(copy.get()));
}

}  // namespace quorvi
