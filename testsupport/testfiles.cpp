#include "testfiles.h"

#include <QCryptographicHash>
#include <QFile>

#include <cstdio>

#include <gtest/gtest.h>

namespace tav::test {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

void writeScript(const QString& path, const QByteArray& text) {
    ASSERT_NO_FATAL_FAILURE(writeFile(path, text));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner))
        << path.toStdString();
}

void renameOver(const QString& from, const QString& to) {
    ASSERT_EQ(std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()),
              0)
        << from.toStdString() << " -> " << to.toStdString();
}

QByteArray fileDigest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace tav::test
