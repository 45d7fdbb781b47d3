// What SetAttribute made of a name and value; shared by the controls and the
// helpers they apply attributes with.
#pragma once

namespace DuiLib {

enum class AttributeResult { Applied, Unknown, Malformed };

}  // namespace DuiLib
