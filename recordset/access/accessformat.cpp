#include "accessformat.h"

#include "accesscollation.h"
#include "accessfunctions.h"
#include "accessheader.h"
#include "accesssql.h"
#include "adoerror.h"
#include "appinfo.h"
#include "sanitizers.h"
#include "savedqueries_p.h"
#include "sqlitename.h"
#include "sqliterows.h"
#include "sqlitestmt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtDebug>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <sqlite3.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tav::ado {

namespace {

constexpr int defaultTimeoutMs = 15000;
constexpr int passwordProtected = 5;             // the reader's exit status for a protected file
constexpr qsizetype maxMessageBytes = 64 * 1024; // of the reader's messages, the last ones
constexpr int defaultMemoryMb = 1024;            // the reader's address space
constexpr int odbcLinkedTable = 4;               // catalog object types
constexpr int linkedTable = 6;

// A reader built with the address sanitizer cannot start under a limit.
constexpr bool addressSpaceCanBeLimited = !addressSanitizerOn;
constexpr int maxServingReaders = 4; // readers kept waiting for the loads of their image
constexpr qint64 defaultCacheLimit = qint64(256)
                                     << 20; // bytes of file images kept for later connections

VbError damaged(const QString& path, const QString& why) {
    return providerError(
        errc::ProviderFailure,
        QStringLiteral("'%1' is not an Access database or is damaged: %2").arg(path, why));
}

// Memory for an image as large as the tables read may not be there: error 7, which the
// programs' handlers show, rather than the end of the program.
VbError outOfMemory() {
    return VbError::standard(err::OutOfMemory);
}

int readerTimeoutMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("TAV_MDBREADER_TIMEOUT_MS", &ok);
    return ok && ms > 0 ? ms : defaultTimeoutMs;
}

// Starts the helper on `path` with `tables` ("PAGE:NAME"; none for the catalog). With
// `serve`, the built-in helper stays after the catalog for later loads (see Reader).
void startReader(QProcess& process, const QString& path, const QStringList& tables, bool serve) {
    const QString reader = AccessFormat::readerPath();
    if (!QFileInfo(reader).isExecutable())
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("Cannot read the Access file '%1': the reader program '%2' is missing.")
                .arg(path, reader));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("MDBPATH")); // an empty entry makes the library search forever
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("TAV_MDBREADER_SERVE"), serve ? QStringLiteral("1") : QString());
    process.setProcessEnvironment(env);
    process.setProgram(reader);
    // A crafted file that makes the library allocate without end stops the reader (the library
    // aborts or crashes when an allocation fails) instead of exhausting the machine; the limit
    // is set in the child before exec.
    bool ok = false;
    int memoryMb = qEnvironmentVariableIntValue("TAV_MDBREADER_MEMORY_MB", &ok);
    if (!ok || memoryMb <= 0)
        memoryMb = defaultMemoryMb;
    // The reader ends with this program, even one killed outright: the kernel kills it when
    // its parent goes. A parent gone before the request took hold has left it re-parented.
    rlim_t bytes = addressSpaceCanBeLimited ? rlim_t(memoryMb) << 20 : RLIM_INFINITY;
    process.setChildProcessModifier([bytes, parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        if (bytes != RLIM_INFINITY) {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_AS, &limit);
        }
    });
    process.setArguments(QStringList{QFileInfo(path).absoluteFilePath()} + tables);
    process.start(serve ? QIODevice::ReadWrite : QIODevice::ReadOnly);
    if (!process.waitForStarted())
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Cannot start the Access file reader '%1': %2")
                                .arg(reader, process.errorString()));
    if (!serve)
        process.closeWriteChannel();
    // Waiting on the message channel wakes at each chunk of messages, so they never pile up;
    // a serving reader ends each image with an empty message line, which wakes it too.
    process.setReadChannel(QProcess::StandardError);
}

