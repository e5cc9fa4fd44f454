#include "form1.h"
#include "testdb.h"
#include "testsupport.h"
#include "units.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::datagrid;
using tav::gridcheck::Form1;

namespace {

const QString CreateManufacturers =
    QStringLiteral("create table tblmanufacturers(ManufacturerID integer primary key, "
                   "ManufacturerName text collate nocase, Country text)");

QStringList gridColumn(const DataGrid* grid, int column) {
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out << grid->model()->data(grid->model()->index(r, column)).toString();
    return out;
}

TEST(GridcheckForm, ShowsManufacturersInNameOrderWithoutMessage) {
    test::TempDir dir;
    test::makeDatabase(
        dir.file(QStringLiteral("dbEquip.mdb")),
        {CreateManufacturers,
         QStringLiteral("insert into tblmanufacturers values(1, 'zeta Audio', 'UK')"),
         QStringLiteral("insert into tblmanufacturers values(2, 'Alpha Video', 'USA')"),
         QStringLiteral("insert into tblmanufacturers values(3, 'beta Sound', null)")});
    test::MessageBoxRecorder boxes;
    Form1 form(dir.path());
    EXPECT_TRUE(boxes.boxes().empty());
    const DataGrid* grid = form.grid1();
    ASSERT_EQ(grid->model()->columnCount(), 3);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("ManufacturerName"));
    EXPECT_EQ(gridColumn(grid, 1), (QStringList{"Alpha Video", "beta Sound", "zeta Audio"}));
    ASSERT_NE(form.rsData(), nullptr);
    EXPECT_EQ(form.rsData()->state(), ado::adStateOpen) << "the recordset stays open and bound";
    EXPECT_EQ(form.rsData()->lockType(), ado::adLockReadOnly);
}

TEST(GridcheckForm, EmptyTableGivesEmptyGridAndNoMessage) {
    test::TempDir dir;
    test::makeDatabase(dir.file(QStringLiteral("dbEquip.mdb")), {CreateManufacturers});
    test::MessageBoxRecorder boxes;
    Form1 form(dir.path());
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(form.grid1()->model()->rowCount(), 0);
    EXPECT_EQ(form.grid1()->model()->columnCount(), 3);
}

TEST(GridcheckForm, FolderHoldingSemicolonStillFindsTheDatabase) {
    test::TempDir dir;
    const QString folder = dir.file(QStringLiteral("a;Data Source=elsewhere"));
    ASSERT_TRUE(QDir().mkpath(folder));
    test::makeDatabase(
        folder + QStringLiteral("/dbEquip.mdb"),
        {CreateManufacturers,
         QStringLiteral("insert into tblmanufacturers values(1, 'Kelvox Pro', null)")});
    test::MessageBoxRecorder boxes;
    Form1 form(folder);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    EXPECT_EQ(gridColumn(form.grid1(), 1), QStringList{"Kelvox Pro"});
}

// Each bad database gives one message "number description" captioned with the program's
// title; the window then opens with the empty grid, and nothing is written.
TEST(GridcheckForm, BadInputGivesOneMessageAndTheWindowStillOpens) {
    struct Case {
        const char* name;
        std::function<void(const QString& file)> make;
        int32_t number;
        QString mentions;
    };
    const auto writeFile = [](const QByteArray& bytes) {
        return [bytes](const QString& file) { test::writeFile(file, bytes); };
    };
    const Case cases[] = {
        {"MissingFile", [](const QString&) {}, ado::errc::ProviderFailure,
         QStringLiteral("Could not find file '")},
        {"EmptyFile", writeFile({}), ado::errc::ProviderFailure,
         QStringLiteral("Unrecognized database format")},
        {"NotADatabase", writeFile("ManufacturerName\nAlpha\n"), ado::errc::ProviderFailure,
         QStringLiteral("Unrecognized database format")},
        {"MissingTable",
         [](const QString& f) {
             test::makeDatabase(f, {QStringLiteral("create table tbloutputs(Name text)")});
         },
         ado::errc::NoSuchTable, QStringLiteral("tblmanufacturers")},
        {"MissingColumn",
         [](const QString& f) {
             test::makeDatabase(f, {QStringLiteral("create table tblmanufacturers(Name text)"),
                                    QStringLiteral("insert into tblmanufacturers values('x')")});
         },
         ado::errc::MissingParameter, QStringLiteral("ManufacturerName")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        c.make(dir.file(QStringLiteral("dbEquip.mdb")));
        const QStringList before = test::folderEntries(dir.path());
        test::MessageBoxRecorder boxes;
        Form1 form(dir.path());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        const MessageBoxRequest& box = boxes.boxes().front();
        EXPECT_EQ(box.caption, QStringLiteral("prjGridCheck"));
        EXPECT_EQ(box.buttons, mb::OKOnly);
        EXPECT_TRUE(box.prompt.startsWith(QString::number(c.number) + u' '))
            << box.prompt.toStdString();
        EXPECT_TRUE(box.prompt.contains(c.mentions)) << box.prompt.toStdString();
        form.show();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.grid1()->model()->rowCount(), 0);
        EXPECT_EQ(form.grid1()->model()->columnCount(), 2) << "the stored columns";
        EXPECT_EQ(test::folderEntries(dir.path()), before);
    }
}

TEST(GridcheckForm, MissingFileMessageNamesThePathLookedFor) {
    test::TempDir dir;
    test::MessageBoxRecorder boxes;
    Form1 form(dir.path());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes().front().prompt,
              QStringLiteral("-2147467259 Could not find file '%1/dbEquip.MDB'.").arg(dir.path()));
}

TEST(GridcheckForm, WindowLayout) {
    test::TempDir dir;
    test::MessageBoxRecorder boxes;
    Form1 form(dir.path());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Data Access Test"));
    EXPECT_EQ(form.size(), twipsSize(8055, 4965));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed border";
    EXPECT_FALSE(form.windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.grid1()->geometry(), twipsRect(180, 1200, 7695, 3495));
    EXPECT_EQ(form.label1()->geometry(), twipsRect(240, 180, 7695, 675));
    EXPECT_EQ(form.shape1()->geometry(), twipsRect(360, 300, 7635, 615));
    EXPECT_TRUE(form.label1()->text().startsWith(
        QStringLiteral("This app must be run from the directory")));
    EXPECT_EQ(form.label1()->font().pointSizeF(), 9.75);
    EXPECT_EQ(form.shape1()->palette().color(QPalette::Window), QColor(192, 192, 192));
    const QObjectList kids = form.children();
    EXPECT_LT(kids.indexOf(form.shape1()), kids.indexOf(form.label1()))
        << "Shape1 lies behind Label1";
    EXPECT_EQ(form.grid1()->accessibleName(), QStringLiteral("Grid1"));
    EXPECT_EQ(form.shape1()->accessibleName(), QStringLiteral("Shape1"));
    EXPECT_EQ(form.label1()->accessibleName(), form.label1()->text());
    EXPECT_EQ(form.focusWidget(), form.grid1());
}

} // namespace
