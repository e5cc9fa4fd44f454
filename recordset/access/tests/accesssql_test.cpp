// The Access SQL translator and the acc_* functions, run on an in-memory SQLite database.
#include "accesscollation.h"
#include "accessfunctions.h"
#include "accesssql.h"
#include "casename.h"
#include "savedqueries_p.h"

#include <QStringList>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace tav::access;

namespace {

class Db {
  public:
    Db() {
        sqlite3_open(":memory:", &m_db);
        registerCollation(m_db);
        registerFunctions(m_db);
        exec("CREATE TABLE t (id INTEGER, name TEXT COLLATE ACCESSTEXT, price DOUBLE, born "
             "DATETIME);"
             "INSERT INTO t VALUES (1, 'Émile', 2.5, '1996-07-04 00:00:00'), (2, 'o''Brien', 10, "
             "'1995-12-31 23:59:00'),"
             "(3, 'zoe', NULL, NULL), (4, 'Co-op', 7.25, '1995-01-01 00:00:00'), (5, 'anna', 1, "
             "'1994-02-03 04:05:06')");
    }
    ~Db() { sqlite3_close(m_db); }
    void exec(const char* sql) {
        ASSERT_EQ(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(m_db);
    }
    // The first column of every row, as text ("NULL" for Null), joined by "|".
    QString column(const QString& accessSql, bool saved = false) {
        const QByteArray sql = translateAccessSql(accessSql, saved).toUtf8();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
            return QStringLiteral("ERROR ") + QString::fromUtf8(sqlite3_errmsg(m_db)) + u' ' +
                   QString::fromUtf8(sql);
        QStringList out;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            out << (sqlite3_column_type(st, 0) == SQLITE_NULL
                        ? QStringLiteral("NULL")
                        : QString::fromUtf8(
                              reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
        if (rc != SQLITE_DONE)
            out << QStringLiteral("ERROR ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        return out.join(u'|');
    }

  private:
    sqlite3* m_db = nullptr;
};

struct ExprCase {
    const char* name;
    const char* accessSql;
    const char* expected;
    bool saved = false;
};

class Expressions : public ::testing::TestWithParam<ExprCase> {};

TEST_P(Expressions, GiveAccessResults) {
    Db db;
    EXPECT_EQ(db.column(QString::fromUtf8(GetParam().accessSql), GetParam().saved).toStdString(),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Translator, Expressions,
    ::testing::Values(
        ExprCase{"GeneralSortIgnoresCaseAccentsApostrophes", "SELECT name FROM t ORDER BY name",
                 "anna|Co-op|Émile|o'Brien|zoe"},
        ExprCase{"TextEqualityIgnoresCase", "SELECT id FROM t WHERE name = \"ZOE\"", "3"},
        ExprCase{"ConcatTreatsOneNullAsEmpty", "SELECT name & price FROM t WHERE id = 3", "zoe"},
        ExprCase{"ConcatOfTwoNullsIsNull", "SELECT price & Null FROM t WHERE id = 3", "NULL"},
        ExprCase{"SlashAlwaysDividesAsReal", "SELECT 7 / 2 FROM t WHERE id = 1", "3.5"},
        ExprCase{"BackslashRoundsOperandsThenTruncates", "SELECT 7.6 \\ 2 FROM t WHERE id = 1",
                 "4"},
        ExprCase{"ModRoundsOperands", "SELECT 10.5 Mod 4 FROM t WHERE id = 1", "2"},
        ExprCase{"DateLiteralUsDayMonthOrder",
                 "SELECT id FROM t WHERE born Between #1/1/95# And #12/31/95# ORDER BY id", "4"},
        ExprCase{"DateLiteralWithTime", "SELECT id FROM t WHERE born >= #12/31/1995 11:00 PM#",
                 "1|2"},
        ExprCase{"YesNoTrueFalse", "SELECT True & \"/\" & No & \"/\" & Yes FROM t WHERE id = 1",
                 "-1/0/-1"},
        ExprCase{"TopBecomesLimit", "SELECT TOP 2 id FROM t ORDER BY price DESC", "2|4"},
        ExprCase{"DistinctRowOnOneTableKeepsRows", "SELECT DISTINCTROW id FROM t WHERE id < 3",
                 "1|2"},
        ExprCase{"SavedQueryLikeUsesStarAndQuestion",
                 "SELECT id FROM t WHERE name Like \"?o*\" ORDER BY id", "3|4", true},
        ExprCase{"SavedQueryLikeCharacterSet", "SELECT id FROM t WHERE name Like \"[a-c]*\"", "4|5",
                 true},
        ExprCase{"OwnStatementLikeUsesPercent", "SELECT id FROM t WHERE name LIKE 'a%'", "5"},
        ExprCase{"NzSubstitutesNull", "SELECT Nz(price, -1) FROM t WHERE id = 3", "-1"},
        ExprCase{"IIfPicksBranch", "SELECT IIf(price > 5, \"dear\", \"cheap\") FROM t ORDER BY id",
                 "cheap|dear|cheap|dear|cheap"},
        ExprCase{"CIntRoundsHalfToEven",
                 "SELECT CInt(2.5) & \",\" & CInt(3.5) & \",\" & CLng(-2.5) FROM t WHERE id = 1",
                 "2,4,-2"},
        ExprCase{"CCurKeepsFourDecimals", "SELECT CCur(1.23456) FROM t WHERE id = 1", "1.2346"},
        ExprCase{"TextFunctions",
                 "SELECT Left(name, 2) & Right(name, 1) & Mid(name, 2, 2) & Len(name) & "
                 "UCase(name) FROM t WHERE id = 5",
                 "anann4ANNA"},
        ExprCase{"InStrIsOneBasedAndCaseInsensitive",
                 "SELECT InStr(name, \"N\") & InStr(3, name, \"n\") & InStr(name, \"x\") FROM t "
                 "WHERE id = 5",
                 "230"},
        ExprCase{"TrimOnlySpaces", "SELECT \"[\" & Trim(\"  a b  \") & \"]\" FROM t WHERE id = 1",
                 "[a b]"},
        ExprCase{"DateParts",
                 "SELECT Year(born) & \"-\" & Month(born) & \"-\" & Day(born) & \" q\" & "
                 "DatePart(\"q\", born) FROM t WHERE id = 1",
                 "1996-7-4 q3"},
        ExprCase{"DatePartsOfEveryYearFrom100To9999",
                 "SELECT Year(\"0100-01-01 00:00:00\") & \" \" & Month(\"1392-01-10 00:00:00\") & "
                 "\" \" & Day(\"9999-12-31 23:59:59\") & \" \" & DatePart(\"w\", \"1582-10-15\") & "
                 "\" \" & Format(\"0100-02-28 06:00:00\", \"mm/dd hh:nn\") & \" \" & "
                 "DatePart(\"h\", \"2021-06-14 12:45:00.1234567\")",
                 "100 1 31 6 02/28 06:00 12"},
        ExprCase{"FormatPatterns",
                 "SELECT Format(born, \"yyyy\") & \" \" & Format(price, \"0.00\") & \" \" & "
                 "Format(born, \"mm/dd/yyyy\") FROM t WHERE id = 1",
                 "1996 2.50 07/04/1996"},
        ExprCase{"NullPropagatesThroughFunctions", "SELECT Left(price, 1) FROM t WHERE id = 3",
                 "NULL"},
        ExprCase{"UnnamedExpressionIsExpr1000", "SELECT Count(*) FROM t", "5"},
        ExprCase{"SubqueryInWhere", "SELECT id FROM t WHERE price > (SELECT Avg([price]) FROM t)",
                 "2|4"},
        ExprCase{"FirstAndLastAggregates", "SELECT First(id) & \"-\" & Last(id) FROM t", "1-5"},
        ExprCase{"NotLikeInAndIsNotNull",
                 "SELECT id FROM t WHERE name Not Like \"*o*\" And id In (1, 3, 5) And price Is "
                 "Not Null",
                 "1|5", true},
        ExprCase{"LeftJoinWithAliasWithoutAs",
                 "SELECT a.id & \":\" & Nz(b.id, \"-\") FROM t a LEFT JOIN t AS b ON (a.id = b.id "
                 "+ 1) WHERE a.id < 3 ORDER BY a.id",
                 "1:-|2:1"},
        ExprCase{"NestedJoinsInParentheses",
                 "SELECT Count(*) FROM (t AS a INNER JOIN t AS b ON a.id = b.id) INNER JOIN t AS c "
                 "ON b.id = c.id",
                 "5"},
        ExprCase{
            "UnionKeepsTheLastOrderBy",
            "SELECT id FROM t WHERE id < 3 UNION SELECT id FROM t WHERE id > 4 ORDER BY id DESC",
            "5|2|1"},
        ExprCase{"MidWithoutLengthAndNzWithoutDefault",
                 "SELECT Mid(name, 3) & \"[\" & Nz(price) & \"]\" FROM t WHERE id = 3", "e[]"},
        ExprCase{"NamedNumberFormats",
                 "SELECT Format(price * 1000, \"Currency\") & \" \" & Format(price, \"Percent\") "
                 "FROM t WHERE id = 4",
                 "$7,250.00 725.00%"},
        ExprCase{"PrecedenceOfConcatBelowArithmetic", "SELECT 1 + 2 & 3 * 2 FROM t WHERE id = 1",
                 "36"},
        ExprCase{"ExponentAndNegation", "SELECT -2 ^ 2 & \"/\" & -2 * 3 FROM t WHERE id = 1",
                 "-4/-6"},
        ExprCase{"ConcatBelowAddition", "SELECT \"a\" & 1 + 2 FROM t WHERE id = 1", "a3"},
        ExprCase{"ModBelowMultiplicationAndIntegerDivision",
                 "SELECT 7 Mod 2 * 3 & \"/\" & 7 Mod 5 \\ 2 FROM t WHERE id = 1", "1/1"},
        ExprCase{"SameLevelOperatorsGroupFromTheLeft",
                 "SELECT 10 - 4 - 3 & \"/\" & 2 ^ 3 ^ 2 FROM t WHERE id = 1", "3/64"},
        ExprCase{"NotBindsLooserThanComparisonTighterThanAnd",
                 "SELECT id FROM t WHERE Not id = 1 And id < 3", "2"},
        ExprCase{"XorIsTrueForExactlyOneSide",
                 "SELECT id FROM t WHERE id > 2 Xor id < 5 ORDER BY id", "1|2|5"},
        ExprCase{"IntFloorsFixTruncatesNegatives",
                 "SELECT Int(-2.5) & \",\" & Fix(-2.5) & \",\" & Int(2.5) & \",\" & Fix(2.5) FROM "
                 "t WHERE id = 1",
                 "-3,-2,2,2"},
        ExprCase{"BackslashTruncatesNegativeQuotients", "SELECT -7 \\ 2 FROM t WHERE id = 1", "-3"},
        ExprCase{"CIntTakesItsLimits",
                 "SELECT CInt(32767) & \",\" & CInt(-32768) FROM t WHERE id = 1", "32767,-32768"},
        ExprCase{"CIntOverflowsPastItsLimit", "SELECT CInt(32768) FROM t WHERE id = 1",
                 "ERROR CInt: Overflow"},
        ExprCase{"IntegerDivisionOfAnOverflowedPowerOverflows",
                 "SELECT 10 ^ 400 \\ 3 FROM t WHERE id = 1", "ERROR Overflow"},
        ExprCase{"InStrRefusesStartZero", "SELECT InStr(0, name, \"a\") FROM t WHERE id = 5",
                 "ERROR InStr: Invalid procedure call or argument"},
        ExprCase{"SavedQueryLikeIgnoresCase", "SELECT id FROM t WHERE name Like \"ZO*\"", "3",
                 true},
        ExprCase{"ComparisonIgnoresHyphensAndApostrophes",
                 "SELECT id FROM t WHERE name = \"coop\" Or name = \"OBRIEN\" ORDER BY id", "2|4"}),
    tav::test::caseName);

struct RefusalCase {
    const char* name;
    const char* accessSql;
    const char* reasonPart;
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, NameTheReason) {
    try {
        translateAccessSql(QString::fromUtf8(GetParam().accessSql), true);
        FAIL() << "translated";
    } catch (const AccessSqlRefusal& r) {
        EXPECT_TRUE(r.why().contains(QLatin1String(GetParam().reasonPart)))
            << r.why().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Translator, Refusals,
    ::testing::Values(
        RefusalCase{"Crosstab", "TRANSFORM Sum(x) SELECT a FROM t GROUP BY a PIVOT b", "crosstab"},
        RefusalCase{"Parameters", "PARAMETERS [From] DateTime; SELECT * FROM t", "parameter"},
        RefusalCase{"Update", "UPDATE t SET a = 1", "read-only"},
        RefusalCase{"MakeTable", "SELECT * INTO x FROM t", "read-only"},
        RefusalCase{"FormReference", "SELECT * FROM t WHERE id = [Forms]![Orders]![OrderID]",
                    "application form"},
        RefusalCase{"MacroFunction", "SELECT DLookup(\"a\", \"t\") FROM t", "DLookup"},
        RefusalCase{"TopPercent", "SELECT TOP 10 PERCENT * FROM t", "PERCENT"},
        RefusalCase{"OtherDatabase", "SELECT * FROM t IN 'other.mdb'", "another database"},
        RefusalCase{"UnclosedText", "SELECT \"abc FROM t", "unclosed"}),
    tav::test::caseName);

TEST(ResultNames, FollowAccess) {
    // Unnamed expressions are Expr1000, Expr1001 ...; a column two sources share keeps its
    // source; other columns keep their own names.
    Db db;
    const QByteArray sql =
        translateAccessSql(QStringLiteral("SELECT a.id, b.id, a.name, a.price * 2, [b].[price] + "
                                          "1, b.born AS [When] FROM t AS a, t AS b"))
            .toUtf8();
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    registerCollation(raw);
    sqlite3_exec(raw, "CREATE TABLE t (id INTEGER, name TEXT, price DOUBLE, born DATETIME)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, sql.constData(), -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(raw);
    QStringList names;
    for (int c = 0; c < sqlite3_column_count(st); ++c)
        names << QString::fromUtf8(sqlite3_column_name(st, c));
    sqlite3_finalize(st);
    sqlite3_close(raw);
    EXPECT_EQ(names.join(u','), QStringLiteral("a.id,b.id,name,Expr1000,Expr1001,When"));
}

TEST(SavedQueries, RebuildJoinsAliasesGroupingAndOrder) {
    const std::vector<QueryDesignRow> rows = {
        {1, 1, {}, {}, {}},
        {3, 24, QStringLiteral("5"), {}, {}},
        {5, 0, QStringLiteral("Orders"), {}, {}},
        {5, 0, QStringLiteral("Customers"), QStringLiteral("C"), {}},
        {5, 0, QStringLiteral("Shippers"), {}, {}},
        {6, 0, {}, {}, QStringLiteral("C.City")},
        {6, 0, QStringLiteral("Total"), {}, QStringLiteral("Sum(Orders.Freight)")},
        {7, 3, QStringLiteral("C"), QStringLiteral("Orders"),
         QStringLiteral("C.CustomerID = Orders.CustomerID")},
        {7, 1, QStringLiteral("Shippers"), QStringLiteral("Orders"),
         QStringLiteral("Shippers.ShipperID = Orders.ShipVia")},
        {8, 0, {}, {}, QStringLiteral("Orders.Freight > 1")},
        {9, 0, {}, {}, QStringLiteral("C.City")},
        {11, 0, QStringLiteral("D"), {}, QStringLiteral("Sum(Orders.Freight)")},
    };
    const SavedQuery q = rebuildSavedQuery(QStringLiteral("q"), rows);
    EXPECT_TRUE(q.refusal.isEmpty());
    EXPECT_EQ(q.sql,
              QStringLiteral(
                  "SELECT DISTINCTROW TOP 5 C.City, Sum(Orders.Freight) AS [Total] FROM "
                  "([Shippers] INNER JOIN ([Customers] AS [C] RIGHT JOIN [Orders] ON "
                  "C.CustomerID = Orders.CustomerID) ON Shippers.ShipperID = Orders.ShipVia) "
                  "WHERE Orders.Freight > 1 GROUP BY C.City ORDER BY Sum(Orders.Freight) DESC"));
    EXPECT_NO_THROW(translateAccessSql(q.sql, true));
}

TEST(SavedQueries, RefuseWhatCannotRunReadOnly) {
    const struct {
        int kind;
        const char* reason;
    } cases[] = {{6, "crosstab"},
                 {4, "action query"},
                 {2, "action query"},
                 {7, "data-definition"},
                 {8, "pass-through"}};
    for (const auto& c : cases) {
        const SavedQuery q = rebuildSavedQuery(QStringLiteral("q"), {{1, c.kind, {}, {}, {}}});
        EXPECT_TRUE(q.refusal.contains(QLatin1String(c.reason)))
            << c.kind << ": " << q.refusal.toStdString();
    }
    const SavedQuery p = rebuildSavedQuery(
        QStringLiteral("p"), {{1, 1, {}, {}, {}}, {2, 8, QStringLiteral("Start"), {}, {}}});
    EXPECT_TRUE(p.refusal.contains(QLatin1String("parameter query (Start)")))
        << p.refusal.toStdString();
}

// Deep nesting is refused with a reason instead of exhausting the stack (found by fuzzing:
// "SELECT id -(((((...-----(((..." overflowed it); nesting as deep as real queries go still
// translates and runs.
TEST(Nesting, DeepNestingIsRefusedAndModerateNestingRuns) {
    const auto repeat = [](const char* s, int n) { return QString::fromLatin1(s).repeated(n); };
    const int deep = 100000;
    const struct {
        const char* name;
        QString sql;
    } refused[] = {
        {"parentheses", "SELECT " + repeat("(", deep) + "1" + repeat(")", deep) + " FROM t"},
        {"minus signs and parentheses",
         "SELECT id -" + repeat("(-", deep) + "1" + repeat(")", deep) + " FROM t"},
        {"NOTs", "SELECT id FROM t WHERE " + repeat("NOT ", deep) + "True"},
        {"function calls", "SELECT " + repeat("Abs(", deep) + "1" + repeat(")", deep) + " FROM t"},
        {"parenthesised sources", "SELECT * FROM " + repeat("(", deep) + "t" + repeat(")", deep)},
        {"subqueries", "SELECT id FROM t WHERE id IN " +
                           repeat("(SELECT id FROM t WHERE id IN ", deep) + "(1)" +
                           repeat(")", deep)},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        try {
            translateAccessSql(c.sql, true);
            ADD_FAILURE() << "translated";
        } catch (const AccessSqlRefusal& r) {
            EXPECT_TRUE(r.why().contains(QLatin1String("nested")))
                << r.why().left(200).toStdString();
        }
    }
    Db db;
    EXPECT_EQ(
        db.column("SELECT " + repeat("(", 60) + "id" + repeat(")", 60) + " FROM t WHERE id = 2")
            .toStdString(),
        "2");
    EXPECT_EQ(db.column("SELECT " + repeat("IIf(id > 4, \"x\", ", 15) + "id" + repeat(")", 15) +
                        " FROM t WHERE id = 3")
                  .toStdString(),
              "3");
}

} // namespace
