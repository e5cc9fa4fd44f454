#include "cregistry.h"

#include "appinfo.h"
#include "codepage.h"
#include "keyhandle.h"
#include "winreg.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace tav {

namespace {

// The six specific key rights (query, set, create subkey, enumerate, notify, create link)
// and none of the standard rights.
constexpr REGSAM KeySpecificRights = 0x3F;
// The status a write answers when ValueType names no type the class can write.
constexpr LONG StatusInvalidData = 13;
// A value larger than the read buffer is asked again with a buffer of its size; it may have
// grown again in between, and this bounds the attempts so that a value rewritten without
// pause cannot hold the caller forever.
constexpr int MaxReadAttempts = 16;
// The first read's buffer: most values (paths, names, numbers) fit, so one query reads them.
constexpr size_t FirstReadBytes = 512;
// Longest key name the platform allows is 255 characters; in the ANSI code page (UTF-8)
// one character takes up to 4 bytes, plus the terminator.
constexpr DWORD KeyNameBufferBytes = 255 * 4 + 1;
// Longest value name: 16383 characters, again up to 4 bytes each, plus the terminator.
constexpr size_t ValueNameBufferLimit = 16383 * 4 + 1;

using winreg::KeyHandle;

HKEY rootKey(int32_t classKey) {
    return TAV_PREDEFINED_KEY(classKey);
}

// A name with an embedded NUL would be cut short at the ANSI call and reach another key or
// value. Such names never reach the platform: each member takes the path it takes when the
// platform refuses a name.
bool hasNul(const QString& name) {
    return name.contains(QChar(u'\0'));
}

// Runs an allocating step; memory that cannot be had is the run-time's error 7, which the
// database handlers trap and show like any other error.
template <class F> decltype(auto) orOutOfMemory(F&& f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        throw VbError::standard(err::OutOfMemory);
    }
}

// Opens path under classKey; `key` owns the key when the answer is 0.
LONG openKey(KeyHandle& key, int32_t classKey, const QString& path, REGSAM access) {
    if (hasNul(path))
        return ERROR_INVALID_PARAMETER;
    return RegOpenKeyExA(rootKey(classKey), toAnsi(path).constData(), 0, access, key.out());
}

// Creates every missing key along path (or opens the existing key) with the specific rights.
LONG createKey(KeyHandle& key, int32_t classKey, const QString& path) {
    if (hasNul(path))
        return ERROR_INVALID_PARAMETER;
    char noClass[] = "";
    DWORD disposition = 0;
    return RegCreateKeyExA(rootKey(classKey), toAnsi(path).constData(), 0, noClass,
                           REG_OPTION_NON_VOLATILE, KeySpecificRights, nullptr, key.out(),
                           &disposition);
}

// A text is stored as REG_EXPAND_SZ when it holds a "%" and another "%" follows from the
// second character after it, so "%%" and "50%" stay plain text.
DWORD storedStringType(const QString& text) {
    const qsizetype first = text.indexOf(u'%');
    if (first >= 0 && text.indexOf(u'%', first + 2) >= 0)
        return REG_EXPAND_SZ;
    return REG_SZ;
}

