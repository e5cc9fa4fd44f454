// datacheck's two tests on a database file that fails under them: locked by another
// process, truncated, replaced while the grid shows it, deleted between the connection and
// Open. Each ends in the window's error box naming the file, within a bounded time, or in
// the committed rows; the window stays usable and nothing is created beside the file.
#include "casename.h"
#include "codepage.h"
#include "databaseformats.h"
#include "dbfaults.h"
#include "frmtestdataaccess.h"
#include "frmtestdataaccess_testseams.h"
#include "jet3edit.h"
#include "otherwriter.h"
#include "recordset_testseams.h"
#include "registrytest.h"
#include "testdb.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <memory>
#include <ostream>

using namespace tav;
using tav::datacheck::frmTestDataAccess;
namespace dbfault = tav::test::dbfault;
using tav::test::OtherWriter;
using tav::test::readFile;
using tav::test::renameOver;
using tav::test::writeFile;
using YieldPoint = frmTestDataAccess::YieldPoint;

namespace {

using dbfault::kBoundMs;
constexpr int kRows = 3000;
const QString kFailurePrefix = QStringLiteral("Error: -2147467259 ");

// Outputs and equipment of kRows rows each, as the two tests read them.
QStringList equipmentDatabase(const QString& prefix) {
    return {QStringLiteral("create table tbloutputs(ID integer primary key, Name text)"),
            QStringLiteral("create table tblequipment(ID integer primary key, EquipmentName text)"),
            QStringLiteral(
                "with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                "insert into tbloutputs select x, '%2 output ' || x from c")
                .arg(kRows)
                .arg(prefix),
            QStringLiteral("insert into tblequipment select ID, replace(Name, 'output', "
                           "'equipment') from tbloutputs"),
            QStringLiteral("create view qryequipall as select ID as EquipmentID, EquipmentName "
                           "from tblequipment")};
}

class DataCheckDbFault : public tav::test::RegistryTest {
  protected:
    tav::test::TempDir data;
    tav::test::MessageBoxRecorder boxes;
    QString db;

    void SetUp() override {
        RegistryTest::SetUp();
        db = data.file(QStringLiteral("dbEquip.mdb"));
        tav::test::makeDatabase(db, equipmentDatabase(QStringLiteral("committed")));
        putRaw(HKEY_CURRENT_USER, QStringLiteral("Software\\Tavrion\\Tavrion_v3"),
               QStringLiteral("PATH_DB_EQUIP"), REG_SZ, toAnsi(data.path()) + QByteArray(1, '\0'));
    }

    // Clicks Test Connection or Fill Grid and returns how long the handler ran.
    static qint64 click(frmTestDataAccess& f, bool fillGrid) {
        QElapsedTimer timer;
        timer.start();
        fillGrid ? f.Command2_Click() : f.Command1_Click();
        return timer.elapsed();
    }
    // The one box a failed run showed.
    QString failure() const {
        EXPECT_EQ(boxes.boxes().size(), 1u);
        return boxes.boxes().empty() ? QString() : boxes.boxes().back().prompt;
    }
    static bool succeeded(const frmTestDataAccess& f, int count) {
        return f.lblResponse()->text().startsWith(
            QStringLiteral("Response: Connection OK\r\nRetreived %1 records in: ").arg(count));
    }
    static QString gridCell(const frmTestDataAccess& f, int row, int column) {
        return f.sg()->model()->index(row, column).data().toString();
    }
    // The failure left the window as a failed run does: caption only, recordset closed.
    static void expectFailedRun(const frmTestDataAccess& f) {
        EXPECT_EQ(f.lblResponse()->text(), QStringLiteral("Response:"));
        EXPECT_EQ(f.rsData().state(), ado::adStateClosed);
        EXPECT_FALSE(f.Timer1()->isActive());
    }
};

// ---- a database from elsewhere that would take memory or time without end -------------------

class DataCheckHostile : public DataCheckDbFault,
                         public ::testing::WithParamInterface<dbfault::Hostile> {};

// Fill Grid on such a view ends within the bound in the box, naming the statement, rather than
// ending the program or holding the window; Test Connection still works.
TEST_P(DataCheckHostile, FillGridReportsItInTheBoxWithinTheBound) {
    const dbfault::Hostile& h = GetParam();
    tav::test::makeDatabase(
        db, {QStringLiteral("drop view qryequipall"),
             QStringLiteral("create view qryequipall as ") + QLatin1String(h.select)});
    const ado::StatementBoundsForTests bounds(
        dbfault::kHostileSnapshotBytes, dbfault::kHostileHeapBytes, dbfault::kHostileDeadlineMs);
    auto f = std::make_unique<frmTestDataAccess>();
    EXPECT_LT(click(*f, true), kBoundMs);
    const QString prompt = failure();
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("Error: %1 ").arg(h.number)))
        << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QLatin1String(h.says))) << prompt.toStdString();
    EXPECT_TRUE(prompt.endsWith(QLatin1String("Select * from qryequipall")))
        << prompt.toStdString();
    expectFailedRun(*f);
    boxes.clear();
    click(*f, false);
    EXPECT_TRUE(succeeded(*f, kRows)) << f->lblResponse()->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Views, DataCheckHostile, ::testing::ValuesIn(dbfault::kHostiles),
                         tav::test::caseName);

