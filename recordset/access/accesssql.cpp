#include "accesssql.h"

#include "sqlitename.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include <map>
#include <optional>
#include <vector>

namespace tav::access {

namespace {

enum class Tok { Ident, Bracket, String, Date, Number, Op, End };

struct Token {
    Tok kind;
    QString text;
};

std::vector<Token> tokenize(const QString& s) {
    std::vector<Token> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto closing = [&](QChar close, const char* what) {
        qsizetype j = i + 1;
        QString text;
        for (;; ++j) {
            if (j >= n)
                throw AccessSqlRefusal(
                    QStringLiteral("The query has an unclosed %1: %2").arg(QLatin1String(what), s));
            if (s[j] == close) {
                // A doubled quote inside a text literal stands for one quote.
                if ((close == u'"' || close == u'\'') && j + 1 < n && s[j + 1] == close) {
                    text += close;
                    ++j;
                    continue;
                }
                break;
            }
            text += s[j];
        }
        i = j + 1;
        return text;
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'[') {
            out.push_back({Tok::Bracket, closing(u']', "name in brackets")});
        } else if (c == u'"' || c == u'\'') {
            out.push_back({Tok::String, closing(c, "text")});
        } else if (c == u'#') {
            out.push_back({Tok::Date, closing(u'#', "date")});
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            qsizetype j = i;
            while (j < n && (s[j].isDigit() || s[j] == u'.'))
                ++j;
            if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                ++j;
                if (j < n && (s[j] == u'+' || s[j] == u'-'))
                    ++j;
                while (j < n && s[j].isDigit())
                    ++j;
            }
            out.push_back({Tok::Number, s.mid(i, j - i)});
            i = j;
        } else if (c.isLetter() || c == u'_') {
            qsizetype j = i;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_'))
                ++j;
            if (j < n && s[j] == u'$')
                ++j;
            out.push_back({Tok::Ident, s.mid(i, j - i)});
            i = j;
        } else {
            static const QStringList twoChar = {QStringLiteral("<>"), QStringLiteral("<="),
                                                QStringLiteral(">=")};
            const QString two = s.mid(i, 2);
            if (twoChar.contains(two)) {
                out.push_back({Tok::Op, two});
                i += 2;
            } else {
                out.push_back({Tok::Op, QString(c)});
                ++i;
            }
        }
    }
    out.push_back({Tok::End, {}});
    return out;
}

QString quoteText(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// #m/d/yy#, #m/d/yyyy#, #yyyy-mm-dd# with an optional time, as stored dates are written.
QString dateLiteral(const QString& text) {
    static const QRegularExpression us(
        QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{2,4})\s*(.*)$)"));
    static const QRegularExpression iso(
        QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})\s*(.*)$)"));
    QDate date(1899, 12, 30);
    QString rest = text.trimmed();
    if (auto m = us.match(text); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() <= 2)
            year += year < 30 ? 2000 : 1900;
        date = QDate(year, m.captured(1).toInt(), m.captured(2).toInt());
        rest = m.captured(4);
    } else if (auto m2 = iso.match(text); m2.hasMatch()) {
        date = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
        rest = m2.captured(4);
    }
    QTime time(0, 0);
    if (!rest.isEmpty()) {
        const QString r = rest.toUpper();
        for (const char* f : {"h:m:s AP", "h:m AP", "h AP", "H:m:s", "H:m"}) {
            time = QTime::fromString(r, QLatin1String(f));
            if (time.isValid())
                break;
        }
    }
    if (!date.isValid() || !time.isValid())
        throw AccessSqlRefusal(
            QStringLiteral("#%1# is not a date this reader understands.").arg(text));
    return quoteText(date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
                     time.toString(QStringLiteral("HH:mm:ss")));
}

struct FunctionInfo {
    const char* sqlName;
    int minArgs;
    int maxArgs;
};

