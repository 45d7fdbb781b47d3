#include "client/browser/application_component.h"

#include "client/common/messages.h"

namespace quorvi {

std::string ApplicationGroup(LocalDatabase& db, int appId) {
    const auto rows = db.Query("select GroupID from apps where AppID = ?", {appId});
    return rows.empty() ? "0" : rows.back().Text(0);
}

HWND OpenApplicationDialog(HWND owner, const std::string& groupId, const std::string& address,
                           const ApplicationDialogSetup& setup) {
    // The dialog's caption is the main window's with one more "-".
    const std::string caption = ::GetWindowTextString(owner) + "-";
    auto* dialog = new ApplicationDialog(owner, groupId, address, setup);
    // A dialog whose window cannot be made has deleted itself already.
    HWND hwnd = dialog->Create(nullptr, caption.c_str(), WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0,
                               950, 553);
    if (!hwnd) return nullptr;
    dialog->CenterWindow();
    dialog->ShowWindow(true);
    ::SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    return hwnd;
}

void ApplicationDialogComponent::Register(MainWindowRoutes& routes) {
    routes.OnMessage(WM_OPEN_APPLICATION, [this](WPARAM wParam, LPARAM lParam) {
        return Open(reinterpret_cast<const int*>(wParam), reinterpret_cast<const char*>(lParam));
    });
}

LRESULT ApplicationDialogComponent::Open(const int* appId, const char* address) {
    const std::string groupId = appId ? ApplicationGroup(m_db, *appId) : "0";
    m_lastOpened =
        OpenApplicationDialog(m_window.GetPaintWindow(), groupId, address ? address : "", m_setup);
    return 0;
}

}  // namespace quorvi
