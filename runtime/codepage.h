#pragma once
// Text crosses to platform calls in the system ANSI code page, which on this
// platform is UTF-8: a byte count handed to such a call is a count of UTF-8 bytes.
#include <QByteArray>
#include <QString>

namespace tav {

inline QByteArray toAnsi(const QString& s) {
    return s.toUtf8();
}
inline QString fromAnsi(const char* data, qsizetype len) {
    return QString::fromUtf8(data, len);
}
inline QString fromAnsi(const QByteArray& b) {
    return QString::fromUtf8(b);
}

} // namespace tav
