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
#include <memory>
#include <optional>
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

    // When a Load writes the catalogue into the database.
    enum class StoreTime {
        Now,
        // Kept until StoreWaitingCatalogue: the window is shown first. Every
        // click, timer and search of the catalogue stores it before it reads.
        Later,
    };

    ~CatalogueComponent();

    // Reads the catalogue file, stores it (see StoreTime) and builds the
    // navigation from it; false when the file is missing or unreadable
    // (nothing is built then).
    bool Load(const std::string& cataloguePath, StoreTime store = StoreTime::Now);
    bool HasWaitingStore() const { return m_waitingStore != nullptr; }
    // Stores the catalogue a Load kept for later and builds the history panel
    // from it; nothing when none waits.
    void StoreWaitingCatalogue();

    // The history panel (once the catalogue is stored) and, while they are
    // still empty, the recommendation columns in `home` (the home view,
    // "Container1"), from the last catalogue loaded, or from the database
    // before any was.
    void BuildLists(DuiLib::CControlUI* home);

    CatalogueOpenHooks& OpenHooks() { return m_hooks; }
    std::span<DuiLib::CControlUI* const> FloatingPanels() const { return m_floatingPanels; }

private:
    CatalogueContext Context();
    // Stores the catalogue a Load kept for later; false when none waits.
    bool StoreWaitingDocument();

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
    // The last catalogue loaded: its recommendations, and the document while
    // it waits to be stored.
    std::optional<std::vector<SqlRow>> m_recommendationRows;
    std::shared_ptr<const CatalogueDocument> m_waitingStore;
};

}  // namespace quorvi
