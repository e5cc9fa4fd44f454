// The registry functions call by call: statuses, size rules, names, order, handles, access.
#include "registrystore.h"
#include "registrytest.h"

#include <functional>

using tav::test::RegistryTest;

namespace {

struct StatusCase {
    const char* name;
    LONG expected;
    std::function<LONG(HKEY work)>
        call; // `work` is HKCU\Software\Work, holding value "v" and subkey "Sub"
};

} // namespace

TEST_F(RegistryTest, EachCallAnswersThePlatformsStatus) {
    HKEY work = create(HKEY_CURRENT_USER, "Software\\Work");
    ASSERT_EQ(setText(work, "v", "x"), ERROR_SUCCESS);
    create(work, "Sub");
    const std::string longName(256, 'k');
    const std::string maxName(255, 'k');
    const std::string longValueName(16384, 'v');
    // Software\Work\Sub lies 3 levels below its root: 509 more reach the deepest a key
    // may lie.
    std::string deepest = "Sub";
    for (int i = 0; i < 509; ++i)
        deepest += "\\d";
    const std::string tooDeep = deepest + "\\d";
    const HKEY bogus = reinterpret_cast<HKEY>(uintptr_t(0x7777));
    HKEY out = nullptr;
    DWORD size = 4;
    BYTE buf[4];
    char name[16];

    const std::vector<StatusCase> cases = {
        {"open with null root", ERROR_INVALID_HANDLE,
         [&](HKEY) { return RegOpenKeyExA(nullptr, "Software", 0, KEY_READ, &out); }},
        {"open with unknown handle", ERROR_INVALID_HANDLE,
         [&](HKEY) { return RegOpenKeyExA(bogus, "x", 0, KEY_READ, &out); }},
        {"open missing key", ERROR_FILE_NOT_FOUND,
         [&](HKEY w) { return RegOpenKeyExA(w, "Nope", 0, KEY_READ, &out); }},
        {"open with null result", ERROR_INVALID_PARAMETER,
         [&](HKEY w) { return RegOpenKeyExA(w, "Sub", 0, KEY_READ, nullptr); }},
        {"open leading backslash", ERROR_BAD_PATHNAME,
         [&](HKEY) { return RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &out); }},
        {"open empty name inside the path", ERROR_BAD_PATHNAME,
         [&](HKEY w) { return RegOpenKeyExA(w, "Sub\\\\Sub", 0, KEY_READ, &out); }},
        {"create leading backslash", ERROR_BAD_PATHNAME,
         [&](HKEY w) {
             return RegCreateKeyExA(w, "\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out,
                                    nullptr);
         }},
        {"create name of 256 characters", ERROR_INVALID_PARAMETER,
         [&](HKEY w) {
             return RegCreateKeyExA(w, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &out, nullptr);
         }},
        {"create name of 255 characters", ERROR_SUCCESS,
         [&](HKEY w) {
             return RegCreateKeyExA(w, maxName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &out, nullptr);
         }},
        {"create 512 levels below the root", ERROR_SUCCESS,
         [&](HKEY w) {
             return RegCreateKeyExA(w, deepest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &out, nullptr);
         }},
        {"create 513 levels below the root", ERROR_FILENAME_EXCED_RANGE,
         [&](HKEY w) {
             return RegCreateKeyExA(w, tooDeep.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &out, nullptr);
         }},
        {"open trailing backslashes", ERROR_SUCCESS,
         [&](HKEY w) { return RegOpenKeyExA(w, "Sub\\\\", 0, KEY_READ, &out); }},
        {"query missing value", ERROR_FILE_NOT_FOUND,
         [&](HKEY w) { return RegQueryValueExA(w, "nope", nullptr, nullptr, nullptr, &size); }},
        {"query with reserved pointer", ERROR_INVALID_PARAMETER,
         [&](HKEY w) { return RegQueryValueExA(w, "v", &size, nullptr, nullptr, &size); }},
        {"query data without size", ERROR_INVALID_PARAMETER,
         [&](HKEY w) { return RegQueryValueExA(w, "v", nullptr, nullptr, buf, nullptr); }},
        {"query into too small buffer", ERROR_MORE_DATA,
         [&](HKEY w) {
             size = 1;
             return RegQueryValueExA(w, "v", nullptr, nullptr, buf, &size);
         }},
        {"query on unknown handle", ERROR_INVALID_HANDLE,
         [&](HKEY) { return RegQueryValueExA(bogus, "v", nullptr, nullptr, nullptr, &size); }},
        {"set value name of 16384 characters", ERROR_INVALID_PARAMETER,
         [&](HKEY w) { return setText(w, longValueName.c_str(), "x"); }},
        {"set value name of 16383 characters", ERROR_SUCCESS,
         [&](HKEY w) { return setText(w, longValueName.c_str() + 1, "x"); }},
        {"set without data but with size", ERROR_NOACCESS,
         [&](HKEY w) { return RegSetValueExA(w, "n", 0, REG_BINARY, nullptr, 4); }},
        {"delete a predefined root", ERROR_ACCESS_DENIED,
         [&](HKEY) { return RegDeleteKeyA(HKEY_CURRENT_USER, ""); }},
        {"delete HKCR itself", ERROR_ACCESS_DENIED,
         [&](HKEY) { return RegDeleteKeyA(HKEY_CLASSES_ROOT, ""); }},
        {"delete key with subkeys", ERROR_ACCESS_DENIED,
         [&](HKEY) { return RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Work"); }},
        {"delete missing key", ERROR_FILE_NOT_FOUND,
         [&](HKEY w) { return RegDeleteKeyA(w, "Nope"); }},
        {"delete with null path", ERROR_INVALID_PARAMETER,
         [&](HKEY w) { return RegDeleteKeyA(w, nullptr); }},
        {"delete missing value", ERROR_FILE_NOT_FOUND,
         [&](HKEY w) { return RegDeleteValueA(w, "nope"); }},
        {"enumerate values past the end", ERROR_NO_MORE_ITEMS,
         [&](HKEY w) {
             DWORD n = sizeof name;
             return RegEnumValueA(w, 9, name, &n, nullptr, nullptr, nullptr, nullptr);
         }},
        {"enumerate keys past the end", ERROR_NO_MORE_ITEMS,
         [&](HKEY w) { return RegEnumKeyA(w, 9, name, sizeof name); }},
        {"enumerate key into too small buffer", ERROR_MORE_DATA,
         [&](HKEY w) { return RegEnumKeyA(w, 0, name, 3); }},
        {"enumerate value into too small name", ERROR_MORE_DATA,
         [&](HKEY w) {
             DWORD n = 1;
             return RegEnumValueA(w, 0, name, &n, nullptr, nullptr, nullptr, nullptr);
         }},
        {"info with reserved pointer", ERROR_INVALID_PARAMETER,
         [&](HKEY w) {
             return RegQueryInfoKeyA(w, nullptr, nullptr, &size, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr);
         }},
        {"close unknown handle", ERROR_INVALID_HANDLE, [&](HKEY) { return RegCloseKey(bogus); }},
        {"close null handle", ERROR_INVALID_HANDLE, [&](HKEY) { return RegCloseKey(nullptr); }},
        {"close predefined root", ERROR_SUCCESS,
         [&](HKEY) { return RegCloseKey(HKEY_LOCAL_MACHINE); }},
    };
    for (const auto& c : cases) {
        out = nullptr;
        EXPECT_EQ(c.call(work), c.expected) << c.name;
        if (out)
            RegCloseKey(out);
    }
}

TEST_F(RegistryTest, StringSizeRulesOnWriteAndRead) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Sizes");
    struct Case {
        const char* name;
        DWORD type;
        std::string buffer; // what the caller's memory holds
        DWORD given;        // the size passed
        std::string stored; // the bytes kept
    };
    const std::vector<Case> cases = {
        {"terminated text", REG_SZ, std::string("abc\0", 4), 4, std::string("abc\0", 4)},
        {"size stops before a NUL", REG_SZ, std::string("abc\0", 4), 3, std::string("abc\0", 4)},
        {"size stops before a letter", REG_SZ, "abcd", 3, "abc"},
        {"binary never gains a NUL", REG_BINARY, std::string("abc\0", 4), 3, "abc"},
        {"empty data", REG_SZ, std::string("\0", 1), 0, ""},
        {"two NULs kept", REG_SZ, std::string("ab\0\0", 4), 4, std::string("ab\0\0", 4)},
        {"multi string", REG_MULTI_SZ, std::string("a\0b\0\0", 5), 5, std::string("a\0b\0\0", 5)},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(RegSetValueExA(k, c.name, 0, c.type,
                                 reinterpret_cast<const BYTE*>(c.buffer.data()), c.given),
                  ERROR_SUCCESS)
            << c.name;
        DWORD type = 99;
        EXPECT_EQ(read(k, c.name, &type), c.stored) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }

    // On read a string without terminator gets one NUL when there is room, not counted.
    BYTE buf[8];
    std::memset(buf, 'x', sizeof buf);
    DWORD size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "size stops before a letter", nullptr, nullptr, buf, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buf[3], 0);
    EXPECT_EQ(buf[4], 'x');
    // ...but not when the buffer is exactly the size, and never a second NUL.
    std::memset(buf, 'x', sizeof buf);
    size = 3;
    ASSERT_EQ(RegQueryValueExA(k, "size stops before a letter", nullptr, nullptr, buf, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(buf[3], 'x');
    std::memset(buf, 'x', sizeof buf);
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "terminated text", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(buf[4], 'x');

    // The size query as the class makes it: a 4-byte buffer with size 0.
    size = 0;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(k, "terminated text", nullptr, &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, REG_SZ);
    size = 0;
    EXPECT_EQ(RegQueryValueExA(k, "empty data", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
}

TEST_F(RegistryTest, NamesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\MixedCase\\Inner");
    DWORD disposition = 0;
    create(HKEY_CURRENT_USER, "SOFTWARE\\mixedcase\\INNER", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    HKEY parent = nullptr;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "software\\MIXEDCASE", KEY_READ, &parent), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(parent), std::vector<std::string>{"Inner"});

    ASSERT_EQ(setText(k, "Path", "one"), ERROR_SUCCESS);
    ASSERT_EQ(setText(k, "PATH", "two"), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(k), std::vector<std::string>{"Path"});
    EXPECT_EQ(read(k, "path"), std::string("two\0", 4));

    // A value name may hold a backslash; a key name may not.
    ASSERT_EQ(setText(k, "a\\b", "slash"), ERROR_SUCCESS);
    EXPECT_EQ(read(k, "A\\B"), std::string("slash\0", 6));
    HKEY none = nullptr;
    EXPECT_EQ(open(k, "a", KEY_READ, &none), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, SubkeysSortedValuesInCreationOrder) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Order");
    for (const char* name : {"beta", "Alpha", "gamma", "Delta", "_x"})
        create(k, name);
    EXPECT_EQ(subkeys(k), (std::vector<std::string>{"Alpha", "beta", "Delta", "gamma", "_x"}));

    for (const char* name : {"z", "a", "M", ""})
        ASSERT_EQ(setText(k, name, "1"), ERROR_SUCCESS);
    ASSERT_EQ(setText(k, "A", "rewritten"), ERROR_SUCCESS); // keeps its place
    ASSERT_EQ(RegDeleteValueA(k, "M"), ERROR_SUCCESS);
    ASSERT_EQ(setText(k, "m", "again"), ERROR_SUCCESS); // a new value goes last
    EXPECT_EQ(valueNames(k), (std::vector<std::string>{"z", "a", "", "m"}));
}

TEST_F(RegistryTest, CreateMakesEveryLevelAndReportsDisposition) {
    DWORD disposition = 0;
    HKEY deep = create(HKEY_CURRENT_USER, "Software\\A\\B\\C", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(setText(deep, "v", "x"), ERROR_SUCCESS);
    create(HKEY_CURRENT_USER, "Software\\A\\B", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    // A create that fails half-way leaves no level behind.
    const std::string path = "Software\\Partial\\" + std::string(256, 'q');
    HKEY out = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &out, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Partial", KEY_READ, &out), ERROR_FILE_NOT_FOUND);

    // Keys with an existing key's values are left alone.
    HKEY again = create(HKEY_CURRENT_USER, "Software\\A\\B\\C");
    EXPECT_EQ(read(again, "v"), std::string("x\0", 2));
}

TEST_F(RegistryTest, DeletedKeyHandleNeverRebindsToANewKey) {
    HKEY first = create(HKEY_CURRENT_USER, "Software\\Gone");
    ASSERT_EQ(setText(first, "v", "old"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone"), ERROR_SUCCESS);

    DWORD size = 0;
    char name[16];
    HKEY out = nullptr;
    const auto expectDeleted = [&](const char* when) {
        EXPECT_EQ(RegQueryValueExA(first, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED)
            << when;
        EXPECT_EQ(setText(first, "v", "new"), ERROR_KEY_DELETED) << when;
        EXPECT_EQ(RegEnumKeyA(first, 0, name, sizeof name), ERROR_KEY_DELETED) << when;
        EXPECT_EQ(
            RegCreateKeyExA(first, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
            ERROR_KEY_DELETED)
            << when;
        EXPECT_EQ(RegOpenKeyExA(first, "Child", 0, KEY_READ, &out), ERROR_KEY_DELETED) << when;
        EXPECT_EQ(RegQueryInfoKeyA(first, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_KEY_DELETED)
            << when;
    };
    expectDeleted("after delete");
    HKEY second = create(HKEY_CURRENT_USER, "Software\\Gone");
    ASSERT_EQ(setText(second, "v", "fresh"), ERROR_SUCCESS);
    expectDeleted("after a new key of the same name");
    EXPECT_EQ(read(second, "v"), std::string("fresh\0", 6));
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
}

TEST_F(RegistryTest, HandleAccessRightsAreChecked) {
    create(HKEY_CURRENT_USER, "Software\\Rights\\Existing");
    HKEY q = nullptr;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Rights", KEY_QUERY_VALUE, &q), ERROR_SUCCESS);
    char name[32];
    HKEY out = nullptr;
    EXPECT_EQ(setText(q, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(q, "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumKeyA(q, 0, name, sizeof name), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(q, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
              ERROR_ACCESS_DENIED);
    // Opening an existing subkey through it needs no create right.
    EXPECT_EQ(RegCreateKeyExA(q, "Existing", 0, nullptr, 0, KEY_READ, nullptr, &out, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(out);

    HKEY w = nullptr;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Rights", KEY_SET_VALUE, &w), ERROR_SUCCESS);
    EXPECT_EQ(setText(w, "v", "x"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(w, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    DWORD len = sizeof name;
    EXPECT_EQ(RegEnumValueA(w, 0, name, &len, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumKeyA(w, 0, name, sizeof name), ERROR_ACCESS_DENIED);

    HKEY e = nullptr;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Rights", KEY_ENUMERATE_SUB_KEYS, &e),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys(e), std::vector<std::string>{"Existing"});
}

TEST_F(RegistryTest, ClassesRootMergesUserAndMachineClasses) {
    HKEY machine = create(HKEY_LOCAL_MACHINE, "Software\\Classes\\.both");
    ASSERT_EQ(setText(machine, "", "machine"), ERROR_SUCCESS);
    create(HKEY_LOCAL_MACHINE, "Software\\Classes\\.machineonly");
    HKEY user = create(HKEY_CURRENT_USER, "Software\\Classes\\.BOTH");
    ASSERT_EQ(setText(user, "", "user"), ERROR_SUCCESS);
    create(HKEY_CURRENT_USER, "Software\\Classes\\.useronly");

    // The user's key wins for values; subkeys are the union, sorted, user's spelling first.
    HKEY both = nullptr;
    ASSERT_EQ(open(HKEY_CLASSES_ROOT, ".both", KEY_ALL_ACCESS, &both), ERROR_SUCCESS);
    EXPECT_EQ(read(both, ""), std::string("user\0", 5));
    EXPECT_EQ(subkeys(HKEY_CLASSES_ROOT),
              (std::vector<std::string>{".BOTH", ".machineonly", ".useronly"}));

    // A write goes to the user's key where it exists, else to the machine's.
    ASSERT_EQ(setText(both, "w", "1"), ERROR_SUCCESS);
    EXPECT_TRUE(read(user, "w").has_value());
    EXPECT_FALSE(read(machine, "w").has_value());
    HKEY fresh = create(HKEY_CLASSES_ROOT, ".fresh\\shell\\open\\command");
    ASSERT_EQ(setText(fresh, "", "cmd"), ERROR_SUCCESS);
    HKEY check = nullptr;
    ASSERT_EQ(open(HKEY_LOCAL_MACHINE, "Software\\Classes\\.fresh\\shell\\open\\command", KEY_READ,
                   &check),
              ERROR_SUCCESS);
    EXPECT_EQ(read(check, ""), std::string("cmd\0", 4));
    HKEY underUser = create(HKEY_CLASSES_ROOT, ".useronly\\DefaultIcon");
    ASSERT_EQ(setText(underUser, "", "icon"), ERROR_SUCCESS);
    ASSERT_EQ(
        open(HKEY_CURRENT_USER, "Software\\Classes\\.useronly\\DefaultIcon", KEY_READ, &check),
        ERROR_SUCCESS);

    // Deleting through the merged view removes the key that holds the values.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, ".both"), ERROR_SUCCESS);
    HKEY after = nullptr;
    ASSERT_EQ(open(HKEY_CLASSES_ROOT, ".both", KEY_READ, &after), ERROR_SUCCESS);
    EXPECT_EQ(read(after, ""), std::string("machine\0", 8));
}

TEST_F(RegistryTest, InfoAndEnumerationReportPlatformSizes) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Info");
    create(k, "short");
    create(k, std::string(254, 's').c_str());
    ASSERT_EQ(setText(k, "name", "abc"), ERROR_SUCCESS);
    ASSERT_EQ(set(k, "longer_name", REG_BINARY, std::string(10, '\1')), ERROR_SUCCESS);
    DWORD subkeyCount = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0, classLen = 7;
    char cls[1] = {0};
    ASSERT_EQ(RegQueryInfoKeyA(k, cls, &classLen, nullptr, &subkeyCount, &maxSub, nullptr, &values,
                               &maxName, &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeyCount, 2u);
    EXPECT_EQ(maxSub, 254u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 11u); // characters, no terminator
    EXPECT_EQ(maxData, 10u);
    EXPECT_EQ(classLen, 0u);

    // Enumeration: the name length comes back without terminator, data sizes as a query's.
    char name[12];
    DWORD len = sizeof name, type = 0, dataSize = 0;
    ASSERT_EQ(RegEnumValueA(k, 1, name, &len, nullptr, &type, nullptr, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "longer_name");
    EXPECT_EQ(len, 11u);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(dataSize, 10u);
    BYTE small[4];
    len = sizeof name;
    dataSize = sizeof small;
    EXPECT_EQ(RegEnumValueA(k, 1, name, &len, nullptr, nullptr, small, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 10u);
    // A name that needs exactly the buffer with its terminator fits; one byte less does not.
    len = 12;
    EXPECT_EQ(RegEnumValueA(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    len = 11;
    EXPECT_EQ(RegEnumValueA(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    // RegEnumKeyA with the 255-byte buffer the class offers: 254 characters fit, 255 do not.
    char keyName[255];
    EXPECT_EQ(RegEnumKeyA(k, 1, keyName, sizeof keyName), ERROR_SUCCESS);
    EXPECT_EQ(std::strlen(keyName), 254u);
    create(k, std::string(255, 't').c_str());
    EXPECT_EQ(RegEnumKeyA(k, 2, keyName, sizeof keyName), ERROR_MORE_DATA);
}

TEST_F(RegistryTest, EnumerationSeesChangesMadeInBetween) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Live");
    ASSERT_EQ(setText(k, "a", "1"), ERROR_SUCCESS);
    EXPECT_EQ(valueNames(k), std::vector<std::string>{"a"});
    HKEY other = create(HKEY_CURRENT_USER, "Software\\Live");
    ASSERT_EQ(setText(other, "b", "2"), ERROR_SUCCESS);
    create(other, "Sub");
    EXPECT_EQ(valueNames(k), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(subkeys(k), std::vector<std::string>{"Sub"});
}

TEST_F(RegistryTest, FaultHookInjectsAStatusIntoOneFunction) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Hook");
    create(k, "Sub");
    tav::winreg::setFaultHook(
        [](const char* fn) { return std::string(fn) == "RegEnumKeyA" ? ERROR_OUTOFMEMORY : 0; });
    char name[16];
    EXPECT_EQ(RegEnumKeyA(k, 0, name, sizeof name), ERROR_OUTOFMEMORY);
    EXPECT_EQ(setText(k, "v", "x"), ERROR_SUCCESS);
    tav::winreg::setFaultHook(nullptr);
    EXPECT_EQ(RegEnumKeyA(k, 0, name, sizeof name), ERROR_SUCCESS);
}
