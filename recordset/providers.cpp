#include "providers.h"

#include "adoerror.h"
#include "datasourcepath_p.h"
#include "sqliteformat_p.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <sys/stat.h>
#include <vector>

namespace tav::ado {

namespace {

struct Registry {
    std::vector<std::pair<QString, ProviderFactory>> providers;
    std::vector<std::shared_ptr<const FileFormat>> formats;

    Registry() {
        providers.emplace_back(Providers::jetProviderName(), &Providers::openDatabaseFile);
        formats.push_back(std::make_shared<SqliteFormat>());
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
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("Cannot open the database file '%1': %2. You may not have "
                           "permission to read it.")
                .arg(path, f.errorString()));
    return f.read(100);
}

// A file's identity: the same device and inode are the same file, whatever its name.
struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> fileIdOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// A connection to a database file that stops reading once its path names another file or
// none. The connection may still hold the old file open (or its rows in memory), but that
// file is no longer the one the connection string names, so nothing is read from it.
class FileBoundConnection : public Connection {
  public:
    FileBoundConnection(QString path, FileId id, std::unique_ptr<Connection> inner)
        : m_path(std::move(path)), m_id(id), m_inner(std::move(inner)) {}

    std::shared_ptr<const RowSet> query(const QString& sql) override {
        const std::optional<FileId> now = fileIdOf(m_path);
        if (!now)
            throw providerError(
                errc::ProviderFailure,
                QStringLiteral("The database file '%1' was deleted or moved after the connection "
                               "to it was opened.")
                    .arg(m_path));
        if (*now != m_id)
            throw providerError(
                errc::ProviderFailure,
                QStringLiteral("The database file '%1' was replaced by another file after the "
                               "connection to it was opened.")
                    .arg(m_path));
        return m_inner->query(sql);
    }

  private:
    QString m_path;
    FileId m_id;
    std::unique_ptr<Connection> m_inner;
};

} // namespace

void Providers::add(const QString& name, ProviderFactory factory) {
    auto& list = registry().providers;
    std::erase_if(list,
                  [&](const auto& p) { return p.first.compare(name, Qt::CaseInsensitive) == 0; });
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
    const QString path =
        resolveDataSourcePath(cs.value(QStringLiteral("Data Source")).value_or(QString()));
    // Taken before anything is read: a file swapped in while the format opens it is caught
    // at the first query.
    const std::optional<FileId> id = fileIdOf(path);
    const QByteArray header = readHeader(path);
    if (!id)
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Could not find file '%1'.").arg(path));
    for (const auto& format : registry().formats)
        if (format->recognizes(header))
            return std::make_unique<FileBoundConnection>(path, *id, format->open(path));
    throw providerError(
        errc::ProviderFailure,
        QStringLiteral("Unrecognized database format '%1': the file is empty or is not a "
                       "database this provider can read.")
            .arg(path));
}

} // namespace tav::ado
