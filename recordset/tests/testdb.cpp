#include "testdb.h"

#include <QDir>

#include <sqlite3.h>
#include <stdexcept>

namespace tav::test {

void makeDatabase(const QString& path, const QStringList& statements, const char* journalMode) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create " + path.toStdString());
    }
    const QString script =
        QStringLiteral("PRAGMA journal_mode=%1; BEGIN; %2; COMMIT;")
            .arg(QString::fromLatin1(journalMode), statements.join(QStringLiteral(";\n")));
    char* err = nullptr;
    const int rc = sqlite3_exec(db, script.toUtf8().constData(), nullptr, nullptr, &err);
    const std::string why = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot fill " + path.toStdString() + ": " + why);
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace tav::test
