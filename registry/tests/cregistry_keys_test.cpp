// cRegistry's key and value maintenance: KeyExists, CreateKey, DeleteKey, DeleteValue.
#include "cregistry.h"
#include "regtestsupport.h"

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
    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Missing")).KeyExists(), VbFalse);
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
    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, QStringLiteral("\\Leading")).CreateKey(); }),
                  QStringLiteral("Failed to create registry Key: '\\Leading"));
}

TEST_F(CRegistryKeys, DeleteKey) {
    putRaw(HKEY_CURRENT_USER, kPath + QStringLiteral("\\Child"), QStringLiteral("v"), REG_SZ, QByteArray("x", 2));
    const QString refused = QStringLiteral("Failed to delete registry Key: '-2147483647',Section: '");

    // A key with subkeys is refused; the class deletes no subkeys of its own.
    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, kPath).DeleteKey(); }), refused + kPath);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kPath + QStringLiteral("\\Child")));

    EXPECT_EQ(at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Child")).DeleteKey(), VbTrue);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kPath + QStringLiteral("\\Child")));

    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Child")).DeleteKey(); }),
                  refused + kPath + QStringLiteral("\\Child"));
    expectFailure(errorOf([] { at(cRegistry::HKeyClassesRoot, QStringLiteral("NoSuchClass")).DeleteKey(); }),
                  QStringLiteral("Failed to delete registry Key: '-2147483648',Section: 'NoSuchClass"));
}

TEST_F(CRegistryKeys, DeleteKeyWithEmptySectionRefusesTheRoot) {
    putRaw(HKEY_CURRENT_USER, QStringLiteral("Leaf"), QStringLiteral("v"), REG_SZ, QByteArray("x", 2));
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
    expectFailure(errorOf([] { at(cRegistry::HKeyCurrentUser, kPath, QStringLiteral("v")).DeleteValue(); }),
                  QStringLiteral("Failed to delete registry Key: '-2147483647',Section: '") + kPath +
                      QStringLiteral("',Key: 'v"));
    expectFailure(
        errorOf([] { at(cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\No"), QStringLiteral("v")).DeleteValue(); }),
        QStringLiteral("Failed to open key '-2147483647',Section: '") + kPath +
            QStringLiteral("\\No' for delete access"));
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
        {"DeleteValue missing", [](cRegistry& r) { r.setValueKey(QStringLiteral("nope")); r.DeleteValue(); }},
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
