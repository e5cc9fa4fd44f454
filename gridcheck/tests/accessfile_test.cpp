// gridcheck over a real Access file: a copy of the sample Jet 3 database whose shippers
// table is given the manufacturers table's name and name column.
#include "databaseformats.h"
#include "form1.h"
#include "jet3edit.h"
#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tav;
using tav::gridcheck::Form1;

namespace {

class GridcheckAccessFile : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("TAV_MDBREADER", TAV_MDBREADER_PATH);
        griddata::registerDatabaseFormats();
        const QString copy = test::copyFixture(QStringLiteral("nwind.mdb"), m_dir.path());
        if (copy.isEmpty())
            return;
        m_sample = test::readFile(copy);
        QFile::remove(copy);
    }
    void TearDown() override { qunsetenv("TAV_MDBREADER"); }

    // Writes the database gridcheck looks for, after `edit` has changed the sample.
    QString writeDatabase(const std::function<bool(QByteArray&)>& edit) {
        QByteArray bytes = m_sample;
        if (!edit(bytes))
            return {};
        const QString path = m_dir.file(QStringLiteral("dbEquip.mdb"));
        test::writeFile(path, bytes);
        return path;
    }

    test::TempDir m_dir;
    QByteArray m_sample;
};

TEST_F(GridcheckAccessFile, ShowsTheManufacturersTableInNameOrderReadOnly) {
    const QString path = writeDatabase([](QByteArray& b) {
        return test::renameJet3Table(b, "Shippers", "tblManufacturers") &&
               test::renameJet3Column(b, "tblManufacturers", "CompanyName", "ManufacturerName");
    });
    ASSERT_FALSE(path.isEmpty()) << "the sample could not be edited";
    const QByteArray before = test::fileDigest(path);

    test::MessageBoxRecorder boxes;
    Form1 form(m_dir.path());
    ASSERT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().prompt.toStdString();
    const QAbstractItemModel* model = form.grid1()->model();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ShipperID"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ManufacturerName"));
    QStringList names;
    for (int r = 0; r < model->rowCount(); ++r)
        names << model->data(model->index(r, 1)).toString();
    EXPECT_EQ(names, (QStringList{"Federal Shipping", "Speedy Express", "United Package"}));
    EXPECT_EQ(model->data(model->index(0, 0)).toInt(), 3);
    EXPECT_EQ(form.rsData()->lockType(), ado::adLockReadOnly);
    EXPECT_EQ(test::fileDigest(path), before) << "file was written";
}

TEST_F(GridcheckAccessFile, AnAccessFileWithoutTheTableGivesOneMessageNamingIt) {
    ASSERT_FALSE(writeDatabase([](QByteArray&) { return true; }).isEmpty());
    test::MessageBoxRecorder boxes;
    Form1 form(m_dir.path());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes().front().prompt.contains(QStringLiteral("tblmanufacturers")))
        << boxes.boxes().front().prompt.toStdString();
    EXPECT_EQ(form.grid1()->model()->rowCount(), 0);
}

// The editor refuses what it cannot do rather than damaging the copy.
TEST_F(GridcheckAccessFile, SampleEditsRefuseUnknownNamesAndLeaveTheBytesAlone) {
    QByteArray bytes = m_sample;
    EXPECT_FALSE(test::renameJet3Table(bytes, "NoSuchTable", "X"));
    EXPECT_FALSE(test::renameJet3Column(bytes, "Shippers", "NoSuchColumn", "X"));
    EXPECT_FALSE(test::renameJet3Table(bytes, "Shippers", QByteArray(300, 'x')));
    EXPECT_EQ(bytes, m_sample);
    QByteArray notJet = "not a database";
    EXPECT_FALSE(test::renameJet3Table(notJet, "Shippers", "X"));
}

} // namespace
