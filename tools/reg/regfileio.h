#pragma once
// The files of import and export: what may be read, and where an export may write.
#include <QByteArray>
#include <QString>

namespace tav::regtool {

// The largest .reg file import reads: the files are text, far smaller than this.
inline constexpr qint64 kMaxRegFileBytes = 512LL * 1024 * 1024;

// Reads a regular file of at most kMaxRegFileBytes. Anything else (a FIFO, a device, a
// folder) is refused at once, without waiting on it. On failure `error` holds the message.
bool readRegFileBytes(const QString& path, QByteArray& out, QString& error);

// The file an export to `path` replaces: `path` itself, or what a chain of symbolic links
// leads to. That must be a regular file or absent; otherwise the result is empty and
// `error` says why.
QString exportTarget(const QString& path, QString& error);

} // namespace tav::regtool
