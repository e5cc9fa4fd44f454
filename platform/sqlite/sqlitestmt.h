#pragma once
// One prepared SQLite statement, finalized when its owner goes: the one statement owner of
// the registry store, the recordset's file formats and the demo database writer. Each of
// them raises its own errors from rc() and the connection's message.
#include <sqlite3.h>
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
    // Finalizes the statement now.
    void finalize() { sqlite3_finalize(std::exchange(m_stmt, nullptr)); }

  private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

} // namespace tav
