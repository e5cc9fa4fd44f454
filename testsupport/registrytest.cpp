#include "registrytest.h"

#include "codepage.h"
#include "registrystore.h"

#include <cstring>

namespace tav::test {

void RegistryTest::SetUp() {
    ASSERT_FALSE(m_dir.path().isEmpty());
    m_savedDir = qgetenv("TAV_REGISTRY_DIR");
    qputenv("TAV_REGISTRY_DIR", m_dir.path().toLocal8Bit());
    winreg::setFaultHook({});
    winreg::resetStoreForTests();
}

void RegistryTest::TearDown() {
    for (HKEY h : m_open)
        RegCloseKey(h);
    m_open.clear();
    winreg::setFaultHook({});
    winreg::resetStoreForTests();
    qputenv("TAV_REGISTRY_DIR", m_savedDir);
}

HKEY RegistryTest::create(HKEY root, const char* path, REGSAM sam, DWORD* disposition) {
    HKEY h = nullptr;
    const LONG s = RegCreateKeyExA(root, path, 0, nullptr, 0, sam, nullptr, &h, disposition);
    EXPECT_EQ(s, ERROR_SUCCESS) << path;
    if (h)
        m_open.push_back(h);
    return h;
}

LONG RegistryTest::open(HKEY root, const char* path, REGSAM sam, HKEY* out) {
    *out = nullptr;
    const LONG s = RegOpenKeyExA(root, path, 0, sam, out);
    if (*out)
        m_open.push_back(*out);
    return s;
}

LONG RegistryTest::set(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          DWORD(bytes.size()));
}

LONG RegistryTest::setText(HKEY key, const char* name, const char* text) {
    return set(key, name, REG_SZ, std::string(text, std::strlen(text) + 1));
}

std::optional<std::string> RegistryTest::read(HKEY key, const char* name, DWORD* type) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

std::vector<std::string> RegistryTest::subkeys(HKEY key) {
    std::vector<std::string> names;
    char buf[300];
    for (DWORD i = 0; RegEnumKeyA(key, i, buf, sizeof buf) == ERROR_SUCCESS; ++i)
        names.emplace_back(buf);
    return names;
}

std::vector<std::string> RegistryTest::valueNames(HKEY key) {
    std::vector<std::string> names;
    char buf[300];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof buf;
        if (RegEnumValueA(key, i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(buf, len);
    }
    return names;
}

void RegistryTest::putRaw(HKEY root, const QString& path, const QString& name, DWORD type,
                          const QByteArray& data) {
    HKEY key = nullptr;
    char noClass[] = "";
    ASSERT_EQ(RegCreateKeyExA(root, toAnsi(path).constData(), 0, noClass, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const LONG status =
        RegSetValueExA(key, toAnsi(name).constData(), 0, type,
                       reinterpret_cast<const BYTE*>(data.constData()), DWORD(data.size()));
    RegCloseKey(key);
    ASSERT_EQ(status, ERROR_SUCCESS);
}

std::optional<RegistryTest::Raw> RegistryTest::getRaw(HKEY root, const QString& path,
                                                      const QString& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, toAnsi(path).constData(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    Raw raw;
    DWORD size = 0;
    const QByteArray n = toAnsi(name);
    LONG status = RegQueryValueExA(key, n.constData(), nullptr, &raw.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        raw.data.resize(qsizetype(size));
        status = RegQueryValueExA(key, n.constData(), nullptr, &raw.type,
                                  reinterpret_cast<LPBYTE>(raw.data.data()), &size);
        raw.data.resize(qsizetype(size));
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return raw;
}

bool RegistryTest::keyExists(HKEY root, const QString& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, toAnsi(path).constData(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

HandleCounter::HandleCounter() {
    winreg::setFaultHook([this](const char* function) -> LONG {
        if (std::strcmp(function, "RegOpenKeyExA") == 0 ||
            std::strcmp(function, "RegCreateKeyExA") == 0)
            ++m_opens;
        else if (std::strcmp(function, "RegCloseKey") == 0)
            ++m_closes;
        return ERROR_SUCCESS;
    });
}

HandleCounter::~HandleCounter() {
    winreg::setFaultHook({});
}

} // namespace tav::test
