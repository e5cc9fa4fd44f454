// The database file failing under the recordset: another process writing it, truncated
// copies, the file deleted or replaced while a connection to it is open. Each case ends in
// the rows committed before the fault or in a provider failure that names the file, within
// a bounded time; nothing is ever created or written beside the file.
#include "otherwriter.h"
#include "providers.h"
#include "recordset.h"
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
using tav::test::OtherWriter;
using tav::test::readFile;
using tav::test::renameOver;
using tav::test::writeFile;

namespace {

// The recordset waits 2 s for another program's lock; the rest is margin for a busy machine.
constexpr qint64 kBoundMs = 8000;
constexpr int kRows = 2000;

QString connectionTo(const QString& path) {
    return QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") + ConnectionString::quoteValue(path) +
           QStringLiteral(";Persist Security Info=False");
}

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

// Parameter cases print as their names in test listings.
template <class Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
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
             QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                            "insert into tbloutputs select x, 'Output ' || x from c")
                 .arg(kRows)},
            journalMode);
        committed.clear();
        for (int i = 1; i <= kRows; ++i)
            committed << QStringLiteral("Output %1").arg(i);
    }
    Outcome readOutputs() const { return readAll(db, QStringLiteral("Select Name from tbloutputs order by ID")); }
};

// ---- another process writing the file ---------------------------------------------------------

struct LockCase {
    const char* name;
    QString statements;
    bool readable; // the lock lets readers in: the committed rows are read
};

class DbFaultLock : public DbFault, public ::testing::WithParamInterface<LockCase> {};