// ---- locked by another process --------------------------------------------------------------

class DataCheckLocked : public DataCheckDbFault,
                        public ::testing::WithParamInterface<dbfault::Lock> {};

// Another process holds a lock on the file. A lock that lets readers in lets both buttons read
// the committed rows. Any other is reported by both within the bound, naming the file, with
// none of the uncommitted rows shown; the same button reads the committed rows once the
// writer has ended.
TEST_P(DataCheckLocked, ReadsTheCommittedRowsOrReportsTheLockWithinTheBound) {
    const dbfault::Lock& lock = GetParam();
    for (const bool fillGrid : {false, true}) {
        SCOPED_TRACE(fillGrid ? "Fill Grid" : "Test Connection");
        auto f = std::make_unique<frmTestDataAccess>();
        boxes.clear();
        {
            OtherWriter writer(
                db, lock.statements(QLatin1String(fillGrid ? "tblequipment" : "tbloutputs"),
                                    QLatin1String(fillGrid ? "EquipmentName" : "Name")));
            ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
            EXPECT_LT(click(*f, fillGrid), kBoundMs);
            if (lock.readable) {
                EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
                EXPECT_TRUE(succeeded(*f, kRows)) << f->lblResponse()->text().toStdString();
                if (fillGrid) {
                    ASSERT_EQ(f->sg()->model()->rowCount(), kRows);
                    EXPECT_EQ(gridCell(*f, 0, 1), QStringLiteral("committed equipment 1"));
                }
                continue;
            }
            const QString prompt = failure();
            EXPECT_TRUE(prompt.startsWith(kFailurePrefix)) << prompt.toStdString();
            EXPECT_TRUE(prompt.contains(db)) << prompt.toStdString();
            EXPECT_TRUE(prompt.contains(QLatin1String("locked by another program")))
                << prompt.toStdString();
            expectFailedRun(*f);
            EXPECT_EQ(f->sg()->model()->rowCount(), 0);
        }
        boxes.clear();
        click(*f, fillGrid);
        EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
        EXPECT_TRUE(succeeded(*f, kRows)) << f->lblResponse()->text().toStdString();
        if (fillGrid) {
            ASSERT_EQ(f->sg()->model()->rowCount(), kRows);
            EXPECT_EQ(gridCell(*f, kRows - 1, 1),
                      QStringLiteral("committed equipment %1").arg(kRows));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DataCheckLocked, ::testing::ValuesIn(dbfault::kLocks),
                         tav::test::caseName);

// ---- truncated ---------------------------------------------------------------------------------

class DataCheckTruncated : public DataCheckDbFault,
                           public ::testing::WithParamInterface<dbfault::Cut> {};

TEST_P(DataCheckTruncated, BothButtonsReportTheFile) {
    const dbfault::Cut& c = GetParam();
    const QByteArray whole = readFile(db);
    const qsizetype page = dbfault::pageSizeOf(whole);
    writeFile(db, whole.left(c.keep(whole.size(), page)));
    auto f = std::make_unique<frmTestDataAccess>();
    for (const bool fillGrid : {false, true}) {
        SCOPED_TRACE(fillGrid ? "Fill Grid" : "Test Connection");
        boxes.clear();
        EXPECT_LT(click(*f, fillGrid), kBoundMs);
        const QString prompt = failure();
        EXPECT_TRUE(prompt.startsWith(kFailurePrefix)) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(db)) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(QLatin1String(c.says))) << prompt.toStdString();
        expectFailedRun(*f);
    }
    EXPECT_EQ(f->sg()->model()->rowCount(), 0);
    EXPECT_EQ(tav::test::folderEntries(data.path()), QStringList{QStringLiteral("dbEquip.mdb")});
}

