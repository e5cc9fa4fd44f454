#include "accessfunctions.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cmath>
#include <optional>
#include <sqlite3.h>

namespace tav::access {

namespace {

using Args = sqlite3_value**;

bool isNull(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

QString textOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        return QString::number(d, 'g', 15);
    }
    case SQLITE_NULL:
        return {};
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                 sqlite3_value_bytes(v));
    }
}

void resultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

// Rounds half to even, as Access's conversions do.
double roundHalfEven(double x) {
    return std::nearbyint(
        x); // the default floating-point rounding mode is to nearest, ties to even
}

// A stored date ("YYYY-MM-DD hh:mm:ss", a Date/Time Extended value with a fraction of a
// second after it, or a date alone) of any year from 100 to 9999. It is read as UTC so that
// no hour is lost to a change of the local clock.
std::optional<QDateTime> dateOf(sqlite3_value* v) {
    if (isNull(v))
        return std::nullopt;
    const QString s = textOf(v).trimmed();
    const QDate date = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0);
    if (s.size() > 10) {
        time = QTime::fromString(s.mid(11, 8), QStringLiteral("HH:mm:ss"));
        if (s[10] != u' ' || !time.isValid())
            return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC);
}

#define ACC_FN(name) void name(sqlite3_context* ctx, int argc, Args argv)

ACC_FN(concat) {
    (void)argc;
    if (isNull(argv[0]) && isNull(argv[1]))
        return sqlite3_result_null(ctx);
    resultText(ctx, textOf(argv[0]) + textOf(argv[1]));
}

ACC_FN(nz) {
    if (!isNull(argv[0]))
        return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1)
        return sqlite3_result_value(ctx, argv[1]);
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

ACC_FN(iif) {
    (void)argc;
    const bool cond = !isNull(argv[0]) && sqlite3_value_double(argv[0]) != 0;
    sqlite3_result_value(ctx, argv[cond ? 1 : 2]);
}

void roundedInteger(sqlite3_context* ctx, Args argv, double low, double high, const char* name) {
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const double r = roundHalfEven(sqlite3_value_double(argv[0]));
    if (!(r >= low && r <= high)) // a NaN is out of range too
        return sqlite3_result_error(ctx, (QByteArray(name) + ": Overflow").constData(), -1);
    sqlite3_result_int64(ctx, sqlite3_int64(r));
}

ACC_FN(cint) {
    (void)argc;
    roundedInteger(ctx, argv, -32768, 32767, "CInt");
}
ACC_FN(clng) {
    (void)argc;
    roundedInteger(ctx, argv, -2147483648.0, 2147483647.0, "CLng");
}

ACC_FN(ccur) {
    (void)argc;
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, roundHalfEven(sqlite3_value_double(argv[0]) * 10000.0) / 10000.0);
}

ACC_FN(cdbl) {
    (void)argc;
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
}

ACC_FN(cstr) {
    (void)argc;
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultText(ctx, textOf(argv[0]));
}

template <typename F> void textFunction(sqlite3_context* ctx, int argc, Args argv, F f) {
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i]))
            return sqlite3_result_null(ctx);
    f(textOf(argv[0]));
}

