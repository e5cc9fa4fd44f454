#include "providers.h"

#include "adoerror.h"
#include "datasourcepath.h"
#include "sqliteformat.h"
#ifdef TAV_ACCESS_SUPPORT
#include "accessformat.h"
#endif

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace tav::ado {

namespace {

struct Registry {
    std::vector<std::pair<QString, ProviderFactory>> providers;
    std::vector<std::shared_ptr<const FileFormat>> formats;

    Registry() {
        providers.emplace_back(Providers::jetProviderName(), &Providers::openDatabaseFile);
        formats.push_back(std::make_shared<SqliteFormat>());
#ifdef TAV_ACCESS_SUPPORT
        formats.push_back(std::make_shared<AccessFormat>());
#endif
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

QByteArray readHeader(const QString& path) {
    if (QFileInfo(path).isDir())
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("'%1' is a folder, not a database file.").arg(path));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Cannot open the database file '%1': %2. You may not have "
                                           "permission to read it.")
                                .arg(path, f.errorString()));
    return f.read(100);
}

} // namespace

void Providers::add(const QString& name, ProviderFactory factory) {
    auto& list = registry().providers;
    std::erase_if(list, [&](const auto& p) { return p.first.compare(name, Qt::CaseInsensitive) == 0; });
    list.emplace_back(name, std::move(factory));
}

void Providers::addFileFormat(std::shared_ptr<const FileFormat> format) {
    auto& list = registry().formats;
    list.insert(list.begin(), std::move(format));
}

std::unique_ptr<Connection> Providers::connect(const ConnectionString& cs) {
    const QString name = cs.value(QStringLiteral("Provider")).value_or(QString());
    for (const auto& [known, factory] : registry().providers)
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return factory(cs);
    throw recordsetError(errc::ProviderNotFound, name);
}

std::unique_ptr<Connection> Providers::openDatabaseFile(const ConnectionString& cs) {
    const QString path = resolveDataSourcePath(cs.value(QStringLiteral("Data Source")).value_or(QString()));
    const QByteArray header = readHeader(path);
    for (const auto& format : registry().formats)
        if (format->recognizes(header))
            return format->open(path);
    throw providerError(errc::ProviderFailure,
                        QStringLiteral("Unrecognized database format '%1': the file is empty or is not a "
                                       "database this provider can read.")
                            .arg(path));
}

} // namespace tav::ado
