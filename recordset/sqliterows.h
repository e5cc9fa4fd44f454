#pragma once
// Reads every row of a prepared SQLite statement into a RowSet snapshot. Shared by the
// providers whose data end up in SQLite (SQLite files, and Access files loaded into
// memory), so that values map to Variant kinds the same way for both:
// NULL -> Null; integers -> Boolean for BOOL/BIT/YESNO columns, Integer for
// SMALLINT/SHORT/TINYINT/BYTE columns, else Long, or Double beyond 32 bits;
// reals -> Double; text -> String; blobs -> a byte array with lower bound 0.
#include "rowset.h"
#include "vberror.h"

#include <QString>

#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace tav::ado {

// Steps `statement` to its end. A step failure raises the provider failure naming `path`,
// the engine's message and `sourceText` (the query as the caller gave it); a failure the
// file caused is raised as fileFailure describes it.
std::shared_ptr<const RowSet> readAllRows(sqlite3* db, sqlite3_stmt* statement, const QString& path,
                                          const QString& sourceText);

// The provider failure naming `path` for a failed call on `db` that the file itself caused:
// another program's lock outlasting the wait, a change left unfinished by a program that
// stopped while writing, damage or truncation, a read error. Empty for failures of the
// statement (syntax, unknown names ...), which the caller describes.
std::optional<VbError> fileFailure(sqlite3* db, const QString& path);

// The provider failure for a statement `sql` that SQLite refused with `message`, once the
// caller has described the failures it knows better (missing tables): an unknown name, a
// syntax error, or any other failure.
VbError statementFailure(const QString& message, const QString& sql);

// Sets up a fresh connection for a database that came from elsewhere (a file named by a
// setting, or the image read from an Access file) before anything of it is read: no writes
// that bypass SQL, no functions with side effects run from its schema, no extensions,
// damaged cells caught as they are read, and bounded value, statement and expression sizes.
void guardUntrustedDatabase(sqlite3* db);

} // namespace tav::ado
