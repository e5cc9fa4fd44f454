#pragma once
// One prepared SQLite statement, finalized when its owner goes: the one statement owner of
// the registry store, the recordset's file formats and the demo database writer, with the
// step and column reads they share. Each of them raises its own errors from rc(), step()'s
// result and the connection's message. A statement kept for the life of its connection is
// used through Run, which resets it when the use ends so that no read lock outlives the call.
#include <cstdint>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <utility>

namespace tav {

class SqliteStmt {
  public:
    SqliteStmt() = default;
    // Prepares the first statement of `sql` on `db`. rc() is the result; the statement is
    // empty when preparing failed or `sql` holds no statement. `tail`, when given, receives
    // where the text after that statement starts.
    SqliteStmt(sqlite3* db, std::string_view sql, unsigned flags = 0, const char** tail = nullptr)
        : m_rc(sqlite3_prepare_v3(db, sql.data(), int(sql.size()), flags, &m_stmt, tail)) {}
    ~SqliteStmt() { sqlite3_finalize(m_stmt); }
    SqliteStmt(SqliteStmt&& other) noexcept
        : m_stmt(std::exchange(other.m_stmt, nullptr)), m_rc(other.m_rc) {}
    SqliteStmt& operator=(SqliteStmt&& other) noexcept {
        std::swap(m_stmt, other.m_stmt);
        std::swap(m_rc, other.m_rc);
        return *this;
    }
    SqliteStmt(const SqliteStmt&) = delete;
    SqliteStmt& operator=(const SqliteStmt&) = delete;

    int rc() const { return m_rc; }
    // Prepared and holding a statement.
    bool ok() const { return m_rc == SQLITE_OK && m_stmt; }
    sqlite3_stmt* get() const { return m_stmt; }
    // One step: SQLITE_ROW, SQLITE_DONE or the failure.
    int step() const { return sqlite3_step(m_stmt); }
    // The columns of the current row. Text and blobs stay valid until the next step.
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    std::string_view text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? std::string_view(p, size_t(sqlite3_column_bytes(m_stmt, col)))
                 : std::string_view();
    }
    std::string_view blob(int col) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, col));
        return p ? std::string_view(p, size_t(sqlite3_column_bytes(m_stmt, col)))
                 : std::string_view();
    }
    // Finalizes the statement now.
    void finalize() { sqlite3_finalize(std::exchange(m_stmt, nullptr)); }

    class Run;

  private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

// One execution of a kept statement: bind parameters, step through rows; the statement is
// reset and its bindings cleared when the Run ends, also while an error unwinds.
class SqliteStmt::Run {
  public:
    explicit Run(const SqliteStmt& s) : m_stmt(s.get()) {}
    ~Run() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    Run& bind(int index, int64_t v) {
        sqlite3_bind_int64(m_stmt, index, v);
        return *this;
    }
    Run& bind(int index, std::string_view text) {
        sqlite3_bind_text(m_stmt, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // A zero-length blob is still a blob, not NULL.
    Run& bindBlob(int index, std::string_view bytes) {
        sqlite3_bind_blob(m_stmt, index, bytes.empty() ? "" : bytes.data(), int(bytes.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW while a row is available, SQLITE_DONE at the end, else the failure.
    int step() { return sqlite3_step(m_stmt); }

    int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    std::string text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? std::string(p, size_t(sqlite3_column_bytes(m_stmt, col))) : std::string();
    }
    std::string blob(int col) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, col));
        return p ? std::string(p, size_t(sqlite3_column_bytes(m_stmt, col))) : std::string();
    }

  private:
    sqlite3_stmt* m_stmt;
};

} // namespace tav
