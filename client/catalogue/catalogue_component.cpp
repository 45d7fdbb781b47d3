#include "client/catalogue/catalogue_component.h"

#include <utility>

#include "client/catalogue/catalogue_document.h"
#include "client/catalogue/catalogue_store.h"
#include "client/catalogue/history_panel.h"
#include "client/catalogue/navigation_builder.h"
#include "client/catalogue/recommendations.h"
#include "client/catalogue/search.h"

namespace quorvi {

CatalogueComponent::CatalogueComponent(DuiLib::CPaintManagerUI& pm, LocalDatabase& db,
                                       const UserInfo& user)
    : m_pm(pm), m_db(db), m_user(user) {
    m_hooks.isSignedIn = [this] { return m_user.IsSignedIn(); };
}

CatalogueComponent::~CatalogueComponent() {
    // A window closed before its first frame still leaves its catalogue stored
    // (its panels are being torn down: no history to rebuild).
    StoreWaitingDocument();
}

void CatalogueComponent::Register(MainWindowRoutes& routes) {
    // Each reads or writes the tables a waiting catalogue goes to.
    routes.OnClick(ClickRule::StartSearch, [this](DuiLib::CControlUI&) {
        StoreWaitingCatalogue();
        SearchCatalogue(m_pm, m_db, m_searchText, false, &m_searchSpares);
    });
    routes.OnClick(ClickRule::CatalogueOption, [this](DuiLib::CControlUI& option) {
        StoreWaitingCatalogue();
        m_hooks.window = m_pm.GetPaintWindow();
        OpenCatalogueOption(Context(), option, m_hooks);
    });
    routes.OnClick(ClickRule::GoHome, [this](DuiLib::CControlUI&) {
        StoreWaitingCatalogue();
        GoHome(Context());
        if (m_hooks.homeViewShown) m_hooks.homeViewShown();
    });
    routes.OnClick(ClickRule::NavigationOption, [this](DuiLib::CControlUI& option) {
        StoreWaitingCatalogue();
        ShowGroup(Context(), option, m_hooks);
    });
    routes.OnTimer(MainTimer::LiveSearch, [this] {
        StoreWaitingCatalogue();
        SearchCatalogue(m_pm, m_db, m_searchText, true, &m_searchSpares);
    });
    routes.SetFloatingPanels([this] { return FloatingPanels(); });
}

void CatalogueComponent::Preload(const std::string& cataloguePath,
                                 std::function<void(std::vector<std::string> icons)> decodeAhead) {
    if (m_preloaded.valid() && m_preloadPath == cataloguePath) return;
    m_preloadPath = cataloguePath;
    m_preloaded = std::async(std::launch::async, [cataloguePath, decodeAhead] {
        std::pair<bool, CatalogueDocument> read;
        read.first = LoadCatalogueDocument(cataloguePath, read.second);
        if (read.first && decodeAhead) decodeAhead(IconsShownAtStart(read.second));
        return read;
    });
}

bool CatalogueComponent::Load(const std::string& cataloguePath, StoreTime store) {
    CatalogueDocument document;
    if (m_preloaded.valid() && cataloguePath == m_preloadPath) {
        // Read once: a later Load (a retry) reads the file as it is then.
        auto [read, preloaded] = m_preloaded.get();
        if (!read) return false;
        document = std::move(preloaded);
    } else if (!LoadCatalogueDocument(cataloguePath, document)) {
        return false;
    }
    if (!document.hasRoot) return true;  // nothing to build or store
    // Passes keep their order: a catalogue still waiting goes in first.
    StoreWaitingCatalogue();
    m_recommendationRows = RecommendationRows(document);
    auto shared = std::make_shared<const CatalogueDocument>(std::move(document));
    if (store == StoreTime::Now)
        StoreCatalogue(m_db, *shared);
    else
        m_waitingStore = shared;
    const CatalogueControls built = BuildCatalogueControls(m_pm, std::move(shared));
    m_groupContainers.insert(m_groupContainers.end(), built.groupContainers.begin(),
                             built.groupContainers.end());
    m_floatingPanels.insert(m_floatingPanels.end(), built.floatingPanels.begin(),
                            built.floatingPanels.end());
    return true;
}

void CatalogueComponent::StoreWaitingCatalogue() {
    if (StoreWaitingDocument()) RebuildHistory(m_pm, m_db);
}

bool CatalogueComponent::StoreWaitingDocument() {
    if (!m_waitingStore) return false;
    StoreCatalogue(m_db, *std::exchange(m_waitingStore, nullptr));
    return true;
}

void CatalogueComponent::BuildLists(DuiLib::CControlUI* home) {
    // The history comes from the stored tables; a waiting catalogue builds it
    // once stored.
    if (!m_waitingStore) RebuildHistory(m_pm, m_db);
    // The columns are never emptied, so they are built once, when there is
    // something to show.
    if (m_recommendationsShown > 0) return;
    for (const char* category : {"1", "2", "3", "4"})
        m_recommendationsShown += m_recommendationRows
                                      ? BuildRecommendations(home, *m_recommendationRows, category)
                                      : BuildRecommendations(home, m_db, category);
}

CatalogueContext CatalogueComponent::Context() {
    return {m_pm, m_db, m_groupContainers, m_floatingPanels, m_hooks.closeSidePanels};
}

}  // namespace quorvi
