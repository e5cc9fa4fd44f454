// cRegistry's listings and file association.
#include "casename.h"
#include "cregistry.h"
#include "registrytest.h"

#include <cstring>

using namespace tav;
using tav::test::errorOf;

namespace {

const QString kPath = QStringLiteral("Software\\Tavrion\\Enum");

StringArray names(std::initializer_list<QString> items) {
    return StringArray(1, std::vector<QString>(items));
}

class CRegistryEnum : public tav::test::RegistryTest {
  protected:
    static cRegistry at(const QString& path) {
        cRegistry reg;
        reg.setClassKey(cRegistry::HKeyCurrentUser);
        reg.setSectionKey(path);
        return reg;
    }
    static void addValue(const QString& path, const QString& name) {
        putRaw(HKEY_CURRENT_USER, path, name, REG_SZ, QByteArray("x", 2));
    }
    static void addKey(const QString& path) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.toUtf8().constData(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

TEST_F(CRegistryEnum, EnumerateValuesListsInCreationOrderFromIndexOne) {
    StringArray list = names({QStringLiteral("left"), QStringLiteral("over"),
                              QStringLiteral("from"), QStringLiteral("before")});
    int32_t count = 4;

    addKey(kPath);
    EXPECT_EQ(at(kPath).EnumerateValues(list, count), VbTrue);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(list.count(), 0);

    addValue(kPath, QStringLiteral("zeta"));
    addValue(kPath, QStringLiteral("Alpha"));
    addValue(kPath, QString());
    addValue(kPath, QStringLiteral("ALPHA")); // a rewrite keeps its place and first spelling
    EXPECT_EQ(at(kPath).EnumerateValues(list, count), VbTrue);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(list, names({QStringLiteral("zeta"), QStringLiteral("Alpha"), QString()}));
    EXPECT_EQ(list.lbound(), 1);
}

TEST_F(CRegistryEnum, MissingKeyListsNothingAndAnswersTrue) {
    StringArray list = names({QStringLiteral("stale")});
    int32_t count = 1;
    EXPECT_EQ(at(kPath + QStringLiteral("\\Missing")).EnumerateValues(list, count), VbTrue);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(list.empty());

    list = names({QStringLiteral("stale")});
    count = 1;
    EXPECT_EQ(at(kPath + QStringLiteral("\\Missing")).EnumerateSections(list, count), VbTrue);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(list.empty());

    cRegistry noRoot = at(kPath);
    noRoot.setClassKey(0);
    EXPECT_EQ(noRoot.EnumerateSections(list, count), VbTrue);
    EXPECT_EQ(count, 0);
}

// A value added after the key information was read, with a name longer than it announced,
// is still listed, and the values after it too.
TEST_F(CRegistryEnum, EnumerateValuesGrowsBufferForNameAddedMeanwhile) {
    addValue(kPath, QStringLiteral("a"));
    addValue(kPath, QStringLiteral("b"));
    const QString longName = QString(300, u'n');
    bool added = false;
    winreg::setFaultHook([&](const char* function) -> LONG {
        if (!added && std::strcmp(function, "RegEnumValueA") == 0) {
            added = true;
            putRaw(HKEY_CURRENT_USER, kPath, longName, REG_SZ, QByteArray("x", 2));
            putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("c"), REG_SZ, QByteArray("x", 2));
        }
        return ERROR_SUCCESS;
    });
    StringArray list;
    int32_t count = 0;
    EXPECT_EQ(at(kPath).EnumerateValues(list, count), VbTrue);
    winreg::setFaultHook({});
    EXPECT_EQ(count, 4);
    EXPECT_EQ(list,
              names({QStringLiteral("a"), QStringLiteral("b"), longName, QStringLiteral("c")}));
}

TEST_F(CRegistryEnum, EnumerateSectionsListsSubkeysUpTo255CharactersByDesign) {
    const QString n254 = QString(254, u'b');
    const QString n255 = QString(255, u'c');
    const QString wide = QString(255, QChar(0x00FC)); // 255 characters, 510 bytes in the code page
    for (const QString& sub : {QStringLiteral("delta"), n255, QStringLiteral("Alpha"), n254, wide})
        addKey(kPath + u'\\' + sub + QStringLiteral("\\grandchild"));
    addValue(kPath, QStringLiteral("not a key"));

    StringArray list = names({QStringLiteral("stale")});
    int32_t count = 7;
    EXPECT_EQ(at(kPath).EnumerateSections(list, count), VbTrue);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(list, names({QStringLiteral("Alpha"), n254, n255, QStringLiteral("delta"), wide}));
    EXPECT_EQ(list.lbound(), 1);
}

// A run-time error inside the listing comes back as 800469AA hex with its description;
// what was gathered stays and the key is closed.
TEST_F(CRegistryEnum, EnumerateSectionsRaisesItsOwnError) {
    for (const char* sub : {"one", "two", "three"})
        addKey(kPath + u'\\' + QLatin1String(sub));
    int enumCalls = 0, opens = 0, closes = 0;
    winreg::setFaultHook([&](const char* function) -> LONG {
        if (std::strcmp(function, "RegOpenKeyExA") == 0)
            ++opens;
        if (std::strcmp(function, "RegCloseKey") == 0)
            ++closes;
        if (std::strcmp(function, "RegEnumKeyA") == 0 && ++enumCalls == 2)
            throw VbError::standard(7);
        return ERROR_SUCCESS;
    });
    StringArray list;
    int32_t count = 0;
    const auto e = errorOf([&] { at(kPath).EnumerateSections(list, count); });
    winreg::setFaultHook({});
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), -2147194454);
    EXPECT_EQ(e->source(), cRegistry::errorSource());
    EXPECT_EQ(e->description(), QStringLiteral("Out of memory"));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(list, names({QStringLiteral("one")}));
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(closes, 1);
}

