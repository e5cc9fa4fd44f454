#pragma once
// The checks of the four programs, each performed from outside the program over the
// accessibility bus, as a tester would: start it, find its controls by name and role,
// press, type, pick and read.
#include "options.h"
#include "report.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace checkall {

struct Context {
    Options options;
    QString programDir; // where the programs are
    QString workDir;    // the run's own temporary folder (program output, registry store)
    QString reportDir;  // empty: no pictures are kept
    QString display;    // X display of the run
    double scale = 1;   // QT_SCALE_FACTOR of the programs: their reported places are in
                        // units of this many screen pixels
    QStringList env;    // environment of the programs started
    // Called with each check's outcome as soon as it is known.
    std::function<void(const CheckResult&)> onResult;
};

// Runs every check of `program`; a program that is missing, crashes, hangs or never shows
// its window fails with the reason, and the run goes on.
std::vector<CheckResult> checkProgram(const Context& ctx, const QString& program);

} // namespace checkall
