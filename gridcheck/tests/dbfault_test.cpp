// gridcheck's load on a database file that fails under it: locked by another process or
// left half changed by one that stopped, truncated, replaced while the grid is bound. The
// load ends in its one message box naming the file, within a bounded time, or in the
// committed rows; the window always opens.
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
using tav::gridcheck::Form1;
using tav::test::OtherWriter;
using tav::test::readFile;
using tav::test::renameOver;
using tav::test::writeFile;

namespace {

// The recordset waits 2 s for another program's lock; the rest is margin for a busy machine.
constexpr qint64 kBoundMs = 8000;
constexpr int kRows = 1500;

QString changeAll() {
    return tav::test::exclusiveChangeOf(QStringLiteral("tblmanufacturers"), QStringLiteral("ManufacturerName"),
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
        test::makeDatabase(path, {QStringLiteral("create table tblmanufacturers(ManufacturerID integer primary key, "
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
    static QString name(int id) { return QStringLiteral("Maker %1").arg(id, 4, 10, QLatin1Char('0')); }
    // The load failed: one box with the provider's number naming the file, an empty grid,
    // and the window still opens.
    QString failedLoad() {
        EXPECT_LT(loadMs, kBoundMs);
        EXPECT_EQ(boxes.boxes().size(), 1u);
        if (boxes.boxes().empty())
            return {};
        const MessageBoxRequest& box = boxes.boxes().front();
        EXPECT_EQ(box.caption, QStringLiteral("prjGridCheck"));
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("-2147467259 "))) << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(db)) << box.prompt.toStdString();
        EXPECT_EQ(form->grid1()->model()->rowCount(), 0);
        form->show();
        EXPECT_TRUE(form->isVisible());
        return box.prompt;
    }
};

TEST_F(GridcheckDbFault, ExclusiveWriterIsReportedThenTheNextStartShowsTheCommittedRows) {
    {
        OtherWriter writer(db, changeAll());
        ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
        load();
        const QString prompt = failedLoad();
        EXPECT_TRUE(prompt.contains(QLatin1String("locked by another program"))) << prompt.toStdString();
    }
    load();
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    ASSERT_EQ(form->grid1()->model()->rowCount(), kRows);
    EXPECT_EQ(cell(kRows - 1, 1), name(kRows));
}

TEST_F(GridcheckDbFault, ReservedLockShowsTheCommittedRows) {
    OtherWriter writer(db, QStringLiteral("BEGIN IMMEDIATE; UPDATE tblmanufacturers SET ManufacturerName = 'uncommitted';"));
    ASSERT_TRUE(writer.ready()) << writer.error().toStdString();
    load();
    EXPECT_LT(loadMs, kBoundMs);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    ASSERT_EQ(form->grid1()->model()->rowCount(), kRows);
    EXPECT_EQ(cell(0, 1), name(1));
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
    const qsizetype page = (uchar(whole[16]) << 8) | uchar(whole[17]);
    const struct {
        const char* name;
        qsizetype keep;
        const char* says;
    } cuts[] = {
        {"ToNothing", 0, "Unrecognized database format"},
        {"ToHalfInWholePages", whole.size() / page / 2 * page, "damaged or truncated"},
        {"ToHalfInsideAPage", whole.size() / 2 + page / 3, "damaged or truncated"},
        {"ByOneByte", whole.size() - 1, "damaged or truncated"},
    };
    for (const auto& c : cuts) {
        SCOPED_TRACE(c.name);
        writeFile(db, whole.left(c.keep));
        load();
        const QString prompt = failedLoad();
        EXPECT_TRUE(prompt.contains(QLatin1String(c.says))) << prompt.toStdString();
    }
}

// The bound grid holds every row: after the file is replaced or deleted, scrolling to rows
// never painted, selecting and painting them shows the rows read at load. Reading again on the
// load's connection (a requery) fails naming the file; the grid keeps its rows.
TEST_F(GridcheckDbFault, FileReplacedOrDeletedUnderTheBoundGrid) {
    const struct {
        const char* name;
        void (*swap)(const QString& db, const QString& folder);
        const char* says;
    } ways[] = {
        {"JunkRenamedOver",
         [](const QString& db, const QString& folder) {
             writeFile(folder + QStringLiteral("/junk"), QByteArray(40000, '\x3c'));
             renameOver(folder + QStringLiteral("/junk"), db);
         },
         "was replaced by another file"},
        {"OtherDatabaseRenamedOver",
         [](const QString& db, const QString& folder) {
             makeManufacturers(folder + QStringLiteral("/other.mdb"), QStringLiteral("Other"));
             renameOver(folder + QStringLiteral("/other.mdb"), db);
         },
         "was replaced by another file"},
        {"Deleted", [](const QString& db, const QString&) { ASSERT_TRUE(QFile::remove(db)); }, "was deleted or moved"},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.name);
        QFile::remove(db);
        makeManufacturers(db, QStringLiteral("Maker"));
        load();
        ASSERT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
        form->show();
        w.swap(db, dir.path());

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
            rs.open(QStringLiteral("Select * from tblmanufacturers order by ManufacturerName"), ado::adOpenStatic,
                    ado::adLockReadOnly, ado::adOptionUnspecified);
            ADD_FAILURE() << "the requery read a file the path no longer names";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number(), ado::errc::ProviderFailure);
            EXPECT_TRUE(e.description().contains(db)) << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QLatin1String(w.says))) << e.description().toStdString();
        }
        EXPECT_EQ(grid->model()->rowCount(), kRows);
        EXPECT_EQ(cell(0, 1), name(1));
        form.reset();
    }
}

} // namespace
