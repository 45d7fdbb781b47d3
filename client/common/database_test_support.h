// For tests: a fresh folder, removed afterwards, and a database started in it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "client/common/database.h"

namespace quorvi {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorviXXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern + "/";
    }
    ~TempFolder() {
        if (!m_path.empty()) std::filesystem::remove_all(m_path);
    }
    const std::string& Path() const { return m_path; }  // ends in "/"

private:
    std::string m_path;
};

// Opens the folder's database and creates/migrates its schema, as every start does.
inline void StartDatabase(LocalDatabase& db, const TempFolder& folder) {
    std::ostringstream out, err;
    ASSERT_TRUE(db.Open(LocalDatabase::PathIn(folder.Path()), out, err)) << err.str();
    EXPECT_EQ(out.str(), "successfully!\n");
    db.CreateAndMigrate();
}

// One column of every row of a query, joined by "|".
inline std::string Column(LocalDatabase& db, const std::string& sql) {
    std::string joined;
    for (const SqlRow& row : db.Query(sql)) joined += (joined.empty() ? "" : "|") + row.Text(0);
    return joined;
}

}  // namespace quorvi
