#include "sqliteformat.h"

#include "adoerror.h"
#include "sqliterows.h"

#include <QUrl>

#include <sqlite3.h>

#include <limits>

namespace tav::ado {

namespace {

// The name after "no such table: " style messages.
QString nameAfter(const QString& message, const QString& prefix) {
    return message.mid(message.indexOf(prefix) + prefix.size()).trimmed();
}

class SqliteConnection : public Connection {
public:
    explicit SqliteConnection(const QString& path) : m_path(path) {
        const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?mode=ro&immutable=1";
        const int rc = sqlite3_open_v2(uri.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) {
            const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
            sqlite3_close(m_db);
            m_db = nullptr;
            throw providerError(errc::ProviderFailure,
                                QStringLiteral("Cannot open the database file '%1': %2.").arg(path, why));
        }
        // Reading the schema proves the file is a sound database before any query runs.
        sqlite3_stmt* st = nullptr;
        int check = sqlite3_prepare_v2(m_db, "select count(*) from sqlite_master", -1, &st, nullptr);
        if (check == SQLITE_OK)
            check = sqlite3_step(st);
        sqlite3_finalize(st);
        if (check != SQLITE_ROW) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            m_db = nullptr;
            throw providerError(errc::ProviderFailure,
                                QStringLiteral("Unrecognized database format '%1': %2.").arg(path, why));
        }
    }
    ~SqliteConnection() override { sqlite3_close(m_db); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    std::shared_ptr<const RowSet> query(const QString& sql) override {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, &tail) != SQLITE_OK)
            throw queryError(sql);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
        if (!st)
            throw providerError(errc::CommandError, QStringLiteral("The query text is empty."));
        if (!QByteArray(tail).replace(';', ' ').trimmed().isEmpty())
            throw providerError(errc::CommandError,
                                QStringLiteral("Characters found after the end of the query: %1").arg(sql));

        return readAllRows(m_db, st, m_path, sql);
    }

private:
    VbError queryError(const QString& sql) const {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (msg.startsWith(QLatin1String("no such table:")))
            return providerError(errc::NoSuchTable,
                                 QStringLiteral("The table or query '%1' does not exist in '%2'.")
                                     .arg(nameAfter(msg, QStringLiteral(":")), m_path));
        if (msg.startsWith(QLatin1String("no such column:")))
            return providerError(errc::MissingParameter,
                                 QStringLiteral("The query names '%1', which is not a field of its tables "
                                                "and has no value: %2")
                                     .arg(nameAfter(msg, QStringLiteral(":")), sql));
        if (msg.contains(QLatin1String("syntax error")) || msg.startsWith(QLatin1String("incomplete input")))
            return providerError(errc::CommandError,
                                 QStringLiteral("Syntax error in the query (%1): %2").arg(msg, sql));
        return providerError(errc::ProviderFailure, QStringLiteral("The query failed (%1): %2").arg(msg, sql));
    }

    QString m_path;
    sqlite3* m_db = nullptr;
};

} // namespace

bool SqliteFormat::recognizes(const QByteArray& header) const {
    return header.startsWith(QByteArrayLiteral("SQLite format 3\0"));
}

std::unique_ptr<Connection> SqliteFormat::open(const QString& path) const {
    return std::make_unique<SqliteConnection>(path);
}

} // namespace tav::ado
