#include "regfile.h"

#include "codepage.h"

#include <QStringList>

#include <optional>

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
    if (bytes.startsWith("\xef\xbb\xbf")) {
        // fromUtf8 would drop a second byte-order mark, which is not part of a header.
        const QByteArray body = bytes.mid(3);
        return body.startsWith("\xef\xbb\xbf") ? QChar(0xfeff) + QString::fromUtf8(body.mid(3))
                                               : QString::fromUtf8(body);
    }
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

enum class Quoted { Closed, Open, Malformed };

// Scans a double-quoted text from `pos` (just after the opening quote, or where an open text
// went on), appending to `out`. \\ and \" are the only escapes; any other backslash makes the
// text malformed. Open: the line ended inside it.
Quoted scanQuoted(const QString& line, qsizetype& pos, QString& out) {
    for (; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return Quoted::Closed;
        }
        if (c == QLatin1Char('\\')) {
            if (pos + 1 >= line.size())
                return Quoted::Malformed;
            const QChar e = line[++pos];
            if (e != QLatin1Char('\\') && e != QLatin1Char('"'))
                return Quoted::Malformed;
        }
        out.append(line[pos]);
    }
    return Quoted::Open;
}

// Reads a double-quoted text starting at `pos` (on the opening quote).
Quoted readQuoted(const QString& line, qsizetype& pos, QString& out) {
    out.clear();
    ++pos;
    return scanQuoted(line, pos, out);
}

QString withoutComment(const QString& text) {
    const qsizetype semi = text.indexOf(QLatin1Char(';'));
    return (semi < 0 ? text : text.left(semi)).trimmed();
}

bool isCommentLine(const QString& trimmed) {
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

QString chopCr(QString line) {
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

// Only hexadecimal digits: toUInt alone would also take a sign and a "0x" prefix.
bool hexDigits(const QString& t) {
    for (QChar c : t)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return !t.isEmpty();
}

// Comma-separated two-digit bytes; one comma may end the list.
bool parseHexBytes(const QString& list, std::string& out) {
    out.clear();
    QString body = list.trimmed();
    if (body.endsWith(QLatin1Char(',')))
        body.chop(1);
    if (body.isEmpty())
        return list.trimmed().isEmpty();
    for (const QString& part : body.split(QLatin1Char(','))) {
        const QString t = part.trimmed();
        if (t.isEmpty() || t.size() > 2 || !hexDigits(t))
            return false;
        out.push_back(char(t.toUInt(nullptr, 16)));
    }
    return true;
}

// The lines of the file with a cursor: value entries may take more than one.
struct Lines {
    QStringList raw; // as split at '\n', carriage returns kept
    qsizetype at = 0;
};

// The byte list of hex data, joined over the lines it continues to. Only a backslash after
// a comma, or one right after the type (as export writes for a long name), continues a line;
// comment lines in between are skipped, and a file may end after the backslash.
bool hexList(Lines& lines, QString first, QString& out) {
    out.clear();
    QString part = withoutComment(first);
    for (bool firstLine = true; part.endsWith(QLatin1Char('\\')); firstLine = false) {
        part.chop(1);
        part = part.trimmed();
        if (!part.endsWith(QLatin1Char(',')) && !(firstLine && part.isEmpty()))
            return false;
        out += part;
        part.clear();
        while (lines.at + 1 < lines.raw.size()) {
            const QString next = chopCr(lines.raw[++lines.at]).trimmed();
            if (!isCommentLine(next)) {
                part = withoutComment(next);
                break;
            }
        }
    }
    out += part;
    return true;
}

// hex(N): the type in hexadecimal digits; plain hex is REG_BINARY.
std::optional<DWORD> hexType(const QString& head) {
    if (head.compare(QLatin1String("hex"), Qt::CaseInsensitive) == 0)
        return REG_BINARY;
    if (!head.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) ||
        !head.endsWith(QLatin1Char(')')))
        return std::nullopt;
    const QString digits = head.mid(4, head.size() - 5);
    bool ok = false;
    const DWORD type = hexDigits(digits) ? digits.toUInt(&ok, 16) : 0;
    return ok ? std::optional<DWORD>(type) : std::nullopt;
}

bool parseHexData(Lines& lines, const QString& rhs, bool version5, RegFileValue& v,
                  QString& reason) {
    const qsizetype colon = rhs.indexOf(QLatin1Char(':'));
    const auto type = colon < 0 ? std::nullopt : hexType(rhs.left(colon));
    if (!type) {
        reason = QStringLiteral("bad hex type");
        return false;
    }
    QString list;
    std::string bytes;
    if (!hexList(lines, rhs.mid(colon + 1), list) || !parseHexBytes(list, bytes)) {
        reason = QStringLiteral("bad hex byte list");
        return false;
    }
    if (version5 && isUnicodeStringType(*type)) {
        if (bytes.size() % 2) {
            reason = QStringLiteral("odd byte count in UTF-16 text");
            return false;
        }
        QString text;
        for (size_t i = 0; i < bytes.size(); i += 2)
            text.append(QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8))));
        bytes = toAnsi(text).toStdString();
    } else if (isUnicodeStringType(*type) && (bytes.empty() || bytes.back() != '\0')) {
        // REGEDIT4 text without its terminator gets one, as the platform's tool reads it.
        bytes.push_back('\0');
    }
    v.value.type = *type;
    v.value.data = bytes;
    return true;
}

