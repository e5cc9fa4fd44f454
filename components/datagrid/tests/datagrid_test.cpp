#include "connectionto.h"
#include "datagrid.h"
#include "testdb.h"
#include "testsupport.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QHeaderView>

#include <functional>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::datagrid;
using tav::test::errorNumberOf;

namespace {

class DataGridTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    ado::Recordset rs;
    DataGrid grid;

    void SetUp() override {
        const QString db = dir.file(QStringLiteral("dbEquip.mdb"));
        test::makeDatabase(
            db, {QStringLiteral("create table tbloutputs(OutputID integer, Name text, Gain real)"),
                 QStringLiteral("insert into tbloutputs values(1, 'Main Left', -3.5)"),
                 QStringLiteral("insert into tbloutputs values(2, 'Main Right', null)"),
                 QStringLiteral("insert into tbloutputs values(3, 'Sub', 0)"),
                 QStringLiteral("create table tblother(Other text)"),
                 QStringLiteral("insert into tblother values('x')")});
        rs.setActiveConnection(test::connectionTo(db));
        rs.open(QStringLiteral("Select * from tbloutputs"), ado::adOpenStatic,
                ado::adLockOptimistic, -1);
    }

    QString cell(int row, int column) const {
        return grid.model()->data(grid.model()->index(row, column)).toString();
    }
    QString caption(int column) const {
        return grid.model()->headerData(column, Qt::Horizontal).toString();
    }
};

TEST_F(DataGridTest, ShowsAllRowsFromTheFirstAfterTheRecordsetWasWalked) {
    while (!rs.eof())
        rs.moveNext();
    grid.setDataSource(rs);
    ASSERT_EQ(grid.model()->rowCount(), 3);
    ASSERT_EQ(grid.model()->columnCount(), 3);
    EXPECT_EQ((QStringList{caption(0), caption(1), caption(2)}),
              (QStringList{"OutputID", "Name", "Gain"}));
    EXPECT_EQ(cell(0, 1), QStringLiteral("Main Left"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("-3.5"));
    EXPECT_EQ(cell(1, 2), QString()) << "Null shows as an empty cell";
    EXPECT_EQ(cell(2, 0), QStringLiteral("3"));
    EXPECT_EQ(grid.currentIndex().row(), 0);
}

TEST_F(DataGridTest, SharesTheSnapshotAndKeepsItAfterClose) {
    grid.setDataSource(rs);
    EXPECT_EQ(grid.rowSet().get(), rs.snapshot().get()) << "bound without a copy";
    rs.close();
    rs.open(QStringLiteral("Select * from tblother"), ado::adOpenStatic, ado::adLockOptimistic, -1);
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_EQ(cell(1, 1), QStringLiteral("Main Right"));
    grid.setDataSource(rs);
    EXPECT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(caption(0), QStringLiteral("Other"));
}

TEST_F(DataGridTest, ClosedRecordsetIsRefusedAndGridKeepsItsRows) {
    grid.setDataSource(rs);
    rs.close();
    EXPECT_EQ(errorNumberOf([&] { grid.setDataSource(rs); }), ado::errc::ObjectClosed);
    EXPECT_EQ(grid.model()->rowCount(), 3);
}

TEST_F(DataGridTest, CellsAreReadOnly) {
    grid.setDataSource(rs);
    grid.show();
    const QModelIndex index = grid.model()->index(0, 1);
    EXPECT_FALSE(grid.model()->flags(index) & Qt::ItemIsEditable);
    EXPECT_FALSE(grid.model()->setData(index, QStringLiteral("changed")));
    grid.edit(index);
    EXPECT_EQ(grid.indexWidget(index), nullptr);
    EXPECT_EQ(cell(0, 1), QStringLiteral("Main Left"));
}

TEST_F(DataGridTest, DispatchPropertyAppearance) {
    EXPECT_EQ(grid.appearance(), 1);
    EXPECT_EQ(grid.frameShadow(), QFrame::Sunken);
    grid.setDispatchProperty(DataGrid::DispAppearance, 0);
    EXPECT_EQ(grid.appearance(), 0);
    EXPECT_EQ(grid.frameShadow(), QFrame::Plain);
    EXPECT_EQ(errorNumberOf([&] { grid.setDispatchProperty(DataGrid::DispAppearance, 2); }), 380);
    EXPECT_EQ(errorNumberOf([&] { grid.setDispatchProperty(12345, 0); }), 438);
    EXPECT_EQ(errorNumberOf([&] { grid.setDispatchProperty(DataGrid::DispDataSource, 0); }), 438);
}

TEST_F(DataGridTest, HeadColumnIsNarrowAndBlank) {
    grid.setDataSource(rs);
    grid.show();
    ASSERT_TRUE(grid.isVisible());
    EXPECT_LE(grid.verticalHeader()->width(), 24);
    EXPECT_TRUE(grid.verticalHeader()->isVisible());
    EXPECT_EQ(grid.model()->headerData(0, Qt::Vertical).toString(), QString());
}

TEST_F(DataGridTest, AssistiveTechnologyFindsGridHeadersAndCells) {
    grid.setObjectName(QStringLiteral("Grid1"));
    EXPECT_EQ(grid.accessibleName(), QStringLiteral("Grid1"));
    grid.setDataSource(rs);
    grid.resize(600, 300);
    grid.show();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Grid1"));
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->columnDescription(1), QStringLiteral("Name"));
    QStringList rowHeaders;
    for (int i = 0; i < iface->childCount(); ++i)
        if (iface->child(i)->role() == QAccessible::RowHeader)
            rowHeaders << iface->child(i)->text(QAccessible::Name);
    EXPECT_EQ(rowHeaders, (QStringList{"Row 1", "Row 2", "Row 3"}));
    QAccessibleInterface* c = table->cellAt(1, 1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->text(QAccessible::Name), QStringLiteral("Main Right"));

    grid.setObjectName(QStringLiteral("sg"));
    EXPECT_EQ(grid.accessibleName(), QStringLiteral("sg"));
    grid.setAccessibleName(QStringLiteral("Equipment"));
    grid.setObjectName(QStringLiteral("other"));
    EXPECT_EQ(grid.accessibleName(), QStringLiteral("Equipment")) << "a name set by hand is kept";
}

} // namespace
