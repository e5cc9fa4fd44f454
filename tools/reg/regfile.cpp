#include "regfile.h"

#include "codepage.h"

#include <QStringList>

namespace tav::regtool {

namespace {

const QString kVersion5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kVersion4 = QStringLiteral("REGEDIT4");

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xff\xfe")) {
        const QByteArray body = bytes.mid(2);
        QString s;
        s.reserve(body.size() / 2);
        for (qsizetype i = 0; i + 1 < body.size(); i += 2)
            s.append(QChar(char16_t(uchar(body[i]) | (uchar(body[i + 1]) << 8))));
        return s;
    }
    if (bytes.startsWith("\xef\xbb\xbf"))
        return QString::fromUtf8(bytes.mid(3));
    return fromAnsi(bytes);
}

QByteArray utf16le(const QString& s) {
    QByteArray out;
    out.reserve(s.size() * 2);
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

bool isUnicodeStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Reads a double-quoted text with \\ and \" escapes starting at `pos` (on the opening quote).
bool readQuoted(const QString& line, qsizetype& pos, QString& out) {
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return true;
        }
        if (c == QLatin1Char('\\') && pos + 1 < line.size())
            ++pos;
        out.append(line[pos]);
    }
    return false;
}

QString withoutComment(const QString& text) {
    const qsizetype semi = text.indexOf(QLatin1Char(';'));
    return (semi < 0 ? text : text.left(semi)).trimmed();
}

// Only hexadecimal digits: toUInt alone would also take a sign and a "0x" prefix.
bool hexDigits(const QString& t) {
    for (QChar c : t)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return !t.isEmpty();
}

bool parseHexBytes(const QString& list, std::string& out) {
    out.clear();
    const QString body = list.trimmed();
    if (body.isEmpty())
        return true;
    for (const QString& part : body.split(QLatin1Char(','))) {
        const QString t = part.trimmed();
        if (t.isEmpty() || t.size() > 2 || !hexDigits(t))
            return false;
        bool ok = false;
        const uint v = t.toUInt(&ok, 16);
        if (!ok)
            return false;
        out.push_back(char(v));
    }
    return true;
}

// Parses the text after '=' of a value line.
bool parseData(const QString& rhs, bool version5, RegFileValue& v, QString& reason) {
    if (rhs == QLatin1String("-")) {
        v.remove = true;
        return true;
    }
    if (rhs.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        QString text;
        if (!readQuoted(rhs, pos, text) || !withoutComment(rhs.mid(pos)).isEmpty()) {
            reason = QStringLiteral("unterminated or malformed string");
            return false;
        }
        v.value.type = REG_SZ;
        v.value.data = toAnsi(text).toStdString();
        v.value.data.push_back('\0');
        return true;
    }
    if (rhs.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = withoutComment(rhs.mid(6));
        bool ok = false;
        const uint n = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8 || !hexDigits(digits)) {
            reason = QStringLiteral("bad dword value");
            return false;
        }
        v.value.type = REG_DWORD;
        v.value.data.assign(4, '\0');
        for (int i = 0; i < 4; ++i)
            v.value.data[size_t(i)] = char((n >> (8 * i)) & 0xff);
        return true;
    }
    if (rhs.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        qsizetype colon = rhs.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            reason = QStringLiteral("bad hex value");
            return false;
        }
        const QString head = rhs.left(colon);
        DWORD type = REG_BINARY;
        if (head.size() > 3) {
            bool ok = false;
            if (!head.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) ||
                !head.endsWith(QLatin1Char(')')))
                ok = false;
            else if (const QString digits = head.mid(4, head.size() - 5); hexDigits(digits))
                type = digits.toUInt(&ok, 16);
            if (!ok) {
                reason = QStringLiteral("bad hex type");
                return false;
            }
        }
        std::string bytes;
        if (!parseHexBytes(withoutComment(rhs.mid(colon + 1)), bytes)) {
            reason = QStringLiteral("bad hex byte list");
            return false;
        }
        if (version5 && isUnicodeStringType(type)) {
            if (bytes.size() % 2) {
                reason = QStringLiteral("odd byte count in UTF-16 text");
                return false;
            }
            QString text;
            for (size_t i = 0; i < bytes.size(); i += 2)
                text.append(QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8))));
            bytes = toAnsi(text).toStdString();
        }
        v.value.type = type;
        v.value.data = bytes;
        return true;
    }
    reason = QStringLiteral("unrecognised value data");
    return false;
}

} // namespace