bool parseDword(const QString& rhs, RegFileValue& v, QString& reason) {
    const QString digits = withoutComment(rhs.mid(6));
    if (digits.size() > 8 || !hexDigits(digits)) {
        reason = QStringLiteral("bad dword value");
        return false;
    }
    const uint n = digits.toUInt(nullptr, 16);
    v.value.type = REG_DWORD;
    v.value.data.assign(4, '\0');
    for (int i = 0; i < 4; ++i)
        v.value.data[size_t(i)] = char((n >> (8 * i)) & 0xff);
    return true;
}

// Parses the text after '=' of a value line.
bool parseData(Lines& lines, const QString& rhs, bool version5, RegFileValue& v, QString& reason) {
    if (withoutComment(rhs) == QLatin1String("-")) {
        v.remove = true;
        return true;
    }
    if (rhs.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        QString text;
        if (readQuoted(rhs, pos, text) != Quoted::Closed ||
            !withoutComment(rhs.mid(pos)).isEmpty()) {
            reason = QStringLiteral("unterminated or malformed string");
            return false;
        }
        v.value.type = REG_SZ;
        v.value.data = toAnsi(text).toStdString();
        v.value.data.push_back('\0');
        return true;
    }
    if (rhs.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive))
        return parseDword(rhs, v, reason);
    if (rhs.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
        return parseHexData(lines, rhs, version5, v, reason);
    reason = QStringLiteral("unrecognised value data");
    return false;
}

// A quoted value name; a line break inside the quotes belongs to the name, so the name
// may go on over the following lines. `rest` is what follows the closing quote.
bool valueName(Lines& lines, QString entry, std::string& name, QString& rest, QString& reason) {
    qsizetype pos = 0;
    QString text;
    // The scan goes on where the last line ended: a long open name costs its length once.
    for (Quoted q = readQuoted(entry, pos, text); q != Quoted::Closed;
         q = scanQuoted(entry, pos, text)) {
        if (q == Quoted::Malformed || lines.at + 1 >= lines.raw.size()) {
            reason = q == Quoted::Malformed
                         ? QStringLiteral("a backslash in a value name that is not \\\\ or \\\"")
                         : QStringLiteral("unterminated value name");
            return false;
        }
        entry += QLatin1Char('\n') + lines.raw[++lines.at];
    }
    // Names reach the registry as C strings; a NUL would set another value.
    if (text.contains(QChar(0))) {
        reason = QStringLiteral("NUL character in a value name");
        return false;
    }
    name = toAnsi(text).toStdString();
    rest = chopCr(entry.mid(pos)).trimmed();
    return true;
}

} // namespace

