#pragma once
// Builds small SQLite databases for tests, always inside the caller's temporary folder.
#include <QString>
#include <QStringList>

namespace tav::test {

// Creates (or extends) the database `path` and runs `statements` in one transaction;
// throws std::runtime_error on any failure. The journal mode is rollback ("delete", as
// the demo database) unless `journalMode` says otherwise ("wal").
void makeDatabase(const QString& path, const QStringList& statements,
                  const char* journalMode = "delete");

// The names in `folder`, sorted, hidden files included.
QStringList folderEntries(const QString& folder);

} // namespace tav::test
