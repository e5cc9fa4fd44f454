#pragma once
// A name as SQLite reads it inside a statement: in double quotes, each double quote in it
// doubled. The one quoting of table, view and column names for every layer that writes SQL.
#include <QString>

namespace tav {

inline QString quotedSqliteName(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace tav
