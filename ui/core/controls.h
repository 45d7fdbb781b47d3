// The leaf controls, one header each: labels and texts, buttons, options,
// progress bars, edits, and the combo box (beside the list it shares its
// elements with).
#pragma once

#include "ui/core/button.h"
#include "ui/core/edit.h"
#include "ui/core/label.h"
#include "ui/core/list.h"
#include "ui/core/option.h"
#include "ui/core/progress.h"
