#include "client/browser/application_component.h"

#include "client/common/events.h"

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
    routes.On<OpenApplication>([this](const OpenApplication& open) { Open(open); });
}

void ApplicationDialogComponent::Open(const OpenApplication& open) {
    const std::string groupId = open.appId ? ApplicationGroup(m_db, *open.appId) : "0";
    m_lastOpened = OpenApplicationDialog(m_window.GetPaintWindow(), groupId, open.address, m_setup);
}

}  // namespace quorvi