ACC_FN(left) {
    textFunction(ctx, argc, argv,
                 [&](const QString& s) { resultText(ctx, s.left(sqlite3_value_int(argv[1]))); });
}
ACC_FN(right) {
    textFunction(ctx, argc, argv,
                 [&](const QString& s) { resultText(ctx, s.right(sqlite3_value_int(argv[1]))); });
}
ACC_FN(mid) {
    textFunction(ctx, argc, argv, [&](const QString& s) {
        const int start = sqlite3_value_int(argv[1]);
        if (start < 1)
            return sqlite3_result_error(ctx, "Mid: Invalid procedure call or argument", -1);
        resultText(ctx, s.mid(start - 1, argc > 2 ? sqlite3_value_int(argv[2]) : -1));
    });
}
ACC_FN(len) {
    textFunction(ctx, argc, argv,
                 [&](const QString& s) { sqlite3_result_int(ctx, int(s.size())); });
}
ACC_FN(ucase) {
    textFunction(ctx, argc, argv, [&](const QString& s) { resultText(ctx, s.toUpper()); });
}
ACC_FN(lcase) {
    textFunction(ctx, argc, argv, [&](const QString& s) { resultText(ctx, s.toLower()); });
}
QString trimSpaces(const QString& s, bool left, bool right) {
    qsizetype a = 0, b = s.size();
    while (left && a < b && s[a] == u' ')
        ++a;
    while (right && b > a && s[b - 1] == u' ')
        --b;
    return s.mid(a, b - a);
}
ACC_FN(trim) {
    textFunction(ctx, argc, argv,
                 [&](const QString& s) { resultText(ctx, trimSpaces(s, true, true)); });
}
ACC_FN(ltrim) {
    textFunction(ctx, argc, argv,
                 [&](const QString& s) { resultText(ctx, trimSpaces(s, true, false)); });
}
ACC_FN(rtrim) {
    textFunction(ctx, argc, argv,
                 [&](const QString& s) { resultText(ctx, trimSpaces(s, false, true)); });
}

// InStr([start,] text, sought): 1-based position, 0 when absent; case-insensitive.
ACC_FN(instr) {
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i]))
            return sqlite3_result_null(ctx);
    const int start = argc == 3 ? sqlite3_value_int(argv[0]) : 1;
    const QString text = textOf(argv[argc == 3 ? 1 : 0]);
    const QString sought = textOf(argv[argc == 3 ? 2 : 1]);
    if (start < 1)
        return sqlite3_result_error(ctx, "InStr: Invalid procedure call or argument", -1);
    sqlite3_result_int(ctx, int(text.indexOf(sought, start - 1, Qt::CaseInsensitive) + 1));
}

template <typename F> void dateFunction(sqlite3_context* ctx, sqlite3_value* v, F f) {
    const auto d = dateOf(v);
    if (!d)
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, f(*d));
}

ACC_FN(year) {
    (void)argc;
    dateFunction(ctx, argv[0], [](const QDateTime& d) { return d.date().year(); });
}
ACC_FN(month) {
    (void)argc;
    dateFunction(ctx, argv[0], [](const QDateTime& d) { return d.date().month(); });
}
ACC_FN(day) {
    (void)argc;
    dateFunction(ctx, argv[0], [](const QDateTime& d) { return d.date().day(); });
}

ACC_FN(datepart) {
    (void)argc;
    const QString part = textOf(argv[0]).toLower();
    dateFunction(ctx, argv[1], [&](const QDateTime& d) {
        if (part == QLatin1String("yyyy"))
            return d.date().year();
        if (part == QLatin1String("q"))
            return (d.date().month() - 1) / 3 + 1;
        if (part == QLatin1String("m"))
            return d.date().month();
        if (part == QLatin1String("y"))
            return d.date().dayOfYear();
        if (part == QLatin1String("d"))
            return d.date().day();
        if (part == QLatin1String("w"))
            return d.date().dayOfWeek() % 7 + 1; // Sunday is 1
        if (part == QLatin1String("ww"))
            return (d.date().dayOfYear() + QDate(d.date().year(), 1, 1).dayOfWeek() % 7 - 1) / 7 +
                   1;
        if (part == QLatin1String("h"))
            return d.time().hour();
        if (part == QLatin1String("n"))
            return d.time().minute();
        if (part == QLatin1String("s"))
            return d.time().second();
        return -1;
    });
}

