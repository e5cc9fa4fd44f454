#include "regvalueformat.h"

#include "codepage.h"

#include <QStringList>

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
        return toAnsi(text).toStdString() + '\0';
    case REG_MULTI_SZ: {
        std::string out;
        if (!text.isEmpty())
            for (const QString& item : text.split(separator))
                out += toAnsi(item).toStdString() + '\0';
        return out + '\0';
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
    case REG_QWORD: {
        bool ok = false;
        const uint64_t n = text.isEmpty() ? (ok = true, 0) : text.toULongLong(&ok, 0);
        const size_t width = type == REG_QWORD ? 8 : 4;
        if (!ok || (width == 4 && n > 0xffffffffULL))
            return std::nullopt;
        std::string out(width, '\0');
        for (size_t i = 0; i < width; ++i)
            out[type == REG_DWORD_BIG_ENDIAN ? width - 1 - i : i] = char((n >> (8 * i)) & 0xff);
        return out;
    }
    default: {
        if (text.size() % 2)
            return std::nullopt;
        const QByteArray raw = text.toLatin1();
        for (char c : raw)
            if (!std::isxdigit(uchar(c)))
                return std::nullopt;
        const QByteArray bytes = QByteArray::fromHex(raw);
        return std::string(bytes.constData(), size_t(bytes.size()));
    }
    }
}

} // namespace tav::regtool
