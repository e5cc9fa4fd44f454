#include "sqliterows.h"

#include "adoerror.h"
#include "statementbounds_p.h"
#include "statementwatch.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>
#include <mutex>
#include <new>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace tav::ado {

namespace {

enum class ColumnKind { Plain, Boolean, Short };

ColumnKind kindOfDeclaredType(const char* decl) {
    if (!decl)
        return ColumnKind::Plain;
    const QByteArray t = QByteArray(decl).toUpper();
    if (t.contains("BOOL") || t == "BIT" || t.contains("YESNO"))
        return ColumnKind::Boolean;
    if (t.contains("SMALLINT") || t.contains("SHORT") || t.contains("TINYINT") || t == "BYTE")
        return ColumnKind::Short;
    return ColumnKind::Plain;
}

Variant integerValue(sqlite3_int64 v, ColumnKind kind) {
    if (kind == ColumnKind::Boolean)
        return Variant(v != 0);
    if (kind == ColumnKind::Short && v >= std::numeric_limits<int16_t>::min() &&
        v <= std::numeric_limits<int16_t>::max())
        return Variant(static_cast<int16_t>(v));
    if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int32_t>(v));
    return Variant(static_cast<double>(v));
}

// The value of a column of the current row; `bytes` grows by what it holds beyond itself.
Variant columnValue(sqlite3_stmt* st, int col, ColumnKind kind, qint64& bytes) {
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_NULL:
        return Variant::null();
    case SQLITE_INTEGER:
        return integerValue(sqlite3_column_int64(st, col), kind);
    case SQLITE_FLOAT:
        return Variant(sqlite3_column_double(st, col));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, col));
        const int n = sqlite3_column_bytes(st, col);
        bytes += n;
        return Variant(ByteArray(0, std::vector<uint8_t>(p, p + n)));
    }
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        const int n = sqlite3_column_bytes(st, col);
        bytes += 2 * qint64(n); // UTF-16 in memory
        return Variant(QString::fromUtf8(p, n));
    }
    }
}

// Error 7, naming the statement whose rows or work did not fit.
VbError outOfMemoryFor(const QString& sourceText, const QString& why) {
    const VbError standard = VbError::standard(err::OutOfMemory);
    return VbError(standard.number(), standard.source(),
                   QStringLiteral("%1 (%2): %3").arg(standard.description(), why, sourceText));
}

QString megabytes(qint64 bytes) {
    return QStringLiteral("%1 MB").arg(double(bytes) / (1 << 20), 0, 'f',
                                       bytes < (1 << 20) ? 2 : 0);
}

// While a statement steps: a progress handler that stops it at the deadline, or when the
// program's watch asks (StatementWatch), about every 50 ms. Removed when it goes.
class StatementClock {
  public:
    explicit StatementClock(sqlite3* db) : m_db(db) {
        m_clock.start();
        sqlite3_progress_handler(m_db, 10000, &StatementClock::tick, this);
    }
    ~StatementClock() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }
    StatementClock(const StatementClock&) = delete;
    StatementClock& operator=(const StatementClock&) = delete;

    // Why the statement was stopped; empty when it was not.
    const QString& why() const { return m_why; }

  private:
    static int tick(void* self) { return static_cast<StatementClock*>(self)->check() ? 1 : 0; }
    bool check() {
        const qint64 now = m_clock.elapsed();
        const qint64 deadline = detail::statementBounds().deadlineMs;
        if (now >= deadline) {
            m_why = deadline >= 60000
                        ? QStringLiteral("it ran for %1 minutes, the longest a query may run")
                              .arg(deadline / 60000)
                        : QStringLiteral("it ran for %1 s, the longest a query may run")
                              .arg(double(deadline) / 1000);
            return true;
        }
        if (now - m_asked < 50)
            return false;
        m_asked = now;
        m_why = StatementWatch::ask();
        return !m_why.isEmpty();
    }

    sqlite3* m_db;
    QElapsedTimer m_clock;
    qint64 m_asked = 0;
    QString m_why;
};

// The memory both bounds allow: half the machine's, at most 4 GiB.
qint64 defaultMemoryBound() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const qint64 half = pages > 0 && pageSize > 0 ? qint64(pages) * pageSize / 2 : qint64(1) << 30;
    return std::min(half, qint64(4) << 30);
}

} // namespace

