#include "regvalueformat.h"

#include "codepage.h"

#include <QStringList>

#include <cctype>

namespace tav::regtool {

namespace {

struct TypeEntry {
    DWORD type;
    const char* name;
};

const TypeEntry kTypes[] = {
    {REG_NONE, "REG_NONE"},
    {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},
    {REG_DWORD, "REG_DWORD_LITTLE_ENDIAN"}, // a synonym: names print as REG_DWORD
    {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {REG_LINK, "REG_LINK"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {8, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {REG_QWORD, "REG_QWORD"},
};

uint64_t littleEndian(const std::string& data, size_t n) {
    uint64_t v = 0;
    for (size_t i = std::min(n, data.size()); i-- > 0;)
        v = (v << 8) | uchar(data[i]);
    return v;
}

// The text before the first NUL.
QString cText(const std::string& data) {
    return QString::fromUtf8(data.c_str());
}

// A number for a value `width` bytes wide: decimal (a leading zero stays decimal, a minus
// sign gives the two's complement) or 0x-prefixed hexadecimal. Nothing else, not even a blank.
std::optional<uint64_t> numberFromText(const QString& text, size_t width) {
    const uint64_t max = width == 8 ? ~uint64_t(0) : 0xffffffffULL;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const bool negative = !hex && text.startsWith(QLatin1Char('-'));
    const QString digits = text.mid(hex ? 2 : negative ? 1 : 0);
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        const bool digit = u >= u'0' && u <= u'9';
        const bool letter = (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!digit && !(hex && letter))
            return std::nullopt;
    }
    bool ok = false;
    const uint64_t n = digits.toULongLong(&ok, hex ? 16 : 10);
    if (!ok)
        return std::nullopt;
    if (!negative)
        return n <= max ? std::optional<uint64_t>(n) : std::nullopt;
    // Down to the most negative number of the width: -2^31 or -2^63.
    const uint64_t limit = (max >> 1) + 1;
    if (n > limit)
        return std::nullopt;
    return (~n + 1) & max;
}

// The items of `text` split at `separator`, each with its terminator, then the list's own.
// An empty item is refused; one separator at the very end closes the list.
std::optional<std::string> multiStringData(const QString& text, const QString& separator) {
    std::string out;
    if (text != separator && !text.isEmpty()) {
        QStringList items = text.split(separator);
        if (text.endsWith(separator))
            items.removeLast();
        for (const QString& item : items) {
            if (item.isEmpty())
                return std::nullopt;
            out += toAnsi(item).toStdString() + '\0';
        }
    }
    return out + '\0';
}

} // namespace

QString typeName(DWORD type) {
    for (const auto& t : kTypes)
        if (t.type == type)
            return QString::fromLatin1(t.name);
    return QString::asprintf("0x%x", unsigned(type));
}

std::optional<DWORD> typeFromName(const QString& name) {
    for (const auto& t : kTypes)
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return t.type;
    return std::nullopt;
}

QString displayData(const RegValue& v) {
    switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return cText(v.data);
    case REG_MULTI_SZ: {
        QStringList items;
        size_t start = 0;
        while (start < v.data.size()) {
            const size_t end = v.data.find('\0', start);
            const std::string item =
                v.data.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (item.empty())
                break;
            items << QString::fromUtf8(item.c_str());
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return items.join(QLatin1String("\\0"));
    }
    case REG_DWORD:
        return QString::asprintf("0x%x", unsigned(littleEndian(v.data, 4)));
    case REG_DWORD_BIG_ENDIAN: {
        uint32_t n = 0;
        for (size_t i = 0; i < 4 && i < v.data.size(); ++i)
            n = (n << 8) | uchar(v.data[i]);
        return QString::asprintf("0x%x", n);
    }
    case REG_QWORD:
        return QString::asprintf("0x%llx",
                                 static_cast<unsigned long long>(littleEndian(v.data, 8)));
    default:
        return QByteArray(v.data.data(), qsizetype(v.data.size())).toHex().toUpper();
    }
}

std::optional<std::string> dataFromText(DWORD type, const QString& text, const QString& separator) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_NONE: // text, as the platform's tool stores it
        return toAnsi(text).toStdString() + '\0';
    case REG_MULTI_SZ:
        return multiStringData(text, separator);
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
    case REG_QWORD: {
        const size_t width = type == REG_QWORD ? 8 : 4;
        const auto n = numberFromText(text, width);
        if (!n)
            return std::nullopt;
        std::string out(width, '\0');
        for (size_t i = 0; i < width; ++i)
            out[type == REG_DWORD_BIG_ENDIAN ? width - 1 - i : i] = char((*n >> (8 * i)) & 0xff);
        return out;
    }
    default: {
        // An odd count of digits reads as if led by a zero nibble.
        QByteArray raw = text.toLatin1();
        if (raw.size() % 2)
            raw.prepend('0');
        for (char c : raw)
            if (!std::isxdigit(uchar(c)))
                return std::nullopt;
        const QByteArray bytes = QByteArray::fromHex(raw);
        return std::string(bytes.constData(), size_t(bytes.size()));
    }
    }
}

} // namespace tav::regtool
