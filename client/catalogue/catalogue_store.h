// Writes the catalogue's applications into the tables `apps` and `apps_recommend`.
//
// One pass is one transaction: `apps_recommend` is emptied and every application
// is written, or, when a statement fails (a full disk, a locked or read-only
// database) or the process ends before the commit, nothing changes. An
// application already in `apps` (by AppID) is updated in place, keeping its
// Dateline (its last use); one that is new is inserted; rows of applications that
// left the catalogue stay. Every value is bound, so a quote
// or a semicolon in a caption, address, action, key or id is stored as it stands.
//
// The values are those of the application's option as the window shows it, so
// the window can build each option and store it in the same walk over the
// document (CatalogueStorePass), or store a whole parsed document (StoreCatalogue).
// StoreCatalogue writes nothing when the tables hold that document already (the
// usual start): no transaction, so no wait for the disk.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "client/catalogue/catalogue_document.h"
#include "client/common/database.h"

namespace quorvi {

// What the window shows of one application option.
struct CatalogueOption {
    std::string text;       // AppName
    std::string foreImage;  // AppForeImage: "file='<icon>' dest='16,0,84,70'"
    std::string userData;   // UserData: the address or program
    std::string name;       // ControlName: "optLink" + id
};

// What the catalogue says of it beyond the option.
struct CatalogueEntry {
    std::string appId;         // decimal id
    std::string action;        // AppAction
    std::string recommendKey;  // "0" for none
    std::string groupId;       // decimal id of the group
};

// The option and entry of a parsed application that belongs to group `groupId`.
CatalogueOption OptionOf(const CatalogueApplication& app);
CatalogueEntry EntryOf(const CatalogueApplication& app, const std::string& groupId);

// The foreground image of a recommendation: `foreImage` with everything from
// "dest='" on replaced by "dest='5,5,39,41'"; empty when it holds no "dest='"
// after its first character.
std::string RecommendationForeImage(const std::string& foreImage);

// One catalogue pass. Construction opens the transaction and empties
// `apps_recommend`; Commit (or destruction) commits it, or rolls it back when a
// statement of the pass failed (logged once).
class CatalogueStorePass {
public:
    explicit CatalogueStorePass(LocalDatabase& db);
    CatalogueStorePass(const CatalogueStorePass&) = delete;
    CatalogueStorePass& operator=(const CatalogueStorePass&) = delete;
    ~CatalogueStorePass() { Commit(); }

    // Writes one application. An id or group id that is not a decimal number is
    // refused (false; the pass goes on without it). False too when a statement
    // failed: the pass will be rolled back and stores nothing more.
    bool Store(const CatalogueOption& option, const CatalogueEntry& entry);
    void Commit();
    bool Failed() const { return m_failed; }

private:
    void Fail();

    LocalDatabase& m_db;
    bool m_open = false;
    bool m_failed = false;
    // Set when `apps` was empty as the pass began: an id this pass has not yet
    // written has no row, so it is inserted without trying an update first.
    bool m_startedEmpty = false;
    std::unordered_set<int> m_written;
    Statement m_insert;
    Statement m_update;
    Statement m_insertRecommend;
};

// Calls fn(app, group) for every application the store writes, in the order it
// writes them: document order, a sub-application holder replaced by its
// sub-applications (a holder is no application of its own and gets no row).
// The icons the recommendation columns will show are found by the same walk.
template <typename Fn>
void ForEachStoredApplication(const CatalogueDocument& document, Fn&& fn) {
    for (const CatalogueGroup& group : document.groups) {
        for (const CatalogueApplication& app : group.applications) {
            if (!app.holdsSubApps) {
                fn(app, group);
                continue;
            }
            for (const CatalogueApplication& sub : app.subApplications) fn(sub, group);
        }
    }
}

// The rows `apps_recommend` holds once `document` is stored, as
// "select * from apps_recommend order by ID" reads them.
std::vector<SqlRow> RecommendationRows(const CatalogueDocument& document);

// Stores every application of a document (ForEachStoredApplication). Does
// nothing when the document holds no element.
void StoreCatalogue(LocalDatabase& db, const CatalogueDocument& document);

}  // namespace quorvi
