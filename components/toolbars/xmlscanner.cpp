#include "xmlscanner.h"

#include <cstring>

namespace tav::toolbars {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           (uchar(c) & 0x80);
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

struct Entity {
    const char* name;
    char16_t ch;
};
constexpr Entity predefined[] = {
    {"amp", u'&'}, {"lt", u'<'}, {"gt", u'>'}, {"quot", u'"'}, {"apos", u'\''}};

} // namespace

const XmlScanner::Attribute* XmlScanner::Attributes::find(QLatin1String name) const {
    const QByteArrayView wanted(name.data(), name.size());
    for (const Attribute& a : m_list)
        if (a.name == wanted)
            return &a;
    return nullptr;
}

XmlScanner::XmlScanner(QByteArrayView data) : m_data(data) {
    if (m_data.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

bool XmlScanner::readNextStartElement() {
    for (;;) {
        switch (readNext()) {
        case Token::StartElement:
            return true;
        case Token::EndElement:
        case Token::EndDocument:
        case Token::Invalid:
            return false;
        }
    }
}

void XmlScanner::skipCurrentElement() {
    int depth = 1;
    while (depth > 0) {
        const Token t = readNext();
        if (t == Token::EndElement)
            --depth;
        else if (t == Token::StartElement)
            ++depth;
        else
            return;
    }
}

XmlScanner::Token XmlScanner::fail(const QString& message) {
    if (m_error.isEmpty())
        m_error = message;
    m_token = Token::Invalid;
    return m_token;
}

XmlScanner::Token XmlScanner::readNext() {
    if (m_token == Token::Invalid && hasError())
        return m_token;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return m_token = Token::EndElement;
    }
    for (;;) {
        // Text between tags: only blanks are allowed outside the root element; inside,
        // text carries nothing this format uses and is passed over.
        const qsizetype lt = m_data.indexOf('<', m_pos);
        const qsizetype textEnd = lt < 0 ? m_data.size() : lt;
        for (qsizetype i = m_pos; i < textEnd; ++i) {
            const char c = m_data[i];
            if (c == '\n')
                ++m_line;
            else if (m_open.empty() && !isSpace(c)) {
                m_pos = i;
                return fail(QStringLiteral("text outside the root element"));
            }
        }
        m_pos = textEnd;
        if (lt < 0) {
            if (!m_open.empty())
                return fail(QStringLiteral("premature end of document: <%1> is not closed")
                                .arg(QString::fromUtf8(m_open.back())));
            if (!m_started)
                return fail(QStringLiteral("the document has no element"));
            return m_token = Token::EndDocument;
        }
        const QByteArrayView rest = m_data.sliced(m_pos);
        if (rest.startsWith("<!--")) {
            m_pos += 4;
            if (!skipPast("-->"))
                return fail(QStringLiteral("unterminated comment"));
        } else if (rest.startsWith("<?")) {
            m_pos += 2;
            if (!skipPast("?>"))
                return fail(QStringLiteral("unterminated processing instruction"));
        } else if (rest.startsWith("<!")) {
            return fail(QStringLiteral("DOCTYPE and CDATA sections are not supported"));
        } else {
            return readTag();
        }
    }
}

bool XmlScanner::skipPast(QByteArrayView terminator) {
    const qsizetype end = m_data.indexOf(terminator, m_pos);
    const qsizetype stop = end < 0 ? m_data.size() : end + terminator.size();
    for (qsizetype i = m_pos; i < stop; ++i)
        if (m_data[i] == '\n')
            ++m_line;
    m_pos = stop;
    return end >= 0;
}

void XmlScanner::skipSpace() {
    while (!atEnd() && isSpace(m_data[m_pos])) {
        if (m_data[m_pos] == '\n')
            ++m_line;
        ++m_pos;
    }
}

QByteArrayView XmlScanner::readName() {
    const qsizetype start = m_pos;
    if (atEnd() || !isNameStart(m_data[m_pos]))
        return {};
    while (!atEnd() && isNameChar(m_data[m_pos]))
        ++m_pos;
    return m_data.sliced(start, m_pos - start);
}

XmlScanner::Token XmlScanner::readTag() {
    ++m_pos; // '<'
    const bool closing = !atEnd() && m_data[m_pos] == '/';
    if (closing)
        ++m_pos;
    const QByteArrayView name = readName();
    if (name.isEmpty())
        return fail(QStringLiteral("malformed tag"));
    if (closing) {
        skipSpace();
        if (atEnd() || m_data[m_pos] != '>')
            return fail(QStringLiteral("malformed end tag </%1>").arg(QString::fromUtf8(name)));
        ++m_pos;
        if (m_open.empty() || m_open.back() != name)
            return fail(QStringLiteral("opening and ending tag mismatch: </%1> closes <%2>")
                            .arg(QString::fromUtf8(name),
                                 m_open.empty() ? QString() : QString::fromUtf8(m_open.back())));
        m_name = QString::fromUtf8(name);
        m_open.pop_back();
        return m_token = Token::EndElement;
    }
    if (m_open.empty() && m_started)
        return fail(QStringLiteral("extra content after the root element"));
    m_started = true;
    m_name = QString::fromUtf8(name);
    m_open.push_back(name);
    if (!readAttributes())
        return m_token;
    if (m_data[m_pos] == '/') {
        if (m_pos + 1 >= m_data.size() || m_data[m_pos + 1] != '>')
            return fail(QStringLiteral("malformed tag <%1>").arg(m_name));
        m_pos += 2;
        m_pendingEnd = true;
    } else {
        ++m_pos; // '>'
    }
    return m_token = Token::StartElement;
}

// Reads the attributes of a start tag, leaving the position on its '/' or '>'.
bool XmlScanner::readAttributes() {
    m_attrs.clear();
    for (;;) {
        const qsizetype before = m_pos;
        skipSpace();
        if (atEnd()) {
            fail(QStringLiteral("premature end of document in <%1>").arg(m_name));
            return false;
        }
        const char c = m_data[m_pos];
        if (c == '/' || c == '>')
            return true;
        if (m_pos == before) {
            fail(QStringLiteral("attributes of <%1> must be separated by blanks").arg(m_name));
            return false;
        }
        const QByteArrayView attrName = readName();
        if (attrName.isEmpty()) {
            fail(QStringLiteral("malformed attribute in <%1>").arg(m_name));
            return false;
        }
        skipSpace();
        if (atEnd() || m_data[m_pos] != '=') {
            fail(QStringLiteral("attribute %1 has no value").arg(QString::fromUtf8(attrName)));
            return false;
        }
        ++m_pos;
        skipSpace();
        const char quote = atEnd() ? '\0' : m_data[m_pos];
        if (quote != '"' && quote != '\'') {
            fail(QStringLiteral("the value of attribute %1 is not quoted")
                     .arg(QString::fromUtf8(attrName)));
            return false;
        }
        const qsizetype start = ++m_pos;
        const qsizetype end = m_data.indexOf(quote, start);
        if (end < 0) {
            fail(QStringLiteral("unterminated value of attribute %1")
                     .arg(QString::fromUtf8(attrName)));
            return false;
        }
        const QByteArrayView raw = m_data.sliced(start, end - start);
        m_pos = end + 1;
        for (const Attribute& a : m_attrs)
            if (a.name == attrName) {
                fail(QStringLiteral("attribute %1 is repeated").arg(QString::fromUtf8(attrName)));
                return false;
            }
        QString value = decode(raw);
        if (hasError())
            return false;
        m_attrs.append({attrName, std::move(value)});
    }
}

// An attribute value with entity and character references replaced and blanks
// normalised as XML wants them.
QString XmlScanner::decode(QByteArrayView raw) {
    bool plain = true;
    for (const char c : raw) {
        if (c == '&' || c == '<' || c == '\n' || c == '\r' || c == '\t') {
            plain = false;
            break;
        }
    }
    if (plain)
        return QString::fromUtf8(raw);
    QString out;
    out.reserve(raw.size());
    qsizetype runStart = 0;
    auto flush = [&](qsizetype upTo) {
        out += QString::fromUtf8(raw.sliced(runStart, upTo - runStart));
    };
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '<') {
            fail(QStringLiteral("'<' in an attribute value"));
            return {};
        }
        if (c == '\n' || c == '\r' || c == '\t') {
            flush(i);
            if (c == '\n')
                ++m_line;
            // A line break of CR LF counts once.
            if (!(c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n'))
                out += u' ';
            runStart = i + 1;
            continue;
        }
        if (c != '&')
            continue;
        flush(i);
        const qsizetype semi = raw.indexOf(';', i);
        if (semi < 0) {
            fail(QStringLiteral("unterminated entity reference"));
            return {};
        }
        const QByteArrayView ref = raw.sliced(i + 1, semi - i - 1);
        bool ok = false;
        if (ref.startsWith('#')) {
            const bool hex = ref.size() > 1 && ref[1] == 'x';
            const uint code = QByteArray(ref.sliced(hex ? 2 : 1).data(), ref.size() - (hex ? 2 : 1))
                                  .toUInt(&ok, hex ? 16 : 10);
            ok = ok && code > 0 && code <= 0x10FFFF;
            if (ok) {
                const char32_t ch = char32_t(code);
                out += QString::fromUcs4(&ch, 1);
            }
        } else {
            for (const Entity& e : predefined)
                if (ref == QByteArrayView(e.name)) {
                    out += QChar(e.ch);
                    ok = true;
                }
        }
        if (!ok) {
            fail(QStringLiteral("unknown entity &%1;").arg(QString::fromUtf8(ref)));
            return {};
        }
        i = semi;
        runStart = semi + 1;
    }
    flush(raw.size());
    return out;
}

} // namespace tav::toolbars