std::shared_ptr<const RowSet> readAllRows(sqlite3* db, sqlite3_stmt* st, const QString& path,
                                          const QString& sourceText) try {
    const int columns = sqlite3_column_count(st);
    std::vector<QString> names;
    std::vector<ColumnKind> kinds;
    for (int c = 0; c < columns; ++c) {
        names.push_back(QString::fromUtf8(sqlite3_column_name(st, c)));
        kinds.push_back(kindOfDeclaredType(sqlite3_column_decltype(st, c)));
    }
    const qint64 budget = detail::statementBounds().snapshotBytes;
    qint64 bytes = 0;
    std::vector<Variant> values;
    StatementClock clock(db);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            values.push_back(columnValue(st, c, kinds[size_t(c)], bytes));
        bytes += qint64(columns) * qint64(sizeof(Variant));
        if (bytes > budget)
            throw outOfMemoryFor(sourceText, QStringLiteral("its rows take more than the %1 a "
                                                            "query's result may hold")
                                                 .arg(megabytes(budget)));
    }
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_INTERRUPT && !clock.why().isEmpty())
            throw providerError(errc::ProviderFailure,
                                QStringLiteral("The query on '%1' was stopped because %2: %3")
                                    .arg(path, clock.why(), sourceText));
        if ((rc & 0xff) == SQLITE_NOMEM)
            throw outOfMemoryFor(sourceText,
                                 QStringLiteral("the database engine may use at most %1")
                                     .arg(megabytes(detail::statementBounds().sqliteHeapBytes)));
        if (auto failure = fileFailure(db, path))
            throw *failure;
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("The query failed on '%1' (%2): %3")
                                .arg(path, QString::fromUtf8(sqlite3_errmsg(db)), sourceText));
    }
    return std::make_shared<const RowSet>(std::move(names), std::move(values));
} catch (const std::bad_alloc&) {
    throw outOfMemoryFor(sourceText, QStringLiteral("its rows do not fit in the memory left"));
}

std::optional<VbError> fileFailure(sqlite3* db, const QString& path) {
    const int code = sqlite3_extended_errcode(db);
    const QString why = QString::fromUtf8(sqlite3_errmsg(db));
    switch (code & 0xff) {
    case SQLITE_BUSY:
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("The database file '%1' is locked by another program that is changing "
                           "it; try again when that program has finished.")
                .arg(path));
    case SQLITE_READONLY:
        if (code != SQLITE_READONLY_ROLLBACK)
            return std::nullopt;
        // A hot journal: undoing it needs write access, and reading past it would show
        // the stopped program's half-made change.
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("The database file '%1' holds an unfinished change of a program that "
                           "stopped while writing it; it can be read again once a program that "
                           "writes it has opened it and undone the change.")
                .arg(path));
    case SQLITE_CORRUPT:
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("The database file '%1' is damaged or truncated: %2.").arg(path, why));
    case SQLITE_NOTADB:
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("Unrecognized database format '%1': %2.").arg(path, why));
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_NOMEM:
        return providerError(
            errc::ProviderFailure,
            QStringLiteral("Cannot read the database file '%1': %2.").arg(path, why));
    default:
        return std::nullopt;
    }
}

detail::StatementBounds& detail::statementBounds() {
    static StatementBounds bounds{defaultMemoryBound(), defaultMemoryBound(), 5 * 60 * 1000};
    return bounds;
}

void guardUntrustedDatabase(sqlite3* db) {
    // SQLite's heap, process-wide, set once unless a limit is already in place: a statement
    // that would sort or build more than it fails with SQLITE_NOMEM, which is error 7.
    static std::once_flag heapLimit;
    std::call_once(heapLimit, [] {
        if (sqlite3_hard_heap_limit64(-1) == 0)
            sqlite3_hard_heap_limit64(detail::statementBounds().sqliteHeapBytes);
    });
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // Views and triggers of the file may call only functions registered as innocuous.
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_exec(db, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
    // Far above anything the programs' databases hold, far below what would exhaust memory.
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 64 << 20);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1 << 20);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 500);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
}

VbError statementFailure(const QString& message, const QString& sql) {
    if (message.startsWith(QLatin1String("no such column:")))
        return providerError(errc::MissingParameter,
                             QStringLiteral("The query names '%1', which is not a field of its "
                                            "tables and has no value: %2")
                                 .arg(message.mid(message.indexOf(u':') + 1).trimmed(), sql));
    if (message.contains(QLatin1String("syntax error")) ||
        message.startsWith(QLatin1String("incomplete input")))
        return providerError(
            errc::CommandError,
            QStringLiteral("Syntax error in the query (%1): %2").arg(message, sql));
    return providerError(errc::ProviderFailure,
                         QStringLiteral("The query failed (%1): %2").arg(message, sql));
}

} // namespace tav::ado
