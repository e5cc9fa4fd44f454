// cRegistry's value read and write, type by type, and their failures.
#include "appinfo.h"
#include "casename.h"
#include "codepage.h"
#include "cregistry.h"
#include "registrystore.h"
#include "registrytest.h"

#include <cstring>
#include <new>
#include <string>

using namespace tav;
using tav::test::errorOf;

namespace {

const QString kPath = QStringLiteral("Software\\Tavrion\\Test");

QByteArray bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int v : b)
        out.append(char(v));
    return out;
}

ByteArray byteArray(int32_t lbound, std::initializer_list<int> b) {
    std::vector<uint8_t> v;
    for (int x : b)
        v.push_back(uint8_t(x));
    return ByteArray(lbound, v);
}

class CRegistryValue : public tav::test::RegistryTest {
  protected:
    cRegistry at(const QString& valueName) {
        cRegistry reg;
        reg.setClassKey(cRegistry::HKeyCurrentUser);
        reg.setSectionKey(kPath);
        reg.setValueKey(valueName);
        return reg;
    }
};

// ---- Reads, one stored type and byte layout each.

struct ReadCase {
    const char* name;
    DWORD type;
    QByteArray data;
    Variant expected;
    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class CRegistryRead : public CRegistryValue, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(CRegistryRead, ReturnsStoredDataByTypeAndSetsValueType) {
    const ReadCase& c = GetParam();
    qputenv("TAVTEST_FOLDER", "/srv/data");
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), c.type, c.data);
    cRegistry reg = at(QStringLiteral("v"));
    reg.setValueType(c.type == REG_DWORD ? 1 : 4); // overwritten by the read either way
    const Variant got = reg.value();
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(reg.ValueType(), int32_t(c.type));
    if (const ByteArray* b = got.get<ByteArray>()) {
        EXPECT_EQ(b->lbound(), 0);
    }
}

const QString kNul(QChar(0));

INSTANTIATE_TEST_SUITE_P(
    Types, CRegistryRead,
    ::testing::Values(
        ReadCase{"SzWithTerminator", REG_SZ, QByteArray("abc", 4), Variant("abc")},
        ReadCase{"SzSingleNul", REG_SZ, bytes({0}), Variant(QString())},
        // Raw data so that the byte after the given size is not NUL (the layer would add one).
        ReadCase{"SzWithoutTerminatorReadsWholeByDesign", REG_SZ,
                 QByteArray::fromRawData("abcX", 3), Variant("abc")},
        ReadCase{"ExpandSzWithoutTerminatorReadsWholeByDesign", REG_EXPAND_SZ,
                 QByteArray::fromRawData("%TAVTEST_FOLDER%X", 16), Variant("/srv/data")},
        ReadCase{"MultiSzWithoutTerminatorReadsWholeByDesign", REG_MULTI_SZ,
                 QByteArray::fromRawData("a\0bX", 3), Variant(QString("a") + kNul + "b")},
        ReadCase{"SzTwoNulsKeepsOne", REG_SZ, QByteArray("abc\0\0", 5),
                 Variant(QString("abc") + kNul)},
        ReadCase{"SzNoDataIsEmptyText", REG_SZ, QByteArray(), Variant(QString())},
        ReadCase{"SzUtf8", REG_SZ,
                 QByteArray("Gr\xc3\xbc\xc3\x9f"
                            "e",
                            7) +
                     bytes({0}),
                 Variant(QString::fromUtf8("Grüße"))},
        ReadCase{"ExpandSzExpands", REG_EXPAND_SZ, QByteArray("%TAVTEST_FOLDER%\\db", 20),
                 Variant("/srv/data\\db")},
        ReadCase{"ExpandSzUnknownNameStays", REG_EXPAND_SZ, QByteArray("%TAVTEST_NOPE%", 15),
                 Variant("%TAVTEST_NOPE%")},
        ReadCase{"ExpandSzNoData", REG_EXPAND_SZ, QByteArray(), Variant(QString())},
        ReadCase{"MultiSzItemsEachWithNul", REG_MULTI_SZ, QByteArray("a\0b\0\0", 5),
                 Variant(QString("a") + kNul + "b" + kNul)},
        ReadCase{"MultiSzNoData", REG_MULTI_SZ, QByteArray(), Variant(QString())},
        ReadCase{"Dword", REG_DWORD, bytes({0x78, 0x56, 0x34, 0x12}), Variant(int32_t(0x12345678))},
        ReadCase{"DwordAllBits", REG_DWORD, bytes({0xff, 0xff, 0xff, 0xff}), Variant(int32_t(-1))},
        ReadCase{"DwordNoDataIsZero", REG_DWORD, QByteArray(), Variant(int32_t(0))},
        ReadCase{"DwordShort", REG_DWORD, bytes({0x01, 0x02}), Variant(int32_t(0x0201))},
        ReadCase{"DwordLongUsesFirstFour", REG_DWORD, bytes({1, 2, 3, 4, 5, 6, 7, 8}),
                 Variant(int32_t(0x04030201))},
        ReadCase{"BigEndian256", REG_DWORD_BIG_ENDIAN, bytes({0, 0, 1, 0}), Variant(int32_t(256))},
        ReadCase{"BigEndianReversed", REG_DWORD_BIG_ENDIAN, bytes({0x12, 0x34, 0x56, 0x78}),
                 Variant(int32_t(0x12345678))},
        ReadCase{"BinaryThreeBytes", REG_BINARY, bytes({1, 0, 255}),
                 Variant(byteArray(0, {1, 0, 255}))},
        ReadCase{"BinaryEmpty", REG_BINARY, QByteArray(), Variant(ByteArray(0))},
        ReadCase{"NoneAsBytes", REG_NONE, bytes({7}), Variant(byteArray(0, {7}))},
        ReadCase{"LinkAsBytes", REG_LINK, bytes({'x', 0}), Variant(byteArray(0, {'x', 0}))},
        ReadCase{"QwordAsBytes", REG_QWORD, bytes({1, 2, 3, 4, 5, 6, 7, 8}),
                 Variant(byteArray(0, {1, 2, 3, 4, 5, 6, 7, 8}))}),
    tav::test::caseName);

