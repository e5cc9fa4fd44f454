#include "savedqueries_p.h"

#include <QStringList>

namespace tav::access {

namespace {

// Attribute numbers of the design rows.
enum Attribute {
    Kind = 1,
    Parameter = 2,
    Options = 3,
    Source = 5,
    Column = 6,
    Join = 7,
    Where = 8,
    GroupBy = 9,
    Having = 10,
    OrderBy = 11
};
// Kind flags.
enum QueryKind {
    Select = 1,
    MakeTable = 2,
    Append = 3,
    Update = 4,
    Delete = 5,
    Crosstab = 6,
    DataDefinition = 7,
    PassThrough = 8,
    Union = 9
};
// Option flags.
enum OptionFlag { AllFields = 1, Distinct = 2, DistinctRow = 8, Top = 16, Percent = 32 };

QString bracket(const QString& name) {
    return u'[' + name + u']';
}

QString kindRefusal(int kind) {
    switch (kind) {
    case Select:
    case Union:
        return {};
    case Crosstab:
        return QStringLiteral("it is a crosstab query, which this reader does not run");
    case MakeTable:
    case Append:
    case Update:
    case Delete:
        return QStringLiteral("it is an action query and the database is opened read-only");
    case DataDefinition:
        return QStringLiteral("it is a data-definition query and the database is opened read-only");
    case PassThrough:
        return QStringLiteral("it is a pass-through query to an outside server");
    default:
        return QStringLiteral("its query type (%1) is not known to this reader").arg(kind);
    }
}

// A growing FROM clause: each group is one source or a join of several.
struct FromGroup {
    QString sql;
    QStringList names;
};

QString fromClause(const std::vector<QueryDesignRow>& rows) {
    std::vector<FromGroup> groups;
    for (const auto& r : rows) {
        if (r.attribute != Source)
            continue;
        QString src = r.name1.isEmpty() ? u'(' + r.expression + u')' : bracket(r.name1);
        if (!r.name2.isEmpty())
            src += QStringLiteral(" AS ") + bracket(r.name2);
        groups.push_back({src, {r.name2.isEmpty() ? r.name1 : r.name2}});
    }
    auto find = [&](const QString& name) -> int {
        for (size_t i = 0; i < groups.size(); ++i)
            for (const auto& n : groups[i].names)
                if (n.compare(name, Qt::CaseInsensitive) == 0)
                    return int(i);
        return -1;
    };
    for (const auto& r : rows) {
        if (r.attribute != Join)
            continue;
        const int a = find(r.name1);
        const int b = find(r.name2);
        if (a < 0 || b < 0)
            continue;
        if (a == b) {
            // A second condition between sources already joined.
            groups[size_t(a)].sql.chop(1);
            groups[size_t(a)].sql += QStringLiteral(" AND (%1))").arg(r.expression);
            continue;
        }
        const char* kind = r.flag == 2 ? "LEFT JOIN" : (r.flag == 3 ? "RIGHT JOIN" : "INNER JOIN");
        FromGroup merged{QStringLiteral("(%1 %2 %3 ON %4)")
                             .arg(groups[size_t(a)].sql, QLatin1String(kind), groups[size_t(b)].sql,
                                  r.expression),
                         groups[size_t(a)].names + groups[size_t(b)].names};
        groups.erase(groups.begin() + std::max(a, b));
        groups[size_t(std::min(a, b))] = merged;
    }
    QStringList parts;
    for (const auto& g : groups)
        parts << g.sql;
    return parts.join(QStringLiteral(", "));
}

QStringList expressions(const std::vector<QueryDesignRow>& rows, int attribute) {
    QStringList out;
    for (const auto& r : rows)
        if (r.attribute == attribute)
            out << r.expression;
    return out;
}

} // namespace

SavedQuery rebuildSavedQuery(const QString& name, const std::vector<QueryDesignRow>& rows) {
    SavedQuery q{name, {}, {}};
    int kind = Select;
    int options = 0;
    QString topValue;
    QStringList parameters;
    for (const auto& r : rows) {
        if (r.attribute == Kind)
            kind = r.flag;
        else if (r.attribute == Options) {
            options = r.flag;
            topValue = r.name1;
        } else if (r.attribute == Parameter)
            parameters << r.name1;
    }
    q.refusal = kindRefusal(kind);
    if (q.refusal.isEmpty() && !parameters.isEmpty())
        q.refusal =
            QStringLiteral("it is a parameter query (%1) and no parameter values can be given")
                .arg(parameters.join(QStringLiteral(", ")));
    if (!q.refusal.isEmpty())
        return q;

    QStringList order;
    for (const auto& r : rows)
        if (r.attribute == OrderBy)
            order << (r.expression + (r.name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0
                                          ? QStringLiteral(" DESC")
                                          : QString()));

    if (kind == Union) {
        QStringList parts;
        for (const auto& r : rows)
            if (r.attribute == Source)
                parts << r.expression.trimmed();
        q.sql = parts.join((options & Distinct) ? QStringLiteral(" UNION ")
                                                : QStringLiteral(" UNION ALL "));
        if (!order.isEmpty())
            q.sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
        return q;
    }

    QString sql = QStringLiteral("SELECT ");
    if (options & Distinct)
        sql += QStringLiteral("DISTINCT ");
    else if (options & DistinctRow)
        sql += QStringLiteral("DISTINCTROW ");
    if (options & Top)
        sql += QStringLiteral("TOP %1 %2")
                   .arg(topValue, (options & Percent) ? QStringLiteral("PERCENT ") : QString());
    QStringList columns;
    if (options & AllFields)
        columns << QStringLiteral("*");
    for (const auto& r : rows)
        if (r.attribute == Column)
            columns << (r.name1.isEmpty()
                            ? r.expression
                            : r.expression + QStringLiteral(" AS ") + bracket(r.name1));
    sql += columns.join(QStringLiteral(", "));
    sql += QStringLiteral(" FROM ") + fromClause(rows);
    if (const QStringList w = expressions(rows, Where); !w.isEmpty())
        sql += QStringLiteral(" WHERE ") + w.join(QStringLiteral(" AND "));
    if (const QStringList g = expressions(rows, GroupBy); !g.isEmpty())
        sql += QStringLiteral(" GROUP BY ") + g.join(QStringLiteral(", "));
    if (const QStringList h = expressions(rows, Having); !h.isEmpty())
        sql += QStringLiteral(" HAVING ") + h.join(QStringLiteral(" AND "));
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    q.sql = sql;
    return q;
}

} // namespace tav::access
