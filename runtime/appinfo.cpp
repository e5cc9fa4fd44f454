#include "appinfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace tav {

namespace {
QString& titleStorage() {
    static QString t;
    return t;
}

QString exePath() {
    // /proc/self/exe is the resolved program file even before a QCoreApplication exists.
    QFileInfo fi(QStringLiteral("/proc/self/exe"));
    QString target = fi.canonicalFilePath();
    if (target.isEmpty() && QCoreApplication::instance())
        target = QCoreApplication::applicationFilePath();
    return target;
}
} // namespace

QString AppInfo::title() {
    return titleStorage();
}
void AppInfo::setTitle(const QString& title) {
    titleStorage() = title;
}

QString AppInfo::path() {
    return QFileInfo(exePath()).absolutePath();
}

QString AppInfo::exeName() {
    return QFileInfo(exePath()).completeBaseName();
}

} // namespace tav