TEST_F(CRegistryValue, UnreadableValueGivesDefaultAndKeepsValueType) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("other"), REG_SZ, QByteArray("x", 2));
    struct Miss {
        const char* name;
        int32_t root;
        QString path;
    };
    const Miss misses[] = {
        {"missing value", cRegistry::HKeyCurrentUser, kPath},
        {"missing key", cRegistry::HKeyCurrentUser, kPath + QStringLiteral("\\Nowhere")},
        {"root 0", 0, kPath},
        {"other hive", cRegistry::HKeyLocalMachine, kPath},
    };
    for (const Miss& m : misses) {
        SCOPED_TRACE(m.name);
        cRegistry reg;
        reg.setClassKey(m.root);
        reg.setSectionKey(m.path);
        reg.setValueKey(QStringLiteral("v"));
        reg.setValueType(3);
        EXPECT_TRUE(reg.value().isEmpty()) << "Default never set reads as Empty";
        reg.setDefault(QStringLiteral("fallback"));
        EXPECT_EQ(reg.value(), Variant("fallback"));
        EXPECT_EQ(reg.ValueType(), 3);
    }
}

// ---- Writes, one ValueType and argument kind each.

struct WriteCase {
    const char* name;
    int32_t valueType;
    Variant input;
    DWORD storedType;
    QByteArray storedData;
    friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class CRegistryWrite : public CRegistryValue, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(CRegistryWrite, StoresTypeAndBytesAndKeepsValueType) {
    const WriteCase& c = GetParam();
    cRegistry reg = at(QStringLiteral("v"));
    reg.setSectionKey(kPath + QStringLiteral("\\Deeper\\Still")); // missing levels are created
    reg.setValueType(c.valueType);
    reg.setValue(c.input);
    EXPECT_EQ(reg.ValueType(), c.valueType);
    const auto raw = getRaw(HKEY_CURRENT_USER, reg.SectionKey(), QStringLiteral("v"));
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, c.storedType);
    EXPECT_EQ(raw->data.toHex(' '), c.storedData.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Types, CRegistryWrite,
    ::testing::Values(
        WriteCase{"SzText", 1, Variant("abc"), REG_SZ, QByteArray("abc", 4)},
        WriteCase{"ExpandWithoutPercentIsSz", 2, Variant("plain"), REG_SZ, QByteArray("plain", 6)},
        WriteCase{"PercentPairIsExpand", 1, Variant("%A%B"), REG_EXPAND_SZ, QByteArray("%A%B", 5)},
        WriteCase{"PathReferenceIsExpand", 1, Variant("%TEMP%\\x"), REG_EXPAND_SZ,
                  QByteArray("%TEMP%\\x", 9)},
        WriteCase{"DoublePercentIsSz", 2, Variant("%%"), REG_SZ, QByteArray("%%", 3)},
        WriteCase{"TrailingPercentIsSz", 1, Variant("50%"), REG_SZ, QByteArray("50%", 4)},
        WriteCase{"NumberAsDecimalText", 1, Variant(int16_t(42)), REG_SZ, QByteArray("42", 3)},
        WriteCase{"EmptyAsEmptyText", 1, Variant(), REG_SZ, bytes({0})},
        WriteCase{"Utf8Text", 1, Variant(QString::fromUtf8("Grüße")), REG_SZ,
                  QByteArray("Gr\xc3\xbc\xc3\x9f"
                             "e",
                             7) +
                      bytes({0})},
        WriteCase{"Binary", 3, Variant(byteArray(0, {1, 2, 0, 3})), REG_BINARY,
                  bytes({1, 2, 0, 3})},
        WriteCase{"BinaryNegativeLboundFromIndexZero", 3, Variant(byteArray(-2, {9, 8, 1, 2, 3})),
                  REG_BINARY, bytes({1, 2, 3})},
        WriteCase{"DwordIntegerSignExtended", 4, Variant(int16_t(-1)), REG_DWORD,
                  bytes({0xff, 0xff, 0xff, 0xff})},
        WriteCase{"DwordLongLittleEndian", 4, Variant(int32_t(0x12345678)), REG_DWORD,
                  bytes({0x78, 0x56, 0x34, 0x12})},
        WriteCase{"BigEndianStoresDword", 5, Variant(int32_t(256)), REG_DWORD,
                  bytes({0, 1, 0, 0})}),
    tav::test::caseName);

// ---- Write failures: number, source, description, and what is left in the store.

struct FailCase {
    const char* name;
    int32_t valueType;
    Variant input;
    int32_t number;
    bool classSource; // false: no source and no description (26001 for a non-array) or a run-time
                      // error
    friend void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }
};

