#include "adoerror.h"
#include "datasourcepath_p.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using tav::ado::resolveDataSourcePath;

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Asserts that resolving `dataSource` fails with the provider's number and a description
// holding `mentions`.
void expectFailure(const QString& dataSource, const QString& mentions) {
    try {
        const QString got = resolveDataSourcePath(dataSource);
        ADD_FAILURE() << "resolved to " << got.toStdString();
    } catch (const tav::VbError& e) {
        EXPECT_EQ(e.number(), tav::ado::errc::ProviderFailure);
        EXPECT_TRUE(e.description().contains(mentions)) << e.what();
    }
}

class DataSourcePathTest : public ::testing::Test {
  protected:
    tav::test::TempDir dir;
    QString sub() const { return dir.file(QStringLiteral("sub")); }
    void SetUp() override {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        touch(sub() + QStringLiteral("/dbEquip.mdb"));
    }
};

TEST_F(DataSourcePathTest, ExactNameAndBackslashSeparators) {
    const QString expected = sub() + QStringLiteral("/dbEquip.mdb");
    EXPECT_EQ(resolveDataSourcePath(expected), expected);
    EXPECT_EQ(resolveDataSourcePath(dir.path() + QStringLiteral("\\sub\\dbEquip.mdb")), expected);
    EXPECT_EQ(resolveDataSourcePath(sub() + QStringLiteral("\\.\\dbEquip.mdb")), expected);
}

TEST_F(DataSourcePathTest, SingleCaseInsensitiveMatchIsUsed) {
    EXPECT_EQ(resolveDataSourcePath(sub() + QStringLiteral("\\dbEquip.MDB")),
              sub() + QStringLiteral("/dbEquip.mdb"));
    EXPECT_EQ(resolveDataSourcePath(sub() + QStringLiteral("/DBEQUIP.mdb")),
              sub() + QStringLiteral("/dbEquip.mdb"));
}

TEST_F(DataSourcePathTest, ExactMatchWinsOverOtherCases) {
    touch(sub() + QStringLiteral("/DBEQUIP.MDB"));
    EXPECT_EQ(resolveDataSourcePath(sub() + QStringLiteral("/DBEQUIP.MDB")),
              sub() + QStringLiteral("/DBEQUIP.MDB"));
}

TEST_F(DataSourcePathTest, SeveralCaseInsensitiveMatchesFail) {
    touch(sub() + QStringLiteral("/DBEQUIP.MDB"));
    expectFailure(sub() + QStringLiteral("\\dbequip.Mdb"),
                  QStringLiteral("DBEQUIP.MDB, dbEquip.mdb"));
}

TEST_F(DataSourcePathTest, MissingFileOrFolderNamesThePath) {
    expectFailure(sub() + QStringLiteral("\\other.mdb"), sub() + QStringLiteral("/other.mdb"));
    expectFailure(dir.path() + QStringLiteral("\\nofolder\\dbEquip.mdb"),
                  dir.path() + QStringLiteral("/nofolder"));
    expectFailure(QString(), QStringLiteral("Data Source"));
}

TEST_F(DataSourcePathTest, RelativePathStartsAtCurrentDirectory) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QString got;
    try {
        got = resolveDataSourcePath(QStringLiteral("sub\\DBEquip.mdb"));
    } catch (const tav::VbError& e) {
        ADD_FAILURE() << e.what();
    }
    QDir::setCurrent(before);
    EXPECT_EQ(got, sub() + QStringLiteral("/dbEquip.mdb"));
}

} // namespace
