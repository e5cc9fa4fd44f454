// cRegistry's key and value maintenance: KeyExists, CreateKey, DeleteKey, DeleteValue.
#include "cregistry.h"
#include "registrytest.h"

#include <functional>

using namespace tav;
using tav::test::errorOf;

namespace {

const QString kPath = QStringLiteral("Software\\Tavrion\\Keys");

class CRegistryKeys : public tav::test::RegistryTest {
  protected:
    static cRegistry at(int32_t root, const QString& path, const QString& valueName = {}) {
        cRegistry reg;
        reg.setClassKey(root);
        reg.setSectionKey(path);
        reg.setValueKey(valueName);
        return reg;
    }
    static void expectFailure(const std::optional<VbError>& e, const QString& description) {
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->number(), 26001);
        EXPECT_EQ(e->source(), cRegistry::errorSource());
        EXPECT_EQ(e->description(), description);
    }
};

TEST_F(CRegistryKeys, KeyExistsAnswersWithoutRaising) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, QByteArray("x", 2));
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath).KeyExists(), VbTrue);
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath.toUpper()).KeyExists(), VbTrue);
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Missing")).KeyExists(),
              VbFalse);
    EXPECT_EQ(at(cRegistry::HKeyLocalMachine, kPath).KeyExists(), VbFalse);
    EXPECT_EQ(at(0, kPath).KeyExists(), VbFalse);
    EXPECT_EQ(at(12345, kPath).KeyExists(), VbFalse);
}

TEST_F(CRegistryKeys, CreateKeyMakesEveryLevelAndKeepsValues) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, QByteArray("kept", 5));
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath).CreateKey(), VbTrue);
    EXPECT_EQ(getRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"))->data, QByteArray("kept", 5));

    const QString deep = kPath + QStringLiteral("\\A\\B\\C");
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, deep).CreateKey(), VbTrue);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kPath + QStringLiteral("\\A\\B")));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, deep));
}

TEST_F(CRegistryKeys, CreateKeyFailureHasNoClosingQuote) {
    expectFailure(errorOf([] { at(0, QStringLiteral("Some\\Path")).CreateKey(); }),
                  QStringLiteral("Failed to create registry Key: 'Some\\Path"));
    expectFailure(
        errorOf([] { at(cRegistry::HKeyCurrentUser, QStringLiteral("\\Leading")).CreateKey(); }),
        QStringLiteral("Failed to create registry Key: '\\Leading"));
}

TEST_F(CRegistryKeys, DeleteKey) {
    putRaw(HKEY_CURRENT_USER, kPath + QStringLiteral("\\Child"), QStringLiteral("v"), REG_SZ,
           QByteArray("x", 2));
    const QString refused =
        QStringLiteral("Failed to delete registry Key: '-2147483647',Section: '");

    // A key with subkeys is refused; the class deletes no subkeys of its own.
    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, kPath).DeleteKey(); }),
                  refused + kPath);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kPath + QStringLiteral("\\Child")));

    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Child")).DeleteKey(),
              VbTrue);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kPath + QStringLiteral("\\Child")));

    expectFailure(errorOf([] {
                      at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Child")).DeleteKey();
                  }),
                  refused + kPath + QStringLiteral("\\Child"));
    expectFailure(
        errorOf([] { at(cRegistry::HKeyClassesRoot, QStringLiteral("NoSuchClass")).DeleteKey(); }),
        QStringLiteral("Failed to delete registry Key: '-2147483648',Section: 'NoSuchClass"));
}

TEST_F(CRegistryKeys, DeleteKeyWithEmptySectionRefusesTheRoot) {
    putRaw(HKEY_CURRENT_USER, QStringLiteral("Leaf"), QStringLiteral("v"), REG_SZ,
           QByteArray("x", 2));
    // Only a leaf key under the root: deleting the root itself must still be refused.
    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, QString()).DeleteKey(); }),
                  QStringLiteral("Failed to delete registry Key: '-2147483647',Section: '"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, QStringLiteral("Leaf")));
    RegDeleteKeyA(HKEY_CURRENT_USER, "Leaf");
    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, QString()).DeleteKey(); }),
                  QStringLiteral("Failed to delete registry Key: '-2147483647',Section: '"));
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, QString()).KeyExists(), VbTrue);
}

TEST_F(CRegistryKeys, DeleteValue) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, QByteArray("x", 2));
    putRaw(HKEY_CURRENT_USER, kPath, QString(), REG_SZ, QByteArray("unnamed", 8));

    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath, QStringLiteral("V")).DeleteValue(), VbTrue);
    EXPECT_FALSE(getRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v")));
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath).DeleteValue(), VbTrue);
    EXPECT_FALSE(getRaw(HKEY_CURRENT_USER, kPath, QString()));

    // A missing value in an existing key: the second failure, not the open failure.
    expectFailure(
        errorOf([] { at(cRegistry::HKeyCurrentUser, kPath, QStringLiteral("v")).DeleteValue(); }),
        QStringLiteral("Failed to delete registry Key: '-2147483647',Section: '") + kPath +
            QStringLiteral("',Key: 'v"));
    expectFailure(errorOf([] {
                      at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\No"),
                         QStringLiteral("v"))
                          .DeleteValue();
                  }),
                  QStringLiteral("Failed to open key '-2147483647',Section: '") + kPath +
                      QStringLiteral("\\No' for delete access"));
}

