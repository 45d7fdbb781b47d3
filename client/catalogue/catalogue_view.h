// What clicks on the catalogue do in the main window: showing a group's quick
// bar, going back to the home view, opening an application option (a web
// address in an application dialog, a program after sign-in) and opening the
// floating panel of a sub-application holder.
//
// The main window keeps the lists of group containers and floating panels the
// catalogue pass created (navigation_builder.h) and hands them in here.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "client/common/database.h"
#include "ui/core/UIlib.h"

namespace quorvi {

// The window's parts these actions work on.
struct CatalogueContext {
    DuiLib::CPaintManagerUI& pm;
    LocalDatabase& db;
    std::span<DuiLib::CControlUI* const> groupContainers;
    std::span<DuiLib::CControlUI* const> floatingPanels;
    // Hides the news, settings and history panels (the panels' own step); empty: left out.
    std::function<void()> closeSidePanels;
};

// What opening an option needs from the main window beyond its skin and tables.
// An empty hook is a step the client cannot take (yet); it is passed over.
struct CatalogueOpenHooks {
    HWND window = nullptr;  // receives OpenApplication
    // Usage report: the application or group id, and "app" or "category".
    std::function<void(int id, std::string_view action)> report;
    std::function<bool()> isSignedIn;
    // The login window, modal; the user may or may not be signed in afterwards.
    std::function<void()> showLoginWindow;
    // Downloads and starts the program of `option`.
    std::function<void(DuiLib::CControlUI& option)> startDownload;
    // The side panels' "close side panels", run before a group, the home view or
    // an option shows.
    std::function<void()> closeSidePanels;
    // The user's own entry "optNavUser": the personal centre or the login window.
    std::function<void()> openUserEntry;
    // Runs after "btnGoHome" brought the home view back.
    std::function<void()> homeViewShown;
};

// What OpenCatalogueOption did.
enum class OpenOutcome {
    SubAppPanel,     // a holder: its panel shows
    WebApplication,  // OpenApplication was raised and the use recorded
    Program,         // signed in: the download was asked for and the use recorded
    NotSignedIn,     // a program, and nobody signed in after the login window
};

// A click on a navigation option (name "optNav..."): hides the home page area
// and, except for "optNavUser" (the user's own entry, opened through the
// hooks), the home view, showing the group's container.
void ShowGroup(const CatalogueContext& view, DuiLib::CControlUI& option,
               const CatalogueOpenHooks& hooks);

// "btnGoHome": the home view, every group hidden and the navigation deselected.
void GoHome(const CatalogueContext& view);

// A click on an application option (name "optLink...").
OpenOutcome OpenCatalogueOption(const CatalogueContext& view, DuiLib::CControlUI& option,
                                const CatalogueOpenHooks& hooks);

// Shows the mask with a copy of `holder` on it and the holder's panel below.
void ShowSubAppPanel(const CatalogueContext& view, DuiLib::CControlUI& holder);

// Records that the application opening `userData` was used now (the last of the
// `apps` rows with that address) and rebuilds the history panel. False when no
// row has that address.
bool RecordUse(DuiLib::CPaintManagerUI& pm, LocalDatabase& db, const std::string& userData);

}  // namespace quorvi
