#include "ui/core/shell_dialogs.h"

#include "platform/log.h"
#include "platform/text.h"
#include "ui/core/backend.h"

namespace ui {

void Backend::ShowMessageBox(HWND, const std::string& text, const std::string& caption, bool) {
    // No screen to show it on.
    platform::LogInfo(platform::GbkToUtf8(caption) + ": " + platform::GbkToUtf8(text));
}

std::optional<std::string> Backend::BrowseForFolder(HWND, std::string_view, std::string_view) {
    return std::nullopt;
}

std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view startFolder) {
    return GetBackend().BrowseForFolder(owner, title, startFolder);
}

}  // namespace ui

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    ui::GetBackend().ShowMessageBox(owner, text ? text : "", caption ? caption : "",
                                    (type & 0xF0) == MB_ICONWARNING);
    return IDOK;
}
