#include "adoerror.h"
#include "sqliteformat_p.h"
#include "sqliterows.h"
#include "sqlitestmt.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <limits>
#include <optional>
#include <sqlite3.h>
#include <string_view>

namespace tav::ado {

namespace {

// How long a read waits for another program's change to finish before it reports the lock.
constexpr int lockWaitMs = 2000;

// The URI parameters that open `path` read-only without creating anything beside it.
// A rollback-journal file is read under the usual shared lock, so another program's change
// in progress is waited for or reported, never read half made, and a journal left by a
// program that stopped while writing is noticed. A write-ahead-log file with its log beside
// it is read through the log, which holds committed rows not yet copied into the file.
// Without a log there is nothing beyond the file itself, and it is read as unchanging:
// opening it otherwise would create the log and its index beside it.
QByteArray openParameters(const QString& path) {
    QFile f(path);
    const QByteArray header = f.open(QIODevice::ReadOnly) ? f.read(20) : QByteArray();
    const bool logMode = header.size() == 20 && header[18] == 2;
    if (logMode && !QFileInfo::exists(path + QStringLiteral("-wal")))
        return QByteArrayLiteral("?mode=ro&immutable=1");
    return QByteArrayLiteral("?mode=ro");
}

// The name after "no such table: " style messages.
QString nameAfter(const QString& message, const QString& prefix) {
    return message.mid(message.indexOf(prefix) + prefix.size()).trimmed();
}

class SqliteConnection : public Connection {
  public:
    explicit SqliteConnection(const QString& path) : m_path(path) {
        const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + openParameters(path);
        const int rc = sqlite3_open_v2(uri.constData(), &m_db,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) {
            const QString why =
                m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
            sqlite3_close(m_db);
            m_db = nullptr;
            throw providerError(
                errc::ProviderFailure,
                QStringLiteral("Cannot open the database file '%1': %2.").arg(path, why));
        }
        // The file is named by a setting: read it as one from elsewhere.
        guardUntrustedDatabase(m_db);
        sqlite3_busy_timeout(m_db, lockWaitMs);
        // Reading the schema proves the file is a sound database before any query runs.
        try {
            ReadTransaction reading(m_db);
            SqliteStmt st(m_db, "select count(*) from sqlite_master");
            int check = st.rc();
            if (check == SQLITE_OK)
                check = sqlite3_step(st.get());
            st.finalize();
            if (check != SQLITE_ROW) {
                if (auto failure = fileFailure(m_db, path))
                    throw *failure;
                throw providerError(errc::ProviderFailure,
                                    QStringLiteral("Unrecognized database format '%1': %2.")
                                        .arg(path, QString::fromUtf8(sqlite3_errmsg(m_db))));
            }
            checkWholePages();
        } catch (const VbError&) {
            sqlite3_close(m_db);
            m_db = nullptr;
            throw;
        }
    }
    ~SqliteConnection() override { sqlite3_close(m_db); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    std::shared_ptr<const RowSet> query(const QString& sql) override {
        ReadTransaction reading(m_db);
        const QByteArray text = sql.toUtf8();
        const char* tail = nullptr;
        SqliteStmt st(m_db, std::string_view(text.constData(), size_t(text.size())), 0, &tail);
        if (st.rc() != SQLITE_OK) {
            if (auto failure = fileFailure(m_db, m_path))
                throw *failure;
            throw queryError(sql);
        }
        if (!st.get())
            throw providerError(errc::CommandError, QStringLiteral("The query text is empty."));
        if (!QByteArray(tail).replace(';', ' ').trimmed().isEmpty())
            throw providerError(
                errc::CommandError,
                QStringLiteral("Characters found after the end of the query: %1").arg(sql));

        std::shared_ptr<const RowSet> rows = readAllRows(m_db, st.get(), m_path, sql);
        st.finalize();
        checkWholePages();
        return rows;
    }

  private:
    // One read transaction: the shared lock its first read takes is held until it ends, so
    // no other program changes the file between the rows and the size check. Ending it
    // only releases the lock, as nothing was written.
    class ReadTransaction {
      public:
        explicit ReadTransaction(sqlite3* db) : m_db(db) {
            sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
        }
        ~ReadTransaction() { sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); }
        ReadTransaction(const ReadTransaction&) = delete;
        ReadTransaction& operator=(const ReadTransaction&) = delete;

      private:
        sqlite3* m_db;
    };

    // SQLite always writes whole pages and reads the missing end of a cut page as zeros,
    // so a file cut inside a page gives wrong values without any error: refuse it.
    void checkWholePages() const {
        sqlite3_file* file = nullptr;
        sqlite3_int64 size = 0;
        if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
            !file || !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
            throw providerError(
                errc::ProviderFailure,
                QStringLiteral("Cannot read the database file '%1': its size is unknown.")
                    .arg(m_path));
        sqlite3_int64 pageSize = 0;
        if (SqliteStmt st(m_db, "pragma page_size");
            st.ok() && sqlite3_step(st.get()) == SQLITE_ROW)
            pageSize = sqlite3_column_int64(st.get(), 0);
        if (pageSize <= 0 || size % pageSize != 0)
            throw providerError(
                errc::ProviderFailure,
                QStringLiteral(
                    "The database file '%1' is damaged or truncated: its %2 bytes are not "
                    "a whole number of its %3-byte pages.")
                    .arg(m_path)
                    .arg(size)
                    .arg(pageSize));
    }

    VbError queryError(const QString& sql) const {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (msg.startsWith(QLatin1String("no such table:")))
            return providerError(errc::NoSuchTable,
                                 QStringLiteral("The table or query '%1' does not exist in '%2'.")
                                     .arg(nameAfter(msg, QStringLiteral(":")), m_path));
        return statementFailure(msg, sql);
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
