// The database file failing under the recordset: another process writing it, truncated
// copies, the file deleted or replaced while a connection to it is open. Each case ends in
// the rows committed before the fault or in a provider failure that names the file, within
// a bounded time; nothing is ever created or written beside the file.
#if TAV_ACCESS_SUPPORT
#include "accessformat.h"
#endif
#include "casename.h"
#include "connectionto.h"
#include "dbfaults.h"
#include "otherwriter.h"
#include "providers.h"
#include "recordset.h"
#include "recordset_testseams.h"
#include "testdb.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <functional>
#include <ostream>

#include <gtest/gtest.h>

using namespace tav::ado;
using tav::VbError;
using tav::test::connectionTo;
namespace dbfault = tav::test::dbfault;
using tav::test::OtherWriter;
using tav::test::readFile;
using tav::test::renameOver;
using tav::test::writeFile;

namespace {

using dbfault::kBoundMs;
constexpr int kRows = 2000;

// What a read gave: the failure (number 0 for none) or the first column of every row.
struct Outcome {
    int32_t number = 0;
    QString description;
    QStringList values;
    qint64 ms = 0;
};

Outcome attempt(const std::function<QStringList()>& read) {
    Outcome o;
    QElapsedTimer timer;
    timer.start();
    try {
        o.values = read();
    } catch (const VbError& e) {
        o.number = e.number();
        o.description = e.description();
    }
    o.ms = timer.elapsed();
    return o;
}

QStringList firstColumn(Recordset& rs) {
    QStringList out;
    for (; !rs.eof(); rs.moveNext())
        out << rs.fields(0).value().toText();
    return out;
}

// Connects to `path`, opens `sql` and reads it.
Outcome readAll(const QString& path, const QString& sql) {
    return attempt([&] {
        Recordset rs;
        rs.setActiveConnection(connectionTo(path));
        rs.open(sql, adOpenStatic, adLockReadOnly, -1);
        return firstColumn(rs);
    });
}

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    if (o.number == 0)
        return os << o.values.size() << " rows, first '" << o.values.value(0).toStdString() << "'";
    return os << o.number << " " << o.description.toStdString();
}

// A rollback-journal database of kRows outputs, several pages long.
class DbFault : public ::testing::Test {
  protected:
    tav::test::TempDir dir;
    QString db;
    QStringList committed;

