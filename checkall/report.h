#pragma once
// Outcomes of a run and the ways they are told: one console line per check, a summary,
// a self-contained HTML page and a JUnit XML file.
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace checkall {

struct CheckResult {
    QString program;
    QString check;
    bool passed = false;
    double seconds = 0;
    QString expected;                                 // for a failure: what the check wanted
    QString seen;                                     // for a failure: what it found instead
    std::vector<std::pair<QString, QString>> figures; // name, value
    QString picture; // PNG file name inside the report folder, if any
    QString pictureCaption;

    QString message() const; // "expected ...; seen ..." for a failure
};

struct RunReport {
    std::vector<CheckResult> checks; // in the order run
    QStringList programs;            // in the order run
    QString started;                 // date and time, for the page's heading
    QString mode;                    // "demo data" or "this machine's setting"

    int passed() const;
    int failed() const;
    double seconds(const QString& program) const;
};

// "barcheck  frame  PASS  1.2 s" and for a failure its expected and seen texts.
QString consoleLine(const CheckResult& r);
// "N passed, M failed"
QString summaryLine(const RunReport& run);

QString htmlPage(const RunReport& run);
QString junitXml(const RunReport& run);

} // namespace checkall
