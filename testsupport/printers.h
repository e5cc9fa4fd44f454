#pragma once
// Readable test failure messages for Qt strings and variants.
#include "variant.h"
#include "vberror.h"

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (const QString& s : l)
        *os << " \"" << s.toStdString() << '"';
    *os << " }";
}

namespace tav {
// Kind and text form, with NUL characters shown as \0.
inline void PrintTo(const Variant& v, std::ostream* os) {
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