// ---- CreateEXEAssociation

class CRegistryAssociation : public CRegistryEnum {
  protected:
    static QString unnamed(const QString& path) {
        const auto raw = getRaw(HKEY_CLASSES_ROOT, path, QString());
        if (!raw)
            return QStringLiteral("<missing>");
        return QString::fromUtf8(raw->data.constData()); // up to the terminator
    }
};

struct AssociationCase {
    const char* name;
    QString exePath;
    QString extension;
    int32_t iconIndex;
    QString extensionKey;
    QString command;
    QString icon; // empty: no DefaultIcon key
    friend void PrintTo(const AssociationCase& c, std::ostream* os) { *os << c.name; }
};

class CRegistryAssociationCases : public CRegistryAssociation,
                                  public ::testing::WithParamInterface<AssociationCase> {};

TEST_P(CRegistryAssociationCases, WritesClassAndExtensionKeys) {
    const AssociationCase& c = GetParam();
    cRegistry reg;
    reg.setValueType(1);
    reg.CreateEXEAssociation(c.exePath, QStringLiteral("Viewer.Document"),
                             QStringLiteral("Viewer file"), c.extension, c.iconIndex);
    EXPECT_EQ(unnamed(c.extensionKey), QStringLiteral("Viewer.Document"));
    EXPECT_EQ(unnamed(c.extensionKey + QStringLiteral("\\shell\\open\\command")), c.command);
    EXPECT_EQ(unnamed(QStringLiteral("Viewer.Document")), QStringLiteral("Viewer file"));
    EXPECT_EQ(unnamed(QStringLiteral("Viewer.Document\\shell\\open\\command")), c.command);
    if (c.icon.isEmpty())
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, QStringLiteral("Viewer.Document\\DefaultIcon")));
    else
        EXPECT_EQ(unnamed(QStringLiteral("Viewer.Document\\DefaultIcon")), c.icon);

    EXPECT_EQ(reg.ClassKey(), -2147483647 - 1);
    EXPECT_EQ(reg.SectionKey(), c.icon.isEmpty()
                                    ? QStringLiteral("Viewer.Document\\shell\\open\\command")
                                    : QStringLiteral("Viewer.Document\\DefaultIcon"));
    EXPECT_TRUE(reg.ValueKey().isEmpty());
    EXPECT_EQ(reg.ValueType(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CRegistryAssociationCases,
    ::testing::Values(AssociationCase{"DefaultIcon", "C:\\Tools\\viewer.exe", "dat", -1, ".dat",
                                      "C:\\Tools\\viewer.exe \"%1\"", ""},
                      AssociationCase{"IconZero", "C:\\Tools\\viewer.exe", "dat", 0, ".dat",
                                      "C:\\Tools\\viewer.exe \"%1\"", "C:\\Tools\\viewer.exe,0"},
                      AssociationCase{"DottedExtension", "C:\\Tools\\viewer.exe", ".dat", 3,
                                      "..dat", "C:\\Tools\\viewer.exe \"%1\"",
                                      "C:\\Tools\\viewer.exe,3"},
                      AssociationCase{"BlankInPathIsQuotedByDesign",
                                      "C:\\Program Files\\viewer.exe", "dat", 0, ".dat",
                                      "\"C:\\Program Files\\viewer.exe\" \"%1\"",
                                      "C:\\Program Files\\viewer.exe,0"},
                      AssociationCase{"TabInPathIsQuotedByDesign", "/opt/my\tviewer", "dat", -1,
                                      ".dat", "\"/opt/my\tviewer\" \"%1\"", ""},
                      AssociationCase{"QuotedPathStays", "\"C:\\Program Files\\viewer.exe\"", "dat",
                                      -1, ".dat", "\"C:\\Program Files\\viewer.exe\" \"%1\"", ""}),
    tav::test::caseName);

TEST_F(CRegistryAssociation, ValueTypeNeverSetFailsAtFirstWrite) {
    cRegistry reg;
    const auto e = errorOf([&] {
        reg.CreateEXEAssociation(QStringLiteral("C:\\v.exe"), QStringLiteral("Viewer.Document"),
                                 QStringLiteral("d"), QStringLiteral("dat"));
    });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), cRegistry::ErrSetValue);
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, QStringLiteral(".dat")));
    EXPECT_EQ(unnamed(QStringLiteral(".dat")), QStringLiteral("<missing>"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, QStringLiteral("Viewer.Document")));
}

TEST_F(CRegistryAssociation, EmptyClassOrExtensionIsRefusedBeforeWritingByDesign) {
    struct Refused {
        const char* name;
        QString className;
        QString extension;
    };
    const Refused cases[] = {{"no class", QString(), QStringLiteral("dat")},
                             {"no extension", QStringLiteral("Viewer.Document"), QString()}};
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        cRegistry reg;
        reg.setValueType(1);
        const auto e = errorOf([&] {
            reg.CreateEXEAssociation(QStringLiteral("C:\\v.exe"), c.className, QStringLiteral("d"),
                                     c.extension, 0);
        });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->number(), err::InvalidProcedureCall);
        EXPECT_FALSE(getRaw(HKEY_CLASSES_ROOT, QString(), QString()));
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, QStringLiteral(".")));
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, QStringLiteral(".dat")));
        EXPECT_EQ(reg.ClassKey(), 0);
    }
}

} // namespace
