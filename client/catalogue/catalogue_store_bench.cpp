// Benchmark: the catalogue pass's database work against the sqlite3 shell.
//
// For catalogues of 1,000, 10,000 and 50,000 applications it stores a parsed
// document into a new database (StoreCatalogue) and, side by side, has the
// `sqlite3` shell import the same rows into a new database holding the same
// schema, as one transaction of inserts read from a file. Both start from an empty
// database with the schema in place; the best of three runs counts.
//
// Usage: catalogue_store_bench [count...]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client/catalogue/catalogue_bench_support.h"
#include "client/catalogue/catalogue_store.h"

using namespace quorvi;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

// The same rows as one transaction of inserts, as the shell imports them.
std::string GenerateSql(const CatalogueDocument& document) {
    std::string sql = "BEGIN;\n";
    auto add = [&](const CatalogueApplication& app, const std::string& groupId) {
        const CatalogueOption option = OptionOf(app);
        if (app.recommendKey != "0") {
            sql += "INSERT INTO apps_recommend VALUES(NULL," + Quoted(option.text) + "," +
                   Quoted(RecommendationForeImage(option.foreImage)) + "," +
                   Quoted(option.userData) + ",NULL," + Quoted(option.name) + "," + app.id + "," +
                   Quoted(app.action) + "," + Quoted(app.recommendKey) + "," + groupId + ");\n";
        }
        sql += "INSERT INTO apps VALUES(NULL," + Quoted(option.text) + "," +
               Quoted(option.foreImage) + "," + Quoted(option.userData) + ",NULL," +
               Quoted(option.name) + "," + app.id + "," + Quoted(app.action) + "," + groupId +
               ");\n";
    };
    for (const CatalogueGroup& group : document.groups) {
        for (const CatalogueApplication& app : group.applications) add(app, group.id);
    }
    return sql + "COMMIT;\n";
}

// A new database file with the client's schema.
std::string NewDatabase(const std::string& folder, const std::string& name) {
    const std::string path = folder + name;
    std::filesystem::remove(path);
    LocalDatabase db;
    std::ostringstream sink;
    db.Open(path, sink, sink);
    db.CreateAndMigrate();
    return path;
}

double TimeStore(const std::string& folder, const CatalogueDocument& document) {
    const std::string path = NewDatabase(folder, "ours.db");
    LocalDatabase db;
    std::ostringstream sink;
    db.Open(path, sink, sink);
    const auto start = Clock::now();
    StoreCatalogue(db, document);
    return MillisecondsSince(start);
}

double TimeShell(const std::string& folder, const std::string& sqlFile) {
    const std::string path = NewDatabase(folder, "shell.db");
    const std::string command = "sqlite3 '" + path + "' < '" + sqlFile + "'";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sqlite3 shell failed\n");
    return MillisecondsSince(start);
}

// Every row of both catalogue tables, as text.
std::string TableText(const std::string& path) {
    LocalDatabase db;
    std::ostringstream sink;
    db.Open(path, sink, sink);
    std::string text;
    for (const char* sql : {"select * from apps", "select * from apps_recommend"}) {
        for (const SqlRow& row : db.Query(sql)) {
            for (size_t i = 0; i < row.Size(); ++i) text += row.Text(i) + "|";
            text += "\n";
        }
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts = {1000, 10000, 50000};
    if (argc > 1) {
        counts.clear();
        for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    }

    std::string folder = (std::filesystem::temp_directory_path() / "catbenchXXXXXX").string();
    if (!mkdtemp(folder.data())) return 1;
    folder += "/";

    std::printf("%8s %10s %10s %7s %12s %12s %12s\n", "apps", "store ms", "sqlite3 ms", "ratio",
                "store us/app", "shell us/app", "update ms");
    for (int count : counts) {
        CatalogueDocument document;
        if (!ParseCatalogueDocument(bench::GenerateCatalogueDocument(count), document)) return 1;
        const std::string sqlFile = folder + "rows.sql";
        std::ofstream(sqlFile, std::ios::binary) << GenerateSql(document);

        double store = 1e300, shell = 1e300, update = 1e300;
        for (int run = 0; run < 3; ++run) {
            store = std::min(store, TimeStore(folder, document));
            shell = std::min(shell, TimeShell(folder, sqlFile));
        }
        // Both sides must have written the same rows for the times to compare.
        if (TableText(folder + "ours.db") != TableText(folder + "shell.db")) {
            std::fprintf(stderr, "the store and the shell wrote different rows\n");
            return 1;
        }
        // A second pass over a filled database: every application is an update.
        {
            LocalDatabase db;
            std::ostringstream sink;
            db.Open(folder + "ours.db", sink, sink);
            for (int run = 0; run < 3; ++run) {
                const auto start = Clock::now();
                StoreCatalogue(db, document);
                update = std::min(update, MillisecondsSince(start));
            }
        }
        std::printf("%8d %10.1f %10.1f %7.2f %12.2f %12.2f %12.1f\n", count, store, shell,
                    store / shell, 1000 * store / count, 1000 * shell / count, update);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
