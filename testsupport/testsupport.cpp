#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdio>

namespace tav::test {

TempDir::TempDir() { m_dir.setAutoRemove(true); }

QString fixturesDir() { return qEnvironmentVariable("TAV_FIXTURES_DIR"); }

QString copyFixture(const QString& name, const QString& dir) {
    const QString src = QDir(fixturesDir()).filePath(name);
    if (fixturesDir().isEmpty() || !QFileInfo::exists(src))
        return {};
    const QString dst = QDir(dir).filePath(name);
    QFile::remove(dst);
    if (!QFile::copy(src, dst))
        return {};
    QFile::setPermissions(dst, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return dst;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

void renameOver(const QString& from, const QString& to) {
    ASSERT_EQ(std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()), 0)
        << from.toStdString() << " -> " << to.toStdString();
}

QByteArray fileDigest(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

MessageBoxRecorder::MessageBoxRecorder()
    : m_guard([this](const MessageBoxRequest& r) {
          m_boxes.push_back(r);
          return mb::OK;
      }) {}

std::optional<VbError> errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e;
    }
    return std::nullopt;
}

} // namespace tav::test
