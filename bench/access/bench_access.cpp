// Access benchmark, on fresh copies of nwind.mdb (best of nine, interleaved; wall-clock and
// CPU time of this process and the reader, which every timed case ends so that its time
// counts):
// - open + read "Select * from [Order Details]" to the last row through the recordset,
//   against the same table copied into a SQLite file, and a second connection to the same
//   copy against the first;
// - open + read the smallest table against open + read one statement over every table,
//   with the share of the fixed cost (the reader's start and the catalog) in each;
// - the load cost per megabyte of table data, and what it gives for larger files.
// Usage: bench_access [path/to/nwind.mdb]   (default: the shared fixture)
#include "accessformat.h"
#include "connectionstring.h"
#include "recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>
#include <utility>

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
    rs.open(QStringLiteral("Select * from [Order Details]"), ado::adOpenStatic, ado::adLockReadOnly,
            -1);
    const auto rows = rs.snapshot();
    sqlite3* db = nullptr;
    sqlite3_open(target.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "BEGIN; CREATE TABLE \"Order Details\" (OrderID INTEGER, ProductID INTEGER, "
                 "UnitPrice REAL, "
                 "Quantity SMALLINT, Discount REAL)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO \"Order Details\" VALUES (?, ?, ?, ?, ?)", -1, &st,
                       nullptr);
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
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
                 double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    }
    return total;
}

// The best wall-clock and CPU times (ms) of one case over the runs.
struct Best {
    double wall = 1e300;
    double cpu = 1e300;
    template <class F> void time(F&& f) {
        QElapsedTimer t;
        const double cpuBefore = cpuMs();
        t.start();
        f();
        wall = std::min(wall, double(t.nsecsElapsed()) / 1e6);
        cpu = std::min(cpu, cpuMs() - cpuBefore);
    }
};

// Open, run `sql`, read every row to the last one, one field per row; returns the rows.
int32_t openAndRead(const QString& path, const QString& sql) {
    ado::Recordset rs;
    rs.setActiveConnection(connectionString(path));
    rs.open(sql, ado::adOpenStatic, ado::adLockReadOnly, -1);
    int32_t rows = 0;
    for (; !rs.eof(); rs.moveNext()) {
        (void)rs.fields(0).value();
        ++rows;
    }
    rs.close();
    return rows;
}

void openOnly(const QString& path) {
    ado::Recordset rs;
    rs.setActiveConnection(connectionString(path));
}

// Drops the images kept, which ends their readers: the CPU time of a reader is counted only
// once it has ended, so every timed case that starts one ends it.
void dropImages() {
    ado::AccessFormat::setImageCacheLimit(0);
    ado::AccessFormat::setImageCacheLimit(qint64(256) << 20);
}

// Starting the reader alone, as the provider starts it (it stops at once for want of a file).
void readerStart() {
    QProcess p;
    p.start(ado::AccessFormat::readerPath(), {});
    p.waitForFinished();
}

// Fresh copies of the sample: a first connection to each finds nothing kept from before.
class Copies {
  public:
    Copies(QString fixture, const QTemporaryDir& dir) : m_fixture(std::move(fixture)), m_dir(dir) {}
    QString fresh() {
        const QString path = m_dir.filePath(QStringLiteral("copy%1.mdb").arg(m_next++));
        if (!QFile::copy(m_fixture, path))
            throw VbError(0, {}, QStringLiteral("cannot copy %1").arg(m_fixture));
        return path;
    }

  private:
    QString m_fixture;
    const QTemporaryDir& m_dir;
    int m_next = 0;
};

const QString smallest = QStringLiteral("Select * from Shippers"); // 3 rows, the smallest table
const QString orderDetails = QStringLiteral("Select * from [Order Details]");

// One statement that reads every table of the sample in full, without a join.
QString everyTable() {
    QStringList counts;
    for (const char* t : {"Categories", "Customers", "Employees", "[Order Details]", "Orders",
                          "Products", "Shippers", "Suppliers"})
        counts << QStringLiteral("(Select count(*) from %1)").arg(QLatin1String(t));
    return QStringLiteral("Select ") + counts.join(QStringLiteral(" + ")) +
           QStringLiteral(" as AllRows from Shippers");
}

