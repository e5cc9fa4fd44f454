#include "regfileio.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tav::regtool {

namespace {

const QString kOpenError =
    QStringLiteral("ERROR: Error opening the file. There may be a disk or file system error.");

QString notRegular(const QString& path) {
    return QStringLiteral("ERROR: %1 is not a regular file.").arg(path);
}

// Owns a file descriptor.
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool readRegFileBytes(const QString& path, QByteArray& out, QString& error) {
    // O_NONBLOCK: opening a FIFO without a writer must not wait; it is refused below anyway.
    const Fd f{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
        error = kOpenError;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = notRegular(path);
        return false;
    }
    const QString tooLarge =
        QStringLiteral("ERROR: %1 is larger than %2 MB: not a registry script.")
            .arg(path)
            .arg(kMaxRegFileBytes >> 20);
    if (st.st_size > kMaxRegFileBytes) {
        error = tooLarge;
        return false;
    }
    out.clear();
    out.reserve(qsizetype(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || out.size() + n > kMaxRegFileBytes) { // a file that grows while read
            error = n < 0 ? kOpenError : tooLarge;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buf, qsizetype(n));
    }
}

QString exportTarget(const QString& path, QString& error) {
    QString target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(QFile::encodeName(target).constData(), &st) != 0) {
            if (errno == ENOENT)
                return target;
            error = QStringLiteral("ERROR: Unable to write to the file %1.").arg(path);
            return QString();
        }
        if (S_ISREG(st.st_mode))
            return target;
        if (!S_ISLNK(st.st_mode))
            break;
        const QString link = QFileInfo(target).symLinkTarget();
        if (link.isEmpty())
            break;
        target = QDir::cleanPath(QFileInfo(target).absoluteDir().absoluteFilePath(link));
    }
    error = QStringLiteral("ERROR: %1 is not a regular file; it is left as it is.").arg(path);
    return QString();
}

} // namespace tav::regtool
