#pragma once
// A prepared SQLite statement kept for the life of the connection; each use binds, steps
// and is reset by the Run guard so that no read lock outlives the call.
#include "sqlitestmt.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tav::winreg {

// Thrown by the store on any SQLite failure; carries the registry status to return.
struct StoreError {
    int32_t status;
};

// Maps an SQLite result code to the registry status reported for it.
int32_t statusForSqlite(int rc);

class SqliteStatement {
  public:
    // Throws StoreError when the statement cannot be prepared.
    SqliteStatement(sqlite3* db, const char* sql);

    // One execution: bind parameters, step through rows; resets the statement when it ends.
    class Run {
      public:
        explicit Run(SqliteStatement& s) : m_stmt(s.m_stmt.get()) {}
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

        Run& bind(int index, int64_t v);
        Run& bind(int index, std::string_view text);
        Run& bindBlob(int index, std::string_view bytes);
        // True while a row is available; throws StoreError on failure.
        bool step();
        int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
        bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
        std::string text(int col) const;
        std::string blob(int col) const;

      private:
        sqlite3_stmt* m_stmt;
    };

  private:
    SqliteStmt m_stmt;
};

} // namespace tav::winreg
