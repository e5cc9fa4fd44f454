// The reg tool through its library: output format, add/delete, .reg export and import.
#include "childprocess.h"
#include "regaccess.h"
#include "regcommand.h"
#include "regfileio.h"
#include "registrystore.h"
#include "registrytest.h"
#include "regusage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace tav::regtool;

namespace {

struct Result {
    int code;
    QString out;
    QString err;
};

class RegTool : public tav::test::RegistryTest {
  protected:
    static Result reg(const QStringList& args, const QString& answers = QString()) {
        QString out, err, input = answers;
        QTextStream o(&out), e(&err), in(&input);
        const int code = runReg(args, o, e, &in);
        return {code, out, err};
    }
    static void put(const char* key, const char* name, DWORD type, const std::string& bytes) {
        KeyHandle h;
        ASSERT_EQ(createKey(*KeyName::parse(QString::fromLatin1(key)), h), ERROR_SUCCESS);
        ASSERT_EQ(setValue(h.get(), RegValue{name, type, bytes}), ERROR_SUCCESS);
    }
    static std::vector<RegValue> valuesOf(const char* key) {
        KeyHandle h;
        std::vector<RegValue> values;
        if (openKey(*KeyName::parse(QString::fromLatin1(key)), KEY_READ, h) == ERROR_SUCCESS)
            readValues(h.get(), values);
        return values;
    }
    static bool exists(const char* key) {
        KeyHandle h;
        return openKey(*KeyName::parse(QString::fromLatin1(key)), KEY_READ, h) == ERROR_SUCCESS;
    }
    QString writeFile(const char* name, const QByteArray& bytes) {
        const QString path = m_dir.file(QString::fromLatin1(name));
        tav::test::writeFile(path, bytes);
        return path;
    }
};

} // namespace