INSTANTIATE_TEST_SUITE_P(Cuts, DataCheckTruncated, ::testing::ValuesIn(dbfault::kCuts),
                         tav::test::caseName);

// ---- replaced while the grid shows it
// ---------------------------------------------------------------

// The grid keeps every row it was filled with when the file is deleted or replaced: scrolling
// to rows never painted, painting and reading them shows the old rows. The next Fill Grid reads
// what the path names now: a missing file or junk is reported and the grid keeps its rows;
// another database fills it.
TEST_F(DataCheckDbFault, FileDeletedOrReplacedUnderAFilledGrid) {
    const auto makeOther = [](const QString& path) {
        tav::test::makeDatabase(path, equipmentDatabase(QStringLiteral("other")));
    };
    for (const dbfault::Swap& swap : dbfault::kSwaps) {
        SCOPED_TRACE(swap.name);
        QFile::remove(db);
        tav::test::makeDatabase(db, equipmentDatabase(QStringLiteral("committed")));
        boxes.clear();
        auto f = std::make_unique<frmTestDataAccess>();
        f->show();
        click(*f, true);
        ASSERT_TRUE(succeeded(*f, kRows)) << f->lblResponse()->text().toStdString();

        ASSERT_NO_FATAL_FAILURE(swap.swap(db, makeOther));
        f->sg()->scrollToBottom();
        f->sg()->setCurrentIndex(f->sg()->model()->index(kRows - 1, 1));
        EXPECT_FALSE(f->sg()->grab().isNull());
        EXPECT_EQ(gridCell(*f, kRows - 1, 1), QStringLiteral("committed equipment %1").arg(kRows));
        f->sg()->sortByColumn(1, Qt::DescendingOrder);
        EXPECT_EQ(f->sg()->model()->rowCount(), kRows);

        EXPECT_LT(click(*f, true), kBoundMs);
        if (swap.connectSays) {
            const QString prompt = failure();
            EXPECT_TRUE(prompt.startsWith(
                kFailurePrefix +
                QStringLiteral("%1 '%2'").arg(QLatin1String(swap.connectSays), db)))
                << prompt.toStdString();
            expectFailedRun(*f);
            ASSERT_EQ(f->sg()->model()->rowCount(), kRows) << "the grid keeps the rows it showed";
            EXPECT_EQ(gridCell(*f, 0, 1), QStringLiteral("committed equipment 1"));
        } else {
            EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
            EXPECT_TRUE(succeeded(*f, kRows)) << f->lblResponse()->text().toStdString();
            EXPECT_EQ(gridCell(*f, kRows - 1, 1), QStringLiteral("other equipment %1").arg(kRows));
        }
    }
}

// ---- deleted between the connection and Open
// -------------------------------------------------------

