#include "client/catalogue/catalogue_store.h"

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

namespace {

// The values a pass writes for one application: its `apps` row (AppName,
// AppForeImage, UserData, ControlName, AppID, AppAction, GroupID) and, when it
// is recommended, its `apps_recommend` row (the same with the recommendation's
// image, and its key before GroupID). None when an id is not a decimal number:
// the pass refuses such an application.
struct StoredRows {
    std::vector<SqlValue> app;
    std::vector<SqlValue> recommendation;  // empty: not recommended
};
constexpr size_t kAppIdColumn = 4;

std::optional<StoredRows> RowsOf(const CatalogueOption& option, const CatalogueEntry& entry) {
    int appId = 0;
    int groupId = 0;
    if (!ParseNumericId(entry.appId, appId) || !ParseNumericId(entry.groupId, groupId))
        return std::nullopt;
    StoredRows rows;
    rows.app = {option.text, option.foreImage, option.userData, option.name,
                appId,       entry.action,     groupId};
    if (entry.recommendKey != "0")
        rows.recommendation = {option.text,
                               RecommendationForeImage(option.foreImage),
                               option.userData,
                               option.name,
                               appId,
                               entry.action,
                               entry.recommendKey,
                               groupId};
    return rows;
}

}  // namespace

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
    // Numbered parameters: the update binds the insert's values, in its order.
    m_update = m_db.Prepare(
        "update apps set AppName=?1,AppForeImage=?2,UserData=?3,ControlName=?4,AppAction=?6,"
        "groupID=?7 where AppID=?5");
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
    const std::optional<StoredRows> rows = RowsOf(option, entry);
    if (!rows) return false;

    if (!rows->recommendation.empty() &&
        !(m_insertRecommend.Bind(rows->recommendation) && m_insertRecommend.Run())) {
        Fail();
        return false;
    }

    // An application already in `apps` is updated in place; a new one is inserted.
    const int appId = static_cast<int>(*rows->app[kAppIdColumn].Integer());
    const bool known = !m_startedEmpty || m_written.contains(appId);
    const bool updated = !known || (m_update.Bind(rows->app) && m_update.Run());
    if (!updated || ((!known || sqlite3_changes(m_db.Handle()) == 0) &&
                     !(m_insert.Bind(rows->app) && m_insert.Run()))) {
        Fail();
        return false;
    }
    if (m_startedEmpty) m_written.insert(appId);
    return true;
}

namespace {

using Columns = std::vector<std::optional<std::string>>;

// Values as a query reads them back.
Columns AsRead(const std::vector<SqlValue>& values) {
    Columns columns;
    for (const SqlValue& value : values) {
        if (const auto* number = value.Integer())
            columns.emplace_back(std::to_string(*number));
        else if (const auto* text = value.Text())
            columns.emplace_back(*text);
        else
            columns.emplace_back(std::nullopt);
    }
    return columns;
}

// True when `apps` and `apps_recommend` already hold what a pass over `document`
// would write: the same recommendations in the same order (with no last use),
// and every application's row with the same values. Reading is cheap; a pass
// commits, and its commit waits for the disk, on every start of the window.
bool AlreadyStored(LocalDatabase& db, const CatalogueDocument& document) {
    std::map<std::string, Columns> apps;  // by AppID; a later occurrence wins, as in a pass
    std::vector<Columns> recommendations;
    ForEachStoredApplication(
        document, [&](const CatalogueApplication& app, const CatalogueGroup& group) {
            const std::optional<StoredRows> rows = RowsOf(OptionOf(app), EntryOf(app, group.id));
            if (!rows) return;
            Columns row = AsRead(rows->app);
            apps[*row[kAppIdColumn]] = std::move(row);
            if (rows->recommendation.empty()) return;
            recommendations.push_back(AsRead(rows->recommendation));
            recommendations.back().emplace_back(std::nullopt);  // Dateline
        });

    const std::vector<SqlRow> stored = db.Query(
        "select AppName,AppForeImage,UserData,ControlName,AppID,AppAction,AppRecommend,GroupID,"
        "Dateline from apps_recommend order by ID");
    if (stored.size() != recommendations.size()) return false;
    for (size_t i = 0; i < stored.size(); ++i)
        if (stored[i].columns != recommendations[i]) return false;

    std::set<std::string> found;
    for (const SqlRow& row :
         db.Query("select AppName,AppForeImage,UserData,ControlName,AppID,AppAction,GroupID "
                  "from apps")) {
        if (row.columns.size() <= kAppIdColumn || !row.columns[kAppIdColumn]) continue;
        const auto app = apps.find(*row.columns[kAppIdColumn]);
        if (app == apps.end()) continue;  // left the catalogue: the pass keeps it as it is
        if (row.columns != app->second) return false;
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