    void SetUp() override {
        db = dir.file(QStringLiteral("dbEquip.mdb"));
        makeOutputs("delete");
    }
    void makeOutputs(const char* journalMode) {
        QFile::remove(db);
        tav::test::makeDatabase(
            db,
            {QStringLiteral("create table tbloutputs(ID integer primary key, Name text)"),
             QStringLiteral(
                 "with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                 "insert into tbloutputs select x, 'Output ' || x from c")
                 .arg(kRows)},
            journalMode);
        committed.clear();
        for (int i = 1; i <= kRows; ++i)
            committed << QStringLiteral("Output %1").arg(i);
    }
    Outcome readOutputs() const {
        return readAll(db, QStringLiteral("Select Name from tbloutputs order by ID"));
    }
};

// ---- a database from elsewhere that would take memory or time without end --------------------

class DbFaultHostile : public DbFault, public ::testing::WithParamInterface<dbfault::Hostile> {};

TEST_P(DbFaultHostile, FailsWithinItsBoundNamingTheStatement) {
    const dbfault::Hostile& h = GetParam();
    tav::test::makeDatabase(
        db, {QStringLiteral("create view qryequipall as ") + QLatin1String(h.select)});
    const StatementBoundsForTests bounds(dbfault::kHostileSnapshotBytes, dbfault::kHostileHeapBytes,
                                         dbfault::kHostileDeadlineMs);
    const QString sql = QStringLiteral("Select * from qryequipall");
    const Outcome o = readAll(db, sql);
    EXPECT_LT(o.ms, kBoundMs);
    EXPECT_EQ(o.number, h.number) << o;
    EXPECT_TRUE(o.description.contains(QLatin1String(h.says))) << o;
    EXPECT_TRUE(o.description.endsWith(sql)) << o;
    // The connection's file works again once the statement has failed.
    EXPECT_EQ(readOutputs().values, committed);
}

INSTANTIATE_TEST_SUITE_P(Views, DbFaultHostile, ::testing::ValuesIn(dbfault::kHostiles),
                         tav::test::caseName);

// ---- another process writing the file ---------------------------------------------------------

class DbFaultLock : public DbFault, public ::testing::WithParamInterface<dbfault::Lock> {};

// A reader gets the committed rows while the writer's lock lets readers in, else a failure that
// names the file and the lock within the bound; it never sees the writer's uncommitted change.
TEST_P(DbFaultLock, ReadsCommittedRowsOrReportsTheLock) {
    const dbfault::Lock& c = GetParam();
    OtherWriter writer(db, c.statements(QStringLiteral("tbloutputs"), QStringLiteral("Name")));
    ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
    const Outcome o = readOutputs();
    EXPECT_LT(o.ms, kBoundMs);
    if (c.readable) {
        EXPECT_EQ(o.number, 0) << o;
        EXPECT_TRUE(o.values == committed) << o;
    } else {
        EXPECT_EQ(o.number, errc::ProviderFailure) << o;
        EXPECT_TRUE(o.description.contains(db)) << o;
        EXPECT_TRUE(o.description.contains(QLatin1String("locked by another program"))) << o;
    }
    EXPECT_FALSE(o.values.contains(QStringLiteral("uncommitted")))
        << "read the writer's unfinished change";
}

INSTANTIATE_TEST_SUITE_P(Kinds, DbFaultLock, ::testing::ValuesIn(dbfault::kLocks),
                         tav::test::caseName);

// The lock is taken after the connection was made: Open reports it, and once the writer has
// ended the same recordset reads the committed rows.
TEST_F(DbFault, LockTakenBetweenConnectionAndOpenIsReportedAndPassesWithTheWriter) {
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    const auto open = [&] {
        rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic,
                adLockReadOnly, -1);
        QStringList v = firstColumn(rs);
        rs.close();
        return v;
    };
    {
        OtherWriter writer(db, tav::test::exclusiveChangeOf(QStringLiteral("tbloutputs"),
                                                            QStringLiteral("Name"),
                                                            QStringLiteral("uncommitted")));
        ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
        const Outcome o = attempt(open);
        EXPECT_LT(o.ms, kBoundMs);
        EXPECT_EQ(o.number, errc::ProviderFailure) << o;
        EXPECT_TRUE(o.description.contains(db)) << o;
        EXPECT_TRUE(o.description.contains(QLatin1String("locked"))) << o;
        EXPECT_EQ(rs.state(), adStateClosed);
    }
    const Outcome after = attempt(open);
    EXPECT_EQ(after.number, 0) << after;
    EXPECT_TRUE(after.values == committed) << after;
}

// A writer that stopped in the middle of a change leaves the file half written and its journal
// beside it. The reader refuses the file naming it, undoes nothing itself, and reads the
// committed rows once a writing program has opened the file again.
TEST_F(DbFault, ChangeLeftUnfinishedByAStoppedWriterIsReportedNotRead) {
    {
        OtherWriter writer(db, tav::test::exclusiveChangeOf(QStringLiteral("tbloutputs"),
                                                            QStringLiteral("Name"),
                                                            QStringLiteral("uncommitted")));
        ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
        writer.crash();
    }
    const QString journal = db + QStringLiteral("-journal");
    ASSERT_TRUE(QFile::exists(journal)) << "the stopped writer left no journal";
    const QByteArray before = tav::test::fileDigest(db);
    const QStringList entries = tav::test::folderEntries(dir.path());

    const Outcome o = readOutputs();
    EXPECT_LT(o.ms, kBoundMs);
    EXPECT_EQ(o.number, errc::ProviderFailure) << o;
    EXPECT_TRUE(o.description.contains(db)) << o;
    EXPECT_TRUE(o.description.contains(QLatin1String("unfinished change"))) << o;
    EXPECT_EQ(tav::test::fileDigest(db), before) << "the reader wrote into the file";
    EXPECT_EQ(tav::test::folderEntries(dir.path()), entries);

    {
        OtherWriter repair(db, QStringLiteral("SELECT count(*) FROM tbloutputs;"));
        ASSERT_TRUE(repair.ready()) << repair.error().toStdString();
    }
    const Outcome after = readOutputs();
    EXPECT_EQ(after.number, 0) << after;
    EXPECT_TRUE(after.values == committed) << after;
}

