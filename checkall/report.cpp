#include "report.h"

#include "markup.h"

namespace checkall {

using tav::escapeMarkup;

namespace {

QString secondsText(double s) {
    return QString::number(s, 'f', 2);
}

} // namespace

QString CheckResult::message() const {
    if (passed)
        return {};
    QString m;
    if (!expected.isEmpty())
        m += QStringLiteral("expected ") + expected;
    if (!seen.isEmpty())
        m += (m.isEmpty() ? QString() : QStringLiteral("; ")) + QStringLiteral("seen ") + seen;
    return m;
}

int RunReport::passed() const {
    int n = 0;
    for (const CheckResult& c : checks)
        n += c.passed;
    return n;
}

int RunReport::failed() const {
    return int(checks.size()) - passed();
}

double RunReport::seconds(const QString& program) const {
    double s = 0;
    for (const CheckResult& c : checks)
        if (c.program == program)
            s += c.seconds;
    return s;
}

QString consoleLine(const CheckResult& r) {
    QString line = QStringLiteral("%1  %2  %3  %4 s")
                       .arg(r.program, -9)
                       .arg(r.check, -15)
                       .arg(r.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                       .arg(secondsText(r.seconds));
    QStringList figures;
    for (const auto& [name, value] : r.figures)
        figures << name + QStringLiteral(": ") + value;
    if (!figures.isEmpty())
        line += QStringLiteral("  (") + figures.join(QStringLiteral(", ")) + u')';
    if (!r.passed)
        line += QStringLiteral("  ") + r.message();
    return line;
}

QString summaryLine(const RunReport& run) {
    return QStringLiteral("%1 passed, %2 failed").arg(run.passed()).arg(run.failed());
}

QString htmlPage(const RunReport& run) {
    QString h;
    h += QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>checkall report</title>\n<style>\n"
        "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
        "table{border-collapse:collapse;margin-bottom:1em}\n"
        "td,th{border:1px solid #bbb;padding:.3em .6em;text-align:left;vertical-align:top}\n"
        ".pass{color:#116611;font-weight:bold}.fail{color:#aa1111;font-weight:bold}\n"
        "pre{white-space:pre-wrap;margin:0}\nfigure{margin:.5em 0 1.5em 0}\n"
        "img{max-width:100%;border:1px solid #888}\n</style>\n</head>\n<body>\n");
    h +=
        QStringLiteral("<h1>checkall: %1</h1>\n<p>%2, %3.</p>\n")
            .arg(escapeMarkup(summaryLine(run)), escapeMarkup(run.started), escapeMarkup(run.mode));
    for (const QString& program : run.programs) {
        h +=
            QStringLiteral(
                "<h2 id=\"%1\">%1</h2>\n<table>\n<tr><th>check</th><th>outcome</th><th>seconds</th>"
                "<th>figures</th><th>message</th></tr>\n")
                .arg(escapeMarkup(program));
        QStringList pictures;
        for (const CheckResult& c : run.checks) {
            if (c.program != program)
                continue;
            QString figures;
            for (const auto& [name, value] : c.figures)
                figures +=
                    QStringLiteral("%1: %2<br>").arg(escapeMarkup(name), escapeMarkup(value));
            h += QStringLiteral("<tr><td>%1</td><td "
                                "class=\"%2\">%3</td><td>%4</td><td>%5</td><td><pre>%6</pre></td>"
                                "</tr>\n")
                     .arg(escapeMarkup(c.check),
                          c.passed ? QStringLiteral("pass") : QStringLiteral("fail"),
                          c.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
                          secondsText(c.seconds), figures, escapeMarkup(c.message()));
            if (!c.picture.isEmpty())
                pictures << QStringLiteral("<figure><img src=\"%1\" "
                                           "alt=\"%2\"><figcaption>%2</figcaption></figure>\n")
                                .arg(escapeMarkup(c.picture),
                                     escapeMarkup(c.pictureCaption.isEmpty() ? c.check
                                                                             : c.pictureCaption));
        }
        h += QStringLiteral("</table>\n") + pictures.join(QString());
    }
    h += QStringLiteral("</body>\n</html>\n");
    return h;
}

QString junitXml(const RunReport& run) {
    QString x = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    x += QStringLiteral("<testsuites name=\"checkall\" tests=\"%1\" failures=\"%2\">\n")
             .arg(run.checks.size())
             .arg(run.failed());
    for (const QString& program : run.programs) {
        int tests = 0, failures = 0;
        for (const CheckResult& c : run.checks)
            if (c.program == program) {
                ++tests;
                failures += !c.passed;
            }
        x +=
            QStringLiteral(
                "  <testsuite name=\"%1\" tests=\"%2\" failures=\"%3\" errors=\"0\" time=\"%4\">\n")
                .arg(escapeMarkup(program))
                .arg(tests)
                .arg(failures)
                .arg(secondsText(run.seconds(program)));
        for (const CheckResult& c : run.checks) {
            if (c.program != program)
                continue;
            x += QStringLiteral("    <testcase name=\"%1\" classname=\"%2\" time=\"%3\"")
                     .arg(escapeMarkup(c.check), escapeMarkup(program), secondsText(c.seconds));
            if (c.passed) {
                x += QStringLiteral("/>\n");
            } else {
                x += QStringLiteral(
                         ">\n      <failure message=\"%1\">%1</failure>\n    </testcase>\n")
                         .arg(escapeMarkup(c.message()));
            }
        }
        x += QStringLiteral("  </testsuite>\n");
    }
    x += QStringLiteral("</testsuites>\n");
    return x;
}

} // namespace checkall