// Format(value, pattern) for the usual patterns: named number and date formats, digit
// patterns such as "0.00" and "#,##0.00", and date patterns built of yyyy, mm, dd, hh, nn, ss.
QString formatNumber(double v, const QString& pattern) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions); // the C locale omits group separators
    const QString p = pattern.toLower();
    if (p == QLatin1String("currency"))
        return (v < 0 ? QStringLiteral("-$") : QStringLiteral("$")) +
               c.toString(std::abs(v), 'f', 2);
    if (p == QLatin1String("fixed"))
        return QString::number(v, 'f', 2);
    if (p == QLatin1String("standard"))
        return c.toString(v, 'f', 2);
    if (p == QLatin1String("percent"))
        return QString::number(v * 100, 'f', 2) + u'%';
    const qsizetype dot = pattern.indexOf(u'.');
    const int decimals = dot < 0 ? 0 : int(pattern.size() - dot - 1);
    QString out =
        pattern.contains(u',') ? c.toString(v, 'f', decimals) : QString::number(v, 'f', decimals);
    if (!c.groupSeparator().isEmpty() && !pattern.contains(u','))
        out.remove(c.groupSeparator());
    return out;
}

QString formatDate(const QDateTime& d, const QString& pattern) {
    const QString p = pattern.toLower();
    if (p == QLatin1String("short date"))
        return d.toString(QStringLiteral("M/d/yyyy"));
    if (p == QLatin1String("long date"))
        return QLocale::c().toString(d.date(), QStringLiteral("dddd, MMMM d, yyyy"));
    if (p == QLatin1String("general date"))
        return d.time() == QTime(0, 0) ? d.toString(QStringLiteral("M/d/yyyy"))
                                       : d.toString(QStringLiteral("M/d/yyyy h:mm:ss AP"));
    // Access writes minutes as n and months as m; Qt wants m and M.
    QString q;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar ch = p[i];
        if (ch == u'm')
            q += u'M';
        else if (ch == u'n')
            q += u'm';
        else
            q += ch;
    }
    return QLocale::c().toString(d, q);
}

ACC_FN(format) {
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const QString pattern = argc > 1 ? textOf(argv[1]) : QString();
    if (pattern.isEmpty())
        return resultText(ctx, textOf(argv[0]));
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        return resultText(ctx, formatNumber(sqlite3_value_double(argv[0]), pattern));
    if (const auto d = dateOf(argv[0]))
        return resultText(ctx, formatDate(*d, pattern));
    resultText(ctx, textOf(argv[0]));
}

void numeric2(sqlite3_context* ctx, Args argv, double (*f)(double, double)) {
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const double a = roundHalfEven(sqlite3_value_double(argv[0]));
    const double b = roundHalfEven(sqlite3_value_double(argv[1]));
    if (b == 0)
        return sqlite3_result_error(ctx, "Division by zero", -1);
    // An operand beyond every integer (an overflowed power, say) has no integer result.
    const double r = f(a, b);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        return sqlite3_result_error(ctx, "Overflow", -1);
    sqlite3_result_int64(ctx, sqlite3_int64(r));
}

ACC_FN(intdiv) {
    (void)argc;
    numeric2(ctx, argv, [](double a, double b) { return std::trunc(a / b); });
}
ACC_FN(mod) {
    (void)argc;
    numeric2(ctx, argv, [](double a, double b) { return std::fmod(a, b); });
}

ACC_FN(pow) {
    (void)argc;
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx,
                          std::pow(sqlite3_value_double(argv[0]), sqlite3_value_double(argv[1])));
}

ACC_FN(intfn) {
    (void)argc;
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, std::floor(sqlite3_value_double(argv[0])));
}
ACC_FN(fix) {
    (void)argc;
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, std::trunc(sqlite3_value_double(argv[0])));
}

