#pragma once
// Saved queries of an Access file, rebuilt as Access SQL from their design rows in the
// MSysQueries system table (one row per source, output column, join, criterion, grouping
// and sort key), so that joins, aliases and grouping survive. The text is then run through
// translateAccessSql like any statement.
#include <QString>

#include <vector>

namespace tav::access {

// One row of MSysQueries.
struct QueryDesignRow {
    int attribute = 0;
    int flag = 0;
    QString name1;
    QString name2;
    QString expression;
};

struct SavedQuery {
    QString name;
    QString sql;     // Access SQL, empty when refused
    QString refusal; // why the query cannot be opened, empty when it can
};

// Rebuilds one query from its rows, in their stored order.
SavedQuery rebuildSavedQuery(const QString& name, const std::vector<QueryDesignRow>& rows);

} // namespace tav::access
