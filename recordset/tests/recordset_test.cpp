#include "connectionto.h"
#include "providers.h"
#include "recordset.h"
#include "testdb.h"
#include "testsupport.h"
#include "unprivileged.h"

#include <QFile>

#include <functional>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace tav::ado;
using tav::Variant;
using tav::VbError;
using tav::test::connectionTo;
using tav::test::errorNumberOf;

namespace {

QString descriptionOf(const std::function<void()>& f) {
    const auto e = tav::test::errorOf(f);
    return e ? e->description() : QStringLiteral("<no error>");
}

class RecordsetTest : public ::testing::Test {
  protected:
    tav::test::TempDir dir;
    QString db;
    Recordset rs;

    void SetUp() override {
        db = dir.file(QStringLiteral("dbEquip.mdb"));
        tav::test::makeDatabase(
            db,
            {QStringLiteral(
                 "create table tblmanufacturers(ManufacturerID integer primary key, "
                 "ManufacturerName text collate nocase, Founded smallint, Active boolean, "
                 "Rating real, Logo blob, Big integer)"),
             QStringLiteral(
                 "insert into tblmanufacturers values(1, 'zeta Audio', 1990, 1, 4.5, x'0102', "
                 "5000000000)"),
             QStringLiteral(
                 "insert into tblmanufacturers values(2, 'Alpha Video', 70000, 0, null, null, 7)"),
             QStringLiteral(
                 "insert into tblmanufacturers values(3, 'beta Sound', -3, 1, 1.0, x'', null)"),
             QStringLiteral("create table tblempty(Name text)"),
             QStringLiteral("create table tblkinds(Flag bit, Small smallint)"),
             QStringLiteral("insert into tblkinds values(1, -32768)"),
             QStringLiteral(
                 "create view qrysorted as select ManufacturerName as Name from tblmanufacturers "
                 "order by ManufacturerName")});
    }