// In write-ahead-log mode readers never wait: rows committed but still only in the log are
// read, and a transaction the writer holds open is not.
TEST_F(DbFault, LogModeReadsRowsCommittedIntoTheLogButNotAnOpenTransaction) {
    makeOutputs("wal");
    OtherWriter writer(
        db, QStringLiteral("PRAGMA wal_autocheckpoint = 0; "
                           "INSERT INTO tbloutputs VALUES(%1, 'in the log'); "
                           "BEGIN EXCLUSIVE; INSERT INTO tbloutputs VALUES(%2, 'uncommitted');")
                .arg(kRows + 1)
                .arg(kRows + 2));
    ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
    ASSERT_TRUE(QFile::exists(db + QStringLiteral("-wal")));
    const Outcome o = readOutputs();
    EXPECT_LT(o.ms, kBoundMs);
    EXPECT_EQ(o.number, 0) << o;
    EXPECT_TRUE(o.values == committed + QStringList{QStringLiteral("in the log")}) << o;
}

// ---- truncated files ----------------------------------------------------------------------------

class DbFaultTruncated : public DbFault, public ::testing::WithParamInterface<dbfault::Cut> {};

TEST_P(DbFaultTruncated, IsRefusedNamingTheFile) {
    const dbfault::Cut& c = GetParam();
    const QByteArray whole = readFile(db);
    const qsizetype page = dbfault::pageSizeOf(whole);
    ASSERT_GE(whole.size(), 8 * page) << "the database is too small to cut";
    const QByteArray kept = whole.left(c.keep(whole.size(), page));
    writeFile(db, kept);

    const Outcome o = readOutputs();
    EXPECT_LT(o.ms, kBoundMs);
    EXPECT_EQ(o.number, errc::ProviderFailure) << o;
    EXPECT_TRUE(o.description.contains(db)) << o;
    EXPECT_TRUE(o.description.contains(QLatin1String(c.says))) << o;
    EXPECT_EQ(readFile(db), kept) << "the reader changed the file";
    EXPECT_EQ(tav::test::folderEntries(dir.path()), QStringList{QStringLiteral("dbEquip.mdb")});
}

INSTANTIATE_TEST_SUITE_P(Cuts, DbFaultTruncated, ::testing::ValuesIn(dbfault::kCuts),
                         tav::test::caseName);

// ---- the file deleted or replaced under an open connection
// ---------------------------------------

class DbFaultSwap : public DbFault, public ::testing::WithParamInterface<dbfault::Swap> {
  protected:
    static void makeOther(const QString& path) {
        tav::test::makeDatabase(path,
                                {QStringLiteral("create table tbloutputs(ID integer, Name text)"),
                                 QStringLiteral("insert into tbloutputs values(1, 'other')")});
    }
};

// Deleted or replaced between ActiveConnection and Open: Open fails naming the file and never
// creates a new, empty one; a new connection reads what the path names now.
TEST_P(DbFaultSwap, BetweenConnectionAndOpenFailsAndCreatesNothing) {
    const dbfault::Swap& c = GetParam();
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    ASSERT_NO_FATAL_FAILURE(c.swap(db, makeOther));
    const bool existed = QFile::exists(db);
    const QByteArray now = readFile(db);
    const Outcome o = attempt([&] {
        rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic,
                adLockReadOnly, -1);
        return firstColumn(rs);
    });
    EXPECT_EQ(o.number, errc::ProviderFailure) << o;
    EXPECT_TRUE(o.description.contains(db)) << o;
    EXPECT_TRUE(o.description.contains(QLatin1String(c.openSays))) << o;
    EXPECT_EQ(QFile::exists(db), existed) << "Open created the deleted file";
    EXPECT_EQ(readFile(db), now);

    const Outcome fresh = readOutputs();
    if (c.connectSays) {
        EXPECT_EQ(fresh.number, errc::ProviderFailure) << fresh;
        EXPECT_TRUE(fresh.description.startsWith(
            QStringLiteral("%1 '%2'").arg(QLatin1String(c.connectSays), db)))
            << fresh;
    } else {
        EXPECT_TRUE(fresh.values == QStringList{QStringLiteral("other")}) << fresh;
    }
    EXPECT_EQ(QFile::exists(db), existed) << "connecting created the deleted file";
}

