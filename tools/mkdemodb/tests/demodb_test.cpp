#include "connectionto.h"
#include "demodb.h"
#include "recordset.h"
#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tav;

namespace {

class DemoDbTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new test::TempDir;
        ASSERT_EQ(demodb::writeDemoDatabase(path().toStdString()), "");
    }
    static void TearDownTestSuite() { delete dir; }
    static QString path() { return dir->file(QStringLiteral("dbEquip.mdb")); }

    // Every value of `field` in the rows of `sql`, as text.
    static QStringList column(const QString& sql, const QString& field) {
        ado::Recordset rs;
        rs.setActiveConnection(test::connectionTo(path()));
        rs.open(sql, ado::adOpenStatic, ado::adLockReadOnly, -1);
        QStringList out;
        for (; !rs.eof(); rs.moveNext())
            out << rs.fields(field).value().toText();
        return out;
    }
    static test::TempDir* dir;
};
test::TempDir* DemoDbTest::dir = nullptr;

TEST_F(DemoDbTest, SameBytesEveryRunAndRollbackJournal) {
    const QString again = dir->file(QStringLiteral("again.mdb"));
    ASSERT_NO_FATAL_FAILURE(test::writeFile(again, "an older file is replaced"));
    ASSERT_EQ(demodb::writeDemoDatabase(again.toStdString()), "");
    const QByteArray bytes = test::readFile(path());
    EXPECT_EQ(test::readFile(again), bytes);
    ASSERT_GT(bytes.size(), 100);
    EXPECT_TRUE(bytes.startsWith(QByteArray("SQLite format 3\0", 16)));
    EXPECT_EQ(bytes[18], 1) << "rollback journal, not WAL";
    EXPECT_FALSE(QFile::exists(again + QStringLiteral(".tmp")));
}

TEST_F(DemoDbTest, TablesTheProgramsReadHoldCatalogueRows) {
    EXPECT_EQ(
        column(QStringLiteral("Select * from tblmanufacturers"), QStringLiteral("ManufacturerName"))
            .size(),
        demodb::ManufacturerCount);
    const QStringList equipment =
        column(QStringLiteral("Select * from qryequipall"), QStringLiteral("EquipmentName"));
    EXPECT_EQ(equipment.size(), demodb::EquipmentCount);
    EXPECT_EQ(column(QStringLiteral("Select * from tbloutputs"), QStringLiteral("Name")).size(),
              demodb::OutputCount);
    const QStringList unmatched = column(
        QStringLiteral(
            "Select * from qryequipall where ManufacturerName is null or CategoryName is null"),
        QStringLiteral("EquipmentName"));
    EXPECT_TRUE(unmatched.isEmpty()) << unmatched.join(", ").toStdString();
}

TEST_F(DemoDbTest, NamesArePlainAsciiAndSortCaseInsensitively) {
    const QStringList names =
        column(QStringLiteral("Select * from tblmanufacturers order by ManufacturerName"),
               QStringLiteral("ManufacturerName"));
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(names, sorted);
    EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const QString& n) {
        return n.front().isLower();
    })) << "some lower-case names show that the order ignores case";
    for (const QString& n : names)
        for (QChar c : n)
            ASSERT_TRUE(c.unicode() >= 32 && c.unicode() < 127) << n.toStdString();
}

} // namespace
