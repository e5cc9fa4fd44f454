#include "sqlitestatement_p.h"
#include "winreg.h"

namespace tav::winreg {

int32_t statusForSqlite(int rc) {
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_CANTWRITE;
    case SQLITE_READONLY:
        return ERROR_ACCESS_DENIED;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql)
    : m_stmt(db, sql, SQLITE_PREPARE_PERSISTENT) {
    if (m_stmt.rc() != SQLITE_OK)
        throw StoreError{statusForSqlite(m_stmt.rc())};
}

SqliteStatement::Run::~Run() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

SqliteStatement::Run& SqliteStatement::Run::bind(int index, int64_t v) {
    sqlite3_bind_int64(m_stmt, index, v);
    return *this;
}

SqliteStatement::Run& SqliteStatement::Run::bind(int index, std::string_view text) {
    sqlite3_bind_text(m_stmt, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement::Run& SqliteStatement::Run::bindBlob(int index, std::string_view bytes) {
    // A zero-length blob must still be a blob, not NULL.
    sqlite3_bind_blob(m_stmt, index, bytes.empty() ? "" : bytes.data(), int(bytes.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

bool SqliteStatement::Run::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw StoreError{statusForSqlite(rc)};
}

std::string SqliteStatement::Run::text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    return p ? std::string(p, size_t(sqlite3_column_bytes(m_stmt, col))) : std::string();
}

std::string SqliteStatement::Run::blob(int col) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, col));
    return p ? std::string(p, size_t(sqlite3_column_bytes(m_stmt, col))) : std::string();
}

} // namespace tav::winreg
