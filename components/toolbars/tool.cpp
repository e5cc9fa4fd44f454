#include "tool.h"

#include <QRegularExpression>

namespace tav::toolbars {

QString Tool::displayName() const {
    QString s = caption;
    static const QRegularExpression marker(QStringLiteral("&(.)"));
    s.replace(marker, QStringLiteral("\\1"));
    return s.isEmpty() ? name : s;
}

} // namespace tav::toolbars
