#include "client/catalogue/catalogue_store.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/log.h"

namespace quorvi {

CatalogueOption OptionOf(const CatalogueApplication& app) {
    return {app.caption, app.ForeImage(), app.target, app.ControlName()};
}

CatalogueEntry EntryOf(const CatalogueApplication& app, const std::string& groupId) {
    return {app.id, app.action, app.recommendKey, groupId};
}

std::string RecommendationForeImage(const std::string& foreImage) {
    const size_t dest = foreImage.find("dest='");
    if (dest == std::string::npos || dest == 0) return {};
    return foreImage.substr(0, dest) + "dest='5,5,39,41'";
}

CatalogueStorePass::CatalogueStorePass(LocalDatabase& db) : m_db(db) {
    // The emptying of the recommendations belongs to the pass: a pass that fails
    // or is cut off leaves the previous catalogue and its recommendations whole.
    m_open = m_db.Execute("begin;");
    if (!m_open) {
        Fail();
        return;
    }
    if (!m_db.Execute("DELETE FROM apps_recommend")) {
        Fail();
        return;
    }
    // Only tables with AUTOINCREMENT have a sequence; ours have none, so the
    // reset is asked for only where a sequence exists (a database another
    // program made), and the log keeps no error on every start.
    if (!m_db.Query("select name from sqlite_master where name='sqlite_sequence'").empty() &&
        !m_db.Execute("update sqlite_sequence set seq=0 where name='apps_recommend';")) {
        Fail();
        return;
    }

    m_startedEmpty = m_db.Query("select 1 from apps limit 1").empty();

    // Prepared once for the whole pass.
    m_insert = m_db.Prepare("insert into apps values (NULL,?,?,?,NULL,?,?,?,?)");
    m_update = m_db.Prepare(
        "update apps set AppName=?,AppForeImage=?,UserData=?,ControlName=?,AppAction=?,"
        "groupID=? where AppID=?");
    m_insertRecommend =
        m_db.Prepare("insert into apps_recommend values (NULL,?,?,?,NULL,?,?,?,?,?)");
}

void CatalogueStorePass::Fail() {
    if (m_failed) return;
    m_failed = true;
    platform::LogWarning("catalogue not stored (" + m_db.ErrorText() +
                         "); the tables keep the previous catalogue");
}

void CatalogueStorePass::Commit() {
    // Statements must be finalised before the connection can close cleanly.
    m_insert = {};
    m_update = {};
    m_insertRecommend = {};
    if (!m_open) return;
    m_open = false;
    if (!m_failed && m_db.Execute("commit;")) return;
    Fail();
    // SQLite may already have rolled back on its own (a full disk, an I/O error).
    if (!sqlite3_get_autocommit(m_db.Handle())) m_db.Execute("rollback;");
}

bool CatalogueStorePass::Store(const CatalogueOption& option, const CatalogueEntry& entry) {
    // After a failure SQLite may have ended the transaction itself: a further
    // statement would be committed on its own.
    if (m_failed) return false;
    // Ids are written as numbers; anything else would not be an id.
    int appId = 0;
    int groupId = 0;
    if (!ParseNumericId(entry.appId, appId) || !ParseNumericId(entry.groupId, groupId)) {
        return false;
    }

    if (entry.recommendKey != "0" &&
        !(m_insertRecommend.Bind({option.text, RecommendationForeImage(option.foreImage),
                                  option.userData, option.name, appId, entry.action,
                                  entry.recommendKey, groupId}) &&
          m_insertRecommend.Run())) {
        Fail();
        return false;
    }

    // An application already in `apps` is updated in place; a new one is inserted.
    const bool known = !m_startedEmpty || m_written.contains(appId);
    const bool updated = !known || (m_update.Bind({option.text, option.foreImage, option.userData,
                                                   option.name, entry.action, groupId, appId}) &&
                                    m_update.Run());
    if (!updated || ((!known || sqlite3_changes(m_db.Handle()) == 0) &&
                     !(m_insert.Bind({option.text, option.foreImage, option.userData, option.name,
                                      appId, entry.action, groupId}) &&
                       m_insert.Run()))) {
        Fail();
        return false;
    }
    if (m_startedEmpty) m_written.insert(appId);
    return true;
}

namespace {

using Columns = std::vector<std::optional<std::string>>;

// True when `apps` and `apps_recommend` already hold what a pass over `document`
// would write: the same recommendations in the same order, and every
// application's row with the same values. Reading is cheap; a pass commits, and
// its commit waits for the disk, on every start of the window.
bool AlreadyStored(LocalDatabase& db, const CatalogueDocument& document) {
    std::map<std::string, Columns> apps;  // AppID -> the row's values; the last one wins
    std::vector<Columns> recommendations;
    ForEachStoredApplication(
        document, [&](const CatalogueApplication& app, const CatalogueGroup& group) {
            const CatalogueOption option = OptionOf(app);
            const CatalogueEntry entry = EntryOf(app, group.id);
            int appId = 0, groupId = 0;
            if (!ParseNumericId(entry.appId, appId) || !ParseNumericId(entry.groupId, groupId))
                return;
            const std::string id = std::to_string(appId), groupText = std::to_string(groupId);
            apps[id] = {option.text, option.foreImage, option.userData,
                        option.name, entry.action,     groupText};
            if (entry.recommendKey != "0")
                recommendations.push_back({option.text, RecommendationForeImage(option.foreImage),
                                           option.userData, std::nullopt, option.name, id,
                                           entry.action, entry.recommendKey, groupText});
        });

    const std::vector<SqlRow> stored = db.Query(
        "select AppName,AppForeImage,UserData,Dateline,ControlName,AppID,AppAction,AppRecommend,"
        "GroupID from apps_recommend order by ID");
    if (stored.size() != recommendations.size()) return false;
    for (size_t i = 0; i < stored.size(); ++i)
        if (stored[i].columns != recommendations[i]) return false;

    std::set<std::string> found;
    for (const SqlRow& row :
         db.Query("select AppID,AppName,AppForeImage,UserData,ControlName,AppAction,GroupID "
                  "from apps")) {
        if (row.columns.empty() || !row.columns[0]) continue;
        const auto app = apps.find(*row.columns[0]);
        if (app == apps.end()) continue;  // left the catalogue: the pass keeps it as it is
        if (!std::equal(row.columns.begin() + 1, row.columns.end(), app->second.begin(),
                        app->second.end()))
            return false;
        found.insert(app->first);
    }
    return found.size() == apps.size();
}

}  // namespace

void StoreCatalogue(LocalDatabase& db, const CatalogueDocument& document) {
    if (!document.hasRoot || AlreadyStored(db, document)) return;
    CatalogueStorePass pass(db);
    ForEachStoredApplication(document,
                             [&pass](const CatalogueApplication& app, const CatalogueGroup& group) {
                                 pass.Store(OptionOf(app), EntryOf(app, group.id));
                             });
}

}  // namespace quorvi
