// modRegistry.GetRegistrySetting: the database folder lookup in the current user's settings.
#include "casename.h"
#include "modregistry.h"
#include "registrytest.h"

#include <cstring>

using namespace tav;
using namespace tav::datacheck;
using tav::test::errorOf;

namespace {

const QString kSettings = QStringLiteral("Software\\Tavrion\\Tavrion_v3");
const QString kName = QStringLiteral("PATH_DB_EQUIP");

struct Stored {
    HKEY root;
    QString path;
    QString name;
    DWORD type;
    QByteArray data;
};

struct LookupCase {
    const char* name;
    std::vector<Stored> stored;
    Variant expected;
    friend void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }
};

class GetRegistrySettingTest : public tav::test::RegistryTest,
                               public ::testing::WithParamInterface<LookupCase> {};

TEST_P(GetRegistrySettingTest, ReturnsStoredValueOrEmptyText) {
    for (const Stored& s : GetParam().stored)
        putRaw(s.root, s.path, s.name, s.type, s.data);
    QString name = kName;
    EXPECT_EQ(modRegistry::GetRegistrySetting(name), GetParam().expected);
    EXPECT_EQ(name, kName);
}

const QByteArray kFolder("/srv/tavrion/db\0", 16);

INSTANTIATE_TEST_SUITE_P(
    Cases, GetRegistrySettingTest,
    ::testing::Values(
        LookupCase{"NoSettingsKey", {}, Variant(QString())},
        LookupCase{"KeyWithoutValue",
                   {{HKEY_CURRENT_USER, kSettings, "OTHER", REG_SZ, kFolder}},
                   Variant(QString())},
        LookupCase{"FolderUnchanged",
                   {{HKEY_CURRENT_USER, kSettings, kName, REG_SZ, kFolder}},
                   Variant("/srv/tavrion/db")},
        LookupCase{"NameIgnoresCase",
                   {{HKEY_CURRENT_USER, kSettings.toLower(), "path_db_equip", REG_SZ, kFolder}},
                   Variant("/srv/tavrion/db")},
        LookupCase{"LocalMachineOnly",
                   {{HKEY_LOCAL_MACHINE, kSettings, kName, REG_SZ, kFolder}},
                   Variant(QString())},
        LookupCase{"NoDataBytes",
                   {{HKEY_CURRENT_USER, kSettings, kName, REG_SZ, QByteArray()}},
                   Variant(QString())},
        LookupCase{"DwordAsNumber",
                   {{HKEY_CURRENT_USER, kSettings, kName, REG_DWORD, QByteArray("\x07\0\0\0", 4)}},
                   Variant(int32_t(7))}),
    tav::test::caseName);

class GetRegistrySettingFailure : public tav::test::RegistryTest {
  protected:
    // Makes the first `failures` value queries raise an out-of-memory error.
    void failQueries(int failures) {
        winreg::setFaultHook([this, failures](const char* function) -> LONG {
            if (std::strcmp(function, "RegQueryValueExA") == 0 && m_failed < failures) {
                ++m_failed;
                throw VbError::standard(7);
            }
            return ERROR_SUCCESS;
        });
    }
    int m_failed = 0;
};

TEST_F(GetRegistrySettingFailure, FirstFailureIsTrappedAndReadRepeated) {
    putRaw(HKEY_CURRENT_USER, kSettings, kName, REG_SZ, kFolder);
    failQueries(1);
    EXPECT_EQ(modRegistry::GetRegistrySetting(kName), Variant("/srv/tavrion/db"));
    EXPECT_EQ(m_failed, 1);
}

TEST_F(GetRegistrySettingFailure, SecondFailurePassesToCaller) {
    putRaw(HKEY_CURRENT_USER, kSettings, kName, REG_SZ, kFolder);
    failQueries(2);
    const auto e = errorOf([] { modRegistry::GetRegistrySetting(kName); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 7);
    EXPECT_EQ(m_failed, 2);
}

} // namespace
