#include "regaccess.h"

namespace tav::regtool {

LONG openKey(const KeyName& key, REGSAM sam, KeyHandle& out) {
    return RegOpenKeyExA(key.root, key.pathAnsi().constData(), 0, sam, out.out());
}

LONG createKey(const KeyName& key, KeyHandle& out) {
    return RegCreateKeyExA(key.root, key.pathAnsi().constData(), 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, out.out(), nullptr);
}

LONG readValues(HKEY key, std::vector<RegValue>& out) {
    out.clear();
    DWORD maxName = 0, maxData = 0;
    LONG s = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &maxName, &maxData, nullptr, nullptr);
    if (s != ERROR_SUCCESS)
        return s;
    for (DWORD i = 0;; ++i) {
        std::string name(maxName + 1, '\0');
        std::string data(maxData + 1, '\0');
        DWORD nameLen = DWORD(name.size()), dataLen = DWORD(data.size()), type = 0;
        s = RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataLen);
        if (s == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (s == ERROR_MORE_DATA) { // changed in between: ask again with the sizes of now
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &maxName, &maxData, nullptr, nullptr);
            --i;
            continue;
        }
        if (s != ERROR_SUCCESS)
            return s;
        name.resize(nameLen);
        data.resize(dataLen);
        out.push_back(RegValue{name, type, data});
    }
}

LONG readSubkeys(HKEY key, std::vector<std::string>& out) {
    out.clear();
    char buf[1024];
    for (DWORD i = 0;; ++i) {
        const LONG s = RegEnumKeyA(key, i, buf, sizeof buf);
        if (s == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (s != ERROR_SUCCESS)
            return s;
        out.emplace_back(buf);
    }
}

LONG setValue(HKEY key, const RegValue& value) {
    // A non-NUL byte after the data keeps the layer from adding a terminator the data lack,
    // so the exact bytes are stored.
    const std::string buffer = value.data + '\xff';
    return RegSetValueExA(key, value.name.c_str(), 0, value.type,
                          reinterpret_cast<const BYTE*>(buffer.data()), DWORD(value.data.size()));
}

LONG readTree(const KeyName& key, std::vector<KeyValues>& out, bool recurse) {
    KeyHandle h;
    if (const LONG s = openKey(key, KEY_READ, h))
        return s;
    std::vector<RegValue> values;
    std::vector<std::string> subkeys;
    if (const LONG s = readValues(h.get(), values))
        return s;
    if (const LONG s = recurse ? readSubkeys(h.get(), subkeys) : ERROR_SUCCESS)
        return s;
    h.reset();
    out.push_back(KeyValues{key, std::move(values)});
    for (const auto& s : subkeys)
        if (const LONG st = readTree(key.child(QString::fromUtf8(s.c_str())), out))
            return st;
    return ERROR_SUCCESS;
}

LONG deleteTree(const KeyName& key) {
    KeyHandle h;
    if (const LONG s = openKey(key, KEY_READ, h))
        return s;
    std::vector<std::string> children;
    if (const LONG s = readSubkeys(h.get(), children))
        return s;
    h.reset();
    for (const auto& c : children)
        if (const LONG s = deleteTree(key.child(QString::fromUtf8(c.c_str()))))
            return s;
    return RegDeleteKeyA(key.root, key.pathAnsi().constData());
}

} // namespace tav::regtool
