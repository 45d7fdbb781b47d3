// The client's local SQLite database "vamo.db": one connection, its schema and its
// migrations, and statements that take their values as bound parameters.
//
// Sections: values and rows | Statement (a prepared statement) | LocalDatabase
//
// Failures are swallowed as the rest of the client expects: a failing statement
// returns false (or no rows), leaves SQLite's message in ErrorText(), logs it
// with the statement, and the caller carries on. A database that could not be opened skips every
// statement.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvi {

class LocalDatabase;

// ---- values and rows --------------------------------------------------------------

// A value bound to a statement parameter: NULL, an integer or a text (bytes as
// they are; the client's texts are GBK).
class SqlValue {
public:
    SqlValue(std::nullptr_t) {}
    SqlValue(int value) : m_value(std::int64_t{value}) {}
    SqlValue(std::int64_t value) : m_value(value) {}
    SqlValue(const char* text) : m_value(std::string(text)) {}
    SqlValue(std::string_view text) : m_value(std::string(text)) {}
    SqlValue(const std::string& text) : m_value(text) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(m_value); }
    const std::int64_t* Integer() const { return std::get_if<std::int64_t>(&m_value); }
    const std::string* Text() const { return std::get_if<std::string>(&m_value); }

private:
    std::variant<std::monostate, std::int64_t, std::string> m_value;
};

// A value bound for a single run (Statement::RunWith): its text is read where
// it lies, not copied, so it must outlive that run only.
using SqlParam = std::variant<std::monostate, std::int64_t, std::string_view>;

// One result row, every column read as text the way sqlite3_get_table reads it.
struct SqlRow {
    std::vector<std::optional<std::string>> columns;  // nullopt for NULL

    size_t Size() const { return columns.size(); }
    bool Has(size_t column) const { return column < columns.size(); }
    // The column's text; a NULL or a column the row does not have reads as empty.
    std::string Text(size_t column) const;
};

// ---- Statement ---------------------------------------------------------------------

// A prepared statement that can be bound and run many times (reset between runs).
// Moves only; finalised when destroyed.
class Statement {
public:
    Statement() = default;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool IsValid() const { return m_stmt != nullptr; }

    // Binds the values to parameters 1..n; false when one cannot be bound.
    bool Bind(std::initializer_list<SqlValue> values);
    bool Bind(const std::vector<SqlValue>& values);
    // Runs the statement to its end; false on an error.
    bool Run();
    // Binds `values` to parameters 1..n without copying their texts, runs the
    // statement to its end and unbinds them again; false when a value cannot be
    // bound or the run fails. For statements run thousands of times in a pass.
    bool RunWith(std::span<const SqlParam> values);
    // Runs a query and collects its rows.
    std::vector<SqlRow> Rows();
    // Runs a query and says whether it returned at least one row.
    bool HasRow();

private:
    friend class LocalDatabase;
    Statement(sqlite3_stmt* stmt, LocalDatabase* database) : m_stmt(stmt), m_database(database) {}
    bool BindOne(int index, const SqlValue& value);
    bool BindAll(std::span<const SqlValue> values);
    bool CheckCount(size_t count);
    void Reset();
    void NoteError();

    sqlite3_stmt* m_stmt = nullptr;
    LocalDatabase* m_database = nullptr;  // the owner, which keeps and logs errors
};

// ---- LocalDatabase ---------------------------------------------------------------

class LocalDatabase {
public:
    static constexpr const char kFileName[] = "vamo.db";
    // How long a statement waits for another connection's lock before it fails.
    static constexpr int kBusyTimeoutMs = 5000;

    // The database file inside a folder that ends in the path separator.
    static std::string PathIn(const std::string& folder) { return folder + kFileName; }

    LocalDatabase() = default;
    LocalDatabase(const LocalDatabase&) = delete;
    LocalDatabase& operator=(const LocalDatabase&) = delete;
    ~LocalDatabase() { Close(); }

    // Opens (creating when missing) the file at `path` (a GBK text) and reads
    // it once. Writes "successfully!" to `out` when it is usable; otherwise one
    // line to `err`: "Can’t open database: <message>" when it cannot be opened,
    // or a line naming the file and the cause when it is corrupt (moved aside
    // under its name with the time, and a new one made: success), read-only
    // (left open for reading: true, no success line) or locked by another
    // program or unreadable (closed: false).
    bool Open(const std::string& path, std::ostream& out, std::ostream& err);
    bool Open(const std::string& path);  // diagnostics to the standard streams
    void Close();
    bool IsOpen() const { return m_db != nullptr; }

    // Creates the tables when missing, seeds the config row when the table has
    // none, and adds the columns later versions added, all in one transaction.
    // Runs at every start; each statement that fails (table or column already
    // there) is passed over.
    void CreateAndMigrate();

    // Runs one statement with its parameters bound to `values`. Without values
    // the text may hold several statements, run in order.
    bool Execute(std::string_view sql, std::initializer_list<SqlValue> values = {});
    bool Execute(std::string_view sql, const std::vector<SqlValue>& values);
    // Runs one query with bound values and returns all its rows.
    std::vector<SqlRow> Query(std::string_view sql, std::initializer_list<SqlValue> values = {});
    // A statement to run many times; invalid (every run fails) when it cannot be prepared.
    Statement Prepare(std::string_view sql);

    // SQLite's message of the last statement that failed; empty after Open.
    const std::string& ErrorText() const { return m_errorText; }
    sqlite3* Handle() const { return m_db; }

private:
    friend class Statement;
    // Keeps the message of a failed statement and logs it with the statement.
    void NoteError(std::string message, std::string_view sql);
    enum class FileState { Usable, ReadOnly, Corrupt, Locked, Unreadable };
    bool OpenFile(const std::string& fileName, std::ostream& err);
    FileState Probe();

    sqlite3* m_db = nullptr;
    std::string m_errorText;
    bool m_creatingSchema = false;  // failures that find the schema in place are expected
};

}  // namespace quorvi
