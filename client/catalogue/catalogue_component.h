// The catalogue as a component of the main window: it loads the catalogue
// document into the navigation bar and the database, keeps the group
// containers and floating panels it built, and answers the clicks on groups,
// application options, the home button and the search, and the live-search
// timer.
//
// Opening an application may need other features (a usage report, the login
// window, a program download): the main window fills OpenHooks() with them;
// an empty hook is a step left out.
#pragma once

#include <functional>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "client/catalogue/catalogue_document.h"
#include "client/catalogue/catalogue_view.h"
#include "client/catalogue/search.h"
#include "client/common/database.h"
#include "client/common/main_window_routes.h"
#include "client/common/user_info.h"

namespace quorvi {

class CatalogueComponent {
public:
    CatalogueComponent(DuiLib::CPaintManagerUI& pm, LocalDatabase& db, const UserInfo& user);

    void Register(MainWindowRoutes& routes);

    // Starts reading the catalogue file on a thread of its own, so that it is
    // parsed while the window is made, builds its skin and opens its database;
    // the next Load of the same file takes the document from there. Once read,
    // that thread hands `decodeAhead` the icon files the window shows first. A
    // second call for the file while the first read is not taken does nothing.
    void Preload(const std::string& cataloguePath,
                 std::function<void(std::vector<std::string> icons)> decodeAhead = {});

    // Reads the catalogue file and builds the navigation from it; false when the
    // file is missing or unreadable (nothing is built then).
    bool Load(const std::string& cataloguePath);

    // The history panel and, while they are still empty, the recommendation
    // columns in `home` (the home view, "Container1").
    void BuildLists(DuiLib::CControlUI* home);

    CatalogueOpenHooks& OpenHooks() { return m_hooks; }
    std::span<DuiLib::CControlUI* const> FloatingPanels() const { return m_floatingPanels; }

private:
    CatalogueContext Context();

    DuiLib::CPaintManagerUI& m_pm;
    LocalDatabase& m_db;
    const UserInfo& m_user;
    CatalogueOpenHooks m_hooks;
    std::vector<DuiLib::CControlUI*> m_groupContainers;
    std::vector<DuiLib::CControlUI*> m_floatingPanels;
    std::string m_searchText;
    SearchResultSpares m_searchSpares;
    int m_recommendationsShown = 0;
    // The file being read ahead and what reading it gives (whether it was read,
    // the document); waited for at destruction at the latest.
    std::string m_preloadPath;
    std::future<std::pair<bool, CatalogueDocument>> m_preloaded;
};

}  // namespace quorvi
