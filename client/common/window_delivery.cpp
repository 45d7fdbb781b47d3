#include "client/common/window_delivery.h"

namespace quorvi {

void DeliverText(HWND window, UINT message, WPARAM wParam, std::string text) {
    auto copy = std::make_shared<std::string>(std::move(text));
    ui::PostTask([window, message, wParam, copy] {
        ::SendMessage(window, message, wParam, reinterpret_cast<LPARAM>(copy->c_str()));
    });
}

}  // namespace quorvi