// A name with an embedded NUL is refused by every member before any registry call, so the
// key or value its cut-short form names is never reached.
TEST_F(CRegistryKeys, NameWithANulReachesNoOtherKeyOrValue) {
    const QString leaf = QStringLiteral("Software\\Leaf");
    const QString nulPath = leaf + QChar(0) + QStringLiteral("x");
    const QString nulName = QStringLiteral("PATH_DB_EQUIP") + QChar(0) + QStringLiteral("x");
    putRaw(HKEY_CURRENT_USER, leaf, QStringLiteral("PATH_DB_EQUIP"), REG_SZ, QByteArray("kept", 5));
    putRaw(HKEY_CURRENT_USER, leaf + QStringLiteral("\\Child"), QStringLiteral("v"), REG_SZ,
           QByteArray("x", 2));
    const int32_t setValueFailed = cRegistry::ErrSetValue;
    // Runs a listing member and answers the count it gave.
    const auto countListed = [](int16_t (cRegistry::*list)(StringArray&, int32_t&)) {
        return [list](cRegistry& r) {
            StringArray names;
            int32_t count = -1;
            (r.*list)(names, count);
            return Variant(count);
        };
    };
    struct Case {
        const char* name;
        QString path;
        QString valueName;
        int32_t number; // the error raised, 0 for none
        std::function<Variant(cRegistry&)> run;
        Variant result;
    };
    const Case cases[] = {
        {"KeyExists",
         nulPath,
         {},
         0,
         [](cRegistry& r) { return Variant(r.KeyExists()); },
         Variant(VbFalse)},
        {"CreateKey", nulPath, {}, 26001, [](cRegistry& r) { return Variant(r.CreateKey()); }, {}},
        {"DeleteKey",
         leaf + QStringLiteral("\\Child") + QChar(0),
         {},
         26001,
         [](cRegistry& r) { return Variant(r.DeleteKey()); },
         {}},
        {"DeleteValue path",
         nulPath,
         QStringLiteral("PATH_DB_EQUIP"),
         26001,
         [](cRegistry& r) { return Variant(r.DeleteValue()); },
         {}},
        {"DeleteValue name",
         leaf,
         nulName,
         26001,
         [](cRegistry& r) { return Variant(r.DeleteValue()); },
         {}},
        {"write path",
         nulPath,
         QStringLiteral("PATH_DB_EQUIP"),
         26001,
         [](cRegistry& r) {
             r.setValue(Variant("over"));
             return Variant();
         },
         {}},
        {"write name",
         leaf,
         nulName,
         setValueFailed,
         [](cRegistry& r) {
             r.setValue(Variant("over"));
             return Variant();
         },
         {}},
        {"read path", nulPath, QStringLiteral("PATH_DB_EQUIP"), 0,
         [](cRegistry& r) { return r.value(); }, Variant("dflt")},
        {"read name", leaf, nulName, 0, [](cRegistry& r) { return r.value(); }, Variant("dflt")},
        {"EnumerateValues",
         nulPath,
         {},
         0,
         countListed(&cRegistry::EnumerateValues),
         Variant(int32_t(0))},
        {"EnumerateSections",
         nulPath,
         {},
         0,
         countListed(&cRegistry::EnumerateSections),
         Variant(int32_t(0))},
        {"association class",
         leaf,
         {},
         5,
         [](cRegistry& r) {
             r.CreateEXEAssociation(QStringLiteral("/bin/x"), QStringLiteral("Leaf") + QChar(0),
                                    QStringLiteral("d"), QStringLiteral("lf"));
             return Variant();
         },
         {}},
        {"association extension",
         leaf,
         {},
         5,
         [](cRegistry& r) {
             r.CreateEXEAssociation(QStringLiteral("/bin/x"), QStringLiteral("LeafFile"),
                                    QStringLiteral("d"),
                                    QStringLiteral("lf") + QChar(0) + QStringLiteral("x"));
             return Variant();
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cRegistry reg = at(cRegistry::HKeyCurrentUser, c.path, c.valueName);
        reg.setValueType(REG_SZ);
        reg.setDefault(Variant("dflt"));
        int calls = 0;
        winreg::setFaultHook([&](const char*) -> LONG {
            ++calls;
            return ERROR_SUCCESS;
        });
        Variant result;
        const auto e = errorOf([&] { result = c.run(reg); });
        winreg::setFaultHook({});
        EXPECT_EQ(calls, 0);
        EXPECT_EQ(e ? e->number() : 0, c.number);
        if (!e && c.number == 0) {
            EXPECT_EQ(result, c.result);
        }
        EXPECT_EQ(getRaw(HKEY_CURRENT_USER, leaf, QStringLiteral("PATH_DB_EQUIP"))->data,
                  QByteArray("kept", 5));
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, leaf + QStringLiteral("\\Child")));
    }
}

TEST_F(CRegistryKeys, EveryOpenedKeyIsClosed) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, QByteArray("x", 2));
    struct Op {
        const char* name;
        std::function<void(cRegistry&)> run;
    };
    const Op ops[] = {
        {"KeyExists", [](cRegistry& r) { r.KeyExists(); }},
        {"CreateKey", [](cRegistry& r) { r.CreateKey(); }},
        {"DeleteValue missing",
         [](cRegistry& r) {
             r.setValueKey(QStringLiteral("nope"));
             r.DeleteValue();
         }},
        {"DeleteValue", [](cRegistry& r) { r.DeleteValue(); }},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        tav::test::HandleCounter counter;
        cRegistry reg = at(cRegistry::HKeyCurrentUser, kPath, QStringLiteral("v"));
        errorOf([&] { op.run(reg); });
        EXPECT_EQ(counter.opens(), 1);
        EXPECT_EQ(counter.closes(), 1);
    }
}

} // namespace
