#include "connectionstring.h"

#include "adoerror.h"

namespace tav::ado {

namespace {

VbError malformed(const QString& text, const QString& why) {
    return providerError(
        errc::BadInitString,
        QStringLiteral("The connection string is malformed (%1): %2").arg(why, text));
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Reads characters one at a time; each read* member leaves `pos` after what it consumed.
struct Scanner {
    const QString& s;
    qsizetype pos = 0;

    bool atEnd() const { return pos >= s.size(); }
    QChar peek(qsizetype ahead = 0) const {
        return pos + ahead < s.size() ? s[pos + ahead] : QChar();
    }
    void skipBlanks() {
        while (!atEnd() && isBlank(s[pos]))
            ++pos;
    }

    // Key up to its '=': "==" stands for a literal '='. Returns nullopt at a ';' or the end
    // without '=' (the segment is then blank or malformed).
    std::optional<QString> readKey() {
        QString key;
        while (!atEnd()) {
            const QChar c = s[pos];
            if (c == u'=') {
                if (peek(1) == u'=') {
                    key += u'=';
                    pos += 2;
                    continue;
                }
                ++pos;
                return key.trimmed();
            }
            if (c == u';')
                break;
            key += c;
            ++pos;
        }
        if (!key.trimmed().isEmpty())
            throw malformed(s, QStringLiteral("'%1' has no '='").arg(key.trimmed()));
        return std::nullopt;
    }

    QString readValue() {
        skipBlanks();
        const QChar q = peek();
        if (q == u'"' || q == u'\'')
            return readQuoted(q);
        QString v;
        while (!atEnd() && s[pos] != u';')
            v += s[pos++];
        return v.trimmed();
    }

    QString readQuoted(QChar q) {
        ++pos;
        QString v;
        for (;;) {
            if (atEnd())
                throw malformed(s, QStringLiteral("a quoted value is not closed"));
            const QChar c = s[pos++];
            if (c != q) {
                v += c;
                continue;
            }
            if (peek() == q) {
                v += q;
                ++pos;
                continue;
            }
            break;
        }
        skipBlanks();
        if (!atEnd() && s[pos] != u';')
            throw malformed(s, QStringLiteral("text follows a quoted value"));
        return v;
    }
};

} // namespace

ConnectionString ConnectionString::parse(const QString& text) {
    ConnectionString cs;
    Scanner sc{text};
    while (!sc.atEnd()) {
        if (auto key = sc.readKey()) {
            if (key->isEmpty())
                throw malformed(text, QStringLiteral("a value has no key"));
            QString value = sc.readValue();
            std::erase_if(cs.m_pairs, [&](const auto& p) {
                return p.first.compare(*key, Qt::CaseInsensitive) == 0;
            });
            cs.m_pairs.emplace_back(std::move(*key), std::move(value));
        }
        if (!sc.atEnd())
            ++sc.pos; // the ';'
    }
    return cs;
}

std::optional<QString> ConnectionString::value(const QString& key) const {
    for (const auto& [k, v] : m_pairs)
        if (k.compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return v;
    return std::nullopt;
}

QString ConnectionString::quoteValue(const QString& value) {
    // Quoted when plain text would read back otherwise: a ';' ends the pair, a leading
    // quote opens a quoted value, a leading '=' would join "==" into the key, and outer
    // white space of any kind is trimmed.
    const bool needs = value.contains(u';') || value.startsWith(u'"') || value.startsWith(u'\'') ||
                       value.startsWith(u'=') ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needs)
        return value;
    if (!value.contains(u'"'))
        return u'"' + value + u'"';
    if (!value.contains(u'\''))
        return u'\'' + value + u'\'';
    QString doubled = value;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

} // namespace tav::ado
