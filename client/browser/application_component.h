// The application dialogs as a component of the main window: OpenApplication
// opens a new maximised ApplicationDialog, owned by the main window, whose
// column shows the group of the application (none without its id).
#pragma once

#include <optional>
#include <string>

#include "client/browser/application_dialog.h"
#include "client/common/database.h"
#include "client/common/events.h"
#include "client/common/main_window_routes.h"

namespace quorvi {

// The group of an application in `apps` ("0" when it is not there).
std::string ApplicationGroup(LocalDatabase& db, int appId);

// Opens a dialog for `address` on its own; the dialog deletes itself when
// closed. Returns the dialog's window, or null when it could not be created.
HWND OpenApplicationDialog(HWND owner, const std::string& groupId, const std::string& address,
                           const ApplicationDialogSetup& setup);

class ApplicationDialogComponent {
public:
    // `window` is the main window's paint manager; `db` its connection.
    ApplicationDialogComponent(DuiLib::CPaintManagerUI& window, LocalDatabase& db,
                               ApplicationDialogSetup setup)
        : m_window(window), m_db(db), m_setup(std::move(setup)) {
        m_setup.database = &m_db;
    }

    void Register(MainWindowRoutes& routes);

    // The skin builder's custom controls, once the main window has them.
    void SetBuilderCallback(DuiLib::IDialogBuilderCallback* callback) {
        m_setup.builderCallback = callback;
    }

    // The window of the dialog opened last, or null (for tests).
    HWND LastOpened() const { return m_lastOpened; }

private:
    void Open(const OpenApplication& open);

    DuiLib::CPaintManagerUI& m_window;
    LocalDatabase& m_db;
    ApplicationDialogSetup m_setup;
    HWND m_lastOpened = nullptr;
};

}  // namespace quorvi
