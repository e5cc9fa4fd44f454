#pragma once
// Translates Access SQL (the recordset's own statements and saved queries rebuilt from
// the file) into SQLite SQL over the loaded tables and the acc_* functions.
//
// Expressions are parsed, not substituted token by token, so that operators keep their
// Access meaning: `&` joins text with Access's Null rules, `/` always divides as real
// numbers, `\` and Mod round their operands first, "text" and #date# literals, True,
// False, Yes and No. DISTINCTROW becomes DISTINCT when every output column comes from one
// source of a join, TOP n becomes LIMIT n. With `savedQuery` set, LIKE patterns use the
// saved-query wildcards * and ? (the recordset's own statements use % and _).
//
// Statements that cannot be run read-only over a snapshot are refused with an
// AccessSqlRefusal naming the reason: crosstab, action, data-definition and parameter
// queries, references to application forms, TOP ... PERCENT, unknown functions.
#include <QString>

#include <stdexcept>

namespace tav::access {

class AccessSqlRefusal : public std::runtime_error {
  public:
    explicit AccessSqlRefusal(const QString& why)
        : std::runtime_error(why.toStdString()), m_why(why) {}
    const QString& why() const { return m_why; }

  private:
    QString m_why;
};

QString translateAccessSql(const QString& accessSql, bool savedQuery = false);

} // namespace tav::access
