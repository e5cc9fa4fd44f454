#include "sqliterows.h"

#include "adoerror.h"

#include <limits>
#include <sqlite3.h>
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

} // namespace

std::shared_ptr<const RowSet> readAllRows(sqlite3* db, sqlite3_stmt* st, const QString& path,
                                          const QString& sourceText) {
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
    if (rc != SQLITE_DONE) {
        if (auto failure = fileFailure(db, path))
            throw *failure;
        throw providerError(errc::ProviderFailure,
                            QStringLiteral("The query failed on '%1' (%2): %3")
                                .arg(path, QString::fromUtf8(sqlite3_errmsg(db)), sourceText));
    }
    return std::make_shared<const RowSet>(std::move(names), std::move(values));
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

void guardUntrustedDatabase(sqlite3* db) {
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