    void openManufacturers(int cursor = adOpenStatic, int lock = adLockReadOnly) {
        rs.setActiveConnection(connectionTo(db));
        rs.open(QStringLiteral("Select * from tblmanufacturers order by ManufacturerName"), cursor,
                lock, -1);
    }
};

TEST_F(RecordsetTest, StaticCursorWalksEveryRowInOrder) {
    openManufacturers();
    EXPECT_EQ(rs.state(), adStateOpen);
    EXPECT_EQ(rs.recordCount(), 3);
    QStringList names;
    while (!rs.eof()) {
        names << rs.fields(QStringLiteral("manufacturername")).value().toText();
        rs.moveNext();
    }
    EXPECT_EQ(names, (QStringList{"Alpha Video", "beta Sound", "zeta Audio"}));
    EXPECT_EQ(errorNumberOf([&] { rs.moveNext(); }), errc::NoCurrentRecord);
    EXPECT_EQ(errorNumberOf([&] { rs.fields(QStringLiteral("ManufacturerName")).value(); }),
              errc::NoCurrentRecord);
    rs.moveFirst();
    EXPECT_EQ(rs.fields(0).value(), Variant(int32_t(2)));
    EXPECT_EQ(rs.fields(QStringLiteral("MANUFACTURERNAME")).name(),
              QStringLiteral("ManufacturerName"));
}

TEST_F(RecordsetTest, ValuesKeepTheirKinds) {
    openManufacturers();
    rs.moveNext();
    rs.moveNext(); // zeta Audio
    auto v = [&](const char* f) { return rs.fields(QString::fromUtf8(f)).value(); };
    EXPECT_EQ(v("ManufacturerID"), Variant(int32_t(1)));
    EXPECT_EQ(v("Founded"), Variant(int16_t(1990)));
    EXPECT_EQ(v("Active"), Variant(true));
    EXPECT_EQ(v("Rating"), Variant(4.5));
    EXPECT_EQ(v("Big"), Variant(5000000000.0));
    const Variant logo = v("Logo");
    ASSERT_EQ(logo.kind(), Variant::Kind::ByteArray);
    EXPECT_EQ(logo.bytes().lbound(), 0);
    EXPECT_EQ(logo.bytes().items(), (std::vector<uint8_t>{1, 2}));
    rs.moveFirst(); // Alpha Video: a small integer column holding a value beyond 16 bits, and nulls
    EXPECT_EQ(v("Founded"), Variant(int32_t(70000)));
    EXPECT_TRUE(v("Rating").isNull());
    EXPECT_TRUE(v("Logo").isNull());
    // The types the Access reader declares: BIT for Yes/No, SMALLINT down to its lowest value.
    rs.close();
    rs.open(QStringLiteral("select * from tblkinds"), adOpenStatic, adLockReadOnly, -1);
    EXPECT_EQ(v("Flag"), Variant(true));
    EXPECT_EQ(v("Small"), Variant(int16_t(-32768)));
}

TEST_F(RecordsetTest, RecordCountByCursorType) {
    const std::pair<int, int32_t> cases[] = {{adOpenStatic, 3},
                                             {adOpenKeyset, 3},
                                             {adOpenForwardOnly, -1},
                                             {adOpenDynamic, -1},
                                             {adOpenUnspecified, -1}};
    for (auto [cursor, expected] : cases) {
        openManufacturers(cursor);
        EXPECT_EQ(rs.recordCount(), expected) << "cursor " << cursor;
        rs.close();
    }
}

TEST_F(RecordsetTest, EmptyResultIsAtEofAtOnce) {
    rs.setActiveConnection(connectionTo(db));
    rs.open(QStringLiteral("Select * from tblempty"), adOpenStatic, adLockOptimistic, -1);
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(rs.fields(QStringLiteral("name")).name(), QStringLiteral("Name"));
    EXPECT_EQ(errorNumberOf([&] { rs.fields(QStringLiteral("Name")).value(); }),
              errc::NoCurrentRecord);
}

TEST_F(RecordsetTest, MissingFieldIs3265NamingIt) {
    openManufacturers();
    EXPECT_EQ(errorNumberOf([&] { rs.fields(QStringLiteral("EquipmentName")); }),
              errc::ItemNotFound);
    EXPECT_TRUE(descriptionOf([&] {
                    rs.fields(QStringLiteral("EquipmentName"));
                }).contains("EquipmentName"));
    EXPECT_EQ(errorNumberOf([&] { rs.fields(7); }), errc::ItemNotFound);
}

TEST_F(RecordsetTest, ClosedRecordsetRefusesWith3704) {
    EXPECT_EQ(rs.state(), adStateClosed);
    const std::pair<const char*, std::function<void()>> ops[] = {
        {"RecordCount", [&] { rs.recordCount(); }},
        {"EOF", [&] { rs.eof(); }},
        {"MoveNext", [&] { rs.moveNext(); }},
        {"Fields", [&] { rs.fields(QStringLiteral("ManufacturerName")); }},
        {"Close", [&] { rs.close(); }},
        {"Snapshot", [&] { rs.snapshot(); }},
    };
    for (const auto& [name, op] : ops)
        EXPECT_EQ(errorNumberOf(op), errc::ObjectClosed) << name << " before open";
    openManufacturers();
    const Field f = rs.fields(QStringLiteral("ManufacturerName"));
    rs.close();
    for (const auto& [name, op] : ops)
        EXPECT_EQ(errorNumberOf(op), errc::ObjectClosed) << name << " after close";
    EXPECT_EQ(errorNumberOf([&] { f.value(); }), errc::ObjectClosed);
}

TEST_F(RecordsetTest, OpenRecordsetRefusesConnectionAndOpenWith3705) {
    openManufacturers();
    EXPECT_EQ(errorNumberOf([&] { rs.setActiveConnection(connectionTo(db)); }), errc::ObjectOpen);
    EXPECT_EQ(errorNumberOf([&] { rs.open(QStringLiteral("Select * from tblempty"), 3, 3, -1); }),
              errc::ObjectOpen);
    EXPECT_EQ(rs.recordCount(), 3) << "the open result is untouched";
}

TEST_F(RecordsetTest, CloseKeepsConnectionForReopen) {
    openManufacturers();
    rs.close();
    rs.open(QStringLiteral("Select * from qrysorted"), adOpenStatic, adLockReadOnly, -1);
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.fields(QStringLiteral("Name")).value().toText(), QStringLiteral("Alpha Video"));
}

