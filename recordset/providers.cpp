#include "providers.h"

#include "adoerror.h"
#include "datasourcepath_p.h"
#include "sqliteformat_p.h"
#include "unsupportedaccessformat_p.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tav::ado {

namespace {

struct Registry {
    std::vector<std::pair<QString, ProviderFactory>> providers;
    std::vector<std::shared_ptr<const FileFormat>> formats;

    Registry() {
        providers.emplace_back(Providers::jetProviderName(), &Providers::openDatabaseFile);
        formats.push_back(std::make_shared<SqliteFormat>());
        formats.push_back(std::make_shared<UnsupportedAccessFormat>());
    }
};

Registry& registry() {
    static Registry r;
    return r;
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

// Only a regular file is a database file: opening a named pipe would wait for a writer for
// ever, and a device or a socket holds no database.
void refuseIfNotRegular(const QString& path, mode_t mode) {
    if (S_ISREG(mode))
        return;
    const char* what = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "not a regular file";
    throw providerError(
        errc::ProviderFailure,
        QStringLiteral("'%1' is %2, not a database file.").arg(path, QLatin1String(what)));
}

// Closes a file descriptor when it goes.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// The identity and the first 100 bytes of the database file at `path`. Its kind is checked
// before it is opened, and it is opened without waiting and checked again, so that a named
// pipe swapped in between cannot block.
std::pair<FileId, QByteArray> readHeader(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Could not find file '%1'.").arg(path));
    refuseIfNotRegular(path, st.st_mode);
    const FileDescriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("Cannot open the database file '%1': %2. You may not have "
                           "permission to read it.")
                .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    refuseIfNotRegular(path, st.st_mode);
    char bytes[100];
    ssize_t n = 0;
    do
        n = ::read(fd.get(), bytes, sizeof bytes);
    while (n < 0 && errno == EINTR);
    return {FileId{st.st_dev, st.st_ino}, QByteArray(bytes, n < 0 ? 0 : qsizetype(n))};
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
    // Taken from the file the header was read from: a file swapped in while the format opens
    // it is caught at the first query.
    const auto [id, header] = readHeader(path);
    for (const auto& format : registry().formats)
        if (format->recognizes(header))
            return std::make_unique<FileBoundConnection>(path, id, format->open(path));
    throw providerError(
        errc::ProviderFailure,
        QStringLiteral("Unrecognized database format '%1': the file is empty or is not a "
                       "database this provider can read.")
            .arg(path));
}

} // namespace tav::ado
