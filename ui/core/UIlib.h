// The widget layer in one header: Win32-style window calls, the paint manager,
// the skin builder and every control. The system's code includes this and
// writes `using namespace DuiLib;`.
#pragma once

#include "ui/core/attributes.h"
#include "ui/core/browser.h"
#include "ui/core/container.h"
#include "ui/core/control.h"
#include "ui/core/controls.h"
#include "ui/core/dialog_builder.h"
#include "ui/core/list.h"
#include "ui/core/message_loop.h"
#include "ui/core/paint_manager.h"
#include "ui/core/std_string.h"
#include "ui/core/win_api.h"
#include "ui/core/win_types.h"
#include "ui/core/window.h"
#include "ui/core/window_impl_base.h"
