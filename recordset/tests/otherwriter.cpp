#include "otherwriter.h"

namespace tav::test {

OtherWriter::OtherWriter(const QString& database, const QString& statements) {
    m_process.setProgram(QStringLiteral(TAV_DBLOCKER_EXE));
    m_process.setArguments({database, statements});
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
        if (!m_process.waitForReadyRead(10000))
            break;
    m_ready = m_process.readLine().trimmed() == "ready";
    if (!m_ready)
        m_error = QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
}

OtherWriter::~OtherWriter() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

void OtherWriter::crash() {
    m_process.kill();
    m_process.waitForFinished();
}

QString exclusiveChangeOf(const QString& table, const QString& column, const QString& value) {
    return QStringLiteral("PRAGMA cache_size = 2; BEGIN EXCLUSIVE; UPDATE %1 SET %2 = '%3';")
        .arg(table, column, value);
}

} // namespace tav::test
