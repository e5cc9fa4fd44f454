#pragma once
// SQLite database files, told by their "SQLite format 3" header. The file is opened
// read-only and immutable: no journal, lock or shared-memory file is created beside it,
// and nothing is ever written.
//
// Values map to Variant kinds by the column's declared type and the stored value:
// NULL -> Null; integers -> Boolean for BOOL/BIT/YESNO columns, Integer for
// SMALLINT/SHORT/TINYINT/BYTE columns, else Long, or Double beyond 32 bits;
// reals -> Double; text -> String; blobs -> a byte array with lower bound 0.
#include "connection.h"

namespace tav::ado {

class SqliteFormat : public FileFormat {
public:
    QString name() const override { return QStringLiteral("SQLite 3"); }
    bool recognizes(const QByteArray& header) const override;
    std::unique_ptr<Connection> open(const QString& path) const override;
};

} // namespace tav::ado
