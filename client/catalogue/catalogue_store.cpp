#include "client/catalogue/catalogue_store.h"

#include <array>
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

// The values a pass writes for one application's `apps` row, in the insert's
// order (AppName, AppForeImage, UserData, ControlName, AppID, AppAction,
// GroupID), viewing the option's and the entry's texts. None when an id is not
// a decimal number: the pass refuses such an application.
using AppRow = std::array<SqlParam, 7>;
constexpr size_t kAppIdColumn = 4;

std::optional<AppRow> AppRowOf(const CatalogueOption& option, const CatalogueEntry& entry) {
    int appId = 0;
    int groupId = 0;
    if (!ParseNumericId(entry.appId, appId) || !ParseNumericId(entry.groupId, groupId))
        return std::nullopt;
    return AppRow{option.text, option.foreImage, option.userData, option.name,
                  appId,       entry.action,     groupId};
}
// The row views its values: they must outlive it.
std::optional<AppRow> AppRowOf(CatalogueOption&&, const CatalogueEntry&) = delete;
std::optional<AppRow> AppRowOf(const CatalogueOption&, CatalogueEntry&&) = delete;

bool IsRecommended(std::string_view recommendKey) {
    return recommendKey != "0";
}

// Its `apps_recommend` row: the same with the recommendation's image, and the
// key before GroupID.
std::array<SqlParam, 8> RecommendationRowOf(const AppRow& app, std::string_view foreImage,
                                            std::string_view key) {
    return {app[0], foreImage, app[2], app[3], app[4], app[5], key, app[6]};
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
    const std::optional<AppRow> row = AppRowOf(option, entry);
    if (!row) return false;

    if (IsRecommended(entry.recommendKey)) {
        const std::string foreImage = RecommendationForeImage(option.foreImage);
        if (!m_insertRecommend.RunWith(RecommendationRowOf(*row, foreImage, entry.recommendKey))) {
            Fail();
            return false;
        }
    }

    // An application already in `apps` is updated in place; a new one is inserted.
    const int appId = static_cast<int>(std::get<std::int64_t>((*row)[kAppIdColumn]));
    const bool known = !m_startedEmpty || m_written.contains(appId);
    const bool updated = !known || m_update.RunWith(*row);
    if (!updated || ((!known || sqlite3_changes(m_db.Handle()) == 0) && !m_insert.RunWith(*row))) {
        Fail();
        return false;
    }
    if (m_startedEmpty) m_written.insert(appId);
    return true;
}

namespace {

using Columns = std::vector<std::optional<std::string>>;

// Values as a query reads them back.
Columns AsRead(std::span<const SqlParam> values) {
    Columns columns;
    columns.reserve(values.size() + 1);
    for (const SqlParam& value : values) {
        if (const auto* number = std::get_if<std::int64_t>(&value))
            columns.emplace_back(std::to_string(*number));
        else if (const auto* text = std::get_if<std::string_view>(&value))
            columns.emplace_back(std::string(*text));
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
    // The few recommendations first: a new database or a changed catalogue
    // most often differs there already, before thousands of rows are compared.
    const std::vector<SqlRow> recommendations = RecommendationRows(document);
    const std::vector<SqlRow> stored = db.Query("select * from apps_recommend order by ID");
    if (stored.size() != recommendations.size()) return false;
    for (size_t i = 0; i < stored.size(); ++i)
        if (stored[i].columns != recommendations[i].columns) return false;
    // A new database holds no application yet: nothing more to compare.
    if (db.Query("select 1 from apps limit 1").empty()) {
        bool anyApplication = false;
        ForEachStoredApplication(
            document, [&](const CatalogueApplication& app, const CatalogueGroup& group) {
                int id = 0;
                anyApplication =
                    anyApplication || (ParseNumericId(app.id, id) && ParseNumericId(group.id, id));
            });
        return !anyApplication;
    }

    std::map<std::string, Columns> apps;  // by AppID; a later occurrence wins, as in a pass
    ForEachStoredApplication(document,
                             [&](const CatalogueApplication& app, const CatalogueGroup& group) {
                                 const CatalogueOption option = OptionOf(app);
                                 const CatalogueEntry entry = EntryOf(app, group.id);
                                 const std::optional<AppRow> row = AppRowOf(option, entry);
                                 if (!row) return;
                                 Columns columns = AsRead(*row);
                                 apps[*columns[kAppIdColumn]] = std::move(columns);
                             });
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

std::vector<SqlRow> RecommendationRows(const CatalogueDocument& document) {
    std::vector<SqlRow> rows;
    ForEachStoredApplication(
        document, [&](const CatalogueApplication& app, const CatalogueGroup& group) {
            if (!IsRecommended(app.recommendKey)) return;
            const CatalogueOption option = OptionOf(app);
            const CatalogueEntry entry = EntryOf(app, group.id);
            const std::optional<AppRow> row = AppRowOf(option, entry);
            if (!row) return;
            // ID, then the columns in the table's order: Dateline (no last use)
            // after UserData, AppRecommend before GroupID.
            const Columns values = AsRead(RecommendationRowOf(
                *row, RecommendationForeImage(option.foreImage), app.recommendKey));
            SqlRow read;
            read.columns = {std::to_string(rows.size() + 1),
                            values[0],
                            values[1],
                            values[2],
                            std::nullopt,
                            values[3],
                            values[4],
                            values[5],
                            values[6],
                            values[7]};
            rows.push_back(std::move(read));
        });
    return rows;
}

void StoreCatalogue(LocalDatabase& db, const CatalogueDocument& document) {
    if (!document.hasRoot || AlreadyStored(db, document)) return;
    CatalogueStorePass pass(db);
    ForEachStoredApplication(document,
                             [&pass](const CatalogueApplication& app, const CatalogueGroup& group) {
                                 pass.Store(OptionOf(app), EntryOf(app, group.id));
                             });
}

}  // namespace quorvi
