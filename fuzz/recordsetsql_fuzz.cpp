// The recordset's SQL source: any text opened as the source of a recordset over a small
// SQLite database (made at start-up, named and connected like the programs' database).
// A statement that does not run is a VbError; one that runs gives a snapshot whose every
// field of every row can be read, as the grid reads it.
#include "fuzzsupport.h"
#include "recordset.h"
#include "variant.h"
#include "vberror.h"

#include <sqlite3.h>

using tav::ado::Recordset;

namespace {

Recordset* g_rs = nullptr;

void makeDatabase(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        tav::fuzz::fail("cannot create the database", path);
    const char* sql =
        "CREATE TABLE tblManufacturers (ID INTEGER PRIMARY KEY, Name TEXT, Country TEXT, Website "
        "TEXT);"
        "INSERT INTO tblManufacturers VALUES (1, 'Acme', 'US', 'http://acme.example'),"
        "(2, 'Bolt & Nut', NULL, ''), (3, 'Ünïcode', 'DE', NULL);"
        "CREATE TABLE tbloutputs (ID INTEGER, ManufacturerID INTEGER, Watts REAL, Stamp DATETIME, "
        "Blob BLOB);"
        "INSERT INTO tbloutputs VALUES (1, 1, 2.5, '1996-07-04 00:00:00', x'00ff10'),"
        "(2, 3, -1e300, NULL, NULL), (3, NULL, 0, '2000-01-01', x'');"
        "CREATE VIEW qryEquipment AS SELECT o.ID, m.Name, o.Watts FROM tbloutputs o "
        "LEFT JOIN tblManufacturers m ON m.ID = o.ManufacturerID;";
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        tav::fuzz::fail("cannot fill the database", QString::fromUtf8(error));
    sqlite3_close(db);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    const QString path = tav::fuzz::workDir() + QStringLiteral("/dbEquip.mdb");
    makeDatabase(path);
    static Recordset rs;
    rs.setActiveConnection(QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
                           path + QStringLiteral(";Persist Security Info=False"));
    g_rs = &rs;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString source = tav::fuzz::utf8(data, size);
    try {
        g_rs->open(source, tav::ado::adOpenStatic, tav::ado::adLockOptimistic, -1);
    } catch (const tav::VbError& e) {
        if (e.description().isEmpty())
            tav::fuzz::fail("an error without a description", QString::number(e.number()));
        return 0;
    }
    const int32_t count = g_rs->recordCount();
    int32_t seen = 0;
    while (!g_rs->eof()) {
        for (int c = 0; c < g_rs->fieldCount(); ++c) {
            (void)g_rs->fields(c).name();
            try {
                (void)g_rs->fields(c).value().toText();
            } catch (const tav::VbError&) {
                // Null and byte arrays have no text; the error is the documented answer.
            }
        }
        g_rs->moveNext();
        ++seen;
    }
    if (seen != count)
        tav::fuzz::fail("rows walked differ from the record count",
                        QStringLiteral("%1 vs %2").arg(seen).arg(count));
    g_rs->close();
    return 0;
}