namespace {

// A key line: [KEY] or [-KEY].
bool parseKeyLine(const QString& trimmed, RegFile& file, QString& reason) {
    if (!trimmed.endsWith(QLatin1Char(']'))) {
        reason = QStringLiteral("unterminated key name");
        return false;
    }
    QString inner = trimmed.mid(1, trimmed.size() - 2);
    const bool remove = inner.startsWith(QLatin1Char('-'));
    if (remove)
        inner.remove(0, 1);
    const auto key = KeyName::parse(inner);
    if (!key) {
        reason = QStringLiteral("invalid key name");
        return false;
    }
    file.keys.push_back(RegFileKey{*key, remove, {}});
    return true;
}

// A value line ("name"=data or @=data) and the lines its data continue to.
bool parseValueLine(Lines& lines, bool version5, RegFile& file, QString& reason) {
    // Only the left is trimmed: a name's trailing blanks may go on to the next line.
    QString entry = lines.raw[lines.at];
    qsizetype lead = 0;
    while (lead < entry.size() && entry[lead].isSpace())
        ++lead;
    entry.remove(0, lead);
    if (file.keys.empty()) {
        reason = QStringLiteral("value outside a key");
        return false;
    }
    RegFileValue v;
    QString rest;
    if (entry.startsWith(QLatin1Char('@')))
        rest = chopCr(entry.mid(1)).trimmed();
    else if (!valueName(lines, entry, v.value.name, rest, reason))
        return false;
    if (!rest.startsWith(QLatin1Char('='))) {
        reason = QStringLiteral("missing '='");
        return false;
    }
    if (!parseData(lines, rest.mid(1).trimmed(), version5, v, reason))
        return false;
    file.keys.back().values.push_back(std::move(v));
    return true;
}

} // namespace

bool parseRegFile(const QByteArray& bytes, RegFile& file, RegFileError& error) {
    file.keys.clear();
    Lines lines{decode(bytes).split(QLatin1Char('\n'))};
    const auto fail = [&](int line, const QString& reason) {
        error = RegFileError{line, reason};
        file.keys.clear();
        return false;
    };
    // The header is the very first line: no blank line, no second byte-order mark before it.
    const QString header = chopCr(lines.raw.front()).trimmed();
    if (header != kVersion5 && header != kVersion4)
        return fail(1, QStringLiteral("not a registry file header"));
    const bool version5 = header == kVersion5;
    for (lines.at = 1; lines.at < lines.raw.size(); ++lines.at) {
        const int lineNo = int(lines.at + 1);
        const QString trimmed = chopCr(lines.raw[lines.at]).trimmed();
        if (trimmed.isEmpty() || isCommentLine(trimmed))
            continue;
        QString reason;
        bool ok = false;
        if (trimmed.startsWith(QLatin1Char('[')))
            ok = parseKeyLine(trimmed, file, reason);
        else if (trimmed.startsWith(QLatin1Char('"')) || trimmed.startsWith(QLatin1Char('@')))
            ok = parseValueLine(lines, version5, file, reason);
        else
            reason = QStringLiteral("unrecognised line");
        if (!ok)
            return fail(lineNo, reason);
    }
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

QString notWritable(const std::vector<std::pair<KeyName, std::vector<RegValue>>>& keys) {
    const auto validUtf8 = [](const std::string& s) {
        const QByteArray b = QByteArray::fromStdString(s);
        return QString::fromUtf8(b).toUtf8() == b;
    };
    for (const auto& [key, values] : keys) {
        if (key.path.contains(QLatin1Char('\n')))
            return QStringLiteral("the key name %1, which holds a line break").arg(key.full());
        for (const auto& v : values) {
            const bool text = isUnicodeStringType(v.type);
            if (!validUtf8(v.name) || (text && !validUtf8(v.data)))
                return QStringLiteral("a value of %1 that is not valid UTF-8 text").arg(key.full());
        }
    }
    return QString();
}

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
