#pragma once
// One prepared SQLite statement, finalized when its owner goes: the one statement owner of
// the registry store, the recordset's file formats and the demo database writer, with the
// step and column reads they share. Each of them raises its own errors from rc(), step()'s
// result and the connection's message.
#include <cstdint>
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

  private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

} // namespace tav