TEST_F(RecordsetTest, SnapshotOutlivesCloseAndReopen) {
    openManufacturers();
    while (!rs.eof())
        rs.moveNext();
    const auto snap = rs.snapshot();
    rs.close();
    rs.open(QStringLiteral("Select * from tblempty"), adOpenStatic, adLockReadOnly, -1);
    ASSERT_EQ(snap->rowCount(), 3);
    EXPECT_EQ(snap->columnCount(), 7);
    EXPECT_EQ(snap->at(0, snap->fieldIndex(QStringLiteral("manufacturername"))).toText(),
              QStringLiteral("Alpha Video"));
}

TEST_F(RecordsetTest, EditsAreRefused) {
    for (int lock : {adLockReadOnly, adLockOptimistic}) {
        openManufacturers(adOpenStatic, lock);
        EXPECT_EQ(errorNumberOf([&] {
                      rs.fields(QStringLiteral("ManufacturerName")).setValue(Variant("x"));
                  }),
                  errc::NotUpdatable);
        rs.close();
    }
}

TEST_F(RecordsetTest, OpenWithoutConnectionIs3709) {
    EXPECT_EQ(errorNumberOf([&] { rs.open(QStringLiteral("Select * from tblempty"), 3, 1, -1); }),
              errc::NoConnection);
}

// Each failing query gives the provider's number and names what is wrong.
TEST_F(RecordsetTest, QueryFailuresNameTheirCause) {
    struct Case {
        const char* sql;
        int32_t number;
        const char* mentions;
    } cases[] = {
        {"Select * from tblmissing", errc::NoSuchTable, "tblmissing"},
        {"Select Nosuch from tblmanufacturers", errc::MissingParameter, "Nosuch"},
        {"Selec * from tblmanufacturers", errc::CommandError, "Selec"},
        {"Select * from tblempty; Select 1", errc::CommandError, "after the end"},
        {"", errc::CommandError, "empty"},
        {"insert into tblempty values('x')", errc::ProviderFailure, "insert"},
    };
    rs.setActiveConnection(connectionTo(db));
    for (const Case& c : cases) {
        const auto op = [&] {
            rs.open(QString::fromUtf8(c.sql), adOpenStatic, adLockOptimistic, -1);
        };
        EXPECT_EQ(errorNumberOf(op), c.number) << c.sql;
        EXPECT_TRUE(descriptionOf(op).contains(QString::fromUtf8(c.mentions)))
            << descriptionOf(op).toStdString();
        EXPECT_EQ(rs.state(), adStateClosed);
    }
}

