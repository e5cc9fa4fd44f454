#include "accessformat.h"
#include "sqliterows.h"

#include "accesscollation.h"
#include "accessfunctions.h"
#include "accesssql.h"
#include "adoerror.h"
#include "appinfo.h"
#include "savedqueries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtDebug>

#include <sqlite3.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

namespace tav::ado {

namespace {

constexpr int defaultTimeoutMs = 15000;
constexpr int passwordProtected = 5;  // the reader's exit status for a protected file
constexpr qsizetype maxMessageBytes = 64 * 1024;  // of the reader's messages, the last ones
constexpr int defaultMemoryMb = 1024;  // the reader's address space

// The address sanitizer reserves terabytes of address space up front: a reader built with
// it cannot start under a limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSpaceCanBeLimited = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSpaceCanBeLimited = false;
#else
constexpr bool addressSpaceCanBeLimited = true;
#endif
#else
constexpr bool addressSpaceCanBeLimited = true;
#endif

VbError damaged(const QString& path, const QString& why) {
    return providerError(errc::ProviderFailure,
                         QStringLiteral("'%1' is not an Access database or is damaged: %2").arg(path, why));
}

// Runs the helper and returns the SQLite image it writes.
QByteArray readImage(const QString& path) {
    const QString reader = AccessFormat::readerPath();
    if (!QFileInfo(reader).isExecutable())
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Cannot read the Access file '%1': the reader program '%2' is missing.")
                                .arg(path, reader));
    bool ok = false;
    int timeoutMs = qEnvironmentVariableIntValue("TAV_MDBREADER_TIMEOUT_MS", &ok);
    if (!ok || timeoutMs <= 0)
        timeoutMs = defaultTimeoutMs;

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("MDBPATH"));  // an empty entry makes the library search forever
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.setProgram(reader);
    // A crafted file that makes the library allocate without end stops the reader (the library
    // aborts or crashes when an allocation fails) instead of exhausting the machine; the limit
    // is set in the child before exec.
    int memoryMb = qEnvironmentVariableIntValue("TAV_MDBREADER_MEMORY_MB", &ok);
    if (!ok || memoryMb <= 0)
        memoryMb = defaultMemoryMb;
    if (addressSpaceCanBeLimited)
        process.setChildProcessModifier([bytes = rlim_t(memoryMb) << 20] {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_AS, &limit);
        });
    process.setArguments({QFileInfo(path).absoluteFilePath()});
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted())
        throw providerError(errc::ProviderFailure, QStringLiteral("Cannot start the Access file reader '%1': %2")
                                                       .arg(reader, process.errorString()));
    process.closeWriteChannel();
    // Only the end of the reader's messages is kept: on some damaged files the library
    // repeats a warning without end (megabytes a second) until the time limit stops it.
    QByteArray errorTail;
    const auto keepTail = [&] {
        errorTail += process.readAllStandardError();
        if (errorTail.size() > maxMessageBytes)
            errorTail = errorTail.right(maxMessageBytes);
    };
    // Waiting on the message channel wakes at each chunk of messages, so they never pile up.
    process.setReadChannel(QProcess::StandardError);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            process.kill();
            process.waitForFinished();
            throw damaged(path, QStringLiteral("reading it did not finish within %1 s.").arg(timeoutMs / 1000.0));
        }
        process.waitForReadyRead(int(std::min<qint64>(left, 100)));
        keepTail();
    }
    keepTail();
    const QString messages = QString::fromLocal8Bit(errorTail).trimmed();
    if (process.exitStatus() == QProcess::CrashExit)
        throw damaged(path, QStringLiteral("the reader stopped unexpectedly while reading it."));
    if (process.exitCode() == passwordProtected)
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("'%1' is protected by a database password; this reader opens only "
                                           "files without one.")
                                .arg(path));
    if (process.exitCode() != 0)
        throw damaged(path, messages.isEmpty() ? QStringLiteral("the reader failed (%1).").arg(process.exitCode())
                                               : messages.split(u'\n').last());
    return process.readAllStandardOutput();
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr); }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool step() { return m_st && sqlite3_step(m_st) == SQLITE_ROW; }
    QString text(int c) const { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_st, c))); }
    int integer(int c) const { return sqlite3_column_int(m_st, c); }
    bool isNull(int c) const { return sqlite3_column_type(m_st, c) == SQLITE_NULL; }

