// Access benchmark.
// Opens a copy of nwind.mdb and reads "Select * from [Order Details]" to the last row
// through the recordset, and does the same with that table copied into a SQLite file;
// prints both times (best of five, interleaved), their ratio, and the Access load time
// alone (helper process, image load and saved-query views).
// Usage: bench_access [path/to/nwind.mdb]   (default: the shared fixture)
#include "connectionstring.h"
#include "recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace tav;

namespace {

QString connectionString(const QString& path) {
    return QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
           ado::ConnectionString::quoteValue(path) + QStringLiteral(";");
}

// Copies the snapshot of [Order Details] into a SQLite file with the same columns.
void writeSqliteCopy(const QString& mdb, const QString& target) {
    ado::Recordset rs;
    rs.setActiveConnection(connectionString(mdb));
    rs.open(QStringLiteral("Select * from [Order Details]"), ado::adOpenStatic, ado::adLockReadOnly, -1);
    const auto rows = rs.snapshot();
    sqlite3* db = nullptr;
    sqlite3_open(target.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "BEGIN; CREATE TABLE \"Order Details\" (OrderID INTEGER, ProductID INTEGER, UnitPrice REAL, "
                 "Quantity SMALLINT, Discount REAL)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO \"Order Details\" VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr);
    for (int32_t r = 0; r < rows->rowCount(); ++r) {
        for (int c = 0; c < rows->columnCount(); ++c)
            sqlite3_bind_double(st, c + 1, rows->at(r, c).toDouble());
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// CPU time of this process and its finished children (the reader), in ms: unlike the
// wall-clock time it does not grow when other work shares the machine.
double cpuMs() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    }
    return total;
}

// Open, read every row to the last one, one field per row; returns ms.
double openAndRead(const QString& path, int32_t& rowsRead) {
    QElapsedTimer t;
    t.start();
    ado::Recordset rs;
    rs.setActiveConnection(connectionString(path));
    rs.open(QStringLiteral("Select * from [Order Details]"), ado::adOpenStatic, ado::adLockReadOnly, -1);
    rowsRead = 0;
    for (; !rs.eof(); rs.moveNext()) {
        (void)rs.fields(QStringLiteral("Quantity")).value();
        ++rowsRead;
    }
    rs.close();
    return double(t.nsecsElapsed()) / 1e6;
}

double loadOnly(const QString& path) {
    QElapsedTimer t;
    t.start();
    ado::Recordset rs;
    rs.setActiveConnection(connectionString(path));
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString fixture = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QStringLiteral(TAV_FIXTURES_DIR) + QStringLiteral("/nwind.mdb");
    QTemporaryDir dir;
    const QString mdb = dir.filePath(QStringLiteral("nwind.mdb"));
    const QString lite = dir.filePath(QStringLiteral("orderdetails.sqlite"));
    if (!QFile::copy(fixture, mdb)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(fixture));
        return 1;
    }
    try {
        writeSqliteCopy(mdb, lite);
        double access = 1e300, sqlite = 1e300, load = 1e300, accessCpu = 1e300;
        int32_t rowsAccess = 0, rowsSqlite = 0;
        for (int run = 0; run < 5; ++run) {
            const double cpuBefore = cpuMs();
            access = std::min(access, openAndRead(mdb, rowsAccess));
            accessCpu = std::min(accessCpu, cpuMs() - cpuBefore);
            sqlite = std::min(sqlite, openAndRead(lite, rowsSqlite));
            load = std::min(load, loadOnly(mdb));
        }
        if (rowsAccess != rowsSqlite) {
            std::fprintf(stderr, "row counts differ: %d and %d\n", rowsAccess, rowsSqlite);
            return 1;
        }
        std::printf("rows of [Order Details]: %d\n", rowsAccess);
        std::printf("Access file, open + read to the last row: %8.1f ms (target < 100 ms)\n", access);
        std::printf("   of which CPU time, this process and the reader: %.1f ms\n", accessCpu);
        std::printf("SQLite file, open + read to the last row: %8.1f ms\n", sqlite);
        std::printf("ratio Access / SQLite: %.1f\n", access / sqlite);
        std::printf("Access load alone (reader process, image, views): %.1f ms\n", load);
    } catch (const VbError& e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