void line(const char* what, const Best& b) {
    std::printf("%-58s %7.1f ms wall %7.1f ms CPU\n", what, b.wall, b.cpu);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tav::ado::registerAccessFormat();
    const QString fixture = argc > 1
                                ? QString::fromLocal8Bit(argv[1])
                                : QStringLiteral(TAV_FIXTURES_DIR) + QStringLiteral("/nwind.mdb");
    QTemporaryDir dir;
    const QString lite = dir.filePath(QStringLiteral("orderdetails.sqlite"));
    Copies copies(fixture, dir);
    try {
        writeSqliteCopy(copies.fresh(), lite);
        Best access, second, sqlite, open, start, small, every;
        int32_t rowsAccess = 0, rowsSecond = 0, rowsSqlite = 0;
        for (int run = 0; run < 9; ++run) {
            const QString mdb = copies.fresh(), warm = copies.fresh();
            access.time([&] {
                rowsAccess = openAndRead(mdb, orderDetails);
                dropImages();
            });
            openAndRead(warm, orderDetails);
            second.time([&] { rowsSecond = openAndRead(warm, orderDetails); });
            dropImages();
            sqlite.time([&] { rowsSqlite = openAndRead(lite, orderDetails); });
            const QString forOpen = copies.fresh(), forSmall = copies.fresh(),
                          forEvery = copies.fresh();
            open.time([&] {
                openOnly(forOpen);
                dropImages();
            });
            start.time([&] { readerStart(); });
            small.time([&] {
                openAndRead(forSmall, smallest);
                dropImages();
            });
            every.time([&] {
                openAndRead(forEvery, everyTable());
                dropImages();
            });
        }
        if (rowsAccess != rowsSqlite || rowsSecond != rowsAccess) {
            std::fprintf(stderr, "row counts differ: %d, %d and %d\n", rowsAccess, rowsSecond,
                         rowsSqlite);
            return 1;
        }
        // The memory the image takes: the catalog alone, then with every table loaded.
        const QString measured = copies.fresh();
        const qint64 before = ado::AccessFormat::imageCacheBytes();
        ado::Recordset rs;
        rs.setActiveConnection(connectionString(measured));
        const qint64 catalogBytes = ado::AccessFormat::imageCacheBytes() - before;
        rs.open(everyTable(), ado::adOpenStatic, ado::adLockReadOnly, -1);
        rs.close();
        const double tableMb =
            double(ado::AccessFormat::imageCacheBytes() - before - catalogBytes) / (1 << 20);

        std::printf("rows of [Order Details]: %d\n", rowsAccess);
        std::printf("Access file, open + read to the last row: %8.1f ms (target < 100 ms)\n",
                    access.wall);
        std::printf("   of which CPU time, this process and the reader: %.1f ms\n", access.cpu);
        std::printf("SQLite file, open + read to the last row: %8.1f ms\n", sqlite.wall);
        std::printf("ratio Access / SQLite: %.1f\n\n", access.wall / sqlite.wall);

        // The fixed cost of a first statement: the catalog's reader run, whose reader then
        // serves the table loads.
        const double fixedWall = open.wall, fixedCpu = open.cpu;
        line("open alone (reader start, catalog)", open);
        line("reader start alone", start);
        line("open + read the smallest table (Shippers)", small);
        line("open + read one statement over every table", every);
        std::printf("  fixed cost (open alone): smallest %.0f%% / %.0f%%, "
                    "every table "
                    "%.0f%% / %.0f%% (wall / CPU)\n",
                    100 * fixedWall / small.wall, 100 * fixedCpu / small.cpu,
                    100 * fixedWall / every.wall, 100 * fixedCpu / every.cpu);
        std::printf("ratio smallest / every table: %.2f wall, %.2f CPU (target <= 0.30)\n\n",
                    small.wall / every.wall, small.cpu / every.cpu);

        line("first connection + read [Order Details]", access);
        line("second connection + read [Order Details], same file", second);
        std::printf("ratio second / first connection: %.2f wall, %.2f CPU (target <= 0.2)\n\n",
                    second.wall / access.wall, second.cpu / access.cpu);

        const double perMbWall = (every.wall - small.wall) / tableMb,
                     perMbCpu = (every.cpu - small.cpu) / tableMb;
        std::printf("table data loaded by the statement over every table: %.2f MB (catalog %.2f "
                    "MB; file %.2f MB)\n",
                    tableMb, double(catalogBytes) / (1 << 20),
                    double(QFileInfo(measured).size()) / (1 << 20));
        std::printf("load cost per MB of table data: %.1f ms wall, %.1f ms CPU\n", perMbWall,
                    perMbCpu);
        for (const int mb : {10, 50, 200})
            std::printf("  estimate, first statement reading %3d MB of tables: %7.0f ms wall, "
                        "%7.0f ms CPU\n",
                        mb, fixedWall + mb * perMbWall, fixedCpu + mb * perMbCpu);
    } catch (const VbError& e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
