// The registry store opening a damaged file: the input becomes registry.db, then the
// registry functions read, walk and write it. Every call must answer a status (a damaged
// store answers ERROR_BADDB); none may crash, and what the functions hand back must fit
// the buffers they were given.
#include "fuzzsupport.h"
#include "registrystore.h"
#include "winreg.h"
#include "winreg_testseams.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool knownStatus(LONG s) {
    static const LONG known[] = {ERROR_SUCCESS,
                                 ERROR_FILE_NOT_FOUND,
                                 ERROR_ACCESS_DENIED,
                                 ERROR_INVALID_HANDLE,
                                 ERROR_NOT_ENOUGH_MEMORY,
                                 ERROR_OUTOFMEMORY,
                                 ERROR_WRITE_FAULT,
                                 ERROR_READ_FAULT,
                                 ERROR_HANDLE_DISK_FULL,
                                 ERROR_INVALID_PARAMETER,
                                 ERROR_BAD_PATHNAME,
                                 ERROR_FILENAME_EXCED_RANGE,
                                 ERROR_MORE_DATA,
                                 ERROR_NO_MORE_ITEMS,
                                 ERROR_KEY_DELETED,
                                 ERROR_BADDB,
                                 ERROR_BADKEY,
                                 ERROR_CANTOPEN,
                                 ERROR_CANTREAD,
                                 ERROR_CANTWRITE,
                                 ERROR_REGISTRY_CORRUPT,
                                 ERROR_REGISTRY_IO_FAILED,
                                 ERROR_KEY_HAS_CHILDREN,
                                 ERROR_DISK_FULL,
                                 ERROR_NOACCESS};
    return std::find(std::begin(known), std::end(known), s) != std::end(known);
}

LONG expect(LONG status, const char* call) {
    if (!knownStatus(status))
        tav::fuzz::fail("unknown status",
                        QStringLiteral("%1 answered %2").arg(QLatin1String(call)).arg(status));
    return status;
}

// Closes the key when it goes out of scope.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h)
            expect(RegCloseKey(h), "RegCloseKey");
    }
};

void readValues(HKEY key) {
    DWORD subkeys = 0, values = 0, maxName = 0, maxValue = 0;
    if (expect(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                &maxName, &maxValue, nullptr, nullptr),
               "RegQueryInfoKeyA") != ERROR_SUCCESS)
        return;
    std::vector<BYTE> data(std::min<DWORD>(maxValue, 1 << 20) + 1);
    for (DWORD i = 0; i < std::min<DWORD>(values, 64) + 1; ++i) {
        std::array<char, 300> name{};
        DWORD nameLen = DWORD(name.size());
        DWORD type = 0;
        DWORD dataLen = DWORD(data.size());
        const LONG s = expect(
            RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen),
            "RegEnumValueA");
        if (s == ERROR_NO_MORE_ITEMS)
            break;
        if (s != ERROR_SUCCESS)
            continue;
        if (nameLen >= name.size() || name[nameLen] != '\0')
            tav::fuzz::fail("RegEnumValueA: name length or terminator", QString::number(nameLen));
        if (dataLen > data.size())
            tav::fuzz::fail("RegEnumValueA: data size beyond the buffer", QString::number(dataLen));
        // A damaged store may hold names whose folded form no longer matches; the query
        // only has to answer a status.
        DWORD queried = 0;
        expect(RegQueryValueExA(key, name.data(), nullptr, nullptr, nullptr, &queried),
               "RegQueryValueExA");
    }
}

void walk(HKEY key, int depth, int& budget) {
    readValues(key);
    if (depth == 0)
        return;
    for (DWORD i = 0; budget > 0; ++i, --budget) {
        std::array<char, 300> name{};
        const LONG s = expect(RegEnumKeyA(key, i, name.data(), DWORD(name.size())), "RegEnumKeyA");
        if (s != ERROR_SUCCESS)
            break;
        if (std::memchr(name.data(), '\0', name.size()) == nullptr)
            tav::fuzz::fail("RegEnumKeyA: name without terminator");
        Key child;
        if (expect(RegOpenKeyExA(key, name.data(), 0, KEY_READ, &child.h), "RegOpenKeyExA") ==
            ERROR_SUCCESS)
            walk(child.h, depth - 1, budget);
    }
}

void writeAndReadBack() {
    Key key;
    DWORD disposition = 0;
    if (expect(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tavrion\\FuzzProbe", 0, nullptr, 0,
                               KEY_ALL_ACCESS, nullptr, &key.h, &disposition),
               "RegCreateKeyExA") != ERROR_SUCCESS)
        return;
    const char text[] = "/usr/lib/tavrion-checks";
    if (expect(RegSetValueExA(key.h, "PATH_DB_EQUIP", 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text), sizeof text),
               "RegSetValueExA") == ERROR_SUCCESS) {
        char back[64] = {};
        DWORD size = sizeof back;
        DWORD type = 0;
        if (expect(RegQueryValueExA(key.h, "PATH_DB_EQUIP", nullptr, &type,
                                    reinterpret_cast<BYTE*>(back), &size),
                   "RegQueryValueExA") == ERROR_SUCCESS &&
            (type != REG_SZ || size != sizeof text || std::memcmp(back, text, sizeof text) != 0))
            tav::fuzz::fail("a value set reads back differently", QString::fromLatin1(back));
        expect(RegDeleteValueA(key.h, "PATH_DB_EQUIP"), "RegDeleteValueA");
    }
    expect(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tavrion\\FuzzProbe"), "RegDeleteKeyA");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tav::winreg::resetStoreForTests();
    const QString dir = tav::winreg::storeDirectory();
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    tav::fuzz::writeFile(tav::winreg::storeFilePath(), tav::fuzz::bytes(data, size));

    {
        Key app;
        if (expect(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tavrion\\Tavrion_v3", 0, KEY_READ,
                                 &app.h),
                   "RegOpenKeyExA") == ERROR_SUCCESS) {
            DWORD size = 0;
            expect(RegQueryValueExA(app.h, "PATH_DB_EQUIP", nullptr, nullptr, nullptr, &size),
                   "RegQueryValueExA");
        }
    }
    int budget = 200;
    walk(HKEY_CURRENT_USER, 4, budget);
    walk(HKEY_LOCAL_MACHINE, 3, budget);
    walk(HKEY_CLASSES_ROOT, 2, budget);
    writeAndReadBack();
    tav::winreg::resetStoreForTests();
    return 0;
}
