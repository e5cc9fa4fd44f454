// gridcheck's load on a database file that fails under it: locked by another process or
// left half changed by one that stopped, truncated, replaced while the grid is bound. The
// load ends in its one message box naming the file, within a bounded time, or in the
// committed rows; the window always opens.
#include "dbfaults.h"
#include "form1.h"
#include "otherwriter.h"
#include "testdb.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::datagrid;
using tav::gridcheck::Form1;
namespace dbfault = tav::test::dbfault;
using tav::test::OtherWriter;
using tav::test::readFile;
using tav::test::renameOver;
using tav::test::writeFile;

namespace {

using dbfault::kBoundMs;
constexpr int kRows = 1500;

QString changeAll() {
    return tav::test::exclusiveChangeOf(QStringLiteral("tblmanufacturers"),
                                        QStringLiteral("ManufacturerName"),
                                        QStringLiteral("uncommitted"));
}

class GridcheckDbFault : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::MessageBoxRecorder boxes;
    QString db;
    std::unique_ptr<Form1> form;
    qint64 loadMs = 0;

    void SetUp() override {
        db = dir.file(QStringLiteral("dbEquip.mdb"));
        makeManufacturers(db, QStringLiteral("Maker"));
    }
    static void makeManufacturers(const QString& path, const QString& prefix) {
        // Zero-padded numbers sort by name in ID order.
        test::makeDatabase(
            path,
            {QStringLiteral("create table tblmanufacturers(ManufacturerID integer primary key, "
                            "ManufacturerName text, Country text)"),
             QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c "
                            "where x < %1) insert into tblmanufacturers select x, '%2 ' || "
                            "substr('0000' || x, -4), 'Country ' || x from c")
                 .arg(kRows)
                 .arg(prefix)});
    }
    void load() {
        boxes.clear();
        QElapsedTimer timer;
        timer.start();
        form = std::make_unique<Form1>(dir.path());
        loadMs = timer.elapsed();
    }
    QString cell(int row, int column) const {
        return form->grid1()->model()->index(row, column).data().toString();
    }
    static QString name(int id) {
        return QStringLiteral("Maker %1").arg(id, 4, 10, QLatin1Char('0'));
    }
    // The load failed: one box with the provider's number naming the file, an empty grid,
    // and the window still opens.
    QString failedLoad() {
        EXPECT_LT(loadMs, kBoundMs);
        EXPECT_EQ(boxes.boxes().size(), 1u);
        if (boxes.boxes().empty())
            return {};
        const MessageBoxRequest& box = boxes.boxes().front();
        EXPECT_EQ(box.caption, QStringLiteral("prjGridCheck"));
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("-2147467259 ")))
            << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(db)) << box.prompt.toStdString();
        EXPECT_EQ(form->grid1()->model()->rowCount(), 0);
        form->show();
        EXPECT_TRUE(form->isVisible());
        return box.prompt;
    }
};

// A lock that lets readers in shows the committed rows; any other is reported naming the
// file, and the next start, after the writer has ended, shows the committed rows.
TEST_F(GridcheckDbFault, LockedFilesShowTheCommittedRowsOrAreReported) {
    for (const dbfault::Lock& lock : dbfault::kLocks) {
        SCOPED_TRACE(lock.name);
        {
            OtherWriter writer(db, lock.statements(QStringLiteral("tblmanufacturers"),
                                                   QStringLiteral("ManufacturerName")));
            ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
            load();
            if (lock.readable) {
                EXPECT_LT(loadMs, kBoundMs);
                EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
                ASSERT_EQ(form->grid1()->model()->rowCount(), kRows);
                EXPECT_EQ(cell(0, 1), name(1));
            } else {
                const QString prompt = failedLoad();
                EXPECT_TRUE(prompt.contains(QLatin1String("locked by another program")))
                    << prompt.toStdString();
            }
        }
        load();
        EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
        ASSERT_EQ(form->grid1()->model()->rowCount(), kRows);
        EXPECT_EQ(cell(kRows - 1, 1), name(kRows));
    }
}

TEST_F(GridcheckDbFault, ChangeLeftUnfinishedByAStoppedWriterIsReported) {
    {
        OtherWriter writer(db, changeAll());
        ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
        writer.crash();
    }
    const QByteArray before = readFile(db);
    load();
    const QString prompt = failedLoad();
    EXPECT_TRUE(prompt.contains(QLatin1String("unfinished change"))) << prompt.toStdString();
    EXPECT_EQ(readFile(db), before) << "the load wrote into the file";
}

TEST_F(GridcheckDbFault, TruncatedFilesAreReported) {
    const QByteArray whole = readFile(db);
    const qsizetype page = dbfault::pageSizeOf(whole);
    for (const dbfault::Cut& c : dbfault::kCuts) {
        SCOPED_TRACE(c.name);
        writeFile(db, whole.left(c.keep(whole.size(), page)));
        load();
        const QString prompt = failedLoad();
        EXPECT_TRUE(prompt.contains(QLatin1String(c.says))) << prompt.toStdString();
    }
}

// The bound grid holds every row: after the file is replaced or deleted, scrolling to rows
// never painted, selecting and painting them shows the rows read at load. Reading again on the
// load's connection (a requery) fails naming the file; the grid keeps its rows.
TEST_F(GridcheckDbFault, FileReplacedOrDeletedUnderTheBoundGrid) {
    const auto makeOther = [](const QString& path) {
        makeManufacturers(path, QStringLiteral("Other"));
    };
    for (const dbfault::Swap& w : dbfault::kSwaps) {
        SCOPED_TRACE(w.name);
        QFile::remove(db);
        makeManufacturers(db, QStringLiteral("Maker"));
        load();
        ASSERT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
        form->show();
        ASSERT_NO_FATAL_FAILURE(w.swap(db, makeOther));

        DataGrid* grid = form->grid1();
        grid->scrollToBottom();
        grid->setCurrentIndex(grid->model()->index(kRows - 1, 2));
        grid->selectAll();
        EXPECT_FALSE(grid->grab().isNull());
        EXPECT_EQ(cell(kRows - 1, 1), name(kRows));
        EXPECT_EQ(cell(kRows - 1, 2), QStringLiteral("Country %1").arg(kRows));

        ado::Recordset& rs = *form->rsData();
        ASSERT_EQ(rs.state(), ado::adStateOpen);
        rs.moveFirst();
        EXPECT_EQ(rs.fields(QStringLiteral("ManufacturerName")).value().toText(), name(1));
        rs.close();
        try {
            rs.open(QStringLiteral("Select * from tblmanufacturers order by ManufacturerName"),
                    ado::adOpenStatic, ado::adLockReadOnly, ado::adOptionUnspecified);
            ADD_FAILURE() << "the requery read a file the path no longer names";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number(), ado::errc::ProviderFailure);
            EXPECT_TRUE(e.description().contains(db)) << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QLatin1String(w.openSays)))
                << e.description().toStdString();
        }
        EXPECT_EQ(grid->model()->rowCount(), kRows);
        EXPECT_EQ(cell(0, 1), name(1));
        form.reset();
    }
}

} // namespace
