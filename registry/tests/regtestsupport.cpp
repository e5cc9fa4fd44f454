#include "regtestsupport.h"

#include "codepage.h"
#include "registrystore.h"

#include <cstring>

namespace tav::test {

void RegistryTest::SetUp() {
    ASSERT_FALSE(m_dir.path().isEmpty());
    m_savedDir = qgetenv("TAV_REGISTRY_DIR");
    qputenv("TAV_REGISTRY_DIR", m_dir.path().toUtf8());
    winreg::setFaultHook({});
    winreg::resetStoreForTests();
}

void RegistryTest::TearDown() {
    winreg::setFaultHook({});
    winreg::resetStoreForTests();
    qputenv("TAV_REGISTRY_DIR", m_savedDir);
}

void RegistryTest::putRaw(HKEY root, const QString& path, const QString& name, DWORD type,
                          const QByteArray& data) {
    HKEY key = nullptr;
    char noClass[] = "";
    ASSERT_EQ(RegCreateKeyExA(root, toAnsi(path).constData(), 0, noClass, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const LONG status = RegSetValueExA(key, toAnsi(name).constData(), 0, type,
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
        if (std::strcmp(function, "RegOpenKeyExA") == 0 || std::strcmp(function, "RegCreateKeyExA") == 0)
            ++m_opens;
        else if (std::strcmp(function, "RegCloseKey") == 0)
            ++m_closes;
        return ERROR_SUCCESS;
    });
}

HandleCounter::~HandleCounter() { winreg::setFaultHook({}); }

} // namespace tav::test

namespace tav {
void PrintTo(const Variant& v, std::ostream* os) {
    QString text;
    try {
        text = v.toText();
    } catch (const VbError&) {
        text = QStringLiteral("?");
    }
    text.replace(QChar(0), QStringLiteral("\\0"));
    *os << v.typeName().toStdString() << "(" << text.toStdString() << ")";
}
} // namespace tav
