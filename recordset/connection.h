#pragma once
// The provider side of the recordset layer. A provider turns a parsed connection string
// into a Connection; a file-based provider asks its registered FileFormats which one
// reads the file, judging by the file's first bytes rather than its extension.
#include "rowset.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace tav::ado {

// An open database. Every query reads its whole result into a snapshot.
class Connection {
  public:
    virtual ~Connection() = default;
    // Runs one row-returning statement; raises a VbError with the provider's number.
    virtual std::shared_ptr<const RowSet> query(const QString& sql) = 0;
};

// One database file format a file-based provider can read.
class FileFormat {
  public:
    virtual ~FileFormat() = default;
    virtual QString name() const = 0;
    // True when `header` (the first up to 100 bytes of the file) is this format's.
    virtual bool recognizes(const QByteArray& header) const = 0;
    // Opens the file read-only; nothing is created or written beside it.
    virtual std::unique_ptr<Connection> open(const QString& path) const = 0;
};

} // namespace tav::ado