// The length of the first framed image in `out` (8 bytes, little-endian, then the image);
// -1 while it is incomplete. An output that starts as an image is not framed: a reader that
// does not serve (a stand-in) writes its one image and ends.
qint64 framedLength(const QByteArray& out) {
    if (out.size() < 8 || out.startsWith(QByteArrayLiteral("SQLite format 3")))
        return -1;
    quint64 length = 0;
    for (int i = 7; i >= 0; --i)
        length = (length << 8) | uchar(out[i]);
    return out.size() - 8 >= qint64(length) ? qint64(length) : -1;
}

// Waits for the next image from `process`, within the time limit: a whole framed image from
// a serving reader that stays, or the output of a reader that ended. Only the end of its
// messages is kept: on some damaged files the library repeats a warning without end
// (megabytes a second) until the time limit stops it.
QByteArray awaitImage(QProcess& process, const QString& path) {
    const int timeoutMs = readerTimeoutMs();
    QByteArray errorTail, out;
    const auto drain = [&] {
        errorTail += process.readAllStandardError();
        if (errorTail.size() > maxMessageBytes)
            errorTail = errorTail.right(maxMessageBytes);
        out += process.readAllStandardOutput();
    };
    QElapsedTimer clock;
    clock.start();
    drain();
    while (process.state() != QProcess::NotRunning && framedLength(out) < 0) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            process.kill();
            process.waitForFinished();
            throw damaged(
                path,
                QStringLiteral("reading it did not finish within %1 s.").arg(timeoutMs / 1000.0));
        }
        process.waitForReadyRead(int(std::min<qint64>(left, 100)));
        drain();
    }
    drain();
    if (const qint64 length = framedLength(out); length >= 0)
        return out.mid(8, length);
    const QString messages = QString::fromLocal8Bit(errorTail).trimmed();
    if (process.exitStatus() == QProcess::CrashExit)
        throw damaged(path, QStringLiteral("the reader stopped unexpectedly while reading it."));
    if (process.exitCode() == passwordProtected)
        throw providerError(
            errc::ProviderFailure,
            QStringLiteral("'%1' is protected by a database password; this reader opens only "
                           "files without one.")
                .arg(path));
    if (process.exitCode() != 0)
        throw damaged(path, messages.isEmpty()
                                ? QStringLiteral("the reader failed (%1).").arg(process.exitCode())
                                : messages.split(u'\n').last());
    return out;
}