const std::map<QString, FunctionInfo>& functions() {
    static const std::map<QString, FunctionInfo> table = {
        {QStringLiteral("sum"), {"sum", 1, 1}},
        {QStringLiteral("avg"), {"avg", 1, 1}},
        {QStringLiteral("count"), {"count", 1, 1}},
        {QStringLiteral("min"), {"min", 1, 1}},
        {QStringLiteral("max"), {"max", 1, 1}},
        {QStringLiteral("first"), {"acc_first", 1, 1}},
        {QStringLiteral("last"), {"acc_last", 1, 1}},
        {QStringLiteral("nz"), {"acc_nz", 1, 2}},
        {QStringLiteral("iif"), {"acc_iif", 3, 3}},
        {QStringLiteral("ccur"), {"acc_ccur", 1, 1}},
        {QStringLiteral("cint"), {"acc_cint", 1, 1}},
        {QStringLiteral("clng"), {"acc_clng", 1, 1}},
        {QStringLiteral("cstr"), {"acc_cstr", 1, 1}},
        {QStringLiteral("cdbl"), {"acc_cdbl", 1, 1}},
        {QStringLiteral("left"), {"acc_left", 2, 2}},
        {QStringLiteral("right"), {"acc_right", 2, 2}},
        {QStringLiteral("mid"), {"acc_mid", 2, 3}},
        {QStringLiteral("len"), {"acc_len", 1, 1}},
        {QStringLiteral("instr"), {"acc_instr", 2, 3}},
        {QStringLiteral("ucase"), {"acc_ucase", 1, 1}},
        {QStringLiteral("lcase"), {"acc_lcase", 1, 1}},
        {QStringLiteral("trim"), {"acc_trim", 1, 1}},
        {QStringLiteral("ltrim"), {"acc_ltrim", 1, 1}},
        {QStringLiteral("rtrim"), {"acc_rtrim", 1, 1}},
        {QStringLiteral("year"), {"acc_year", 1, 1}},
        {QStringLiteral("month"), {"acc_month", 1, 1}},
        {QStringLiteral("day"), {"acc_day", 1, 1}},
        {QStringLiteral("datepart"), {"acc_datepart", 2, 4}},
        {QStringLiteral("format"), {"acc_format", 1, 2}},
        {QStringLiteral("abs"), {"abs", 1, 1}},
        {QStringLiteral("int"), {"acc_int", 1, 1}},
        {QStringLiteral("fix"), {"acc_fix", 1, 1}},
    };
    return table;
}

