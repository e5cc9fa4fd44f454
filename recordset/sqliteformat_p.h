#pragma once
// SQLite database files, told by their "SQLite format 3" header. The file is opened
// read-only: no journal, lock or shared-memory file is created beside it, and nothing is
// ever written. Another program's change in progress is waited for (2 s) and then
// reported, never read half made; a change left unfinished by a program that stopped
// while writing is reported too (see sqliteformat.cpp for the journal modes).
// Values map to Variant kinds as sqliterows.h describes.
#include "connection.h"

namespace tav::ado {

class SqliteFormat : public FileFormat {
  public:
    QString name() const override { return QStringLiteral("SQLite 3"); }
    bool recognizes(const QByteArray& header) const override;
    std::unique_ptr<Connection> open(const QString& path) const override;
};

} // namespace tav::ado
