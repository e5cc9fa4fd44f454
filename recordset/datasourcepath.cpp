#include "adoerror.h"
#include "datasourcepath_p.h"

#include <QDir>
#include <QFileInfo>

namespace tav::ado {

QString resolveDataSourcePath(const QString& dataSource) {
    QString path = dataSource;
    path.replace(u'\\', u'/');
    if (path.trimmed().isEmpty())
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("The connection string names no database file (Data Source is empty)."));
    path = QDir::cleanPath(QDir::current().absoluteFilePath(path));

    const QFileInfo fi(path);
    if (fi.exists())
        return path;

    const QDir folder = fi.dir();
    if (!folder.exists())
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("Could not find the folder '%1' of the database file '%2'.")
                .arg(folder.path(), path));

    const QStringList names = folder.entryList(QDir::Files | QDir::Dirs | QDir::Hidden |
                                               QDir::System | QDir::NoDotAndDotDot);
    QStringList matches;
    for (const QString& name : names)
        if (name.compare(fi.fileName(), Qt::CaseInsensitive) == 0)
            matches << name;
    if (matches.isEmpty())
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Could not find file '%1'.").arg(path));
    matches.sort();
    if (matches.size() > 1)
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("The file name '%1' matches several files in '%2' (%3); "
                           "name the one to use exactly.")
                .arg(fi.fileName(), folder.path(), matches.join(QStringLiteral(", "))));
    return folder.filePath(matches.front());
}

} // namespace tav::ado
