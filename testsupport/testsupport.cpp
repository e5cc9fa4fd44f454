#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

MessageBoxRecorder::MessageBoxRecorder()
    : m_guard([this](const MessageBoxRequest& r) {
          m_boxes.push_back(r);
          return mb::OK;
      }) {}

} // namespace tav::test