// A reader gets the committed rows while the writer's lock lets readers in, else a failure that
// names the file and the lock within the bound; it never sees the writer's uncommitted change.
TEST_P(DbFaultLock, ReadsCommittedRowsOrReportsTheLock) {
    const LockCase& c = GetParam();
    OtherWriter writer(db, c.statements);
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
    EXPECT_FALSE(o.values.contains(QStringLiteral("uncommitted"))) << "read the writer's unfinished change";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DbFaultLock,
    ::testing::Values(
        LockCase{"SharedLockOfAnotherReader", QStringLiteral("BEGIN; SELECT count(*) FROM tbloutputs;"), true},
        LockCase{"ReservedLockWithAChangeInMemory",
                 QStringLiteral("BEGIN IMMEDIATE; UPDATE tbloutputs SET Name = 'uncommitted' WHERE ID = 1;"), true},
        LockCase{"ExclusiveLockWithoutAChange", QStringLiteral("BEGIN EXCLUSIVE;"), false},
        LockCase{"ExclusiveLockWithAChangeWrittenIntoTheFile",
                 tav::test::exclusiveChangeOf(QStringLiteral("tbloutputs"), QStringLiteral("Name"),
                                              QStringLiteral("uncommitted")),
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// The lock is taken after the connection was made: Open reports it, and once the writer has
// ended the same recordset reads the committed rows.
TEST_F(DbFault, LockTakenBetweenConnectionAndOpenIsReportedAndPassesWithTheWriter) {
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    const auto open = [&] {
        rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic, adLockReadOnly, -1);
        QStringList v = firstColumn(rs);
        rs.close();
        return v;
    };
    {
        OtherWriter writer(db, tav::test::exclusiveChangeOf(QStringLiteral("tbloutputs"), QStringLiteral("Name"),
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
        OtherWriter writer(db, tav::test::exclusiveChangeOf(QStringLiteral("tbloutputs"), QStringLiteral("Name"),
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
    OtherWriter writer(db, QStringLiteral("PRAGMA wal_autocheckpoint = 0; "
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

struct TruncationCase {
    const char* name;
    std::function<qsizetype(qsizetype size, qsizetype page)> keep; // bytes kept of the file
    const char* says; // nullptr: the cut may spare every row, which are then all read
};

class DbFaultTruncated : public DbFault, public ::testing::WithParamInterface<TruncationCase> {};

TEST_P(DbFaultTruncated, IsRefusedNamingTheFile) {
    const TruncationCase& c = GetParam();
    const QByteArray whole = readFile(db);
    const qsizetype page = (uchar(whole[16]) << 8) | uchar(whole[17]);
    ASSERT_GE(whole.size(), 8 * page) << "the database is too small to cut";
    const QByteArray kept = whole.left(c.keep(whole.size(), page));
    writeFile(db, kept);

    const Outcome o = readOutputs();
    EXPECT_LT(o.ms, kBoundMs);
    if (c.says || o.number != 0) {
        EXPECT_EQ(o.number, errc::ProviderFailure) << o;
        EXPECT_TRUE(o.description.contains(db)) << o;
        EXPECT_TRUE(o.description.contains(QLatin1String(c.says ? c.says : "damaged or truncated"))) << o;
    } else {
        EXPECT_TRUE(o.values == committed) << "a cut file gave some of its rows: " << o;
    }
    EXPECT_EQ(readFile(db), kept) << "the reader changed the file";
    EXPECT_EQ(tav::test::folderEntries(dir.path()), QStringList{QStringLiteral("dbEquip.mdb")});
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, DbFaultTruncated,
    ::testing::Values(TruncationCase{"ToNothing", [](qsizetype, qsizetype) { return 0; }, "Unrecognized database format"},
                      TruncationCase{"ToTheHeader", [](qsizetype, qsizetype) { return 100; }, "damaged or truncated"},
                      TruncationCase{"ToTheFirstPage", [](qsizetype, qsizetype p) { return p; }, "damaged or truncated"},
                      TruncationCase{"ToHalfInWholePages", [](qsizetype s, qsizetype p) { return s / p / 2 * p; },
                                     "damaged or truncated"},
                      TruncationCase{"ToHalfInsideAPage", [](qsizetype s, qsizetype p) { return s / 2 + p / 3; },
                                     "damaged or truncated"},
                      TruncationCase{"ByOneByte", [](qsizetype s, qsizetype) { return s - 1; }, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the file deleted or replaced under an open connection ---------------------------------------

struct SwapCase {
    const char* name;
    std::function<void(const QString& db, const QString& folder)> swap;
    const char* openSays;     // what Open on the old connection says
    const char* connectSays;  // what a new connection says, or nullptr when it reads "other"
};

const SwapCase kSwaps[] = {
    {"Deleted", [](const QString& db, const QString&) { ASSERT_TRUE(QFile::remove(db)); }, "was deleted or moved",
     "Could not find file"},
    {"MovedAway",
     [](const QString& db, const QString& folder) { renameOver(db, folder + QStringLiteral("/moved.mdb")); },
     "was deleted or moved", "Could not find file"},
    {"JunkRenamedOver",
     [](const QString& db, const QString& folder) {
         writeFile(folder + QStringLiteral("/junk"), QByteArray(50000, '\x5a'));
         renameOver(folder + QStringLiteral("/junk"), db);
     },
     "was replaced by another file", "Unrecognized database format"},
    {"OtherDatabaseRenamedOver",
     [](const QString& db, const QString& folder) {
         const QString other = folder + QStringLiteral("/other.mdb");
         tav::test::makeDatabase(other, {QStringLiteral("create table tbloutputs(ID integer, Name text)"),
                                         QStringLiteral("insert into tbloutputs values(1, 'other')")});
         renameOver(other, db);
     },
     "was replaced by another file", nullptr},
};

class DbFaultSwap : public DbFault, public ::testing::WithParamInterface<SwapCase> {};

// Deleted or replaced between ActiveConnection and Open: Open fails naming the file and never
// creates a new, empty one; a new connection reads what the path names now.
TEST_P(DbFaultSwap, BetweenConnectionAndOpenFailsAndCreatesNothing) {
    const SwapCase& c = GetParam();
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    c.swap(db, dir.path());
    const bool existed = QFile::exists(db);
    const QByteArray now = readFile(db);
    const Outcome o = attempt([&] {
        rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic, adLockReadOnly, -1);
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
        EXPECT_TRUE(fresh.description.contains(QLatin1String(c.connectSays))) << fresh;
    } else {
        EXPECT_TRUE(fresh.values == QStringList{QStringLiteral("other")}) << fresh;
    }
    EXPECT_EQ(QFile::exists(db), existed) << "connecting created the deleted file";
}

// Replaced while a recordset is open: its rows are already read and stay readable; reopening
// on the old connection fails naming the file.
TEST_P(DbFaultSwap, WhileOpenTheRowsStayAndReopenFails) {
    const SwapCase& c = GetParam();
    Recordset rs;
    rs.setActiveConnection(connectionTo(db));
    rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic, adLockReadOnly, -1);
    const std::shared_ptr<const RowSet> shared = rs.snapshot();
    c.swap(db, dir.path());
    EXPECT_TRUE(firstColumn(rs) == committed);
    EXPECT_EQ(shared->at(kRows - 1, 0).toText(), committed.last());
    rs.close();
    const Outcome reopen = attempt([&] {
        rs.open(QStringLiteral("Select Name from tbloutputs order by ID"), adOpenStatic, adLockReadOnly, -1);
        return firstColumn(rs);
    });
    EXPECT_EQ(reopen.number, errc::ProviderFailure) << reopen;
    EXPECT_TRUE(reopen.description.contains(QLatin1String(c.openSays))) << reopen;
}

INSTANTIATE_TEST_SUITE_P(Ways, DbFaultSwap, ::testing::ValuesIn(kSwaps),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Access files ---------------------------------------------------------------------------------

#if TAV_ACCESS_SUPPORT
class DbFaultAccess : public ::testing::Test {
protected:
    tav::test::TempDir dir;
    QString db;

    void SetUp() override {
        qputenv("TAV_MDBREADER", TAV_MDBREADER_PATH);
        qunsetenv("TAV_MDBREADER_TIMEOUT_MS");
        const QString copy = tav::test::copyFixture(QStringLiteral("nwind.mdb"), dir.path());
        if (copy.isEmpty())
            GTEST_SKIP() << "fixture nwind.mdb not found";
        db = dir.file(QStringLiteral("dbEquip.mdb"));
        ASSERT_TRUE(QFile::rename(copy, db));
    }
    Outcome readShippers() const {
        return readAll(db, QStringLiteral("Select CompanyName from Shippers order by ShipperID"));
    }
};

// The reader's time limit (15 s) bounds a cut file that makes the library search forever.
constexpr qint64 kAccessBoundMs = 20000;

TEST_F(DbFaultAccess, TruncatedCopiesAreRefusedNamingTheFile) {
    const QByteArray whole = readFile(db);
    const struct {
        const char* name;
        qsizetype keep;
        const char* says;
    } cuts[] = {
        {"ToNothing", 0, "Unrecognized database format"},
        {"ToHalfInWholePages", whole.size() / 4096 / 2 * 4096, "damaged"},
        {"ToHalfInsideAPage", whole.size() / 2 + 1000, "damaged"},
        {"ToTheFirstPages", 3 * 4096 + 100, "damaged"},
    };
    for (const auto& c : cuts) {
        SCOPED_TRACE(c.name);
        writeFile(db, whole.left(c.keep));
        const Outcome o = readShippers();
        EXPECT_LT(o.ms, kAccessBoundMs);
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
        rs.open(QStringLiteral("Select CompanyName from Shippers"), adOpenStatic, adLockReadOnly, -1);
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
    rs.open(QStringLiteral("Select CompanyName from Shippers order by ShipperID"), adOpenStatic, adLockReadOnly, -1);
    writeFile(dir.file(QStringLiteral("junk")), QByteArray(8192, '\0'));
    renameOver(dir.file(QStringLiteral("junk")), db);
    EXPECT_EQ(firstColumn(rs).size(), 3);
    rs.close();
    const Outcome reopen = attempt([&] {
        rs.open(QStringLiteral("Select CompanyName from Shippers"), adOpenStatic, adLockReadOnly, -1);
        return firstColumn(rs);
    });
    EXPECT_EQ(reopen.number, errc::ProviderFailure) << reopen;
    EXPECT_TRUE(reopen.description.contains(QLatin1String("was replaced by another file"))) << reopen;
}
#else
TEST(DbFaultAccess, Skipped) {
    GTEST_SKIP() << "Access support is off: libmdb (package mdbtools-dev) was not found when configuring";
}
#endif

} // namespace
