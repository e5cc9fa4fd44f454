#include "accessheader.h"

namespace tav::ado {

QString accessVersionOf(const QByteArray& header) {
    if (header.size() < 0x15 || !header.startsWith(QByteArrayLiteral("\x00\x01\x00\x00")))
        return {};
    const QByteArray signature = header.mid(4, 16);
    if (signature == QByteArrayLiteral("Standard ACE DB\0"))
        return QStringLiteral("ACE");
    if (signature != QByteArrayLiteral("Standard Jet DB\0"))
        return {};
    return header[0x14] == 0 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4");
}

} // namespace tav::ado
