// Recordset benchmark.
// 1. Reads every row of a 1,000,000-row table through the recordset (open, walk with
//    MoveNext, read one field per row) and through a plain SQLite step loop that copies
//    every column of every row into Variants, as the snapshot does; prints both times
//    and their ratio (best of three runs each, interleaved).
// 2. Binds the snapshot to the data grid and paints its first screen; prints the time.
// Usage: bench_recordset [rows]   (default 1000000)
#include "connectionstring.h"
#include "datagrid.h"
#include "recordset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

using namespace tav;
using namespace tav::datagrid;

namespace {

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void createTable(const QString& path, int rows) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.toUtf8().constData(), &db), db, "create");
    const QByteArray sql =
        QStringLiteral(
            "PRAGMA journal_mode=DELETE; BEGIN;"
            "CREATE TABLE tblbench(ID INTEGER PRIMARY KEY, Name TEXT COLLATE NOCASE, Price REAL, "
            "Qty INTEGER);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO tblbench SELECT i, 'Equipment item ' || i, i * 0.25, i % 97 FROM n;"
            "COMMIT;")
            .arg(rows)
            .toUtf8();
    check(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), db, "fill");
    sqlite3_close(db);
}

// The plain loop: step every row and copy every column into a Variant.
double plainLoop(const QString& path, size_t& checksum) {
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?mode=ro&immutable=1";
    check(sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr),
          db, "open");
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, "Select * from tblbench", -1, &st, nullptr), db, "prepare");
    const int columns = sqlite3_column_count(st);
    std::vector<Variant> values;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                values.emplace_back(int32_t(sqlite3_column_int64(st, c)));
                break;
            case SQLITE_FLOAT:
                values.emplace_back(sqlite3_column_double(st, c));
                break;
            case SQLITE_NULL:
                values.push_back(Variant::null());
                break;
            default:
                values.emplace_back(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                      sqlite3_column_bytes(st, c)));
            }
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    for (size_t i = 1; i < values.size(); i += size_t(columns))
        checksum += size_t(values[i].get<QString>()->size());
    return double(t.nsecsElapsed()) / 1e6;
}

QString connectionString(const QString& path) {
    return QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
           ado::ConnectionString::quoteValue(path) + QStringLiteral(";");
}

// The recordset walk: open, MoveNext through every row, read one field per row.
double recordsetWalk(const QString& path, size_t& checksum) {
    QElapsedTimer t;
    t.start();
    ado::Recordset rs;
    rs.setActiveConnection(connectionString(path));
    rs.open(QStringLiteral("Select * from tblbench"), ado::adOpenStatic, ado::adLockOptimistic, -1);
    while (!rs.eof()) {
        checksum += size_t(rs.fields(QStringLiteral("Name")).value().get<QString>()->size());
        rs.moveNext();
    }
    rs.close();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    createTable(path, rows);
    std::printf("rows: %d\n", rows);

    double plain = 1e300, walk = 1e300;
    size_t sumPlain = 0, sumWalk = 0;
    for (int run = 0; run < 3; ++run) {
        plain = std::min(plain, plainLoop(path, sumPlain));
        walk = std::min(walk, recordsetWalk(path, sumWalk));
    }
    if (sumPlain != sumWalk) {
        std::fprintf(stderr, "the two loops read different values (%zu, %zu)\n", sumPlain, sumWalk);
        return 1;
    }
    std::printf("plain SQLite step loop copying every column: %8.1f ms\n", plain);
    std::printf("recordset open + MoveNext walk, one field:    %8.1f ms\n", walk);
    std::printf("ratio recordset / plain: %.2f (target <= 1.50)\n", walk / plain);

    ado::Recordset rs;
    rs.setActiveConnection(connectionString(path));
    rs.open(QStringLiteral("Select * from tblbench"), ado::adOpenStatic, ado::adLockReadOnly, -1);
    DataGrid grid;
    grid.resize(800, 400);
    grid.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    grid.setDataSource(rs);
    const QPixmap firstScreen = grid.grab();
    const double bindPaint = double(t.nsecsElapsed()) / 1e6;
    std::printf("grid bind + first paint of %d rows: %.1f ms (target < 100 ms)%s\n",
                grid.model()->rowCount(), bindPaint,
                firstScreen.isNull() ? " [nothing painted]" : "");
    return 0;
}