private:
    sqlite3_stmt* m_st = nullptr;
};

class AccessConnection : public Connection {
public:
    AccessConnection(const QString& path, const QByteArray& image) : m_path(path) {
        // Owned from here on, so that a constructor that throws below still closes it.
        sqlite3_open(":memory:", &m_db);
        m_owner.reset(m_db);
        guardUntrustedDatabase(m_db);
        access::registerCollation(m_db);
        access::registerFunctions(m_db);
        auto* buffer = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(image.size())));
        if (!buffer)
            throw damaged(path, QStringLiteral("out of memory"));
        std::memcpy(buffer, image.constData(), size_t(image.size()));
        if (sqlite3_deserialize(m_db, "main", buffer, image.size(), image.size(),
                                SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) != SQLITE_OK)
            throw damaged(path, QStringLiteral("the reader's output cannot be loaded."));
        // A double-quoted name that matches no column must fail, not become a text literal.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        checkCatalog();
        createViews();
    }
    ~AccessConnection() override = default;
    AccessConnection(const AccessConnection&) = delete;
    AccessConnection& operator=(const AccessConnection&) = delete;

    std::shared_ptr<const RowSet> query(const QString& accessSql) override {
        QString sql;
        try {
            sql = access::translateAccessSql(accessSql);
        } catch (const access::AccessSqlRefusal& r) {
            throw providerError(errc::CommandError,
                                QStringLiteral("The query cannot be run on '%1': %2").arg(m_path, r.why()));
        }
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK || !st)
            throw queryError(accessSql);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
        return readAllRows(m_db, st, m_path, accessSql);
    }

    const QStringList& warnings() const { return m_warnings; }

