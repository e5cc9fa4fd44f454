#pragma once
// Access database files (Jet 3 and Jet 4 .mdb, ACE .accdb), told by the signature in
// their first page. The file is read by the helper program tav-mdbreader in a child
// process with a time limit, so a damaged file that crashes or hangs the reading library
// becomes an error here; the helper hands back a SQLite image of the tables that is
// loaded into an in-memory database. Saved SELECT queries become views; every statement
// goes through translateAccessSql. Nothing is ever written to the file.
//
// The helper is found through the environment variable TAV_MDBREADER, else beside the
// running program. TAV_MDBREADER_TIMEOUT_MS overrides the 15 s time limit.
#include "connection.h"

namespace tav::ado {

class AccessFormat : public FileFormat {
public:
    QString name() const override { return QStringLiteral("Access"); }
    bool recognizes(const QByteArray& header) const override;
    std::unique_ptr<Connection> open(const QString& path) const override;

    // "Jet 3", "Jet 4", "ACE" or empty for a header that is not an Access file's.
    static QString versionOf(const QByteArray& header);
    // The helper program's path.
    static QString readerPath();
};

} // namespace tav::ado
