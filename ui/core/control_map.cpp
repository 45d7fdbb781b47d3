#include "ui/core/control_map.h"

#include <algorithm>

#include "platform/text.h"

namespace ui {
namespace {

RECT Intersect(const RECT& a, const RECT& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

void Collect(const DuiLib::CControlUI& control, const RECT& clip,
             std::vector<ControlPlace>& places) {
    if (!control.IsVisible()) return;  // hides its children too
    const RECT shown = Intersect(control.GetAbsolutePos(), clip);
    if (IsEmpty(shown)) return;
    const std::string name = control.GetName();
    if (!name.empty()) places.push_back({name, shown});
    for (int i = 0; i < control.GetChildCount(); ++i) {
        if (const DuiLib::CControlUI* child = control.GetChildAt(i)) Collect(*child, shown, places);
    }
}

}  // namespace

std::vector<ControlPlace> VisibleNamedControls(const DuiLib::CControlUI* root) {
    std::vector<ControlPlace> places;
    if (root != nullptr) Collect(*root, root->GetAbsolutePos(), places);
    return places;
}

std::string FormatControlMap(const std::vector<ControlPlace>& places, POINT origin) {
    std::string text;
    for (const ControlPlace& place : places) {
        text += std::to_string(origin.x + place.rect.left) + " " +
                std::to_string(origin.y + place.rect.top) + " " +
                std::to_string(place.rect.right - place.rect.left) + " " +
                std::to_string(place.rect.bottom - place.rect.top) + " ";
        // A name never breaks its line.
        for (char c : platform::GbkToUtf8(place.name)) text += c == '\n' || c == '\r' ? ' ' : c;
        text += '\n';
    }
    return text;
}

}  // namespace ui
