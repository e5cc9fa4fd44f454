#include "regcompare.h"

#include "codepage.h"
#include "regvalueformat.h"

#include <algorithm>

namespace tav::regtool {

namespace {

QString nameOf(const RegValue& v) {
    return v.name.empty() ? QStringLiteral("(Default)") : QString::fromUtf8(v.name.c_str());
}

QString valueLine(QChar marker, const KeyName& key, const RegValue& v) {
    return QString(marker) + QLatin1Char(' ') + key.full() + QStringLiteral("    ") + nameOf(v) +
           QStringLiteral("    ") + typeName(v.type) + QStringLiteral("    ") + displayData(v);
}

bool sameName(const std::string& a, const std::string& b) {
    return QString::fromUtf8(a.c_str()).compare(QString::fromUtf8(b.c_str()),
                                                Qt::CaseInsensitive) == 0;
}

const RegValue* findValue(const std::vector<RegValue>& values, const std::string& name) {
    const auto it = std::find_if(values.begin(), values.end(),
                                 [&](const RegValue& v) { return sameName(v.name, name); });
    return it == values.end() ? nullptr : &*it;
}

} // namespace

LONG KeyComparison::run(const KeyName& first, const KeyName& second) {
    if (const LONG s = compareKeys(first, second))
        return s;
    if (m_options.valueName && !m_options.recurse && m_valuesSeen == 0)
        return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

LONG KeyComparison::compareKeys(const KeyName& first, const KeyName& second) {
    KeyHandle a, b;
    if (const LONG s = openKey(first, KEY_READ, a))
        return s;
    if (const LONG s = openKey(second, KEY_READ, b))
        return s;
    std::vector<RegValue> va, vb;
    std::vector<std::string> ka, kb;
    for (const LONG s : {readValues(a.get(), va), readValues(b.get(), vb)})
        if (s)
            return s;
    compareValues(first, va, second, vb);
    if (!m_options.recurse)
        return ERROR_SUCCESS;
    for (const LONG s : {readSubkeys(a.get(), ka), readSubkeys(b.get(), kb)})
        if (s)
            return s;
    a.reset();
    b.reset();
    return compareSubkeys(first, ka, second, kb);
}

void KeyComparison::compareValues(const KeyName& first, const std::vector<RegValue>& a,
                                  const KeyName& second, const std::vector<RegValue>& b) {
    for (const RegValue& v : a) {
        if (!wanted(v))
            continue;
        ++m_valuesSeen;
        const RegValue* other = findValue(b, v.name);
        if (other && other->type == v.type && other->data == v.data) {
            match(valueLine(u'=', first, v));
            continue;
        }
        difference(valueLine(u'<', first, v));
        if (other)
            difference(valueLine(u'>', second, *other));
    }
    for (const RegValue& v : b)
        if (wanted(v) && !findValue(a, v.name)) {
            ++m_valuesSeen;
            difference(valueLine(u'>', second, v));
        }
}

// Subkeys on both sides are compared in turn; one on a single side is a difference.
LONG KeyComparison::compareSubkeys(const KeyName& first, const std::vector<std::string>& a,
                                   const KeyName& second, const std::vector<std::string>& b) {
    const auto has = [](const std::vector<std::string>& list, const std::string& name) {
        return std::any_of(list.begin(), list.end(),
                           [&](const std::string& n) { return sameName(n, name); });
    };
    for (const auto& name : a) {
        const QString child = QString::fromUtf8(name.c_str());
        if (!has(b, name))
            difference(QStringLiteral("< ") + first.child(child).full());
        else if (const LONG s = compareKeys(first.child(child), second.child(child)))
            return s;
    }
    for (const auto& name : b)
        if (!has(a, name))
            difference(QStringLiteral("> ") + second.child(QString::fromUtf8(name.c_str())).full());
    return ERROR_SUCCESS;
}

bool KeyComparison::wanted(const RegValue& v) const {
    return !m_options.valueName || sameName(v.name, toAnsi(*m_options.valueName).toStdString());
}

void KeyComparison::difference(const QString& line) {
    ++m_differences;
    if (m_options.show == CompareOptions::Show::All ||
        m_options.show == CompareOptions::Show::Differences)
        m_out << line << '\n';
}

void KeyComparison::match(const QString& line) {
    if (m_options.show == CompareOptions::Show::All ||
        m_options.show == CompareOptions::Show::Matches)
        m_out << line << '\n';
}

} // namespace tav::regtool