// The reader of one file image. The catalog's reader is asked to serve: where it does (the
// built-in one), it stays while the image is kept and each table load is one request to it,
// which saves a start of the reader and a second reading of the file's header; it is ended
// with the image, and with this program (see startReader). A reader that does not serve,
// or one that failed, leaves each load to a reader of its own.
class Reader {
  public:
    explicit Reader(QString path) : m_path(std::move(path)) {}
    ~Reader() { end(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The catalog image.
    QByteArray catalog() { return read({}); }
    // The image of the tables given as the reader takes them ("PAGE:NAME").
    QByteArray tables(const QStringList& tables) { return read(tables); }

    // Ends the serving reader, if any: its input closed, it ends by itself, or is killed.
    void end() {
        if (!m_serving)
            return;
        m_serving->closeWriteChannel();
        if (!m_serving->waitForFinished(1000)) {
            m_serving->kill();
            m_serving->waitForFinished();
        }
        m_serving.reset();
    }

  private:
    QByteArray read(const QStringList& tables) try {
        if (m_serving && !tables.isEmpty())
            return request(tables);
        auto process = std::make_unique<QProcess>();
        startReader(*process, m_path, tables, tables.isEmpty());
        QByteArray image = awaitImage(*process, m_path);
        if (process->state() == QProcess::Running)
            m_serving = std::move(process);
        return image;
    } catch (const std::bad_alloc&) {
        throw outOfMemory();
    }

    QByteArray request(const QStringList& tables) {
        m_serving->write(tables.join(u'\t').toUtf8() + '\n');
        try {
            QByteArray image = awaitImage(*m_serving, m_path);
            if (m_serving->state() != QProcess::Running)
                m_serving.reset();
            return image;
        } catch (...) {
            m_serving.reset();
            throw;
        }
    }

    QString m_path;
    std::unique_ptr<QProcess> m_serving;
};

// The provider's error for a failed call on `db` while it read `what` of `path`.
VbError engineError(sqlite3* db, const QString& path, const QString& what) {
    if ((sqlite3_errcode(db) & 0xff) == SQLITE_NOMEM)
        return outOfMemory();
    return providerError(errc::ProviderFailure,
                         QStringLiteral("Reading '%1' failed at \"%2\": %3.")
                             .arg(path, what, QString::fromUtf8(sqlite3_errmsg(db))));
}

// One statement over an image. Preparing or stepping it either works or raises the
// provider's error naming it: a fault must not pass for an empty catalog.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql, const QString& path)
        : m_db(db), m_sql(sql), m_path(path), m_stmt(db, sql) {
        if (!m_stmt.ok())
            throw engineError(m_db, m_path, QString::fromUtf8(m_sql));
    }
    bool step() {
        const int rc = m_stmt.step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw engineError(m_db, m_path, QString::fromUtf8(m_sql));
        return rc == SQLITE_ROW;
    }
    void bind(int index, int value) { sqlite3_bind_int(m_stmt.get(), index, value); }
    QString text(int c) const {
        const std::string_view t = m_stmt.text(c);
        return QString::fromUtf8(t.data(), qsizetype(t.size()));
    }
    int integer(int c) const { return int(m_stmt.integer(c)); }
    qint64 integer64(int c) const { return m_stmt.integer(c); }
    bool isNull(int c) const { return m_stmt.isNull(c); }
    sqlite3_stmt* get() const { return m_stmt.get(); }

  private:
    sqlite3* m_db;
    const char* m_sql;
    const QString& m_path;
    SqliteStmt m_stmt;
};

void exec(sqlite3* db, const QByteArray& sql, const QString& path) {
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw engineError(db, path, QString::fromUtf8(sql));
}

QByteArray quoted(const QString& name) {
    return quotedSqliteName(name).toUtf8();
}

// A copy of the reader's image in memory SQLite may own, or error 7.
unsigned char* sqliteCopy(const QByteArray& image, const QString& path) {
    if (image.isEmpty())
        throw damaged(path, QStringLiteral("the reader's output cannot be loaded."));
    auto* buffer = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(image.size())));
    if (!buffer)
        throw outOfMemory();
    std::memcpy(buffer, image.constData(), size_t(image.size()));
    return buffer;
}

// The name in SQLite's "no such table: [schema.]name".
QString missingName(const QString& message) {
    return message.mid(message.indexOf(u':') + 1).trimmed().section(u'.', -1);
}

// What tells one version of a file from another: its identity, size and modification time.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    bool sameFile(const FileStamp& o) const { return device == o.device && inode == o.inode; }
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size,
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The error for a file that is no longer the version a connection started from.
std::optional<VbError> changeSince(const QString& path, const FileStamp& then) {
    const std::optional<FileStamp> now = stampOf(path);
    if (!now)
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("The database file '%1' was deleted or moved after the connection to it "
                           "was opened.")
                .arg(path));
    if (!now->sameFile(then))
        return providerError(
            errc::ProviderFailure,
            QStringLiteral(
                "The database file '%1' was replaced by another file after the connection "
                "to it was opened.")
                .arg(path));
    if (*now != then)
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("The database file '%1' was changed after the connection to it was "
                           "opened; connect again to read it as it is now.")
                .arg(path));
    return std::nullopt;
}

// Why an object of the file cannot be opened: a saved query, or a linked table.
struct Refusal {
    QString noun; // "query" or "table"
    QString why;
};

// The outside source a linked table names: its file, or its ODBC connection without the
// password.
QString linkSource(const QString& database, const QString& connect) {
    if (!database.isEmpty())
        return database;
    QStringList parts = connect.split(u';', Qt::SkipEmptyParts);
    parts.removeIf(
        [](const QString& p) { return p.trimmed().startsWith(u"PWD=", Qt::CaseInsensitive); });
    return parts.join(u';');
}

