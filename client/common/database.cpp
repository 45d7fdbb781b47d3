// Sections: rows | Statement | opening | schema | running statements
#include "client/common/database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <utility>

#include "platform/log.h"
#include "platform/text.h"

namespace quorvi {

// ---- rows ----------------------------------------------------------------------------

std::string SqlRow::Text(size_t column) const {
    if (!Has(column) || !columns[column]) return {};
    return *columns[column];
}

// ---- Statement ----------------------------------------------------------------------

Statement::Statement(Statement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)), m_database(other.m_database) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_database = other.m_database;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::NoteError() {
    if (m_stmt && m_database)
        m_database->NoteError(sqlite3_errmsg(sqlite3_db_handle(m_stmt)), sqlite3_sql(m_stmt));
}

void Statement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

namespace {

int BindParam(sqlite3_stmt* stmt, int index, const SqlParam& value,
              sqlite3_destructor_type textLifetime) {
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return sqlite3_bind_int64(stmt, index, *number);
    if (const auto* text = std::get_if<std::string_view>(&value))
        return sqlite3_bind_text64(stmt, index, text->data(), text->size(), textLifetime,
                                   SQLITE_UTF8);
    return sqlite3_bind_null(stmt, index);
}

SqlParam ParamOf(const SqlValue& value) {
    if (const auto* number = value.Integer()) return *number;
    if (const auto* text = value.Text()) return std::string_view(*text);
    return {};
}

}  // namespace

bool Statement::BindOne(int index, const SqlValue& value) {
    // Copied: a bound value may be run after the caller's value is gone.
    const int rc = BindParam(m_stmt, index, ParamOf(value), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) NoteError();
    return rc == SQLITE_OK;
}

// Both forms bind in place: a pass binding thousands of rows copies no list.
bool Statement::Bind(std::initializer_list<SqlValue> values) {
    return BindAll({values.begin(), values.size()});
}

bool Statement::Bind(const std::vector<SqlValue>& values) {
    return BindAll(values);
}

// Too few or too many values is a programming error that would otherwise
// store NULLs silently.
bool Statement::CheckCount(size_t count) {
    if (static_cast<int>(count) == sqlite3_bind_parameter_count(m_stmt)) return true;
    if (m_database)
        m_database->NoteError("wrong number of values for the statement", sqlite3_sql(m_stmt));
    return false;
}

bool Statement::BindAll(std::span<const SqlValue> values) {
    if (!m_stmt) return false;
    Reset();
    if (!CheckCount(values.size())) return false;
    int index = 1;
    for (const auto& value : values) {
        if (!BindOne(index++, value)) return false;
    }
    return true;
}

bool Statement::Run() {
    if (!m_stmt) return false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) NoteError();
    sqlite3_reset(m_stmt);
    return rc == SQLITE_DONE;
}

bool Statement::RunWith(std::span<const SqlParam> values) {
    if (!m_stmt) return false;
    Reset();
    if (!CheckCount(values.size())) return false;
    bool bound = true;
    int index = 1;
    for (const SqlParam& value : values) {
        if (BindParam(m_stmt, index++, value, SQLITE_STATIC) != SQLITE_OK) {
            NoteError();
            bound = false;
            break;
        }
    }
    const bool ran = bound && Run();
    // No pointer into the caller's texts outlives the call.
    sqlite3_clear_bindings(m_stmt);
    return ran;
}

std::vector<SqlRow> Statement::Rows() {
    std::vector<SqlRow> rows;
    if (!m_stmt) return rows;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
        SqlRow row;
        const int count = sqlite3_column_count(m_stmt);
        row.columns.reserve(count);
        for (int i = 0; i < count; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
            if (text) {
                row.columns.emplace_back(std::string(text, sqlite3_column_bytes(m_stmt, i)));
            } else {
                row.columns.emplace_back(std::nullopt);
            }
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) NoteError();
    sqlite3_reset(m_stmt);
    return rows;
}

bool Statement::HasRow() {
    if (!m_stmt) return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) NoteError();
    sqlite3_reset(m_stmt);
    return rc == SQLITE_ROW;
}

// ---- opening ------------------------------------------------------------------------

bool LocalDatabase::Open(const std::string& path) {
    return Open(path, std::cout, std::cerr);
}

