#include "sqliteformat.h"

#include "adoerror.h"

#include <QUrl>

#include <sqlite3.h>

#include <limits>

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

Variant columnValue(sqlite3_stmt* st, int col, ColumnKind kind) {
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
        return Variant(ByteArray(0, std::vector<uint8_t>(p, p + n)));
    }
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        return Variant(QString::fromUtf8(p, sqlite3_column_bytes(st, col)));
    }
    }
}

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

        const int columns = sqlite3_column_count(st);
        std::vector<QString> names;
        std::vector<ColumnKind> kinds;
        for (int c = 0; c < columns; ++c) {
            names.push_back(QString::fromUtf8(sqlite3_column_name(st, c)));
            kinds.push_back(kindOfDeclaredType(sqlite3_column_decltype(st, c)));
        }
        std::vector<Variant> values;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            for (int c = 0; c < columns; ++c)
                values.push_back(columnValue(st, c, kinds[size_t(c)]));
        if (rc != SQLITE_DONE)
            throw providerError(errc::ProviderFailure,
                                QStringLiteral("The query failed on '%1' (%2): %3")
                                    .arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)), sql));
        return std::make_shared<const RowSet>(std::move(names), std::move(values));
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