// One version of one Access file in memory: its catalog with the saved-query views, and
// the tables loaded so far. Every connection to the same unchanged file shares it.
class AccessImage {
  public:
    AccessImage(const QString& path, const FileStamp& stamp, const QByteArray& catalog,
                std::unique_ptr<Reader> reader)
        : m_path(path), m_stamp(stamp), m_reader(std::move(reader)) {
        // Owned from here on, so that a constructor that throws below still closes it.
        if (sqlite3_open(":memory:", &m_db) != SQLITE_OK) {
            const bool noMemory = !m_db || (sqlite3_errcode(m_db) & 0xff) == SQLITE_NOMEM;
            sqlite3_close(m_db);
            if (noMemory)
                throw outOfMemory();
            throw damaged(path, QStringLiteral("an in-memory database cannot be made."));
        }
        m_owner.reset(m_db);
        guardUntrustedDatabase(m_db);
        // A table load attaches the reader's output for one copy (insert).
        sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 1);
        access::registerCollation(m_db);
        access::registerFunctions(m_db);
        if (sqlite3_deserialize(
                m_db, "main", sqliteCopy(catalog, path), catalog.size(), catalog.size(),
                SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) != SQLITE_OK)
            throw damaged(path, QStringLiteral("the reader's output cannot be loaded."));
        // A double-quoted name that matches no column must fail, not become a text literal.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        readCatalog();
        listQueries();
        listRefusedColumns();
        countBytes();
    }
    AccessImage(const AccessImage&) = delete;
    AccessImage& operator=(const AccessImage&) = delete;

    sqlite3* db() const { return m_db; }
    Reader& reader() const { return *m_reader; }
    const QString& path() const { return m_path; }
    const FileStamp& stamp() const { return m_stamp; }
    qint64 bytes() const { return m_bytes; }
    const std::map<QString, Refusal>& refusals() const { return m_refusals; }
    // Why the column `column` of the table `table` is not read, or empty.
    QString columnRefusal(const QString& table, const QString& column) const {
        const auto it = m_refusedColumns.find({table.toLower(), column.toLower()});
        return it == m_refusedColumns.end() ? QString() : it->second;
    }

    // Whether `name` (as a statement's reading names it) is a user table not loaded yet.
    bool needsLoading(const QString& name) const {
        const auto it = m_tables.find(name);
        return it != m_tables.end() && !it->second.loaded;
    }
    // The stale row-count warning of a loaded table the first time it is asked for in this
    // image, else empty: it is given once, whichever connection reads the table.
    QString takeWarning(const QString& name) {
        const auto it = m_tables.find(name);
        return it == m_tables.end() ? QString() : std::exchange(it->second.warning, QString());
    }
    // How the reader is asked for `name`: the page of its definition and its name.
    QString readerArgument(const QString& name) const {
        return QString::number(m_tables.at(name).page) + u':' + name;
    }

    // Makes the view of the saved query `name`, and of the queries it reads, the first time
    // a statement names it. False when `name` is no saved query or cannot be opened; the
    // reason is then among the refusals.
    bool ensureView(const QString& name) {
        const auto it = m_queries.find(name.toLower());
        if (it == m_queries.end())
            return false;
        SavedQuery& q = it->second;
        if (q.state != SavedQuery::Unmade)
            return q.state == SavedQuery::Made;
        q.state = SavedQuery::Making; // a query that reads itself, at any depth, fails below
        try {
            q.state = makeView(q) ? SavedQuery::Made : SavedQuery::Refused;
        } catch (...) {
            q.state = SavedQuery::Unmade;
            throw;
        }
        return q.state == SavedQuery::Made;
    }

    // Adds the rows of the tables `names` from the reader's image of them, all or none.
    void insert(const QByteArray& image, const QStringList& names) {
        exec(m_db, "ATTACH ':memory:' AS __incoming", m_path);
        const std::unique_ptr<sqlite3, void (*)(sqlite3*)> detach(m_db, [](sqlite3* db) {
            sqlite3_exec(db, "DETACH __incoming", nullptr, nullptr, nullptr);
        });
        if (sqlite3_deserialize(
                m_db, "__incoming", sqliteCopy(image, m_path), image.size(), image.size(),
                SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) != SQLITE_OK)
            throw damaged(m_path, QStringLiteral("the reader's output cannot be loaded."));
        std::map<QString, QString> warnings;
        QStringList counted;
        {
            Statement st(m_db, "SELECT name, header_rows, rows FROM __incoming.__catalog", m_path);
            while (st.step()) {
                counted << st.text(0);
                if (!st.isNull(1) && st.integer64(1) != st.integer64(2))
                    warnings[st.text(0)] = staleCount(st.text(0), st.integer64(1), st.integer64(2));
            }
        }
        exec(m_db, "BEGIN", m_path);
        try {
            for (const QString& name : names) {
                if (!counted.contains(name))
                    throw damaged(
                        m_path,
                        QStringLiteral("the reader did not hand back the table '%1'.").arg(name));
                // Same columns on both sides: SQLite copies the stored rows as they are.
                exec(m_db,
                     "INSERT INTO main." + quoted(name) + " SELECT * FROM __incoming." +
                         quoted(name),
                     m_path);
            }
            exec(m_db, "COMMIT", m_path);
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        for (const QString& name : names) {
            Table& t = m_tables.at(name);
            t.loaded = true;
            t.warning = warnings[name];
        }
        countBytes();
    }

  private:
    struct Table {
        qint64 page = 0;
        bool loaded = false;
        QString warning;
    };
    struct SavedQuery {
        QString name;
        int id = 0;
        enum { Unmade, Making, Made, Refused } state = Unmade;
    };

    bool makeView(const SavedQuery& q) {
        std::vector<access::QueryDesignRow> rows;
        {
            Statement st(m_db,
                         "SELECT Attribute, Flag, Name1, Name2, Expression FROM __msysqueries "
                         "WHERE ObjectId = ? "
                         "ORDER BY Attribute, \"Order\"",
                         m_path);
            st.bind(1, q.id);
            while (st.step())
                rows.push_back({st.integer(0), st.integer(1), st.text(2), st.text(3), st.text(4)});
        }
        const QString key = q.name.toLower();
        const access::SavedQuery rebuilt = access::rebuildSavedQuery(q.name, rows);
        if (!rebuilt.refusal.isEmpty()) {
            m_refusals[key] = {QStringLiteral("query"), rebuilt.refusal};
            return false;
        }
        QString sql;
        try {
            sql = access::translateAccessSql(rebuilt.sql, true);
        } catch (const access::AccessSqlRefusal& r) {
            m_refusals[key] = {QStringLiteral("query"), r.why()};
            return false;
        }
        const QByteArray select = sql.toUtf8();
        for (;;) {
            SqliteStmt probe(m_db, std::string_view(select.constData(), size_t(select.size())));
            if (probe.ok()) {
                exec(m_db,
                     "CREATE VIEW " + quoted(q.name) + outputNames(probe.get()) + " AS " + select,
                     m_path);
                return true;
            }
            if ((probe.rc() & 0xff) == SQLITE_NOMEM)
                throw outOfMemory();
            const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
            // Queries read other queries: make the one it names, then try again.
            if (!(why.startsWith(QLatin1String("no such table:")) &&
                  ensureView(missingName(why)))) {
                m_refusals[key] = {
                    QStringLiteral("query"),
                    QStringLiteral("its rebuilt form is not valid here (%1)").arg(why)};
                return false;
            }
        }
    }

    // The view's column list: its columns' names, where two are alike each named with its
    // table as Access names them ("Table1.col1", "Table2.col1").
    static QByteArray outputNames(sqlite3_stmt* st) {
        const int n = sqlite3_column_count(st);
        QStringList names;
        std::map<QString, int> uses;
        for (int c = 0; c < n; ++c) {
            names << QString::fromUtf8(sqlite3_column_name(st, c));
            ++uses[names.last().toLower()];
        }
        for (int c = 0; c < n; ++c)
            if (const char* table = sqlite3_column_table_name(st, c);
                table && uses[names[c].toLower()] > 1)
                names[c] = QString::fromUtf8(table) + u'.' + names[c];
        // Names still alike (a table read twice) are told apart as SQLite would.
        std::set<QString> taken;
        QByteArray list = "(";
        for (int c = 0; c < n; ++c) {
            QString name = names[c];
            for (int k = 1; !taken.insert(name.toLower()).second; ++k)
                name = names[c] + u':' + QString::number(k);
            list += (c ? ", " : "") + quoted(name);
        }
        return list + ')';
    }

    QString staleCount(const QString& name, qint64 header, qint64 rows) const {
        return QStringLiteral("Table '%1' of '%2' says it holds %3 rows but %4 were read.")
            .arg(name, m_path)
            .arg(header)
            .arg(rows);
    }

    void countBytes() {
        Statement count(
            m_db, "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size", m_path);
        m_bytes = count.step() ? count.integer64(0) : 0;
    }

    // User tables are listed with the page of their definition and no rows yet; the tables
    // copied whole (the saved-query design) have their counted rows, and a stale count in
    // a table's header only earns a warning.
    void readCatalog() {
        Statement st(m_db, "SELECT name, type, header_rows, rows, page FROM __catalog", m_path);
        bool any = false;
        QStringList linked;
        while (st.step()) {
            any = true;
            const QString name = st.text(0);
            if (st.integer(1) == linkedTable || st.integer(1) == odbcLinkedTable)
                linked << name;
            else if (st.integer(1) == 1 && st.isNull(3))
                m_tables[name].page = st.integer64(4);
            // The catalogue's own tables copied whole are not the tester's: a stale count in
            // their headers earns no warning.
        }
        if (!any)
            throw damaged(m_path, QStringLiteral("its catalog is empty."));
        for (const QString& name : linked)
            refuseLink(name);
    }

    // A linked table is refused naming the outside source it is linked to.
    void refuseLink(const QString& name) {
        Statement st(
            m_db, "SELECT Type, Database, Connect, ForeignName FROM __msysobjects WHERE Name = ?",
            m_path);
        const QByteArray utf8 = name.toUtf8();
        sqlite3_bind_text(st.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        QString why = QStringLiteral("it is a linked table, which this reader does not follow");
        if (st.step()) {
            const QString source = linkSource(st.text(1), st.text(2));
            const QString foreign = st.isNull(3) ? name : st.text(3);
            why = st.integer(0) == odbcLinkedTable
                      ? QStringLiteral("it is linked through ODBC to the table '%1' of '%2', which "
                                       "this reader does not follow")
                            .arg(foreign, source)
                      : QStringLiteral("it is linked to the table '%1' in '%2', which this reader "
                                       "does not follow")
                            .arg(foreign, source);
        }
        m_refusals[name.toLower()] = {QStringLiteral("table"), why};
    }

    // The saved queries, by lower-case name, the hidden ones behind forms and reports
    // ("~sq_...") too.
    void listQueries() {
        Statement st(m_db, "SELECT Id, Name FROM __msysobjects WHERE Type = 5", m_path);
        while (st.step())
            m_queries[st.text(1).toLower()] = {st.text(1), st.integer(0)};
    }

    // The columns the reader does not read (complex columns), by lower-case table and column.
    void listRefusedColumns() {
        Statement st(m_db, "SELECT table_name, column_name, why FROM __refused", m_path);
        while (st.step())
            m_refusedColumns[{st.text(0).toLower(), st.text(1).toLower()}] = st.text(2);
    }

    QString m_path;
    FileStamp m_stamp;
    std::unique_ptr<Reader> m_reader;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> m_owner{nullptr, sqlite3_close};
    sqlite3* m_db = nullptr;                 // the connection m_owner closes
    std::map<QString, Table> m_tables;       // user tables by their name in the file
    std::map<QString, SavedQuery> m_queries; // saved queries by lower-case name
    std::map<QString, Refusal> m_refusals;   // lower-case name -> why it cannot be opened
    std::map<std::pair<QString, QString>, QString> m_refusedColumns; // lower-case table, column
    qint64 m_bytes = 0;
};

// The images of the files read in this process, most recently used first, within a
// bound on the memory they hold; no file is held open. An image of a file that changed is
// dropped when a connection next meets the change, and never handed out again.
class ImageCache {
  public:
    static ImageCache& instance() {
        static ImageCache cache;
        return cache;
    }
    ImageCache() {
        // The readers of the images kept end with the application, while it can still wait
        // for them.
        qAddPostRoutine([] {
            for (const auto& image : instance().m_images)
                image->reader().end();
        });
    }

    // The image of `path` in the version `stamp`; an image of another version is dropped.
    std::shared_ptr<AccessImage> find(const QString& path, const FileStamp& stamp) {
        const auto it = std::find_if(m_images.begin(), m_images.end(),
                                     [&](const auto& i) { return i->path() == path; });
        if (it == m_images.end())
            return nullptr;
        if (!((*it)->stamp() == stamp)) {
            m_images.erase(it);
            return nullptr;
        }
        std::shared_ptr<AccessImage> image = *it;
        m_images.splice(m_images.begin(), m_images, it);
        return image;
    }
    // `image` was made or grew: it becomes the most recently used, and the least recently
    // used images go while the cache holds more than its limit.
    void used(const std::shared_ptr<AccessImage>& image) {
        drop(image.get());
        m_images.push_front(image);
        for (qint64 total = bytes(); total > m_limit && !m_images.empty(); total = bytes())
            m_images.pop_back();
        // Only the most recently used images keep their reader waiting.
        int kept = 0;
        for (const auto& i : m_images)
            if (++kept > maxServingReaders)
                i->reader().end();
    }
    void drop(const AccessImage* image) {
        std::erase_if(m_images, [&](const auto& i) { return i.get() == image; });
    }
    qint64 bytes() const {
        qint64 total = 0;
        for (const auto& i : m_images)
            total += i->bytes();
        return total;
    }
    void setLimit(qint64 bytes) {
        m_limit = bytes;
        while (this->bytes() > m_limit && !m_images.empty())
            m_images.pop_back();
    }

  private:
    std::list<std::shared_ptr<AccessImage>> m_images;
    qint64 m_limit = defaultCacheLimit;
};

class AccessConnection : public Connection {
  public:
    explicit AccessConnection(std::shared_ptr<AccessImage> image) : m_image(std::move(image)) {}
    ~AccessConnection() override = default;
    AccessConnection(const AccessConnection&) = delete;
    AccessConnection& operator=(const AccessConnection&) = delete;

    std::shared_ptr<const RowSet> query(const QString& accessSql) override {
        QString sql;
        try {
            sql = access::translateAccessSql(accessSql);
        } catch (const access::AccessSqlRefusal& r) {
            throw providerError(
                errc::CommandError,
                QStringLiteral("The query cannot be run on '%1': %2").arg(path(), r.why()));
        }
        const QByteArray text = sql.toUtf8();
        // Preparing the statement tells every table it reads, through saved queries too.
        std::set<QString> reads;
        SqliteStmt st = prepare(text, accessSql, &reads);
        QStringList missing;
        for (const QString& name : reads)
            if (m_image->needsLoading(name))
                missing << name;
        if (!missing.isEmpty()) {
            st.finalize();
            load(missing);
            st = prepare(text, accessSql, nullptr);
        }
        for (const QString& name : reads)
            if (const QString warning = m_image->takeWarning(name); !warning.isEmpty())
                qWarning().noquote() << warning;
        return readAllRows(m_image->db(), st.get(), path(), accessSql);
    }

  private:
    const QString& path() const { return m_image->path(); }

    // Prepares `text`, making the views of the saved queries it names on the way; with
    // `reads`, collects the names of the tables and views it reads.
    // What the authorizer learns while a statement is prepared.
    struct Reading {
        const AccessImage* image;
        std::set<QString>* reads; // the tables read, when asked for
        QString refusedTable, refusedColumn, why;
    };

    // Collects the tables a statement reads and denies it a column the reader refused.
    static int authorize(void* context, int action, const char* table, const char* column,
                         const char*, const char*) {
        auto* r = static_cast<Reading*>(context);
        if (action != SQLITE_READ || !table)
            return SQLITE_OK;
        const QString name = QString::fromUtf8(table);
        if (r->reads)
            r->reads->insert(name);
        if (column && *column)
            if (QString why = r->image->columnRefusal(name, QString::fromUtf8(column));
                !why.isEmpty()) {
                r->refusedTable = name;
                r->refusedColumn = QString::fromUtf8(column);
                r->why = std::move(why);
                return SQLITE_DENY;
            }
        return SQLITE_OK;
    }

    SqliteStmt prepare(const QByteArray& text, const QString& accessSql,
                       std::set<QString>* reads) const {
        sqlite3* db = m_image->db();
        for (;;) {
            if (reads)
                reads->clear();
            Reading reading{m_image.get(), reads, {}, {}, {}};
            sqlite3_set_authorizer(db, authorize, &reading);
            SqliteStmt owned(db, std::string_view(text.constData(), size_t(text.size())));
            sqlite3_set_authorizer(db, nullptr, nullptr);
            if (owned.ok())
                return owned;
            if ((owned.rc() & 0xff) == SQLITE_NOMEM)
                throw outOfMemory();
            if (!reading.refusedColumn.isEmpty())
                throw providerError(
                    errc::CommandError,
                    QStringLiteral("The column '%1' of the table '%2' in '%3' cannot be read: %4.")
                        .arg(reading.refusedColumn, reading.refusedTable, path(), reading.why));
            const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
            if (!(msg.startsWith(QLatin1String("no such table:")) &&
                  m_image->ensureView(missingName(msg))))
                throw queryError(msg, accessSql);
        }
    }

    // Loads `names` with one run of the reader, from the file as the connection found it.
    void load(const QStringList& names) {
        ensureUnchanged();
        QStringList tables;
        for (const QString& name : names)
            tables << m_image->readerArgument(name);
        const QByteArray image = m_image->reader().tables(tables);
        // A change while the reader ran could mix two versions: nothing it read is kept.
        ensureUnchanged();
        m_image->insert(image, names);
        ImageCache::instance().used(m_image);
    }

    void ensureUnchanged() const {
        if (const std::optional<VbError> change = changeSince(path(), m_image->stamp())) {
            ImageCache::instance().drop(m_image.get());
            throw *change;
        }
    }

    VbError queryError(const QString& msg, const QString& sql) const {
        if (msg.startsWith(QLatin1String("no such table:"))) {
            const QString bare = missingName(msg);
            if (const auto it = m_image->refusals().find(bare.toLower());
                it != m_image->refusals().end())
                return providerError(errc::CommandError,
                                     QStringLiteral("The %1 '%2' in '%3' cannot be opened: %4.")
                                         .arg(it->second.noun, bare, path(), it->second.why));
            return providerError(errc::NoSuchTable,
                                 QStringLiteral("The table or query '%1' does not exist in '%2'.")
                                     .arg(bare, path()));
        }
        return statementFailure(msg, sql);
    }

    std::shared_ptr<AccessImage> m_image;
};

} // namespace

QString AccessFormat::versionOf(const QByteArray& header) {
    return accessVersionOf(header);
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
    const std::optional<FileStamp> stamp = stampOf(path);
    if (!stamp)
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("Could not find file '%1'.").arg(path));
    ImageCache& cache = ImageCache::instance();
    std::shared_ptr<AccessImage> image = cache.find(path, *stamp);
    if (!image) {
        auto reader = std::make_unique<Reader>(path);
        const QByteArray catalog = reader->catalog();
        if (const std::optional<VbError> change = changeSince(path, *stamp))
            throw *change;
        image = std::make_shared<AccessImage>(path, *stamp, catalog, std::move(reader));
        cache.used(image);
    }
    return std::make_unique<AccessConnection>(std::move(image));
}

qint64 AccessFormat::imageCacheBytes() {
    return ImageCache::instance().bytes();
}

void AccessFormat::setImageCacheLimit(qint64 bytes) {
    ImageCache::instance().setLimit(bytes);
}

} // namespace tav::ado