// The file goes while the handler yields after ActiveConnection: Open reports it naming the
// file, and the file is not created again, empty or otherwise.
TEST_F(DataCheckDbFault, DeletedBetweenConnectionAndOpenIsReportedAndNotCreated) {
    auto f = std::make_unique<frmTestDataAccess>();
    for (const bool fillGrid : {false, true}) {
        SCOPED_TRACE(fillGrid ? "Fill Grid" : "Test Connection");
        if (!QFile::exists(db))
            tav::test::makeDatabase(db, equipmentDatabase(QStringLiteral("committed")));
        boxes.clear();
        setYieldHook(*f, [&](YieldPoint point, int) {
            if (point == YieldPoint::Connected) {
                ASSERT_TRUE(QFile::remove(db));
            }
        });
        EXPECT_LT(click(*f, fillGrid), kBoundMs);
        const QString prompt = failure();
        EXPECT_EQ(prompt,
                  kFailurePrefix +
                      QStringLiteral("The database file '%1' was deleted or moved after the "
                                     "connection to it was opened.")
                          .arg(db));
        expectFailedRun(*f);
        EXPECT_FALSE(QFile::exists(db));
        EXPECT_TRUE(tav::test::folderEntries(data.path()).isEmpty());
    }
    EXPECT_EQ(f->sg()->model()->rowCount(), 0);
}

// ---- the Access file
// -------------------------------------------------------------------------------

#ifdef TAV_MDBREADER_PATH
class DataCheckAccessFault : public DataCheckDbFault {
  protected:
    void SetUp() override {
        DataCheckDbFault::SetUp();
        qputenv("TAV_MDBREADER", TAV_MDBREADER_PATH);
        qunsetenv("TAV_MDBREADER_TIMEOUT_MS");
        tav::griddata::registerDatabaseFormats();
        ASSERT_TRUE(QFile::remove(db));
        const QString copy = tav::test::copyFixture(QStringLiteral("nwind.mdb"), data.path());
        if (copy.isEmpty())
            return;
        ASSERT_TRUE(QFile::rename(copy, db));
    }
};

TEST_F(DataCheckAccessFault, TruncatedCopyIsReportedNamingTheFile) {
    const QByteArray whole = readFile(db);
    for (const dbfault::AccessCut& c : dbfault::kAccessCuts) {
        SCOPED_TRACE(c.name);
        writeFile(db, whole.left(c.keep(whole.size())));
        boxes.clear();
        auto f = std::make_unique<frmTestDataAccess>();
        EXPECT_LT(click(*f, true), dbfault::kAccessBoundMs);
        const QString prompt = failure();
        EXPECT_TRUE(prompt.startsWith(kFailurePrefix)) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(db)) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(QLatin1String(c.says))) << prompt.toStdString();
        expectFailedRun(*f);
    }
}

// Test Connection reads tbloutputs alone: the sample with its shippers table renamed so,
// and its name column called Name.
TEST_F(DataCheckAccessFault, TestConnectionReadsTheOutputsTable) {
    QByteArray bytes = readFile(db);
    ASSERT_TRUE(tav::test::renameJet3Table(bytes, "Shippers", "tbloutputs") &&
                tav::test::renameJet3Column(bytes, "tbloutputs", "CompanyName", "Name"));
    writeFile(db, bytes);
    auto f = std::make_unique<frmTestDataAccess>();
    click(*f, false);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    EXPECT_TRUE(succeeded(*f, 3)) << f->lblResponse()->text().toStdString();
}

TEST_F(DataCheckAccessFault, DeletedBetweenConnectionAndOpenIsReportedAndNotCreated) {
    auto f = std::make_unique<frmTestDataAccess>();
    setYieldHook(*f, [&](YieldPoint point, int) {
        if (point == YieldPoint::Connected) {
            ASSERT_TRUE(QFile::remove(db));
        }
    });
    click(*f, false);
    EXPECT_EQ(failure(), kFailurePrefix +
                             QStringLiteral("The database file '%1' was deleted or moved after the "
                                            "connection to it was opened.")
                                 .arg(db));
    expectFailedRun(*f);
    EXPECT_TRUE(tav::test::folderEntries(data.path()).isEmpty());
}
#else
TEST(DataCheckAccessFault, Skipped) {
    GTEST_SKIP()
        << "Access support is off: libmdb (package mdbtools-dev) was not found when configuring";
}
#endif

} // namespace