// Each bad connection fails at ActiveConnection with a number and a description a tester can act
// on.
TEST_F(RecordsetTest, ConnectionFailuresNameTheirCause) {
    const QString empty = dir.file(QStringLiteral("empty.mdb"));
    const QString text = dir.file(QStringLiteral("text.mdb"));
    const QString broken = dir.file(QStringLiteral("broken.mdb"));
    ASSERT_NO_FATAL_FAILURE(tav::test::writeFile(empty, {}));
    ASSERT_NO_FATAL_FAILURE(tav::test::writeFile(text, "Name\nnot a database\n"));
    ASSERT_NO_FATAL_FAILURE(tav::test::writeFile(broken, QByteArray("SQLite format 3\0", 16) +
                                                             QByteArray(4000, '\x7f')));
    // An Access header, read by a build (or a program) without the Access format.
    const QString access = dir.file(QStringLiteral("access.mdb"));
    QByteArray jet4(4096, '\0');
    jet4.replace(0, 20, QByteArray("\x00\x01\x00\x00Standard Jet DB\0", 20));
    jet4[0x14] = 1;
    ASSERT_NO_FATAL_FAILURE(tav::test::writeFile(access, jet4));
    // Named dbEquip.mdb by someone else: opening a pipe would wait for a writer for ever.
    const QString pipe = dir.file(QStringLiteral("pipe.mdb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString device = dir.file(QStringLiteral("device.mdb"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    struct Case {
        const char* name;
        QString connection;
        int32_t number;
        QString mentions;
    } cases[] = {
        {"MissingFile", connectionTo(dir.file(QStringLiteral("none.mdb"))), errc::ProviderFailure,
         dir.file("none.mdb")},
        {"EmptyFile", connectionTo(empty), errc::ProviderFailure,
         QStringLiteral("Unrecognized database format")},
        {"TextFile", connectionTo(text), errc::ProviderFailure,
         QStringLiteral("Unrecognized database format")},
        {"BrokenDatabase", connectionTo(broken), errc::ProviderFailure, broken},
        {"Folder", connectionTo(dir.path()), errc::ProviderFailure, QStringLiteral("folder")},
        {"AccessFileWithoutTheAccessFormat", connectionTo(access), errc::ProviderFailure,
         QStringLiteral("Access files are not supported by this build")},
        {"NamedPipe", connectionTo(pipe), errc::ProviderFailure,
         QStringLiteral("is a named pipe, not a database file")},
        {"Device", connectionTo(device), errc::ProviderFailure,
         QStringLiteral("is a device, not a database file")},
        {"UnknownProvider", QStringLiteral("Provider=Nobody.4.0;Data Source=") + db,
         errc::ProviderNotFound, QStringLiteral("Nobody.4.0")},
        {"NoProvider", QStringLiteral("Data Source=") + db, errc::ProviderNotFound,
         QStringLiteral("provider")},
        {"Malformed", QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"") + db,
         errc::BadInitString, QStringLiteral("quoted")},
    };
    for (const Case& c : cases) {
        const auto op = [&] { rs.setActiveConnection(c.connection); };
        EXPECT_EQ(errorNumberOf(op), c.number) << c.name;
        EXPECT_TRUE(descriptionOf(op).contains(c.mentions))
            << c.name << ": " << descriptionOf(op).toStdString();
        EXPECT_EQ(errorNumberOf([&] { rs.open(QStringLiteral("Select 1"), 3, 1, -1); }),
                  errc::NoConnection)
            << c.name;
    }
}

// The superuser reads any file: as root the test runs again as the unprivileged user.
TEST_F(RecordsetTest, UnreadableFileFails) {
    if (tav::test::rerunUnprivileged())
        return;
    QFile::setPermissions(db, QFileDevice::Permissions());
    EXPECT_EQ(errorNumberOf([&] { rs.setActiveConnection(connectionTo(db)); }),
              errc::ProviderFailure);
    QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(RecordsetTest, ProvidersArePluggable) {
    Providers::add(QStringLiteral("Test.Provider"),
                   [&](const ConnectionString& cs) { return Providers::openDatabaseFile(cs); });
    rs.setActiveConnection(QStringLiteral("provider=test.provider;Data Source=") + db);
    rs.open(QStringLiteral("Select * from tblempty"), 3, 1, -1);
    EXPECT_EQ(rs.recordCount(), 0);
}

// The database file is opened read-only whatever its journal mode: no journal, lock or
// shared-memory file appears beside it and its bytes do not change.
TEST_F(RecordsetTest, LeavesNoFilesAndChangesNothing) {
    for (const char* mode : {"delete", "wal"}) {
        SCOPED_TRACE(mode);
        tav::test::TempDir folder;
        const QString path = folder.file(QStringLiteral("dbEquip.mdb"));
        tav::test::makeDatabase(path,
                                {QStringLiteral("create table t(Name text)"),
                                 QStringLiteral("insert into t values('a')")},
                                mode);
        const QStringList before = tav::test::folderEntries(folder.path());
        const QByteArray hash = tav::test::fileDigest(path);
        {
            Recordset r;
            r.setActiveConnection(connectionTo(folder.file(QStringLiteral("DBEQUIP.MDB"))));
            r.open(QStringLiteral("Select * from t"), adOpenStatic, adLockOptimistic, -1);
            EXPECT_EQ(r.fields(QStringLiteral("Name")).value().toText(), QStringLiteral("a"));
            EXPECT_EQ(tav::test::folderEntries(folder.path()), before) << "while open";
            r.close();
        }
        EXPECT_EQ(tav::test::folderEntries(folder.path()), before);
        EXPECT_EQ(tav::test::fileDigest(path), hash);
    }
}
} // namespace