// Saved-query LIKE: * any run, ? one character, # one digit, [abc] [!abc] [a-z] sets;
// compared case-insensitively.
bool likeMatch(const QString& s, qsizetype si, const QString& p, qsizetype pi) {
    while (pi < p.size()) {
        const QChar c = p[pi];
        if (c == u'*') {
            for (qsizetype k = si; k <= s.size(); ++k)
                if (likeMatch(s, k, p, pi + 1))
                    return true;
            return false;
        }
        if (si >= s.size())
            return false;
        if (c == u'?') {
        } else if (c == u'#') {
            if (!s[si].isDigit())
                return false;
        } else if (c == u'[') {
            const qsizetype close = p.indexOf(u']', pi + 1);
            if (close < 0)
                return false;
            QString set = p.mid(pi + 1, close - pi - 1);
            const bool negate = set.startsWith(u'!');
            if (negate)
                set.remove(0, 1);
            bool found = false;
            const QChar ch = s[si].toLower();
            for (qsizetype k = 0; k < set.size(); ++k) {
                if (k + 2 < set.size() && set[k + 1] == u'-') {
                    found = found || (ch >= set[k].toLower() && ch <= set[k + 2].toLower());
                    k += 2;
                } else {
                    found = found || ch == set[k].toLower();
                }
            }
            if (found == negate)
                return false;
            pi = close;
        } else if (c.toLower() != s[si].toLower()) {
            return false;
        }
        ++si;
        ++pi;
    }
    return si == s.size();
}

ACC_FN(like) {
    (void)argc;
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, likeMatch(textOf(argv[0]), 0, textOf(argv[1]), 0) ? 1 : 0);
}

// First and Last: the first and last value in the group's row order.
void firstStep(sqlite3_context* ctx, int, Args argv) {
    auto** slot =
        static_cast<sqlite3_value**>(sqlite3_aggregate_context(ctx, sizeof(sqlite3_value*)));
    if (slot && !*slot)
        *slot = sqlite3_value_dup(argv[0]);
}
void lastStep(sqlite3_context* ctx, int, Args argv) {
    auto** slot =
        static_cast<sqlite3_value**>(sqlite3_aggregate_context(ctx, sizeof(sqlite3_value*)));
    if (!slot)
        return;
    sqlite3_value_free(*slot);
    *slot = sqlite3_value_dup(argv[0]);
}
void keptFinal(sqlite3_context* ctx) {
    auto** slot = static_cast<sqlite3_value**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot)
        return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, *slot);
    sqlite3_value_free(*slot);
}

struct Scalar {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, Args);
};

const Scalar scalars[] = {
    {"acc_concat", 2, concat},  {"acc_nz", -1, nz},
    {"acc_iif", 3, iif},        {"acc_cint", 1, cint},
    {"acc_clng", 1, clng},      {"acc_ccur", 1, ccur},
    {"acc_cdbl", 1, cdbl},      {"acc_cstr", 1, cstr},
    {"acc_left", 2, left},      {"acc_right", 2, right},
    {"acc_mid", -1, mid},       {"acc_len", 1, len},
    {"acc_instr", -1, instr},   {"acc_ucase", 1, ucase},
    {"acc_lcase", 1, lcase},    {"acc_trim", 1, trim},
    {"acc_ltrim", 1, ltrim},    {"acc_rtrim", 1, rtrim},
    {"acc_year", 1, year},      {"acc_month", 1, month},
    {"acc_day", 1, day},        {"acc_datepart", -1, datepart},
    {"acc_format", -1, format}, {"acc_intdiv", 2, intdiv},
    {"acc_mod", 2, mod},        {"acc_pow", 2, pow},
    {"acc_int", 1, intfn},      {"acc_fix", 1, fix},
    {"acc_like", 2, like},
};

} // namespace

void registerFunctions(sqlite3* db) {
    // None has side effects, so the saved-query views may call them from an untrusted schema.
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Scalar& s : scalars)
        sqlite3_create_function(db, s.name, s.args, flags, nullptr, s.fn, nullptr, nullptr);
    sqlite3_create_function(db, "acc_first", 1, flags, nullptr, nullptr, firstStep, keptFinal);
    sqlite3_create_function(db, "acc_last", 1, flags, nullptr, nullptr, lastStep, keptFinal);
}

} // namespace tav::access
