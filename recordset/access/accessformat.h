#pragma once
// Access database files (Jet 3 and Jet 4 .mdb, ACE .accdb), told by the signature in
// their first page. The file is read by the helper program tav-mdbreader in a child
// process with a time limit, so a damaged file that crashes or hangs the reading library
// becomes an error here; the helper hands back SQLite images that are loaded into an
// in-memory database. A connection reads the catalog only (tables and their columns, the
// saved queries, which become views); a statement loads the tables it reads, through saved
// queries too, the first time one needs them, each load a request to the reader that read the
// catalog, which stays while the image is kept. Every statement goes through
// translateAccessSql. Nothing is ever written to the file.
//
// The in-memory image of a file is shared by later connections in the process while the
// file keeps its identity, size and modification time; a table load that finds the file
// changed, replaced or deleted since the connection started fails, so no image mixes two
// versions. Images are kept within a memory limit, least recently used dropped first.
//
// The helper is found through the environment variable TAV_MDBREADER, else beside the
// running program. TAV_MDBREADER_TIMEOUT_MS overrides the 15 s time limit.
//
// The format reads files only once registerAccessFormat() has added it to the recordset's
// file-database provider; until then an Access file is refused as not supported.
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

    // The bytes the images kept for later connections hold, and the most they may hold
    // (256 MiB unless set).
    static qint64 imageCacheBytes();
    static void setImageCacheLimit(qint64 bytes);
};

// Adds the Access format to the file-database provider, ahead of the formats there; later
// calls do nothing. The programs call it at start-up (griddata::registerDatabaseFormats).
void registerAccessFormat();

} // namespace tav::ado