private:
    // Counted rows are used; a stale count in a table's header only earns a warning.
    void checkCatalog() {
        Statement st(m_db, "SELECT name, type, header_rows, rows FROM __catalog");
        bool any = false;
        while (st.step()) {
            any = true;
            const QString name = st.text(0);
            if (st.integer(1) == 6)
                m_refusals[name.toLower()] =
                    QStringLiteral("'%1' is a linked table in another database, which this reader does not follow")
                        .arg(name);
            else if (!st.isNull(2) && st.integer(2) != st.integer(3))
                m_warnings << QStringLiteral("Table '%1' of '%2' says it holds %3 rows but %4 were read.")
                                  .arg(name, m_path)
                                  .arg(st.integer(2))
                                  .arg(st.integer(3));
        }
        if (!any)
            throw damaged(m_path, QStringLiteral("its catalog is empty."));
        for (const QString& w : m_warnings)
            qWarning().noquote() << w;
    }

    void createViews() {
        std::map<int, QString> names;
        {
            Statement st(m_db, "SELECT Id, Name FROM __msysobjects WHERE Type = 5");
            while (st.step())
                names[st.integer(0)] = st.text(1);
        }
        std::map<int, std::vector<access::QueryDesignRow>> rows;
        {
            Statement st(m_db, "SELECT ObjectId, Attribute, Flag, Name1, Name2, Expression FROM __msysqueries "
                               "ORDER BY ObjectId, Attribute, \"Order\"");
            while (st.step())
                rows[st.integer(0)].push_back({st.integer(1), st.integer(2), st.text(3), st.text(4), st.text(5)});
        }
        std::vector<std::pair<QString, QString>> pending;  // name, SQLite SQL
        for (const auto& [id, name] : names) {
            if (name.startsWith(QLatin1Char('~')))
                continue;  // hidden queries behind forms and reports
            const access::SavedQuery q = access::rebuildSavedQuery(name, rows[id]);
            if (!q.refusal.isEmpty()) {
                m_refusals[name.toLower()] = q.refusal;
                continue;
            }
            try {
                pending.emplace_back(name, access::translateAccessSql(q.sql, true));
            } catch (const access::AccessSqlRefusal& r) {
                m_refusals[name.toLower()] = r.why();
            }
        }
        // Queries read other queries: create until no more can be created.
        std::map<QString, QString> lastError;
        for (bool progress = true; progress && !pending.empty();) {
            progress = false;
            for (auto it = pending.begin(); it != pending.end();) {
                const QByteArray create =
                    (QStringLiteral("CREATE VIEW \"%1\" AS ").arg(QString(it->first).replace(u'"', QStringLiteral("\"\""))) +
                     it->second)
                        .toUtf8();
                char* err = nullptr;
                if (sqlite3_exec(m_db, create.constData(), nullptr, nullptr, &err) == SQLITE_OK) {
                    it = pending.erase(it);
                    progress = true;
                } else {
                    lastError[it->first] = QString::fromUtf8(err ? err : "");
                    ++it;
                }
                sqlite3_free(err);
            }
        }
        for (const auto& [name, sql] : pending)
            m_refusals[name.toLower()] = QStringLiteral("its rebuilt form is not valid here (%1)").arg(lastError[name]);
    }

    VbError queryError(const QString& sql) const {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
        const QString subject = msg.mid(msg.indexOf(u':') + 1).trimmed();
        if (msg.startsWith(QLatin1String("no such table:"))) {
            const QString bare = subject.section(u'.', -1);
            if (const auto it = m_refusals.find(bare.toLower()); it != m_refusals.end())
                return providerError(errc::CommandError, QStringLiteral("The query '%1' in '%2' cannot be opened: %3.")
                                                             .arg(bare, m_path, it->second));
            return providerError(errc::NoSuchTable,
                                 QStringLiteral("The table or query '%1' does not exist in '%2'.").arg(bare, m_path));
        }
        if (msg.startsWith(QLatin1String("no such column:")))
            return providerError(errc::MissingParameter,
                                 QStringLiteral("The query names '%1', which is not a field of its tables "
                                                "and has no value: %2")
                                     .arg(subject, sql));
        if (msg.contains(QLatin1String("syntax error")) || msg.startsWith(QLatin1String("incomplete input")))
            return providerError(errc::CommandError, QStringLiteral("Syntax error in the query (%1): %2").arg(msg, sql));
        return providerError(errc::ProviderFailure, QStringLiteral("The query failed (%1): %2").arg(msg, sql));
    }

    QString m_path;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> m_owner{nullptr, sqlite3_close};
    sqlite3* m_db = nullptr;  // the connection m_owner closes
    std::map<QString, QString> m_refusals;  // lower-case name -> why it cannot be opened
    QStringList m_warnings;
};

} // namespace

QString AccessFormat::versionOf(const QByteArray& header) {
    if (header.size() < 0x15 || !header.startsWith(QByteArrayLiteral("\x00\x01\x00\x00")))
        return {};
    const QByteArray signature = header.mid(4, 16);
    if (signature == QByteArrayLiteral("Standard ACE DB\0"))
        return QStringLiteral("ACE");
    if (signature != QByteArrayLiteral("Standard Jet DB\0"))
        return {};
    return header[0x14] == 0 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4");
}

bool AccessFormat::recognizes(const QByteArray& header) const {
    return !versionOf(header).isEmpty();
}

QString AccessFormat::readerPath() {
    const QString fromEnv = qEnvironmentVariable("TAV_MDBREADER");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString beside = AppInfo::path() + QStringLiteral("/tav-mdbreader");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tav-mdbreader");
}

std::unique_ptr<Connection> AccessFormat::open(const QString& path) const {
    return std::make_unique<AccessConnection>(path, readImage(path));
}

} // namespace tav::ado
