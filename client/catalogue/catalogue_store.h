// Writes the catalogue's applications into the tables `apps` and `apps_recommend`.
//
// One pass: `apps_recommend` is emptied, then every application is written inside
// one transaction. An application already in `apps` (by AppID) is updated in
// place, keeping its Dateline (its last use); one that is new is inserted; rows
// of applications that left the catalogue stay. Every value is bound, so a quote
// or a semicolon in a caption, address, action, key or id is stored as it stands.
//
// The values are those of the application's option as the window shows it, so
// the window can build each option and store it in the same walk over the
// document (CatalogueStorePass), or store a whole parsed document (StoreCatalogue).
#pragma once

#include <string>

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

// One catalogue pass. Construction empties `apps_recommend` and opens the
// transaction; Commit (or destruction) ends it. Failing statements are passed over.
class CatalogueStorePass {
public:
    explicit CatalogueStorePass(LocalDatabase& db);
    CatalogueStorePass(const CatalogueStorePass&) = delete;
    CatalogueStorePass& operator=(const CatalogueStorePass&) = delete;
    ~CatalogueStorePass() { Commit(); }

    // Writes one application. False when a statement failed (the application is
    // then missing or stale in a table); an id or group id that is not a decimal
    // number is refused.
    bool Store(const CatalogueOption& option, const CatalogueEntry& entry);
    void Commit();

private:
    LocalDatabase& m_db;
    bool m_open = false;
    Statement m_find;
    Statement m_insert;
    Statement m_update;
    Statement m_insertRecommend;
};

// Stores every application and sub-application of a document in document order
// (sub-application holders themselves get no row). Does nothing when the
// document holds no element.
void StoreCatalogue(LocalDatabase& db, const CatalogueDocument& document);

}  // namespace quorvi
