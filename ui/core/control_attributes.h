// Helpers the controls share when applying skin attributes and laying out text.
#pragma once

#include <optional>

#include "ui/core/attribute_result.h"
#include "ui/core/win_types.h"

namespace DuiLib {

inline AttributeResult Result(bool applied) {
    return applied ? AttributeResult::Applied : AttributeResult::Malformed;
}

// Applies a parsed value through `apply`, or reports the value malformed.
template <typename T, typename Apply>
AttributeResult ApplyParsed(const std::optional<T>& value, Apply apply) {
    if (!value) return AttributeResult::Malformed;
    apply(*value);
    return AttributeResult::Applied;
}

// The rectangle less its padding on each side.
inline RECT Deflate(const RECT& rect, const RECT& padding) {
    return RECT{rect.left + padding.left, rect.top + padding.top, rect.right - padding.right,
                rect.bottom - padding.bottom};
}

}  // namespace DuiLib