class CRegistryWriteFailure : public CRegistryValue,
                              public ::testing::WithParamInterface<FailCase> {};

TEST_P(CRegistryWriteFailure, RaisesAfterCreatingKeyAndStoresNothing) {
    const FailCase& c = GetParam();
    const QString path = kPath + QStringLiteral("\\Fresh");
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, QByteArray("old", 4));
    cRegistry reg = at(QStringLiteral("v"));
    reg.setValueType(c.valueType);

    // An existing value stays as it was.
    auto e = errorOf([&] { reg.setValue(c.input); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->number(), c.number);
    EXPECT_EQ(getRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"))->data, QByteArray("old", 4));

    // A missing path is created first, and still nothing is stored.
    reg.setSectionKey(path);
    e = errorOf([&] { reg.setValue(c.input); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->number(), c.number);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, path));
    EXPECT_FALSE(getRaw(HKEY_CURRENT_USER, path, QStringLiteral("v")).has_value());
    EXPECT_EQ(reg.ValueType(), c.valueType);
    if (c.classSource) {
        EXPECT_EQ(e->source(), AppInfo::exeName() + QStringLiteral(".cRegistry"));
        EXPECT_TRUE(
            e->description().startsWith(QStringLiteral("Failed to set registry value Key: '")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CRegistryWriteFailure,
    ::testing::Values(
        FailCase{"TypeNeverSet", 0, Variant("x"), cRegistry::ErrSetValue, true},
        FailCase{"Link", 6, Variant("x"), cRegistry::ErrSetValue, true},
        FailCase{"MultiSz", 7, Variant("x"), cRegistry::ErrSetValue, true},
        FailCase{"Qword", 11, Variant(int32_t(1)), cRegistry::ErrSetValue, true},
        FailCase{"DwordFromDoubleRaisesByDesign", 4, Variant(1.5), cRegistry::ErrSetValue, true},
        FailCase{"DwordFromTextRaisesByDesign", 4, Variant("12"), cRegistry::ErrSetValue, true},
        FailCase{"DwordFromBooleanRaisesByDesign", 5, Variant(true), cRegistry::ErrSetValue, true},
        FailCase{"DwordFromEmptyRaisesByDesign", 4, Variant(), cRegistry::ErrSetValue, true},
        FailCase{"BinaryFromText", 3, Variant("abc"), cRegistry::ErrFailed, false},
        FailCase{"BinaryWithoutIndexZero", 3, Variant(byteArray(1, {1, 2})),
                 err::SubscriptOutOfRange, false},
        FailCase{"BinaryEmpty", 3, Variant(ByteArray(0)), err::SubscriptOutOfRange, false},
        FailCase{"TextFromNull", 1, Variant::null(), err::InvalidUseOfNull, false}),
    tav::test::caseName);

TEST_F(CRegistryValue, FailureTextsAreExact) {
    cRegistry reg = at(QStringLiteral("PATH"));
    reg.setValueType(4);
    auto e = errorOf([&] { reg.setValue(Variant(1.5)); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), -2147194455);
    EXPECT_EQ(e->description(),
              QStringLiteral("Failed to set registry value Key: '-2147483647',Section: "
                             "'Software\\Tavrion\\Test',Key: 'PATH' to value: '1.5'"));

    reg.setClassKey(0);
    reg.setValueType(1);
    e = errorOf([&] { reg.setValue(Variant("x")); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 26001);
    EXPECT_EQ(e->source(), cRegistry::errorSource());
    EXPECT_EQ(e->description(),
              QStringLiteral("Failed to set registry value Key: '0',Section: "
                             "'Software\\Tavrion\\Test',Key: 'PATH' to value: 'x'"));

    reg.setClassKey(cRegistry::HKeyCurrentUser);
    reg.setValueType(3);
    e = errorOf([&] { reg.setValue(Variant("x")); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), 26001);
    EXPECT_TRUE(e->source().isEmpty());
    EXPECT_TRUE(e->description().isEmpty());
}

TEST_F(CRegistryValue, ReadThenWriteBack) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("bin"), REG_BINARY, bytes({0, 1, 2, 254}));
    cRegistry reg = at(QStringLiteral("bin"));
    reg.setValue(reg.value()); // ValueType 3 after the read
    EXPECT_EQ(getRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("bin"))->data, bytes({0, 1, 2, 254}));

    // A big-endian write stores a plain DWORD, which reads back as the same number.
    reg.setValueKey(QStringLiteral("num"));
    reg.setValueType(5);
    reg.setValue(Variant(int32_t(-123456)));
    EXPECT_EQ(reg.value(), Variant(int32_t(-123456)));
    EXPECT_EQ(reg.ValueType(), 4);
}

TEST_F(CRegistryValue, ReadTypeDecidesNextWrite) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("multi"), REG_MULTI_SZ, QByteArray("a\0\0", 3));
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("bin"), REG_BINARY, bytes({1}));
    cRegistry reg = at(QStringLiteral("multi"));
    reg.setValueType(1);
    reg.value();
    EXPECT_EQ(reg.ValueType(), 7);
    EXPECT_EQ(errorOf([&] { reg.setValue(Variant("b")); })->number(), cRegistry::ErrSetValue);
    reg.setValueType(1);
    EXPECT_FALSE(errorOf([&] { reg.setValue(Variant("b")); }));

    reg.setValueKey(QStringLiteral("bin"));
    reg.value();
    EXPECT_EQ(errorOf([&] { reg.setValue(Variant("text")); })->number(), cRegistry::ErrFailed);
}