// Replaced while a recordset is open: its rows are already read and stay readable; reopening
// on the old connection fails naming the file.
TEST_P(DbFaultSwap, WhileOpenTheRowsStayAndReopenFails) {
    const dbfault::Swap& c = GetParam();
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic, adLockReadOnly,
            -1);
    const std::shared_ptr<const RowSet> shared = rs.snapshot();
    ASSERT_NO_FATAL_FAILURE(c.swap(db, makeOther));
    EXPECT_TRUE(firstColumn(rs) == committed);
    EXPECT_EQ(shared->at(kRows - 1, 0).toText(), committed.last());
    rs.close();
    const Outcome reopen = attempt([&] {
        rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic,
                adLockReadOnly, -1);
        return firstColumn(rs);
    });
    EXPECT_EQ(reopen.number, errc::ProviderFailure) << reopen;
    EXPECT_TRUE(reopen.description.contains(QLatin1String(c.openSays))) << reopen;
}

INSTANTIATE_TEST_SUITE_P(Ways, DbFaultSwap, ::testing::ValuesIn(dbfault::kSwaps),
                         tav::test::caseName);

// ---- Access files
// ---------------------------------------------------------------------------------

#if TAV_ACCESS_SUPPORT
class DbFaultAccess : public ::testing::Test {
  protected:
    tav::test::TempDir dir;
    QString db;

    void SetUp() override {
        qputenv("TAV_MDBREADER", TAV_MDBREADER_PATH);
        qunsetenv("TAV_MDBREADER_TIMEOUT_MS");
        registerAccessFormat();
        const QString copy = tav::test::copyFixture(QStringLiteral("nwind.mdb"), dir.path());
        if (copy.isEmpty())
            return;
        db = dir.file(QStringLiteral("dbEquip.mdb"));
        ASSERT_TRUE(QFile::rename(copy, db));
    }
    Outcome readShippers() const {
        return readAll(db, QStringLiteral("Select CompanyName from Shippers order by ShipperID"));
    }
};

TEST_F(DbFaultAccess, TruncatedCopiesAreRefusedNamingTheFile) {
    const QByteArray whole = readFile(db);
    for (const dbfault::AccessCut& c : dbfault::kAccessCuts) {
        SCOPED_TRACE(c.name);
        writeFile(db, whole.left(c.keep(whole.size())));
        const Outcome o = readShippers();
        EXPECT_LT(o.ms, dbfault::kAccessBoundMs);
        EXPECT_EQ(o.number, errc::ProviderFailure) << o;
        EXPECT_TRUE(o.description.contains(db)) << o;
        EXPECT_TRUE(o.description.contains(QLatin1String(c.says))) << o;
        EXPECT_EQ(tav::test::folderEntries(dir.path()), QStringList{QStringLiteral("dbEquip.mdb")});
    }
}

TEST_F(DbFaultAccess, DeletedBetweenConnectionAndOpenFailsAndCreatesNothing) {
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    ASSERT_TRUE(QFile::remove(db));
    const Outcome o = attempt([&] {
        rs.open(QStringLiteral("Select CompanyName from Shippers"), adOpenStatic, adLockReadOnly,
                -1);
        return firstColumn(rs);
    });
    EXPECT_EQ(o.number, errc::ProviderFailure) << o;
    EXPECT_TRUE(o.description.contains(db)) << o;
    EXPECT_TRUE(o.description.contains(QLatin1String("was deleted or moved"))) << o;
    EXPECT_FALSE(QFile::exists(db)) << "Open created the deleted file";
    EXPECT_TRUE(tav::test::folderEntries(dir.path()).isEmpty());
}

TEST_F(DbFaultAccess, ReplacedWhileOpenKeepsTheRowsAndReopenFails) {
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    rs.open(QStringLiteral("Select CompanyName from Shippers order by ShipperID"), adOpenStatic,
            adLockReadOnly, -1);
    writeFile(dir.file(QStringLiteral("junk")), QByteArray(8192, '\0'));
    renameOver(dir.file(QStringLiteral("junk")), db);
    EXPECT_EQ(firstColumn(rs).size(), 3);
    rs.close();
    const Outcome reopen = attempt([&] {
        rs.open(QStringLiteral("Select CompanyName from Shippers"), adOpenStatic, adLockReadOnly,
                -1);
        return firstColumn(rs);
    });
    EXPECT_EQ(reopen.number, errc::ProviderFailure) << reopen;
    EXPECT_TRUE(reopen.description.contains(QLatin1String("was replaced by another file")))
        << reopen;
}
#else
TEST(DbFaultAccess, Skipped) {
    GTEST_SKIP()
        << "Access support is off: libmdb (package mdbtools-dev) was not found when configuring";
}
#endif

} // namespace