namespace {

// The name a corrupt file is kept under: its own name with the time, as in
// "vamo.db.corrupt-20261208-044501".
std::string AsideName(const std::string& fileName) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return fileName + ".corrupt-" + stamp;
}

}  // namespace

LocalDatabase::FileState LocalDatabase::Probe() {
    // The first read of the file: its header and schema.
    const int rc =
        sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    m_errorText = rc == SQLITE_OK ? std::string() : sqlite3_errmsg(m_db);
    switch (rc & 0xFF) {
        case SQLITE_OK:
            return sqlite3_db_readonly(m_db, "main") == 1 ? FileState::ReadOnly : FileState::Usable;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return FileState::Corrupt;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return FileState::Locked;
        default:
            return FileState::Unreadable;
    }
}

bool LocalDatabase::OpenFile(const std::string& fileName, std::ostream& err) {
    // The file keeps the remembered password: readable and writable by its
    // owner only, whether it is created now or was left by an earlier version.
    if (const int fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
    if (sqlite3_open(fileName.c_str(), &m_db) != SQLITE_OK) {
        // The system's own diagnostic line for a file that cannot be opened.
        err << "Can\u2019t open database: " << sqlite3_errmsg(m_db) << "\n";
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    // Another client on the same folder holds the file locked for a moment
    // while it writes; wait for it rather than fail the statement.
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    return true;
}

bool LocalDatabase::Open(const std::string& path, std::ostream& out, std::ostream& err) {
    Close();
    m_errorText.clear();
    // Paths of the system are GBK; the file system takes UTF-8.
    const std::string fileName = platform::GbkToUtf8(path);
    if (!OpenFile(fileName, err)) return false;

    // SQLite opens lazily: what is wrong with a file shows at its first read.
    // Each fault gives one line naming the file and the cause.
    FileState state = Probe();
    if (state == FileState::Corrupt) {
        // Kept for whoever wants what it held; the client starts on a new file.
        const std::string cause = m_errorText;
        Close();
        const std::string aside = AsideName(fileName);
        const bool moved = std::rename(fileName.c_str(), aside.c_str()) == 0;
        // A journal left beside it belongs to the old file: rolled into the new
        // one, it would corrupt that too.
        std::rename((fileName + "-journal").c_str(), (aside + "-journal").c_str());
        if (!moved) {
            platform::LogError("database " + path + " is corrupt (" + cause +
                               ") and cannot be moved aside; the client runs without a database");
            return false;
        }
        platform::LogError("database " + path + " is corrupt (" + cause + "); moved aside to " +
                           platform::Utf8ToGbk(aside) + " and a new one is created");
        if (!OpenFile(fileName, err)) return false;
        state = Probe();
    }
    switch (state) {
        case FileState::Usable:
            break;
        case FileState::ReadOnly:
            // Still readable: the catalogue and the settings show, nothing is saved.
            platform::LogError("database " + path +
                               " is read-only; settings and the catalogue are not saved");
            return true;
        case FileState::Locked:
            platform::LogError("database " + path + " is locked by another program (" +
                               m_errorText + "); the client runs without a database");
            Close();
            return false;
        default:
            platform::LogError("database " + path + " cannot be read (" + m_errorText +
                               "); the client runs without a database");
            Close();
            return false;
    }
    m_errorText.clear();
    out << "successfully!\n";
    return true;
}

void LocalDatabase::Close() {
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

// ---- schema -------------------------------------------------------------------------

namespace {

constexpr const char kCreateConfig[] =
    " CREATE TABLE config(ID INTEGER PRIMARY KEY,AutoStartWebPage INTEGER,IsDefaultSavePath "
    "INTEGER,WebPageChannel VARCHAR(255),SavePath VARCHAR(255));";
// The columns are named, so the row fits a config table of five columns (a new
// file) as well as one that already has the later four (a file whose row was lost).
constexpr const char kSeedConfig[] =
    "INSERT INTO \"config\"(ID,AutoStartWebPage,IsDefaultSavePath,WebPageChannel,SavePath) "
    "VALUES(NULL,1,1,'1','');";
constexpr const char kCreateHistory[] =
    "CREATE TABLE history(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
    "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255))";
constexpr const char kCreateApps[] =
    "CREATE TABLE\tapps(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
    "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255),AppID "
    "INTEGER,AppAction VARCHAR(255))";
constexpr const char kCreateAppsRecommend[] =
    "CREATE TABLE\tapps_recommend(ID INTEGER PRIMARY KEY,AppName VARCHAR(255),AppForeImage "
    "VARCHAR(255),UserData VARCHAR(255),Dateline DATATIME,ControlName VARCHAR(255),AppID "
    "INTEGER,AppAction VARCHAR(255),AppRecommend VARCHAR(255))";

// Columns added by later versions, in the order they were added. There is no
// schema version: a column that is already there makes its statement fail.
constexpr const char* kMigrations[] = {
    "ALTER TABLE apps ADD GroupID INTEGER DEFAULT 0",
    "ALTER TABLE apps_recommend ADD GroupID INTEGER DEFAULT 0",
    "ALTER TABLE config ADD IsRemeberPassword INTEGER DEFAULT 0",
    "ALTER TABLE config ADD IsAutoLogin INTEGER DEFAULT 0",
    "ALTER TABLE config ADD LoginUserName VARCHAR(255) DEFAULT ''",
    "ALTER TABLE config ADD LoginPassword VARCHAR(255) DEFAULT ''",
};

// The catalogue pass looks every application up by AppID; without an index each
// lookup scans the table. An index changes no column or position.
constexpr const char kIndexAppId[] = "CREATE INDEX IF NOT EXISTS apps_AppID ON apps(AppID)";

}  // namespace

void LocalDatabase::CreateAndMigrate() {
    m_creatingSchema = true;
    // A second client started on the same folder runs this at the same time:
    // as one write transaction, the second waits (busy time-out) and then finds
    // every table, column and the row in place, instead of failing half of it.
    const bool inTransaction = Execute("BEGIN IMMEDIATE");
    Execute(kCreateConfig);
    if (Query("SELECT * FROM config").empty()) Execute(kSeedConfig);
    Execute(kCreateHistory);
    Execute(kCreateApps);
    Execute(kCreateAppsRecommend);
    for (const char* migration : kMigrations) Execute(migration);
    Execute(kIndexAppId);
    if (inTransaction) Execute("COMMIT");
    m_creatingSchema = false;
}

// ---- running statements -------------------------------------------------------------

void LocalDatabase::NoteError(std::string message, std::string_view sql) {
    m_errorText = std::move(message);
    // Every start runs the schema steps again; finding a table or a column
    // already there is how they are meant to fail.
    if (m_creatingSchema && (m_errorText.find("already exists") != std::string::npos ||
                             m_errorText.starts_with("duplicate column name")))
        return;
    constexpr std::size_t kShownSql = 160;
    std::string statement(sql.substr(0, kShownSql));
    if (sql.size() > kShownSql) statement += "...";
    platform::LogError("database: " + m_errorText + " (in: " + statement + ")");
}

Statement LocalDatabase::Prepare(std::string_view sql) {
    if (!m_db) return {};
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, &tail) !=
        SQLITE_OK) {
        NoteError(sqlite3_errmsg(m_db), sql);
        return {};
    }
    // One statement only: text after it would silently not run.
    for (const char* p = tail; p && p < sql.data() + sql.size(); ++p) {
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
            sqlite3_finalize(stmt);
            NoteError("more than one statement given where one is expected", sql);
            return {};
        }
    }
    return Statement(stmt, this);
}

bool LocalDatabase::Execute(std::string_view sql, std::initializer_list<SqlValue> values) {
    if (values.size() == 0) {
        if (!m_db) return false;
        char* message = nullptr;
        const std::string text(sql);
        const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message);
        if (message) {
            NoteError(message, sql);
            sqlite3_free(message);
        }
        return rc == SQLITE_OK;
    }
    return Execute(sql, std::vector<SqlValue>(values));
}

bool LocalDatabase::Execute(std::string_view sql, const std::vector<SqlValue>& values) {
    Statement statement = Prepare(sql);
    return statement.Bind(values) && statement.Run();
}

std::vector<SqlRow> LocalDatabase::Query(std::string_view sql,
                                         std::initializer_list<SqlValue> values) {
    Statement statement = Prepare(sql);
    if (!statement.Bind(std::vector<SqlValue>(values))) return {};
    return statement.Rows();
}

}  // namespace quorvi