// A value too large for the first read's buffer is asked again with a buffer of its size;
// when it changed in between (grown again, shrunk, retyped), the read returns the new data
// whole, never a truncated or stale copy.
TEST_F(CRegistryValue, ValueRewrittenBetweenQueriesIsReadAgain) {
    const QByteArray large = QByteArray(1000, 'a') + '\0';
    const QByteArray larger = QByteArray(3000, 'b') + '\0';
    struct Change {
        const char* name;
        DWORD type;
        QByteArray data;
        Variant expected;
        int32_t expectedType;
    };
    const Change changes[] = {
        {"grown again", REG_SZ, larger, Variant(QString(3000, u'b')), 1},
        {"shorter text", REG_SZ, QByteArray("a much shorter text", 20),
         Variant("a much shorter text"), 1},
        {"retyped to DWORD", REG_DWORD, bytes({5, 0, 0, 0}), Variant(int32_t(5)), 4},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, large);
        int queries = 0;
        bool inHook = false;
        winreg::setFaultHook([&](const char* function) -> LONG {
            if (inHook || std::strcmp(function, "RegQueryValueExA") != 0)
                return ERROR_SUCCESS;
            if (++queries == 2) { // just before the query with the larger buffer
                inHook = true;
                putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), c.type, c.data);
                inHook = false;
            }
            return ERROR_SUCCESS;
        });
        cRegistry reg = at(QStringLiteral("v"));
        EXPECT_EQ(reg.value(), c.expected);
        EXPECT_EQ(reg.ValueType(), c.expectedType);
        EXPECT_GE(queries, 2);
        winreg::setFaultHook({});
    }
}