bool parseRegFile(const QByteArray& bytes, RegFile& file, RegFileError& error) {
    file.keys.clear();
    const QStringList lines = decode(bytes).split(QLatin1Char('\n'));
    const auto fail = [&](int line, const QString& reason) {
        error = RegFileError{line, reason};
        file.keys.clear();
        return false;
    };
    bool headerSeen = false;
    bool version5 = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (!headerSeen) {
            if (trimmed.isEmpty())
                continue;
            if (trimmed == kVersion5)
                version5 = true;
            else if (trimmed != kVersion4)
                return fail(lineNo, QStringLiteral("not a registry file header"));
            headerSeen = true;
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return fail(lineNo, QStringLiteral("unterminated key name"));
            QString inner = trimmed.mid(1, trimmed.size() - 2);
            const bool remove = inner.startsWith(QLatin1Char('-'));
            if (remove)
                inner.remove(0, 1);
            const auto key = KeyName::parse(inner);
            if (!key)
                return fail(lineNo, QStringLiteral("invalid key name"));
            file.keys.push_back(RegFileKey{*key, remove, {}});
            continue;
        }
        if (!trimmed.startsWith(QLatin1Char('"')) && !trimmed.startsWith(QLatin1Char('@')))
            return fail(lineNo, QStringLiteral("unrecognised line"));
        if (file.keys.empty())
            return fail(lineNo, QStringLiteral("value outside a key"));

        // A value's data may continue over lines that end in a backslash.
        QString entry = trimmed;
        while (entry.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
            entry.chop(1);
            QString next = lines[++i];
            if (next.endsWith(QLatin1Char('\r')))
                next.chop(1);
            entry += next.trimmed();
        }
        RegFileValue v;
        qsizetype pos = 0;
        if (entry.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else {
            QString name;
            if (!readQuoted(entry, pos, name))
                return fail(lineNo, QStringLiteral("unterminated value name"));
            // Names reach the registry as C strings; a NUL would set another value.
            if (name.contains(QChar(0)))
                return fail(lineNo, QStringLiteral("NUL character in a value name"));
            v.value.name = toAnsi(name).toStdString();
        }
        const QString rest = entry.mid(pos).trimmed();
        if (!rest.startsWith(QLatin1Char('=')))
            return fail(lineNo, QStringLiteral("missing '='"));
        QString reason;
        if (!parseData(rest.mid(1).trimmed(), version5, v, reason))
            return fail(lineNo, reason);
        file.keys.back().values.push_back(std::move(v));
    }
    if (!headerSeen)
        return fail(1, QStringLiteral("not a registry file header"));
    return true;
}

namespace {

QString escaped(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return out;
}

bool plainText(const RegValue& v) {
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != '\0')
        return false;
    const std::string body = v.data.substr(0, v.data.size() - 1);
    return body.find_first_of(std::string("\0\r\n", 3)) == std::string::npos;
}

// hex:xx,xx,... wrapped with a trailing backslash so that no line passes 80 columns.
QString hexLine(const QString& prefix, const QByteArray& bytes) {
    QString out = prefix;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QString token = QString::asprintf("%02x", uchar(bytes[i]));
        if (i + 1 < bytes.size())
            token += QLatin1Char(',');
        if (out.size() - lineStart + token.size() > 78) {
            out += QLatin1String("\\\r\n  ");
            lineStart = out.size() - 2;
        }
        out += token;
    }
    return out;
}

QString valueLine(const RegValue& v) {
    const QString name =
        v.name.empty()
            ? QStringLiteral("@")
            : QLatin1Char('"') + escaped(QString::fromUtf8(v.name.c_str())) + QLatin1Char('"');
    if (plainText(v))
        return name + QStringLiteral("=\"") + escaped(QString::fromUtf8(v.data.c_str())) +
               QLatin1Char('"');
    if (v.type == REG_DWORD && v.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | uchar(v.data[size_t(i)]);
        return name + QString::asprintf("=dword:%08x", n);
    }
    QByteArray bytes(v.data.data(), qsizetype(v.data.size()));
    if (isUnicodeStringType(v.type))
        bytes = utf16le(QString::fromUtf8(bytes));
    const QString prefix = v.type == REG_BINARY
                               ? name + QStringLiteral("=hex:")
                               : name + QString::asprintf("=hex(%x):", unsigned(v.type));
    return hexLine(prefix, bytes);
}

} // namespace

QByteArray writeRegFile(const std::vector<std::pair<KeyName, std::vector<RegValue>>>& keys) {
    QString text = kVersion5 + QStringLiteral("\r\n\r\n");
    for (const auto& [key, values] : keys) {
        text += QLatin1Char('[') + key.full() + QStringLiteral("]\r\n");
        for (const auto& v : values)
            text += valueLine(v) + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xff\xfe", 2) + utf16le(text);
}

} // namespace tav::regtool