// String data without their final NUL; data stored without a terminator keep every byte.
QString textOf(const BYTE* data, size_t size) {
    if (size > 0 && data[size - 1] == 0)
        --size;
    return fromAnsi(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Up to the first four bytes of a DWORD value, little-endian, missing bytes as 0.
int32_t dwordOf(const BYTE* data, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < std::min<size_t>(size, 4); ++i)
        v |= uint32_t(data[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

// Adds one name at index count + 1; the vector underneath grows geometrically.
void appendName(StringArray& names, int32_t& count, QString name) {
    if (count == std::numeric_limits<int32_t>::max())
        throw VbError::standard(err::Overflow);
    names.append(std::move(name));
    ++count;
}

} // namespace

QString cRegistry::errorSource() {
    return AppInfo::exeName() + QStringLiteral(".cRegistry");
}

void cRegistry::raise(int32_t number, const QString& description) const {
    throw VbError(number, errorSource(), description);
}

QString cRegistry::setValueFailureText(const Variant& vValue) const {
    QString shown;
    try {
        shown = vValue.toText();
    } catch (const VbError&) {
        // Null and variant arrays have no text form; name their kind instead.
        shown = vValue.typeName();
    }
    return QStringLiteral("Failed to set registry value Key: '") + handleText() +
           QStringLiteral("',Section: '") + m_SectionKey + QStringLiteral("',Key: '") + m_ValueKey +
           QStringLiteral("' to value: '") + shown + QStringLiteral("'");
}

// ---------------------------------------------------------------------------------------
// Value read and write

Variant cRegistry::value() {
    Variant result;
    if (!orOutOfMemory([&] { return readValue(result); }))
        return m_Default;
    return result;
}

bool cRegistry::readValue(Variant& result) {
    if (hasNul(m_ValueKey))
        return false;
    KeyHandle key;
    if (openKey(key, m_ClassKey, m_SectionKey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    const QByteArray name = toAnsi(m_ValueKey);
    // At least 4 bytes, so a DWORD read never needs a special buffer; a DWORD stored longer
    // than 4 bytes is read whole and only its first 4 bytes are used.
    std::vector<BYTE> data(FirstReadBytes);
    for (int attempt = 0; attempt < MaxReadAttempts; ++attempt) {
        // One query answers type, size and data when the data fit the buffer. A larger value
        // answers only its size; it is asked again with a buffer that size (it may have
        // grown again by then, so this repeats).
        DWORD type = 0;
        DWORD got = DWORD(data.size());
        const LONG status =
            RegQueryValueExA(key.get(), name.constData(), nullptr, &type, data.data(), &got);
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
            return false;
        // ValueType takes the stored type as soon as a query finds the value, so a larger
        // read or an expansion that fails afterwards leaves it holding that type.
        m_ValueType = static_cast<int32_t>(type);
        if (status == ERROR_MORE_DATA) {
            data.resize(std::max<DWORD>(got, 4));
            continue;
        }
        const size_t n = std::min<size_t>(got, data.size());

        switch (type) {
        case REG_SZ:
        case REG_MULTI_SZ:
            result = textOf(data.data(), n);
            break;
        case REG_EXPAND_SZ:
            result = ExpandEnvironmentText(textOf(data.data(), n));
            break;
        case REG_DWORD:
            result = dwordOf(data.data(), n);
            break;
        case REG_DWORD_BIG_ENDIAN:
            result = ReverseByteOrder(dwordOf(data.data(), n));
            break;
        default:
            result = ByteArray(0, std::vector<uint8_t>(data.begin(), data.begin() + qsizetype(n)));
            break;
        }
        return true;
    }
    return false;
}

void cRegistry::setValue(Variant vValue) {
    if (!hasNul(m_SectionKey) && hasNul(m_ValueKey))
        raise(ErrSetValue, setValueFailureText(vValue));
    KeyHandle key;
    if (createKey(key, m_ClassKey, m_SectionKey) != ERROR_SUCCESS)
        raise(ErrFailed, setValueFailureText(vValue));
    const QByteArray name = toAnsi(m_ValueKey);

    LONG status = StatusInvalidData;
    switch (m_ValueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const QString text = vValue.toText();
        QByteArray data = toAnsi(text);
        data.append('\0');
        status =
            RegSetValueExA(key.get(), name.constData(), 0, storedStringType(text),
                           reinterpret_cast<const BYTE*>(data.constData()), DWORD(data.size()));
        break;
    }
    case REG_BINARY: {
        const ByteArray* bytes = vValue.get<ByteArray>();
        if (!bytes)
            throw VbError(ErrFailed, QString(), QString());
        // The data start at index 0 (error 9 when the array has none) and run to its end.
        const uint8_t& first = (*bytes)(0);
        status = RegSetValueExA(key.get(), name.constData(), 0, REG_BINARY, &first,
                                DWORD(bytes->ubound() + 1));
        break;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        int32_t number = 0;
        if (const auto* i = vValue.get<int16_t>())
            number = *i;
        else if (const auto* l = vValue.get<int32_t>())
            number = *l;
        else
            break; // no 32-bit form: nothing is stored and the write fails
        const uint32_t u = static_cast<uint32_t>(number);
        const BYTE data[4] = {BYTE(u), BYTE(u >> 8), BYTE(u >> 16), BYTE(u >> 24)};
        status = RegSetValueExA(key.get(), name.constData(), 0, REG_DWORD, data, 4);
        break;
    }
    default:
        break;
    }
    if (status != ERROR_SUCCESS)
        raise(ErrSetValue, setValueFailureText(vValue));
}

int32_t cRegistry::ReverseByteOrder(int32_t x) {
    const uint32_t u = static_cast<uint32_t>(x);
    return static_cast<int32_t>((u >> 24) | ((u >> 8) & 0x0000FF00u) | ((u << 8) & 0x00FF0000u) |
                                (u << 24));
}

QString cRegistry::ExpandEnvironmentText(const QString& text) {
    const QByteArray source = toAnsi(text);
    DWORD needed = ExpandEnvironmentStringsA(source.constData(), nullptr, 0);
    for (;;) {
        if (needed == 0)
            throw VbError::standard(err::InvalidProcedureCall);
        QByteArray buffer = orOutOfMemory([&] { return QByteArray(qsizetype(needed), '\0'); });
        const DWORD written = ExpandEnvironmentStringsA(source.constData(), buffer.data(), needed);
        if (written == 0)
            throw VbError::standard(err::InvalidProcedureCall);
        if (written <= needed)
            return fromAnsi(buffer.constData(), qsizetype(written) - 1);
        needed = written; // the environment grew in between
    }
}

// ---------------------------------------------------------------------------------------
// Key and value maintenance

int16_t cRegistry::KeyExists() const {
    KeyHandle key;
    return vbBool(openKey(key, m_ClassKey, m_SectionKey, KEY_QUERY_VALUE) == ERROR_SUCCESS);
}

int16_t cRegistry::CreateKey() {
    KeyHandle key;
    if (createKey(key, m_ClassKey, m_SectionKey) != ERROR_SUCCESS)
        raise(ErrFailed, QStringLiteral("Failed to create registry Key: '") + m_SectionKey);
    return VbTrue;
}

int16_t cRegistry::DeleteKey() {
    // The layer refuses to delete a predefined root, so an empty SectionKey fails here too.
    if (hasNul(m_SectionKey) ||
        RegDeleteKeyA(rootKey(m_ClassKey), toAnsi(m_SectionKey).constData()) != ERROR_SUCCESS)
        raise(ErrFailed, QStringLiteral("Failed to delete registry Key: '") + handleText() +
                             QStringLiteral("',Section: '") + m_SectionKey);
    return VbTrue;
}

int16_t cRegistry::DeleteValue() {
    const auto deleteFailed = [this] {
        raise(ErrFailed, QStringLiteral("Failed to delete registry Key: '") + handleText() +
                             QStringLiteral("',Section: '") + m_SectionKey +
                             QStringLiteral("',Key: '") + m_ValueKey);
    };
    // A refused value name fails as a missing value does, but before the key is opened.
    if (hasNul(m_ValueKey) && !hasNul(m_SectionKey))
        deleteFailed();
    KeyHandle key;
    if (openKey(key, m_ClassKey, m_SectionKey, KeySpecificRights) != ERROR_SUCCESS)
        raise(ErrFailed, QStringLiteral("Failed to open key '") + handleText() +
                             QStringLiteral("',Section: '") + m_SectionKey +
                             QStringLiteral("' for delete access"));
    if (RegDeleteValueA(key.get(), toAnsi(m_ValueKey).constData()) != ERROR_SUCCESS)
        deleteFailed();
    return VbTrue;
}

// ---------------------------------------------------------------------------------------
// Listings and file association

int16_t cRegistry::EnumerateValues(StringArray& sKeyNames, int32_t& iKeyCount) {
    iKeyCount = 0;
    sKeyNames = StringArray(1);

    KeyHandle key;
    if (openKey(key, m_ClassKey, m_SectionKey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return VbTrue;
    DWORD subKeys = 0, maxSubKeyLen = 0, maxClassLen = 0, values = 0, maxValueNameLen = 0,
          maxValueLen = 0, securityBytes = 0, classLen = 0;
    FILETIME lastWrite{};
    if (RegQueryInfoKeyA(key.get(), nullptr, &classLen, nullptr, &subKeys, &maxSubKeyLen,
                         &maxClassLen, &values, &maxValueNameLen, &maxValueLen, &securityBytes,
                         &lastWrite) != ERROR_SUCCESS)
        return VbTrue;

    std::vector<char> name(std::max<size_t>(size_t(maxValueNameLen) + 1, 1));
    DWORD index = 0;
    for (;;) {
        DWORD length = DWORD(name.size());
        const LONG status = RegEnumValueA(key.get(), index, name.data(), &length, nullptr, nullptr,
                                          nullptr, nullptr);
        if (status == ERROR_MORE_DATA && name.size() < ValueNameBufferLimit) {
            // A longer name than the key information announced (added since): ask again.
            name.resize(std::min(name.size() * 2, ValueNameBufferLimit));
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        appendName(sKeyNames, iKeyCount,
                   fromAnsi(name.data(), qsizetype(std::min<size_t>(length, name.size()))));
        ++index;
    }
    return VbTrue;
}

int16_t cRegistry::EnumerateSections(StringArray& sSect, int32_t& iSectCount) {
    try {
        iSectCount = 0;
        sSect = StringArray(1);

        KeyHandle key;
        if (openKey(key, m_ClassKey, m_SectionKey, KEY_ENUMERATE_SUB_KEYS) != ERROR_SUCCESS)
            return VbTrue;
        std::vector<char> name(KeyNameBufferBytes);
        for (DWORD index = 0;; ++index) {
            std::fill(name.begin(), name.end(), '\0');
            if (RegEnumKeyA(key.get(), index, name.data(), DWORD(name.size())) != ERROR_SUCCESS)
                break;
            appendName(sSect, iSectCount,
                       fromAnsi(name.data(), qsizetype(strnlen(name.data(), name.size()))));
        }
        return VbTrue;
    } catch (const VbError& e) {
        raise(ErrEnumerateSections, e.description());
    } catch (const std::bad_alloc&) {
        raise(ErrEnumerateSections, VbError::standardText(err::OutOfMemory));
    }
}

void cRegistry::CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                                     const QString& sClassDescription, const QString& sAssociation,
                                     int32_t lDefaultIconIndex) {
    // Without a class name the description would land in the root's own unnamed value, and
    // without an extension the key would be named "."; a NUL would cut either short.
    if (sClassName.isEmpty() || sAssociation.isEmpty() || hasNul(sClassName) ||
        hasNul(sAssociation))
        throw VbError(err::InvalidProcedureCall, errorSource(),
                      VbError::standardText(err::InvalidProcedureCall));

    // A path with a blank is quoted so the shell cannot run a shorter path's program.
    QString program = sExePath;
    const bool quoted = program.size() >= 2 && program.startsWith(u'"') && program.endsWith(u'"');
    if (!quoted && (program.contains(u' ') || program.contains(u'\t')))
        program = u'"' + program + u'"';
    const QString openCommand = program + QStringLiteral(" \"%1\"");
    const QString extensionKey = QStringLiteral(".") + sAssociation;
    const QString commandPath = QStringLiteral("\\shell\\open\\command");

    const auto writeUnnamed = [this](const QString& section, const QString& text) {
        setSectionKey(section);
        setValueKey(QString());
        setValue(Variant(text));
    };
    setClassKey(HKeyClassesRoot);
    writeUnnamed(extensionKey, sClassName);
    writeUnnamed(extensionKey + commandPath, openCommand);
    writeUnnamed(sClassName, sClassDescription);
    writeUnnamed(sClassName + commandPath, openCommand);
    if (lDefaultIconIndex >= 0)
        writeUnnamed(sClassName + QStringLiteral("\\DefaultIcon"),
                     sExePath + u',' + QString::number(lDefaultIconIndex));
}

} // namespace tav