TEST_F(CRegistryValue, ExpansionFailureIsInvalidArgument) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_EXPAND_SZ, QByteArray("%HOME%", 7));
    winreg::setFaultHook([](const char* function) -> LONG {
        return std::strcmp(function, "ExpandEnvironmentStringsA") == 0 ? 1 : 0;
    });
    cRegistry reg = at(QStringLiteral("v"));
    reg.setValueType(1);
    const auto e = errorOf([&] { reg.value(); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), err::InvalidProcedureCall);
    EXPECT_EQ(reg.ValueType(), REG_EXPAND_SZ) << "set before the data are read";
}

// Memory that cannot be had while reading is error 7, which the handlers trap; the key is
// closed all the same. Once a query has found the value, ValueType holds its type.
TEST_F(CRegistryValue, AllocationFailureIsOutOfMemory) {
    struct Failing {
        const char* function;
        int call; // which call of it fails, from 1
        int32_t valueTypeAfter;
        int bytes; // the stored text's length: a long one needs a second, larger query
    };
    const Failing cases[] = {
        {"RegQueryValueExA", 1, 1, 7}, // the first query: nothing known yet
        {"RegQueryValueExA", 2, REG_EXPAND_SZ, 3000},
        {"ExpandEnvironmentStringsA", 1, REG_EXPAND_SZ, 7},
    };
    for (const Failing& f : cases) {
        SCOPED_TRACE(std::string(f.function) + " call " + std::to_string(f.call));
        QByteArray text("%HOME%");
        text.append(f.bytes - 7, 'x').append('\0');
        putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_EXPAND_SZ, text);
        int opens = 0, closes = 0, calls = 0;
        winreg::setFaultHook([&](const char* function) -> LONG {
            opens += std::strcmp(function, "RegOpenKeyExA") == 0;
            closes += std::strcmp(function, "RegCloseKey") == 0;
            if (std::strcmp(function, f.function) == 0 && ++calls == f.call)
                throw std::bad_alloc();
            return ERROR_SUCCESS;
        });
        cRegistry reg = at(QStringLiteral("v"));
        reg.setValueType(1);
        const auto e = errorOf([&] { reg.value(); });
        winreg::setFaultHook({});
        ASSERT_TRUE(e);
        EXPECT_EQ(e->number(), err::OutOfMemory);
        EXPECT_EQ(e->description(), QStringLiteral("Out of memory"));
        EXPECT_EQ(opens, 1);
        EXPECT_EQ(closes, 1);
        EXPECT_EQ(reg.ValueType(), f.valueTypeAfter);
    }
}

// Every key opened is closed again, also when the operation raises.
TEST_F(CRegistryValue, EveryOpenedKeyIsClosed) {
    putRaw(HKEY_CURRENT_USER, kPath, QStringLiteral("v"), REG_SZ, QByteArray("x", 2));
    struct Op {
        const char* name;
        int32_t valueType;
        Variant input; // Empty: a read
        bool read;
    };
    const Op ops[] = {
        {"read", 1, Variant(), true},
        {"write", 1, Variant("y"), false},
        {"write type 0", 0, Variant("y"), false},
        {"write text as binary", 3, Variant("y"), false},
        {"write array without index 0", 3, Variant(byteArray(1, {1})), false},
        {"write null as text", 1, Variant::null(), false},
        {"write double as DWORD", 4, Variant(2.5), false},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        tav::test::HandleCounter counter;
        cRegistry reg = at(QStringLiteral("v"));
        reg.setValueType(op.valueType);
        errorOf([&] {
            if (op.read)
                reg.value();
            else
                reg.setValue(op.input);
        });
        EXPECT_EQ(counter.opens(), 1);
        EXPECT_EQ(counter.closes(), counter.opens());
    }
}

} // namespace