bool isKeyword(const Token& t, const char* word) {
    return t.kind == Tok::Ident && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Words that end an expression or a table reference.
bool isClauseWord(const Token& t) {
    static const char* words[] = {"from", "where", "group", "having",  "order", "union",
                                  "as",   "on",    "inner", "left",    "right", "join",
                                  "and",  "or",    "xor",   "asc",     "desc",  "into",
                                  "not",  "like",  "is",    "between", "in",    "mod"};
    for (const char* w : words)
        if (isKeyword(t, w))
            return true;
    return false;
}

struct SelectItem {
    QString sql;
    QString alias;     // as written, or empty
    QString qualifier; // the source of a plain "source.column" or "source.*", else empty
    QString column;    // the column of a plain column reference, else empty
    bool star = false;
};

// Nesting deeper than this (parentheses, signs, NOT, calls, joined sources) is refused:
// the translator descends once per level, and SQLite stops at 1000 levels anyway.
constexpr int kMaxNesting = 256;

class Translator {
  public:
    Translator(const QString& sql, bool savedQuery)
        : m_sql(sql), m_tokens(tokenize(sql)), m_saved(savedQuery) {}

    QString statement() {
        refuseNonSelect();
        QString out = select();
        while (accept(";")) {
        }
        if (peek().kind != Tok::End)
            fail(QStringLiteral("Characters found after the end of the query"));
        return out;
    }

  private:
    // Counts one level of nesting for as long as it lives.
    class Nesting {
      public:
        explicit Nesting(Translator& t) : m_t(t) {
            if (++m_t.m_depth > kMaxNesting) {
                --m_t.m_depth;
                throw AccessSqlRefusal(
                    QStringLiteral("The query is nested more than %1 levels deep: %2")
                        .arg(kMaxNesting)
                        .arg(m_t.m_sql));
            }
        }
        ~Nesting() { --m_t.m_depth; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

      private:
        Translator& m_t;
    };

    const Token& peek(int ahead = 0) const {
        const size_t i = std::min(m_pos + size_t(ahead), m_tokens.size() - 1);
        return m_tokens[i];
    }
    Token next() { return m_tokens[std::min(m_pos++, m_tokens.size() - 1)]; }
    bool acceptWord(const char* w) {
        if (isKeyword(peek(), w)) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool accept(const char* op) {
        if (peek().kind == Tok::Op && peek().text == QLatin1String(op)) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void expect(const char* op) {
        if (!accept(op))
            fail(QStringLiteral("'%1' expected").arg(QLatin1String(op)));
    }
    void expectWord(const char* w) {
        if (!acceptWord(w))
            fail(QStringLiteral("%1 expected").arg(QString::fromLatin1(w).toUpper()));
    }
    [[noreturn]] void fail(const QString& what) const {
        throw AccessSqlRefusal(QStringLiteral("Syntax error in the query (%1 near '%2'): %3")
                                   .arg(what, peek().text, m_sql));
    }

    void refuseNonSelect() {
        const Token& t = peek();
        if (isKeyword(t, "transform"))
            throw AccessSqlRefusal(
                QStringLiteral("it is a crosstab query, which this reader does not run"));
        if (isKeyword(t, "parameters"))
            throw AccessSqlRefusal(
                QStringLiteral("it is a parameter query and no parameter values can be given"));
        for (const char* w : {"insert", "update", "delete", "create", "alter", "drop"})
            if (isKeyword(t, w))
                throw AccessSqlRefusal(QStringLiteral("it is an action or data-definition query "
                                                      "and the database is opened read-only"));
    }

    QString select() {
        expectWord("select");
        QString head = QStringLiteral("SELECT ");
        bool distinctRow = false;
        std::optional<QString> top;
        for (;;) {
            if (acceptWord("distinct"))
                head += QStringLiteral("DISTINCT ");
            else if (acceptWord("distinctrow"))
                distinctRow = true;
            else if (acceptWord("all")) {
            } else if (acceptWord("top")) {
                const Token n = next();
                if (n.kind != Tok::Number)
                    fail(QStringLiteral("a number after TOP expected"));
                if (isKeyword(peek(), "percent"))
                    throw AccessSqlRefusal(
                        QStringLiteral("TOP ... PERCENT is not supported by this reader"));
                top = n.text;
            } else
                break;
        }
        std::vector<SelectItem> items;
        do
            items.push_back(selectItem());
        while (accept(","));
        if (acceptWord("into"))
            throw AccessSqlRefusal(
                QStringLiteral("it is a make-table query and the database is opened read-only"));

        QString from;
        int sources = 0;
        if (acceptWord("from"))
            from = QStringLiteral(" FROM ") + fromList(sources);
        if (distinctRow && sources > 1 && !head.contains(QLatin1String("DISTINCT")) &&
            oneQualifier(items))
            head += QStringLiteral("DISTINCT ");

        QString out = head + selectList(items) + from;
        if (acceptWord("where"))
            out += QStringLiteral(" WHERE ") + expr();
        if (acceptWord("group")) {
            expectWord("by");
            out += QStringLiteral(" GROUP BY ") + exprList();
        }
        if (acceptWord("having"))
            out += QStringLiteral(" HAVING ") + expr();
        if (acceptWord("union")) {
            out += acceptWord("all") ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION ");
            const bool paren = accept("(");
            out += select();
            if (paren)
                expect(")");
            return out; // the last SELECT of a union carries the ORDER BY
        }
        if (acceptWord("order")) {
            expectWord("by");
            QStringList keys;
            do {
                QString k = expr();
                if (acceptWord("desc"))
                    k += QStringLiteral(" DESC");
                else
                    acceptWord("asc");
                keys << k;
            } while (accept(","));
            out += QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "));
        }
        if (top)
            out += QStringLiteral(" LIMIT ") + *top;
        return out;
    }

    static bool oneQualifier(const std::vector<SelectItem>& items) {
        QString q;
        for (const auto& it : items) {
            if (it.qualifier.isEmpty() ||
                (!q.isEmpty() && q.compare(it.qualifier, Qt::CaseInsensitive) != 0))
                return false;
            q = it.qualifier;
        }
        return !q.isEmpty();
    }

    // Unnamed expressions are called Expr1000, Expr1001 ...; a column that two sources
    // share keeps its source in its name ("Customers.CompanyName").
    QString selectList(const std::vector<SelectItem>& items) {
        std::map<QString, int> columnUses;
        for (const auto& it : items)
            if (it.alias.isEmpty() && !it.column.isEmpty())
                ++columnUses[it.column.toLower()];
        QStringList out;
        int unnamed = 1000;
        for (const auto& it : items) {
            QString s = it.sql;
            if (!it.alias.isEmpty())
                s += QStringLiteral(" AS ") + quotedSqliteName(it.alias);
            else if (!it.column.isEmpty() && columnUses[it.column.toLower()] > 1)
                s += QStringLiteral(" AS ") + quotedSqliteName(it.qualifier + u'.' + it.column);
            else if (!it.column.isEmpty())
                s += QStringLiteral(" AS ") +
                     quotedSqliteName(it.column); // SQLite may otherwise add ":1"
            else if (it.column.isEmpty() && !it.star)
                s += QStringLiteral(" AS ") +
                     quotedSqliteName(QStringLiteral("Expr%1").arg(unnamed++));
            out << s;
        }
        return out.join(QStringLiteral(", "));
    }

    SelectItem selectItem() {
        SelectItem item;
        if (accept("*")) {
            item.sql = QStringLiteral("*");
            item.star = true;
            return item;
        }
        const size_t start = m_pos;
        item.sql = expr();
        // A plain column reference: name or source.name or source.*
        const size_t len = m_pos - start;
        auto isName = [&](size_t i) {
            return m_tokens[i].kind == Tok::Ident || m_tokens[i].kind == Tok::Bracket;
        };
        if (len == 1 && isName(start)) {
            item.column = m_tokens[start].text;
        } else if (len == 3 && isName(start) && m_tokens[start + 1].kind == Tok::Op &&
                   (m_tokens[start + 1].text == QLatin1String(".") ||
                    m_tokens[start + 1].text == QLatin1String("!"))) {
            item.qualifier = m_tokens[start].text;
            if (m_tokens[start + 2].text == QLatin1String("*"))
                item.star = true;
            else
                item.column = m_tokens[start + 2].text;
        }
        if (acceptWord("as")) {
            const Token a = next();
            if (a.kind != Tok::Ident && a.kind != Tok::Bracket && a.kind != Tok::String)
                fail(QStringLiteral("a name after AS expected"));
            item.alias = a.text;
        }
        return item;
    }

    QString fromList(int& sources) {
        QStringList parts;
        do
            parts << joinedSource(sources);
        while (accept(","));
        return parts.join(QStringLiteral(", "));
    }

    QString joinedSource(int& sources) {
        QString out = tableRef(sources);
        for (;;) {
            QString kind;
            if (acceptWord("inner"))
                kind = QStringLiteral("INNER JOIN");
            else if (acceptWord("left"))
                kind = QStringLiteral("LEFT JOIN");
            else if (acceptWord("right"))
                kind = QStringLiteral("RIGHT JOIN");
            else if (isKeyword(peek(), "join"))
                kind = QStringLiteral("INNER JOIN");
            else
                break;
            acceptWord("outer");
            expectWord("join");
            const QString right = tableRef(sources);
            expectWord("on");
            out = QStringLiteral("(%1 %2 %3 ON %4)").arg(out, kind, right, expr());
        }
        return out;
    }

    QString tableRef(int& sources) {
        const Nesting level(*this);
        QString out;
        if (accept("(")) {
            if (isKeyword(peek(), "select")) {
                out = u'(' + select() + u')';
                ++sources;
            } else {
                out = joinedSource(sources);
            }
            expect(")");
        } else {
            const Token t = next();
            if (t.kind != Tok::Ident && t.kind != Tok::Bracket)
                fail(QStringLiteral("a table name expected"));
            out = quotedSqliteName(t.text);
            ++sources;
            if (isKeyword(peek(), "in"))
                throw AccessSqlRefusal(
                    QStringLiteral("it reads a table of another database file (%1)").arg(t.text));
        }
        if (acceptWord("as") ||
            ((peek().kind == Tok::Ident && !isClauseWord(peek())) || peek().kind == Tok::Bracket))
            out += QStringLiteral(" AS ") + quotedSqliteName(next().text);
        return out;
    }

    QString exprList() {
        QStringList parts;
        do
            parts << expr();
        while (accept(","));
        return parts.join(QStringLiteral(", "));
    }

    // Precedence, low to high: OR, XOR, AND, NOT, comparison, &, + -, Mod, \, * /, unary -, ^.
    QString expr(int minPrec = 0) {
        const Nesting level(*this);
        QString left = unary();
        for (;;) {
            const Token& t = peek();
            auto binary = [&](int prec, auto combine) -> bool {
                if (prec < minPrec)
                    return false;
                ++m_pos;
                left = combine(left, expr(prec + 1));
                return true;
            };
            auto op = [](const char* o) {
                return [o](const QString& a, const QString& b) {
                    return QStringLiteral("(%1 %2 %3)").arg(a, QLatin1String(o), b);
                };
            };
            auto fn = [](const char* f) {
                return [f](const QString& a, const QString& b) {
                    return QStringLiteral("%1(%2, %3)").arg(QLatin1String(f), a, b);
                };
            };
            if (isKeyword(t, "or")) {
                if (!binary(1, op("OR")))
                    break;
            } else if (isKeyword(t, "xor")) {
                if (!binary(2, op("<>")))
                    break;
            } else if (isKeyword(t, "and")) {
                if (!binary(3, op("AND")))
                    break;
            } else if (t.kind == Tok::Op &&
                       (t.text == QLatin1String("=") || t.text == QLatin1String("<>") ||
                        t.text == QLatin1String("<") || t.text == QLatin1String(">") ||
                        t.text == QLatin1String("<=") || t.text == QLatin1String(">="))) {
                const QString o = t.text;
                if (!binary(5, [&](const QString& a, const QString& b) {
                        return QStringLiteral("(%1 %2 %3)").arg(a, o, b);
                    }))
                    break;
            } else if (isKeyword(t, "is") || isKeyword(t, "like") || isKeyword(t, "between") ||
                       isKeyword(t, "in") ||
                       (isKeyword(t, "not") &&
                        (isKeyword(peek(1), "like") || isKeyword(peek(1), "between") ||
                         isKeyword(peek(1), "in")))) {
                if (minPrec > 5)
                    break;
                left = comparison(left);
            } else if (t.kind == Tok::Op && t.text == QLatin1String("&")) {
                if (!binary(6, fn("acc_concat")))
                    break;
            } else if (t.kind == Tok::Op &&
                       (t.text == QLatin1String("+") || t.text == QLatin1String("-"))) {
                const QString o = t.text;
                if (!binary(7, [&](const QString& a, const QString& b) {
                        return QStringLiteral("(%1 %2 %3)").arg(a, o, b);
                    }))
                    break;
            } else if (isKeyword(t, "mod")) {
                if (!binary(8, fn("acc_mod")))
                    break;
            } else if (t.kind == Tok::Op && t.text == QLatin1String("\\")) {
                if (!binary(9, fn("acc_intdiv")))
                    break;
            } else if (t.kind == Tok::Op && t.text == QLatin1String("*")) {
                if (!binary(10, op("*")))
                    break;
            } else if (t.kind == Tok::Op && t.text == QLatin1String("/")) {
                if (!binary(10, [](const QString& a, const QString& b) {
                        return QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(a, b);
                    }))
                    break;
            } else if (t.kind == Tok::Op && t.text == QLatin1String("^")) {
                if (!binary(11, fn("acc_pow")))
                    break;
            } else {
                break;
            }
        }
        return left;
    }

    QString comparison(const QString& left) {
        if (acceptWord("is")) {
            const bool negate = acceptWord("not");
            expectWord("null");
            return QStringLiteral("(%1 IS %2NULL)")
                .arg(left, negate ? QStringLiteral("NOT ") : QString());
        }
        const QString notText = acceptWord("not") ? QStringLiteral("NOT ") : QString();
        if (acceptWord("like")) {
            const QString pattern = expr(6);
            if (m_saved)
                return QStringLiteral("(%1acc_like(%2, %3))").arg(notText, left, pattern);
            return QStringLiteral("(%1 %2LIKE %3)").arg(left, notText, pattern);
        }
        if (acceptWord("between")) {
            const QString low = expr(6);
            expectWord("and");
            const QString high = expr(6);
            return QStringLiteral("(%1 %2BETWEEN %3 AND %4)").arg(left, notText, low, high);
        }
        expectWord("in");
        expect("(");
        const QString list = isKeyword(peek(), "select") ? select() : exprList();
        expect(")");
        return QStringLiteral("(%1 %2IN (%3))").arg(left, notText, list);
    }

    QString unary() {
        if (acceptWord("not"))
            return QStringLiteral("(NOT %1)").arg(expr(4));
        // Negation binds more loosely than ^ (-2 ^ 2 is -4) and more tightly than * and /.
        if (accept("-"))
            return QStringLiteral("(-%1)").arg(expr(11));
        if (accept("+"))
            return expr(11);
        return primary();
    }

    QString primary() {
        const Token t = next();
        switch (t.kind) {
        case Tok::Number:
            return t.text;
        case Tok::String:
            return quoteText(t.text);
        case Tok::Date:
            return dateLiteral(t.text);
        case Tok::Op:
            if (t.text == QLatin1String("(")) {
                QString inner = isKeyword(peek(), "select") ? select() : expr();
                expect(")");
                return u'(' + inner + u')';
            }
            if (t.text == QLatin1String("*"))
                return QStringLiteral("*");
            --m_pos;
            fail(QStringLiteral("an expression expected"));
        case Tok::Ident:
            if (peek().kind == Tok::Op && peek().text == QLatin1String("("))
                return call(t.text);
            for (const auto& [word, value] : {std::pair{"true", "-1"},
                                              {"yes", "-1"},
                                              {"on", "-1"},
                                              {"false", "0"},
                                              {"no", "0"},
                                              {"off", "0"},
                                              {"null", "NULL"}})
                if (isKeyword(t, word))
                    return QLatin1String(value);
            if (isClauseWord(t) || isKeyword(t, "select")) {
                --m_pos;
                fail(QStringLiteral("an expression expected"));
            }
            [[fallthrough]];
        case Tok::Bracket:
            return path(t);
        case Tok::End:
            break;
        }
        --m_pos;
        fail(QStringLiteral("the query ends too early"));
    }

    // name, source.name, source!name, source.*
    QString path(const Token& first) {
        QStringList parts{first.text};
        bool bang = false;
        while (peek().kind == Tok::Op &&
               (peek().text == QLatin1String(".") || peek().text == QLatin1String("!"))) {
            bang = bang || peek().text == QLatin1String("!");
            ++m_pos;
            const Token part = next();
            if (part.kind == Tok::Op && part.text == QLatin1String("*")) {
                parts << QStringLiteral("*");
                break;
            }
            if (part.kind != Tok::Ident && part.kind != Tok::Bracket)
                fail(QStringLiteral("a name expected"));
            parts << part.text;
        }
        if (bang && (parts.first().compare(QLatin1String("Forms"), Qt::CaseInsensitive) == 0 ||
                     parts.first().compare(QLatin1String("Reports"), Qt::CaseInsensitive) == 0))
            throw AccessSqlRefusal(
                QStringLiteral(
                    "it reads a value from the application form %1, which is not open here")
                    .arg(parts.join(u'!')));
        QStringList quoted;
        for (const QString& p : parts)
            quoted << (p == QLatin1String("*") ? p : quotedSqliteName(p));
        return quoted.join(u'.');
    }

    QString call(const QString& name) {
        QString key = name.toLower();
        if (key.endsWith(u'$'))
            key.chop(1);
        const auto it = functions().find(key);
        if (it == functions().end())
            throw AccessSqlRefusal(
                QStringLiteral("it calls the function %1, which this reader does not provide")
                    .arg(name));
        expect("(");
        QStringList args;
        if (!accept(")")) {
            const bool distinct = acceptWord("distinct");
            do
                args << expr();
            while (accept(","));
            expect(")");
            if (distinct)
                args.first().prepend(QStringLiteral("DISTINCT "));
        }
        if (args.size() < it->second.minArgs || args.size() > it->second.maxArgs)
            throw AccessSqlRefusal(
                QStringLiteral("%1 is called with %2 arguments").arg(name).arg(args.size()));
        return QStringLiteral("%1(%2)").arg(QLatin1String(it->second.sqlName),
                                            args.join(QStringLiteral(", ")));
    }

    QString m_sql;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    bool m_saved;
    int m_depth = 0;
};

} // namespace

QString translateAccessSql(const QString& accessSql, bool savedQuery) {
    return Translator(accessSql, savedQuery).statement();
}

} // namespace tav::access
