// ApplicationDialog: the top-level window in which a web application of the
// catalogue opens. Built from the skin "app.xml": the browser in
// "ieContainer" shows the application's address, and "containerRecommend"
// lists up to seven other web applications of its group (a click opens one in
// the same browser). "btnCloseSlider" and "btnOpenSlider" fold the column
// ("rightContainer") away and back.
//
// Once a page has loaded (StartContentFetch from the browser's handler) the
// portal's script plug-in is fetched on a worker and run in the page when it
// arrives, once per page reached; a failed fetch runs an empty script. A page's
// request for a new window (OpenSignedLink) goes on to the owner window.
// Escape does not close the dialog; its close button and the system Close do.
// The dialog deletes itself when its window is gone.
//
// Sections: setup | ApplicationDialog (window, notifications, script plug-in, members)
#pragma once

#include <string>

#include "client/common/database.h"
#include "client/common/window_events.h"
#include "client/common/worker_thread.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// ---- setup ------------------------------------------------------------------------------
// What every dialog of the client shares.
struct ApplicationDialogSetup {
    // The main window's connection, which the recommendation column is read from
    // while the dialog is created (the component fills it in with its own).
    LocalDatabase* database = nullptr;
    std::string scriptPluginUrl;
    // Owns the script fetches; outlives every dialog's fetch (joined at exit).
    WorkerOwner* workers = nullptr;
    // Creates the skin's custom controls; null: the widget layer's controls only.
    DuiLib::IDialogBuilderCallback* builderCallback = nullptr;
};

// The names of the dialog's skin.
inline constexpr const char kApplicationDialogSkin[] = "app.xml";
inline constexpr const char kApplicationDialogClass[] = "ApplicationDialog";

// At most this many applications of the group are read for the column.
inline constexpr int kRecommendationLimit = 7;

// ---- ApplicationDialog ---------------------------------------------------------------------
class ApplicationDialog : public DuiLib::WindowImplBase {
public:
    // `owner` (the main window) receives the pages' pop-up requests; `groupId`
    // picks the column's applications; `address` is what the browser shows.
    ApplicationDialog(HWND owner, std::string groupId, std::string address,
                      const ApplicationDialogSetup& setup);
    ~ApplicationDialog() override;

    // ---- window ----
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    void InitWindow() override;

    // ---- notifications ----
    void Notify(DuiLib::TNotifyUI& msg) override;

    // For tests and the benchmark.
    DuiLib::CWebBrowserUI* Browser() const { return m_browser; }
    bool Scripted() const { return m_scripted; }

protected:
    LPCTSTR GetWindowClassName() const override { return kApplicationDialogClass; }
    void OnFinalMessage(HWND hwnd) override;
    DuiLib::CStdString GetSkinFile() override { return kApplicationDialogSkin; }
    // Escape is taken without closing the dialog.
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;

private:
    void BuildRecommendations();
    void ShowSlider(bool open);

    // ---- script plug-in ----
    // The page has loaded: fetch the script unless this page has it or asked.
    void StartScriptFetch();
    // The fetch answered: run the script in the page that asked for it.
    void RunScript(const std::string& script);

    // ---- members ----
    DuiLib::CControlUI* m_closeButton = nullptr;
    DuiLib::CControlUI* m_maxButton = nullptr;
    DuiLib::CControlUI* m_restoreButton = nullptr;
    DuiLib::CControlUI* m_minButton = nullptr;
    const std::string m_address;
    const HWND m_owner;
    const std::string m_groupId;
    const ApplicationDialogSetup m_setup;
    DuiLib::CWebBrowserUI* m_browser = nullptr;
    // True once the script plug-in has run in the current page.
    bool m_scripted = false;
    // Pages reached by a recommendation click, counted, and the page whose
    // fetch is under way (or done): a fetch is asked once per page, and an
    // answer that arrives after the browser moved on is not run in the new page.
    int m_page = 0;
    int m_fetchedPage = -1;
    EventRoutes m_events;
};

}  // namespace quorvi
