#pragma once
// SQLite database files, told by their "SQLite format 3" header. The file is opened
// read-only and immutable: no journal, lock or shared-memory file is created beside it,
// and nothing is ever written.
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
