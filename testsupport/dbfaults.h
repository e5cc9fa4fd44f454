#pragma once
// The ways a database file fails under its reader, as one table that the recordset's fault
// suite and the programs' suites each run: another process's lock, a cut copy, the file
// deleted or replaced. Each suite brings its own database and checks what its reader shows;
// a row says what must come out. For the suites that link the test databases (tav_testdb,
// tav_otherwriter).
#include "otherwriter.h"
#include "testfiles.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdint>
#include <functional>
#include <ostream>

#include <gtest/gtest.h>

namespace tav::test::dbfault {

// How long a read may take when it meets a fault: the recordset waits 2 s for another
// program's lock; the rest is margin for a busy machine.
inline constexpr qint64 kBoundMs = 8000;
// The Access reader's time limit (15 s) bounds a cut file that makes the library search
// forever.
inline constexpr qint64 kAccessBoundMs = 20000;

// Another process holds a lock on the file; some also hold an unfinished change of every
// row of the read table to "uncommitted", which no reader may see.
struct Lock {
    const char* name;
    QString (*statements)(const QString& table, const QString& column);
    // Readers get the committed rows; otherwise the read fails within the wait for the lock,
    // naming the file and "locked by another program".
    bool readable;
};

inline const Lock kLocks[] = {
    {"SharedLockOfAnotherReader",
     [](const QString& table, const QString&) {
         return QStringLiteral("BEGIN; SELECT count(*) FROM %1;").arg(table);
     },
     true},
    {"ReservedLockWithAChangeInMemory",
     [](const QString& table, const QString& column) {
         return QStringLiteral("BEGIN IMMEDIATE; UPDATE %1 SET %2 = 'uncommitted';")
             .arg(table, column);
     },
     true},
    {"ExclusiveLockWithoutAChange",
     [](const QString&, const QString&) { return QStringLiteral("BEGIN EXCLUSIVE;"); }, false},
    {"ExclusiveLockWithAChangeWrittenIntoTheFile",
     [](const QString& table, const QString& column) {
         return exclusiveChangeOf(table, column, QStringLiteral("uncommitted"));
     },
     false},
};

// The page size of an SQLite database file from its header.
inline qsizetype pageSizeOf(const QByteArray& file) {
    const qsizetype page = file.size() < 18 ? 0 : (uchar(file[16]) << 8) | uchar(file[17]);
    return page == 1 ? 65536 : page;
}

// A copy of an SQLite database cut short. The reader refuses it naming the file and `says`.
struct Cut {
    const char* name;
    qsizetype (*keep)(qsizetype size, qsizetype page); // the bytes kept of the file
    const char* says;
};

inline const Cut kCuts[] = {
    {"ToNothing", [](qsizetype, qsizetype) -> qsizetype { return 0; },
     "Unrecognized database format"},
    {"ToTheHeader", [](qsizetype, qsizetype) -> qsizetype { return 100; }, "damaged or truncated"},
    {"ToTheFirstPage", [](qsizetype, qsizetype page) { return page; }, "damaged or truncated"},
    {"ToHalfInWholePages", [](qsizetype size, qsizetype page) { return size / page / 2 * page; },
     "damaged or truncated"},
    {"ToHalfInsideAPage", [](qsizetype size, qsizetype page) { return size / 2 + page / 3; },
     "damaged or truncated"},
    {"ByOneByte", [](qsizetype size, qsizetype) { return size - 1; }, "damaged or truncated"},
};

// A copy of an Access file cut short, and what the reader says of it besides the file's name.
struct AccessCut {
    const char* name;
    qsizetype (*keep)(qsizetype size);
    const char* says;
};

inline const AccessCut kAccessCuts[] = {
    {"ToNothing", [](qsizetype) -> qsizetype { return 0; }, "Unrecognized database format"},
    {"ToHalfInWholePages", [](qsizetype size) { return size / 4096 / 2 * 4096; }, "damaged"},
    {"ToHalfInsideAPage", [](qsizetype size) { return size / 2 + 1000; }, "damaged"},
    {"ToTheFirstPages", [](qsizetype) -> qsizetype { return 3 * 4096 + 100; }, "damaged"},
};

// The file deleted or replaced after a connection to it was made. `makeOther` makes another
// database of the suite's kind at the path it is given.
struct Swap {
    const char* name;
    void (*swap)(const QString& db, const std::function<void(const QString& path)>& makeOther);
    const char* openSays; // what reading again through the earlier connection says
    // What a new connection's failure begins with, before the file's name in quotes; nullptr
    // when it reads the other database.
    const char* connectSays;
};

inline QString besideOf(const QString& db, const char* name) {
    return QFileInfo(db).path() + u'/' + QLatin1String(name);
}

inline const Swap kSwaps[] = {
    {"Deleted", [](const QString& db, const auto&) { ASSERT_TRUE(QFile::remove(db)); },
     "was deleted or moved", "Could not find file"},
    {"MovedAway", [](const QString& db, const auto&) { renameOver(db, besideOf(db, "moved.mdb")); },
     "was deleted or moved", "Could not find file"},
    {"JunkRenamedOver",
     [](const QString& db, const auto&) {
         writeFile(besideOf(db, "junk"), QByteArray(50000, '\x5a'));
         renameOver(besideOf(db, "junk"), db);
     },
     "was replaced by another file", "Unrecognized database format"},
    {"OtherDatabaseRenamedOver",
     [](const QString& db, const std::function<void(const QString&)>& makeOther) {
         makeOther(besideOf(db, "other.mdb"));
         renameOver(besideOf(db, "other.mdb"), db);
     },
     "was replaced by another file", nullptr},
};

// A view in a database from elsewhere that would take the program's memory or time without
// end: a copy of the suite's database whose qryequipall is `select` instead. Read under the
// small bounds below (set through tav_recordset_testseams), each fails within kBoundMs with
// `number` and a description holding `says` and the statement.
struct Hostile {
    const char* name;
    const char* select;
    int32_t number;
    const char* says;
};

inline constexpr qint64 kHostileSnapshotBytes = qint64(8) << 20;
inline constexpr qint64 kHostileHeapBytes = qint64(16) << 20;
inline constexpr qint64 kHostileDeadlineMs = 1000;

inline const Hostile kHostiles[] = {
    // 24 GB of blobs, one megabyte a row.
    {"BlobsBeyondTheMemoryBound",
     "with recursive c(x) as (select 1 union all select x + 1 from c where x < 24000) "
     "select x as EquipmentID, zeroblob(1000000) as EquipmentName from c",
     7, "Out of memory"},
    {"EndlessRecursion",
     "with recursive c(x) as (select 1 union all select x + 1 from c) "
     "select x as EquipmentID, 'row ' || x as EquipmentName from c",
     7, "Out of memory"},
    // One value that the engine builds beyond its heap limit.
    {"AValueBeyondTheEngineHeap",
     "with recursive c(x) as (select 1 union all select x + 1 from c where x < 30000) "
     "select 1 as EquipmentID, group_concat(hex(randomblob(1000))) as EquipmentName from c",
     7, "Out of memory"},
    // 10^12 rows counted.
    {"CountOfAnEndlessCrossJoin",
     "with recursive c(x) as (select 1 union all select x + 1 from c where x < 1000000) "
     "select count(*) as EquipmentID, 'all' as EquipmentName from c a, c b",
     -2147467259, "was stopped because it ran for 1 s"},
};

// Rows print as their names in test listings and failure messages.
template <class Row>
requires requires(const Row& r) {
    r.name;
}
void PrintTo(const Row& r, std::ostream* os) {
    *os << r.name;
}

} // namespace tav::test::dbfault