TEST_F(RegTool, QueryPrintsTheKeyItsValuesAndSubkeys) {
    put("HKCU\\Software\\Q", "Text", REG_SZ, std::string("hello\0", 6));
    put("HKCU\\Software\\Q", "", REG_SZ, std::string("dflt\0", 5));
    put("HKCU\\Software\\Q", "Count", REG_DWORD, std::string("\x2a\0\0\0", 4));
    put("HKCU\\Software\\Q", "Bytes", REG_BINARY, std::string("\x01\xab", 2));
    put("HKCU\\Software\\Q", "List", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    put("HKCU\\Software\\Q\\Sub", "Deep", REG_QWORD, std::string("\1\0\0\0\1\0\0\0", 8));
    put("HKCU\\Software\\Q\\Empty", "", REG_NONE, std::string());
    {
        KeyHandle leaf; // a key without values
        ASSERT_EQ(createKey(*KeyName::parse("HKCU\\Software\\Q\\Sub\\Leaf"), leaf), ERROR_SUCCESS);
    }

    const struct {
        const char* name;
        QStringList args;
        int code;
        QString out;
    } cases[] = {
        {"plain",
         {"query", "HKCU\\Software\\Q"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\n"
         "    Text    REG_SZ    hello\n"
         "    (Default)    REG_SZ    dflt\n"
         "    Count    REG_DWORD    0x2a\n"
         "    Bytes    REG_BINARY    01AB\n"
         "    List    REG_MULTI_SZ    a\\0b\n"
         "\n"
         "HKEY_CURRENT_USER\\Software\\Q\\Empty\n"
         "HKEY_CURRENT_USER\\Software\\Q\\Sub\n"},
        {"no values: no line for the key's own empty list",
         {"query", "HKCU\\Software"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\n"},
        {"one value, any case",
         {"QUERY", "hkey_current_user\\Software\\Q", "/v", "count"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\n    Count    REG_DWORD    0x2a\n\n"},
        {"unnamed value",
         {"query", "HKCU\\Software\\Q", "/ve"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\n    (Default)    REG_SZ    dflt\n\n"},
        {"unnamed value not set",
         {"query", "HKCU\\Software\\Q\\Sub", "/ve"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\\Sub\n    (Default)    REG_SZ    (value not set)\n\n"},
        {"recursive",
         {"query", "HKCU\\Software\\Q", "/s"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\n"
         "    Text    REG_SZ    hello\n"
         "    (Default)    REG_SZ    dflt\n"
         "    Count    REG_DWORD    0x2a\n"
         "    Bytes    REG_BINARY    01AB\n"
         "    List    REG_MULTI_SZ    a\\0b\n"
         "\n"
         "HKEY_CURRENT_USER\\Software\\Q\\Empty\n"
         "    (Default)    REG_NONE    \n"
         "\n"
         "HKEY_CURRENT_USER\\Software\\Q\\Sub\n"
         "    Deep    REG_QWORD    0x100000001\n"
         "\n"
         "HKEY_CURRENT_USER\\Software\\Q\\Sub\\Leaf\n"
         "\n"},
        {"search below",
         {"query", "HKCU\\Software\\Q", "/v", "Deep", "/s"},
         0,
         "\nHKEY_CURRENT_USER\\Software\\Q\\Sub\n    Deep    REG_QWORD    0x100000001\n\n"
         "End of search: 1 match(es) found.\n"},
    };
    for (const auto& c : cases) {
        const Result r = reg(c.args);
        EXPECT_EQ(r.code, c.code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_TRUE(r.err.isEmpty()) << c.name << ": " << r.err.toStdString();
    }
}

TEST_F(RegTool, FailuresExitWithOneAndAMessage) {
    put("HKCU\\Software\\F", "v", REG_SZ, std::string("x\0", 2));
    // What a .reg file cannot carry exactly is not exported at all.
    put("HKCU\\Software\\Line\nBreak", "v", REG_SZ, std::string("x\0", 2));
    put("HKCU\\Software\\Latin1", "v", REG_SZ, std::string("caf\xe9\0", 5));
    const QString file = m_dir.file("f.reg");
    const struct {
        const char* name;
        QStringList args;
        const char* err;
    } cases[] = {
        {"missing key", {"query", "HKCU\\Software\\Nope"}, "unable to find"},
        {"missing value", {"query", "HKCU\\Software\\F", "/v", "nope"}, "unable to find"},
        {"unknown root", {"query", "HKXX\\Software"}, "Invalid key name"},
        {"unknown operation", {"frobnicate", "HKCU"}, "Invalid syntax"},
        {"both /v and /ve", {"add", "HKCU\\Software\\F", "/v", "a", "/ve"}, "Invalid syntax"},
        {"bad dword",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_DWORD", "/d", "lots", "/f"},
         "Invalid syntax"},
        {"unknown type",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_FANCY", "/f"},
         "Invalid syntax"},
        // Each number type one past its largest and smallest value, and what is not a number.
        {"dword past its largest",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_DWORD", "/d", "4294967296", "/f"},
         "Invalid syntax"},
        {"dword below its smallest",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_DWORD", "/d", "-2147483649", "/f"},
         "Invalid syntax"},
        {"big-endian dword past its largest",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_DWORD_BIG_ENDIAN", "/d", "0x100000000",
          "/f"},
         "Invalid syntax"},
        {"qword past its largest",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_QWORD", "/d", "18446744073709551616",
          "/f"},
         "Invalid syntax"},
        {"qword below its smallest",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_QWORD", "/d", "-9223372036854775809",
          "/f"},
         "Invalid syntax"},
        {"dword with a leading blank",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_DWORD", "/d", " 12", "/f"},
         "Invalid syntax"},
        {"dword without /d",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_DWORD", "/f"},
         "Invalid syntax"},
        {"qword without /d",
         {"add", "HKCU\\Software\\F", "/v", "d", "/t", "REG_QWORD", "/f"},
         "Invalid syntax"},
        {"multi-string with an empty item",
         {"add", "HKCU\\Software\\F", "/v", "m", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a##b",
          "/f"},
         "Invalid syntax"},
        {"multi-string led by the separator",
         {"add", "HKCU\\Software\\F", "/v", "m", "/t", "REG_MULTI_SZ", "/d", "\\0a", "/f"},
         "Invalid syntax"},
        {"separator of two characters",
         {"add", "HKCU\\Software\\F", "/v", "m", "/t", "REG_MULTI_SZ", "/s", "\\0", "/d", "a",
          "/f"},
         "Invalid syntax"},
        {"key 513 levels below its root",
         {"add", QStringLiteral("HKCU\\x").repeated(1) + QStringLiteral("\\x").repeated(512)},
         "nested too deeply"},
        {"export of a key name with a line break",
         {"export", "HKCU\\Software\\Line\nBreak", file},
         "cannot hold the key name"},
        {"export of text that is not UTF-8",
         {"export", "HKCU\\Software\\Latin1", file},
         "not valid UTF-8"},
        {"delete a root", {"delete", "HKLM", "/f"}, "Access is denied"},
        {"delete missing value",
         {"delete", "HKCU\\Software\\F", "/v", "nope", "/f"},
         "unable to find"},
    };
    for (const auto& c : cases) {
        const Result r = reg(c.args);
        EXPECT_EQ(r.code, 1) << c.name;
        EXPECT_TRUE(r.err.contains(QLatin1String(c.err))) << c.name << ": " << r.err.toStdString();
    }
    EXPECT_EQ(valuesOf("HKCU\\Software\\F").size(), 1u);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(RegTool, HelpAndTheHintAfterASyntaxError) {
    put("HKCU\\Software\\S", "v", REG_SZ, std::string("1\0", 2));
    const QString file = m_dir.file("s.reg");
    const char* const addHint = "ERROR: Invalid syntax.\nType \"REG ADD /?\" for usage.\n";
    const char* const badAddKey = "ERROR: Invalid key name.\nType \"REG ADD /?\" for usage.\n";
    const struct {
        const char* name;
        QStringList args;
        int code;
        const char* out; // the usage's first line, or nothing
        const char* err;
    } cases[] = {
        {"tool /?", {"/?"}, 0, "REG Operation [Parameter List]\n", ""},
        {"tool --help", {"--help"}, 0, "REG Operation [Parameter List]\n", ""},
        {"query /?", {"QUERY", "/?"}, 0, "REG QUERY KeyName", ""},
        {"add /? after a key", {"add", "HKCU\\Software", "/?"}, 0, "REG ADD KeyName", ""},
        {"delete /?", {"delete", "/?"}, 0, "REG DELETE KeyName", ""},
        {"export /?", {"export", "/?"}, 0, "REG EXPORT KeyName FileName", ""},
        {"import /?", {"import", "/?"}, 0, "REG IMPORT FileName", ""},
        {"tool -H", {"-H"}, 0, "REG Operation [Parameter List]\n", ""},
        {"add /h", {"add", "/h"}, 0, "REG ADD KeyName", ""},
        {"delete -h after a key",
         {"delete", "HKCU\\Software\\S", "-h"},
         0,
         "REG DELETE KeyName",
         ""},
        {"copy /?", {"copy", "/?"}, 0, "REG COPY KeyName1 KeyName2", ""},
        {"compare /H", {"compare", "/H"}, 0, "REG COMPARE KeyName1 KeyName2", ""},
        {"a type given twice",
         {"add", "HKCU\\Software\\S", "/v", "a", "/t", "REG_DWORD", "/d", "1", "/f", "/t",
          "REG_SZ"},
         1,
         "",
         addHint},
        {"data given twice",
         {"add", "HKCU\\Software\\S", "/v", "a", "/d", "1", "/d", "2"},
         1,
         "",
         addHint},
        {"/f given twice", {"add", "HKCU\\Software\\S", "/f", "/f"}, 1, "", addHint},
        {"/va given twice",
         {"delete", "HKCU\\Software\\S", "/va", "/va", "/f"},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG DELETE /?\" for usage.\n"},
        {"/s given twice",
         {"query", "HKCU\\Software\\S", "/s", "/s"},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.\n"},
        {"both registry views",
         {"delete", "HKCU\\Software\\S", "/f", "/reg:32", "/reg:64"},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG DELETE /?\" for usage.\n"},
        {"a switch of another operation",
         {"query", "HKCU\\Software\\S", "/f"},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.\n"},
        {"export /y before the key",
         {"export", "/y", "HKCU\\Software\\S", file},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG EXPORT /?\" for usage.\n"},
        {"export /y before the file",
         {"export", "HKCU\\Software\\S", "/y", file},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG EXPORT /?\" for usage.\n"},
        {"trailing double backslash", {"add", "HKCU\\Software\\Test\\\\"}, 1, "", badAddKey},
        {"bare root with a backslash",
         {"add", "HKEY_CURRENT_USER\\", "/v", "x", "/d", "1", "/f"},
         1,
         "",
         badAddKey},
        {"no arguments", {}, 1, "", "ERROR: Invalid syntax.\nType \"REG /?\" for usage.\n"},
        {"unknown operation /?",
         {"frob", "/?"},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG /?\" for usage.\n"},
        {"query without key",
         {"query"},
         1,
         "",
         "ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.\n"},
        {"bad root",
         {"add", "HKXX\\A"},
         1,
         "",
         "ERROR: Invalid key name.\nType \"REG ADD /?\" for usage.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = reg(c.args);
        EXPECT_EQ(r.code, c.code);
        if (*c.out)
            EXPECT_TRUE(r.out.startsWith(QLatin1String(c.out))) << r.out.toStdString();
        else
            EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, QLatin1String(c.err));
    }
    EXPECT_EQ(valuesOf("HKCU\\Software\\S").size(), 1u) << "a refused command changes nothing";
    EXPECT_TRUE(valuesOf("HKCU").empty());
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(RegTool, AStoreOthersCouldReadIsMadePrivateWithOneNote) {
    put("HKCU\\Software\\Secret", "Token", REG_SZ, std::string("s3cr3t\0", 7));
    tav::winreg::resetStoreForTests();
    const QString store = tav::winreg::storeFilePath();
    QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                     QFile::ReadOther);

    const Result first = reg({"query", "HKCU\\Software\\Secret", "/v", "Token"});
    EXPECT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QLatin1String("s3cr3t")));
    EXPECT_EQ(first.err.count(QLatin1String("NOTE:")), 1) << first.err.toStdString();
    EXPECT_TRUE(first.err.contains(store)) << first.err.toStdString();
    EXPECT_EQ(QFile::permissions(store) & 0x0077, 0) << "group and others keep no access";
    const Result second = reg({"query", "HKCU\\Software\\Secret", "/v", "Token"});
    EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
}

TEST_F(RegTool, AddStoresEachTypeAsThePlatformDoes) {
    // Every type once, and each number type at its largest and smallest value.
    const struct {
        const char* type;
        const char* data;
        DWORD stored;
        std::string bytes;
        const char* separator = nullptr;
    } cases[] = {
        {"REG_SZ", "C:\\Data", REG_SZ, std::string("C:\\Data\0", 8)},
        {"REG_EXPAND_SZ", "%TEMP%\\x", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)},
        {"REG_NONE", "Test", REG_NONE, std::string("Test\0", 5)},
        {"REG_NONE", "", REG_NONE, std::string("\0", 1)},
        {"REG_DWORD", "42", REG_DWORD, std::string("\x2a\0\0\0", 4)},
        {"REG_DWORD", "0123", REG_DWORD, std::string("\x7b\0\0\0", 4)},
        {"REG_DWORD", "0", REG_DWORD, std::string("\0\0\0\0", 4)},
        {"REG_DWORD", "0xFFFFFFFF", REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
        {"REG_DWORD", "4294967295", REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
        {"REG_DWORD", "-1", REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
        {"REG_DWORD", "-2147483648", REG_DWORD, std::string("\0\0\0\x80", 4)},
        {"reg_dword_little_endian", "0x10", REG_DWORD, std::string("\x10\0\0\0", 4)},
        {"REG_DWORD_BIG_ENDIAN", "0x12345678", REG_DWORD_BIG_ENDIAN,
         std::string("\x12\x34\x56\x78", 4)},
        {"REG_DWORD_BIG_ENDIAN", "4294967295", REG_DWORD_BIG_ENDIAN,
         std::string("\xff\xff\xff\xff", 4)},
        {"REG_DWORD_BIG_ENDIAN", "0", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\0", 4)},
        {"REG_QWORD", "0x100000002", REG_QWORD, std::string("\2\0\0\0\1\0\0\0", 8)},
        {"REG_QWORD", "18446744073709551615", REG_QWORD, std::string(8, '\xff')},
        {"REG_QWORD", "-1", REG_QWORD, std::string(8, '\xff')},
        {"REG_QWORD", "-9223372036854775808", REG_QWORD, std::string("\0\0\0\0\0\0\0\x80", 8)},
        {"REG_QWORD", "0", REG_QWORD, std::string(8, '\0')},
        {"REG_BINARY", "00ff10", REG_BINARY, std::string("\0\xff\x10", 3)},
        {"REG_BINARY", "DeAdBeEf0DD", REG_BINARY, std::string("\x0d\xea\xdb\xee\xf0\xdd", 6)},
        {"REG_MULTI_SZ", "one\\0two", REG_MULTI_SZ, std::string("one\0two\0\0", 9)},
        {"REG_MULTI_SZ", "a#", REG_MULTI_SZ, std::string("a\0\0", 3), "#"},
        {"REG_MULTI_SZ", "#", REG_MULTI_SZ, std::string("\0", 1), "#"},
    };
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.data);
        const QString name = QStringLiteral("v%1").arg(i++);
        QStringList args = {"add", "HKLM\\Software\\Add", "/v", name, "/t", c.type, "/d", c.data,
                            "/f"};
        if (c.separator)
            args << "/s" << c.separator;
        const Result r = reg(args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, "The operation completed successfully.\n");
        const auto values = valuesOf("HKLM\\Software\\Add");
        ASSERT_EQ(values.size(), size_t(i));
        EXPECT_EQ(values.back().type, c.stored);
        EXPECT_EQ(values.back().data, c.bytes);
    }
    // /t and /d without /v or /ve set the unnamed value.
    ASSERT_EQ(reg({"add", "HKCU\\Software\\Add", "/t", "REG_DWORD", "/d", "5"}).code, 0);
    EXPECT_EQ(valuesOf("HKCU\\Software\\Add"),
              (std::vector<RegValue>{{"", REG_DWORD, std::string("\5\0\0\0", 4)}}));
    // Without /f an existing value is only replaced when the tester answers yes.
    EXPECT_EQ(reg({"add", "HKLM\\Software\\Add", "/v", "v0", "/d", "other"}, "No\n").code, 0);
    EXPECT_EQ(valuesOf("HKLM\\Software\\Add").front().data, std::string("C:\\Data\0", 8));
    EXPECT_EQ(reg({"add", "HKLM\\Software\\Add", "/v", "v0", "/d", "other"}, "yes\n").code, 0);
    EXPECT_EQ(valuesOf("HKLM\\Software\\Add").front().data, std::string("other\0", 6));
}

TEST_F(RegTool, DeleteValuesAndWholeTrees) {
    put("HKCU\\Software\\D", "a", REG_SZ, std::string("1\0", 2));
    put("HKCU\\Software\\D", "b", REG_SZ, std::string("2\0", 2));
    put("HKCU\\Software\\D", "", REG_SZ, std::string("0\0", 2));
    put("HKCU\\Software\\D\\X\\Y", "deep", REG_SZ, std::string("3\0", 2));

    EXPECT_EQ(reg({"delete", "HKCU\\Software\\D", "/v", "A", "/f"}).code, 0);
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\D", "/ve", "/f"}).code, 0);
    EXPECT_EQ(valuesOf("HKCU\\Software\\D"),
              (std::vector<RegValue>{{"b", REG_SZ, std::string("2\0", 2)}}));
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\D\\X\\Y", "/va", "/f"}).code, 0);
    EXPECT_TRUE(valuesOf("HKCU\\Software\\D\\X\\Y").empty());
    EXPECT_TRUE(exists("HKCU\\Software\\D\\X\\Y"));

    EXPECT_EQ(reg({"delete", "HKCU\\Software\\D"}, "n\n").code, 0); // declined: nothing removed
    EXPECT_TRUE(exists("HKCU\\Software\\D\\X"));
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\D", "/f"}).code, 0);
    EXPECT_FALSE(exists("HKCU\\Software\\D"));
    EXPECT_TRUE(exists("HKCU\\Software"));
}

TEST_F(RegTool, ExportThenImportRestoresEveryByte) {
    const std::vector<RegValue> original = {
        {"", REG_SZ, std::string("default\0", 8)},
        {"quote\"and\\slash", REG_SZ, std::string("C:\\Program Files\\\"x\"\0", 22)},
        {"unterminated", REG_SZ, "abc"},
        {"two NULs", REG_SZ, std::string("ab\0\0", 4)},
        {"expand", REG_EXPAND_SZ, std::string("%HOME%\\x\0", 9)},
        {"multi", REG_MULTI_SZ, std::string("one\0tw\xc3\xb6\0\0", 10)},
        {"dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {"short dword", REG_DWORD, std::string("\x01\x02", 2)},
        {"big endian", REG_DWORD_BIG_ENDIAN, std::string("\0\0\1\0", 4)},
        {"qword", REG_QWORD, std::string("\1\2\3\4\5\6\7\x08", 8)},
        {"binary", REG_BINARY, std::string(200, '\xa5')},
        {"empty binary", REG_BINARY, std::string()},
        // A name so long that export breaks the line right after "hex:".
        {std::string(90, 'n'), REG_BINARY, std::string("\x01\x02", 2)},
        {"none", REG_NONE, std::string("\0", 1)},
        {"umlaut \xc3\xa4", REG_SZ, std::string("\xc3\xa4\0", 3)},
        // Names and data a .reg line could mistake for its own syntax.
        {"line\nbreak", REG_SZ, std::string("a\nb\0", 4)},
        {"cr\r\nlf\r", REG_SZ, std::string("a\r\nb\0", 5)},
        {"]bracket[", REG_SZ, std::string("[x]\0", 4)},
        {"trailing backslash\\", REG_SZ, std::string("ends in \\\0", 10)},
        {"  blanks  ", REG_SZ, std::string("  both ends  \0", 14)},
        {"semi;colon #hash", REG_SZ, std::string("; not a comment\0", 16)},
        {"=\"@\"=", REG_SZ, std::string("\"=-\"\0", 5)},
        {"-", REG_SZ, std::string("-\0", 2)},
        {"name ends in a line break\n", REG_DWORD, std::string("\1\0\0\0", 4)},
    };
    for (const auto& v : original)
        put("HKCU\\Software\\Round\\Trip", v.name.c_str(), v.type, v.data);
    put("HKCU\\Software\\Round\\Trip\\Child", "c", REG_SZ, std::string("child\0", 6));
    put("HKCU\\Software\\Round\\Trip\\]Odd\" [key]", "k", REG_SZ, std::string("k\0", 2));

    const QString file = m_dir.file("out.reg");
    ASSERT_EQ(reg({"export", "HKCU\\Software\\Round", file}).code, 0);
    const QByteArray bytes = tav::test::readFile(file);
    ASSERT_FALSE(bytes.isEmpty()) << "cannot read " << file.toStdString();
    const QByteArray header =
        QByteArray("\xff\xfe", 2) +
        QByteArray("W\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0 \0E\0d\0i\0t\0o\0r\0 \0"
                   "V\0e\0r\0s\0i\0o\0n\0 \x00"
                   "5\0.\0\x30\0\x30\0\r\0\n\0\r\0\n\0",
                   2 * 40);
    EXPECT_TRUE(bytes.startsWith(header));

    ASSERT_EQ(reg({"delete", "HKCU\\Software\\Round", "/f"}).code, 0);
    ASSERT_FALSE(exists("HKCU\\Software\\Round"));
    const Result r = reg({"import", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(valuesOf("HKCU\\Software\\Round\\Trip"), original);
    EXPECT_EQ(valuesOf("HKCU\\Software\\Round\\Trip\\Child").size(), 1u);
    EXPECT_EQ(valuesOf("HKCU\\Software\\Round\\Trip\\]Odd\" [key]").size(), 1u);
    EXPECT_TRUE(valuesOf("HKCU\\Software\\Round").empty());
}

TEST_F(RegTool, ImportsRegedit4WithContinuationsAndDeletions) {
    put("HKCU\\Software\\Old\\Gone\\Deeper", "x", REG_SZ, std::string("1\0", 2));
    put("HKCU\\Software\\Old", "drop", REG_SZ, std::string("1\0", 2));
    put("HKCU\\Software\\Old", "keep", REG_SZ, std::string("1\0", 2));
    const QString file = writeFile("four.reg", "REGEDIT4\n"
                                               "\n"
                                               "; a comment\n"
                                               "# a comment too\n"
                                               "[-HKEY_CURRENT_USER\\Software\\Old\\Gone]\n"
                                               "[HKEY_CURRENT_USER\\Software\\Old]\n"
                                               "\"drop\"=- ;comment\n"
                                               "\"bin\"=hex:01,02,\\;note\n"
                                               "; between continued lines\n"
                                               "  03,04,\n"
                                               "\"exp\"=hex(2):25,41,25,00\n"
                                               "\"multi\"=hex(7):4c,69,6e,65\n"
                                               "@=\"unnamed\"\n"
                                               "\"n\"=dword:000000ff\n"
                                               "[HKCR\\.tav]\n"
                                               "@=\"Tav.Doc\"\n"
                                               "\"last\"=hex:05,\\");
    const Result r = reg({"import", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(exists("HKCU\\Software\\Old\\Gone"));
    EXPECT_EQ(valuesOf("HKCU\\Software\\Old"),
              (std::vector<RegValue>{{"keep", REG_SZ, std::string("1\0", 2)},
                                     {"bin", REG_BINARY, std::string("\1\2\3\4", 4)},
                                     {"exp", REG_EXPAND_SZ, std::string("%A%\0", 4)},
                                     {"multi", REG_MULTI_SZ, std::string("Line\0", 5)},
                                     {"", REG_SZ, std::string("unnamed\0", 8)},
                                     {"n", REG_DWORD, std::string("\xff\0\0\0", 4)}}));
    EXPECT_EQ(valuesOf("HKLM\\Software\\Classes\\.tav"),
              (std::vector<RegValue>{{"", REG_SZ, std::string("Tav.Doc\0", 8)},
                                     {"last", REG_BINARY, std::string("\5", 1)}}));
}

TEST_F(RegTool, MalformedImportNamesItsLineAndChangesNothing) {
    const struct {
        const char* name;
        QByteArray text;
        int line;
    } cases[] = {
        {"no header", "[HKEY_CURRENT_USER\\Software\\M]\n", 1},
        {"bad dword", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\M]\n\"a\"=dword:xyz\n", 3},
        {"bad hex in continuation",
         "Windows Registry Editor Version "
         "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\M]\r\n\"ok\"=\"1\"\r\n"
         "\"b\"=hex:01,\\\r\n  zz\r\n",
         5},
        {"unknown root", "REGEDIT4\n\n[HKEY_NOWHERE\\X]\n", 3},
        {"value before key", "REGEDIT4\n\"a\"=\"b\"\n", 2},
        {"unterminated key", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\M\n", 2},
        {"unterminated string", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\M]\n\"a\"=\"b\n", 3},
        {"odd UTF-16 bytes",
         "Windows Registry Editor Version 5.00\n[HKCU\\Software\\M]\n\"a\"=hex(2):41\n", 3},
        // Tokens that still read as hexadecimal numbers but are not the digits a .reg file holds.
        {"hex byte of three digits", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=hex:001,02\n", 3},
        {"hex byte with a sign", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=hex:01,+f\n", 3},
        {"dword of nine digits", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=dword:000000001\n", 3},
        {"dword with a 0x prefix", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=dword:0x1234\n", 3},
        {"hex type not closed", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=hex(21:41,00\n", 3},
        {"hex type with a sign", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=hex(+2):41,00\n", 3},
        // A backslash continues only hex data after a comma; elsewhere it is text.
        {"continued dword", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=dword:1234\\\n5678\n", 3},
        {"continued string", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=\"Test \\\nValue\"\n", 3},
        {"hex continued without a comma", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=hex:01,02\\\n,03\n",
         3},
        {"escape other than \\\\ and \\\"", "REGEDIT4\n[HKCU\\Software\\M]\n\"a\"=\"a\\tb\\0c\"\n",
         3},
        {"blank line before the header", "\nREGEDIT4\n[HKCU\\Software\\M]\n\"a\"=\"1\"\n", 1},
        {"second byte-order mark",
         "\xef\xbb\xbf\xef\xbb\xbfREGEDIT4\n[HKCU\\Software\\M]\n\"a\"=\"1\"\n", 1},
    };
    for (const auto& c : cases) {
        const QString file = writeFile("bad.reg", c.text);
        const Result r = reg({"import", file});
        EXPECT_EQ(r.code, 1) << c.name;
        EXPECT_TRUE(r.err.contains(QStringLiteral("line %1:").arg(c.line)))
            << c.name << ": " << r.err.toStdString();
        EXPECT_FALSE(exists("HKCU\\Software\\M")) << c.name;
    }

    // UTF-16 files are read too, and a failure late in a valid file undoes the earlier keys.
    QString text = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\M]\r\n"
        "\"a\"=\"1\"\r\n[-HKEY_CURRENT_USER]\r\n");
    QByteArray utf16("\xff\xfe", 2);
    for (QChar ch : text)
        utf16.append(char(ch.unicode() & 0xff)).append(char(ch.unicode() >> 8));
    const Result r = reg({"import", writeFile("root.reg", utf16)});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(exists("HKCU\\Software\\M"));
}

TEST_F(RegTool, NulInAKeyOrValueNameIsRefusedAndTouchesNoOtherKey) {
    // The registry functions take names as C strings: a NUL would cut the name short and
    // reach another key. Found by fuzzing: the last deletion walked HKCU itself, key by
    // key without end.
    using namespace std::string_view_literals;
    const struct {
        const char* name;
        std::string_view text;
        int line;
    } cases[] = {
        {"deleted key, NUL inside the path",
         "REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Keep\0x]\n"sv, 2},
        {"created key, NUL inside the path", "REGEDIT4\n[HKCU\\Software\\M\0x]\n\"a\"=\"1\"\n"sv,
         2},
        {"value name with a NUL", "REGEDIT4\n[HKCU\\Software\\M]\n\"\0a\"=\"1\"\n"sv, 3},
        {"deleted key, NUL right after the root", "REGEDIT4\n\n[-HKCU\\\0\0\0Software]\n"sv, 3},
    };
    put("HKCU\\Software\\Keep", "v", REG_SZ, std::string("1\0", 2));
    for (const auto& c : cases) {
        const Result r = reg(
            {"import", writeFile("nul.reg", QByteArray(c.text.data(), qsizetype(c.text.size())))});
        EXPECT_EQ(r.code, 1) << c.name;
        EXPECT_TRUE(r.err.contains(QStringLiteral("line %1:").arg(c.line)))
            << c.name << ": " << r.err.toStdString();
        EXPECT_FALSE(exists("HKCU\\Software\\M")) << c.name;
        EXPECT_EQ(valuesOf("HKCU\\Software\\Keep").size(), 1u) << c.name;
    }
    EXPECT_FALSE(
        KeyName::parse(QStringLiteral("HKCU\\Software\\Keep") + QChar(0) + QStringLiteral("x")));
}

TEST_F(RegTool, ImportAndExportTouchOnlyRegularFiles) {
    // FIFOs, folders and links inside the test's own folder stand for devices: an export
    // replaces only a regular file (through a link, the file it names), an import reads
    // only a regular file of bounded size, and neither waits on a FIFO.
    put("HKCU\\Software\\T", "v", REG_SZ, std::string("1\0", 2));
    const QString fifo = m_dir.file("fifo"), folder = m_dir.file("folder");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString regular = writeFile("regular.reg", "old");
    ASSERT_TRUE(QFile::link(fifo, m_dir.file("to-fifo")));
    ASSERT_TRUE(QFile::link(m_dir.file("to-fifo"), m_dir.file("to-link-to-fifo")));
    ASSERT_TRUE(QFile::link(folder, m_dir.file("to-folder")));
    ASSERT_TRUE(QFile::link(regular, m_dir.file("to-regular")));
    ASSERT_TRUE(QFile::link(m_dir.file("absent.reg"), m_dir.file("to-absent")));
    const QString huge = writeFile("huge.reg", "REGEDIT4\n");
    ASSERT_TRUE(QFile::resize(huge, kMaxRegFileBytes + 1)); // sparse: no disk space taken
    const struct {
        const char* name;
        QStringList args;
        int code;
        const char* err;
    } cases[] = {
        {"export onto a FIFO",
         {"export", "HKCU\\Software\\T", fifo, "/y"},
         1,
         "not a regular file"},
        {"export onto a link to a FIFO",
         {"export", "HKCU\\Software\\T", m_dir.file("to-fifo"), "/y"},
         1,
         "not a regular file"},
        {"export onto a chain of links to a FIFO",
         {"export", "HKCU\\Software\\T", m_dir.file("to-link-to-fifo"), "/y"},
         1,
         "not a regular file"},
        {"export onto a link to a folder",
         {"export", "HKCU\\Software\\T", m_dir.file("to-folder"), "/y"},
         1,
         "not a regular file"},
        {"export through a link to a file",
         {"export", "HKCU\\Software\\T", m_dir.file("to-regular"), "/y"},
         0,
         ""},
        {"export through a dangling link",
         {"export", "HKCU\\Software\\T", m_dir.file("to-absent"), "/y"},
         0,
         ""},
        {"import a FIFO", {"import", fifo}, 1, "not a regular file"},
        {"import a link to a FIFO", {"import", m_dir.file("to-fifo")}, 1, "not a regular file"},
        {"import a folder", {"import", folder}, 1, "not a regular file"},
        {"import a file past the size limit", {"import", huge}, 1, "larger than 512 MB"},
    };
    for (const auto& c : cases) {
        const Result r = reg(c.args);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.err))) << c.name << ": " << r.err.toStdString();
    }
    const QFileInfo fifoInfo(fifo), linkInfo(m_dir.file("to-fifo"));
    EXPECT_FALSE(fifoInfo.isFile()) << "the FIFO is left as it was";
    EXPECT_TRUE(linkInfo.isSymLink());
    EXPECT_TRUE(QFileInfo(m_dir.file("to-regular")).isSymLink()) << "the link stays a link";
    EXPECT_TRUE(tav::test::readFile(regular).startsWith("\xff\xfe"));
    EXPECT_TRUE(QFileInfo(m_dir.file("to-absent")).isSymLink());
    EXPECT_TRUE(QFileInfo(m_dir.file("absent.reg")).isFile());
}

TEST_F(RegTool, ExportOntoAFullDiskKeepsTheOldFile) {
    // A big value and a file-size limit of 64 KiB for the tool: the write fails part way.
    put("HKCU\\Software\\Big", "v", REG_BINARY, std::string(256 * 1024, '\x5a'));
    const QString target = writeFile("full.reg", "old");
    tav::test::ChildOptions options;
    options.fileSizeLimit = 64 * 1024;
    tav::test::ChildProcess child(
        {TAV_REG_EXE, "export", "HKCU\\Software\\Big", target.toStdString(), "/y"}, options);
    ASSERT_TRUE(child.started());
    const int status = child.wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << child.errorOutput();
    EXPECT_EQ(tav::test::readFile(target), QByteArray("old"));
    EXPECT_EQ(QDir(m_dir.path()).entryList({"full.reg*"}, QDir::Files | QDir::Hidden),
              QStringList{"full.reg"})
        << "no half file is left beside it";
}

TEST_F(RegTool, AQuestionNeverWaitsOnAnInputThatIsNotATerminal) {
    // The tool itself, its standard input a pipe: held open with nothing in it, closed, or
    // holding an answer already. Only the answer there counts; nothing means no.
    const struct {
        const char* name;
        const char* written; // nullptr: nothing, the pipe stays open
        bool close;
        const char* stored;
    } cases[] = {
        {"open and empty", nullptr, false, "old"},
        {"closed", nullptr, true, "old"},
        {"an answer waiting", "yes\n", false, "new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        put("HKCU\\Software\\Ask", "v", REG_SZ, std::string("old\0", 4));
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        if (c.written) {
            ASSERT_EQ(::write(fds[1], c.written, strlen(c.written)), ssize_t(strlen(c.written)));
        }
        if (c.close)
            ::close(fds[1]);
        tav::test::ChildOptions options;
        options.input = fds[0];
        tav::test::ChildProcess child(
            {TAV_REG_EXE, "add", "HKCU\\Software\\Ask", "/v", "v", "/d", "new"}, options);
        ::close(fds[0]);
        ASSERT_TRUE(child.started());
        const auto line = child.readLine(10000); // the question, then the outcome
        ASSERT_TRUE(line.has_value()) << "the tool waits on its input";
        EXPECT_EQ(child.wait(), 0);
        if (!c.close)
            ::close(fds[1]);
        tav::winreg::resetStoreForTests();
        EXPECT_EQ(valuesOf("HKCU\\Software\\Ask").front().data, std::string(c.stored) + '\0');
    }
}

TEST_F(RegTool, CopyTakesValuesAndWithSubkeysTheWholeTree) {
    put("HKCU\\Software\\From", "a", REG_SZ, std::string("1\0", 2));
    put("HKCU\\Software\\From", "", REG_DWORD, std::string("\7\0\0\0", 4));
    put("HKCU\\Software\\From\\Sub\\Deep", "d", REG_BINARY, std::string("\1\2", 2));
    put("HKCU\\Software\\To", "a", REG_SZ, std::string("old\0", 4));

    const struct {
        const char* name;
        QStringList args;
        QString answers;
        int code;
    } refused[] = {
        {"into itself", {"copy", "HKCU\\Software\\From", "hkcu\\software\\from", "/f"}, "", 1},
        {"into its own subkey",
         {"copy", "HKCU\\Software\\From", "HKCU\\Software\\From\\Sub\\X", "/s", "/f"},
         "",
         1},
        {"a missing source", {"copy", "HKCU\\Software\\Nope", "HKCU\\Software\\To", "/f"}, "", 1},
        {"an overwrite without an answer",
         {"copy", "HKCU\\Software\\From", "HKCU\\Software\\To", "/s"},
         "",
         1},
        {"an overwrite answered no",
         {"copy", "HKCU\\Software\\From", "HKCU\\Software\\To", "/s"},
         "no\n",
         1},
    };
    for (const auto& c : refused) {
        const Result r = reg(c.args, c.answers);
        EXPECT_EQ(r.code, c.code) << c.name;
        EXPECT_FALSE(exists("HKCU\\Software\\From\\Sub\\X")) << c.name;
        EXPECT_EQ(valuesOf("HKCU\\Software\\To"),
                  (std::vector<RegValue>{{"a", REG_SZ, std::string("old\0", 4)}}))
            << c.name << ": a refused copy changes nothing";
        EXPECT_FALSE(exists("HKCU\\Software\\To\\Sub")) << c.name;
    }

    ASSERT_EQ(reg({"copy", "HKCU\\Software\\From", "HKCU\\Software\\Flat"}).code, 0);
    EXPECT_EQ(valuesOf("HKCU\\Software\\Flat"), valuesOf("HKCU\\Software\\From"));
    EXPECT_FALSE(exists("HKCU\\Software\\Flat\\Sub")) << "without /s only values";

    const Result r = reg({"copy", "HKCU\\Software\\From", "HKCU\\Software\\To", "/s"}, "yes\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(valuesOf("HKCU\\Software\\To"), valuesOf("HKCU\\Software\\From"));
    EXPECT_EQ(valuesOf("HKCU\\Software\\To\\Sub\\Deep"),
              (std::vector<RegValue>{{"d", REG_BINARY, std::string("\1\2", 2)}}));
}

TEST_F(RegTool, CompareShowsDifferencesByMarkerAndExitsTwo) {
    put("HKCU\\Software\\A", "same", REG_SZ, std::string("s\0", 2));
    put("HKCU\\Software\\A", "changed", REG_DWORD, std::string("\1\0\0\0", 4));
    put("HKCU\\Software\\A", "onlyA", REG_SZ, std::string("a\0", 2));
    put("HKCU\\Software\\A\\Kid", "k", REG_SZ, std::string("1\0", 2));
    put("HKCU\\Software\\B", "Same", REG_SZ, std::string("s\0", 2));
    put("HKCU\\Software\\B", "changed", REG_DWORD, std::string("\2\0\0\0", 4));
    put("HKCU\\Software\\B\\Kid", "k", REG_SZ, std::string("2\0", 2));
    put("HKCU\\Software\\B\\Other", "o", REG_SZ, std::string("o\0", 2));
    put("HKCU\\Software\\C\\Kid", "k", REG_SZ, std::string("1\0", 2));

    const QString a = "HKEY_CURRENT_USER\\Software\\A", b = "HKEY_CURRENT_USER\\Software\\B";
    const QString differ = "< " + a + "    changed    REG_DWORD    0x1\n> " + b +
                           "    changed    REG_DWORD    0x2\n< " + a + "    onlyA    REG_SZ    a\n";
    const QString same = "= " + a + "    same    REG_SZ    s\n";
    const QString ok = "The operation completed successfully.\n";
    const struct {
        const char* name;
        QStringList args;
        int code;
        QString out;
    } cases[] = {
        {"differences by default",
         {"compare", a, b},
         2,
         differ + "\nResult Compared: Different\n" + ok},
        {"all", {"compare", a, b, "/oa"}, 2, same + differ + "\nResult Compared: Different\n" + ok},
        {"only matches", {"compare", a, b, "/os"}, 2, same + "\nResult Compared: Different\n" + ok},
        {"nothing", {"compare", a, b, "/on"}, 2, "\nResult Compared: Different\n" + ok},
        {"one value alike",
         {"compare", a, b, "/v", "SAME"},
         0,
         "\nResult Compared: Identical\n" + ok},
        {"subkeys",
         {"compare", a, b, "/s", "/v", "k"},
         2,
         "< " + a + "\\Kid    k    REG_SZ    1\n> " + b + "\\Kid    k    REG_SZ    2\n> " + b +
             "\\Other\n\nResult Compared: Different\n" + ok},
        {"identical trees",
         {"compare", "HKCU\\Software\\C", "HKCU\\Software\\C", "/s"},
         0,
         "\nResult Compared: Identical\n" + ok},
        {"a missing key", {"compare", a, "HKCU\\Software\\Nope"}, 1, ""},
        {"a value on neither side", {"compare", a, b, "/v", "nope"}, 1, ""},
        {"/oa with /od", {"compare", a, b, "/oa", "/od"}, 1, ""},
    };
    for (const auto& c : cases) {
        const Result r = reg(c.args);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, c.out) << c.name;
    }
}

TEST(RegUsage, TextsAreThoseOfTheUsageFilesTheManualPageShows) {
    // The texts are compiled in from tools/reg/usage/: every quote, backslash and line break
    // must arrive as written there, or `reg /?` and `man reg` say different things.
    const QString dir = QStringLiteral(TAV_REG_USAGE_DIR "/");
    const QString keyName = QString::fromLatin1(tav::test::readFile(dir + "keyname.txt"));
    ASSERT_FALSE(keyName.isEmpty());
    for (const char* name :
         {"reg", "query", "add", "delete", "export", "import", "copy", "compare"}) {
        SCOPED_TRACE(name);
        QString text = QString::fromLatin1(tav::test::readFile(dir + name + ".txt"));
        ASSERT_FALSE(text.isEmpty());
        EXPECT_EQ(usageText(QString::fromLatin1(name)),
                  text.replace(QStringLiteral("%KEYNAME%\n"), keyName));
    }
}
