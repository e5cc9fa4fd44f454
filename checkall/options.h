#pragma once
// The command line of checkall.
#include <QString>
#include <QStringList>

namespace checkall {

struct Options {
    bool demo = false;
    bool exhaustive = false;
    bool help = false;
    QString reportDir;         // empty: no report
    int stepTimeoutMs = 20000; // per step
    QStringList programs;      // in the order checked; all four when none is named
};

// The four programs in their usual order.
const QStringList& allPrograms();

// Reads the arguments after the program name; on a mistake returns false with `error` set.
bool parseOptions(const QStringList& args, Options& out, QString& error);

QString usage();

} // namespace checkall
