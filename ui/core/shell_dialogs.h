// Stand-ins for the two Windows shell dialogs the system uses: the message box
// (MessageBoxA with an OK button) and the folder picker (SHBrowseForFolder with
// SHGetPathFromIDList, folders only). Both are modal over their owner: the owner
// is disabled while they show, and the layer's messages and timers keep arriving.
// Texts and paths are GBK. The installed backend shows them; the headless one
// logs a message box and answers a folder picker with nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/core/win_types.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_ICONWARNING = 0x00000030;

// Shows `text` under `caption` until the user presses OK (or closes it); returns
// IDOK. Before an on-screen backend is installed the text goes to the log.
// A quit message posted meanwhile closes the box and stays pending for the loop.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace ui {

// The folder the user picked, as a full path, or nothing when cancelled (or
// without a display). `startFolder` (may be empty) is shown first.
std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view startFolder = {});

}  // namespace ui
