#include "options.h"

#include <algorithm>

namespace checkall {

const QStringList& allPrograms() {
    static const QStringList all{QStringLiteral("barcheck"), QStringLiteral("datacheck"),
                                 QStringLiteral("gridcheck"), QStringLiteral("propcheck")};
    return all;
}

QString usage() {
    return QStringLiteral(
        "usage: checkall [--demo] [--exhaustive] [--report DIR] [--step-timeout S] "
        "[barcheck|datacheck|gridcheck|propcheck ...]\n"
        "  --demo            check against the demo database beside the programs, with a registry\n"
        "                    store of the run's own (the user's store is not touched)\n"
        "  --exhaustive      barcheck: click every tool a tester can reach\n"
        "  --report DIR      write index.html, junit.xml and the pictures to DIR\n"
        "  --step-timeout S  seconds one step may take (default 20)\n"
        "Exit status: 0 every check passed, 1 a check failed, 2 the checks could not run.\n");
}

namespace {

// Seconds above 0 and up to an hour, kept as milliseconds (1 at least).
bool readStepTimeout(const QString& value, int& ms, QString& error) {
    bool ok = false;
    const double s = value.toDouble(&ok);
    if (!ok || !(s > 0) || s > 3600) {
        error = QStringLiteral(
                    "--step-timeout needs a number of seconds above 0 and up to 3600, not '%1'")
                    .arg(value);
        return false;
    }
    ms = std::max(1, int(s * 1000 + 0.5));
    return true;
}

} // namespace

bool parseOptions(const QStringList& args, Options& out, QString& error) {
    out = Options{};
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString value;
        const auto takeValue = [&](const QString& option) {
            const QString inline_ = option + u'=';
            if (a.startsWith(inline_)) {
                value = a.mid(inline_.size());
                return true;
            }
            if (a != option)
                return false;
            if (i + 1 >= args.size()) {
                error = option + QStringLiteral(" needs a value");
                return true;
            }
            value = args[++i];
            return true;
        };
        if (a == QLatin1String("--demo")) {
            out.demo = true;
        } else if (a == QLatin1String("--exhaustive")) {
            out.exhaustive = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out.help = true;
        } else if (takeValue(QStringLiteral("--report"))) {
            if (!error.isEmpty())
                return false;
            if (value.isEmpty()) {
                error = QStringLiteral("--report needs a folder");
                return false;
            }
            out.reportDir = value;
        } else if (takeValue(QStringLiteral("--step-timeout"))) {
            if (!error.isEmpty())
                return false;
            if (!readStepTimeout(value, out.stepTimeoutMs, error))
                return false;
        } else if (a.startsWith(u'-')) {
            error = QStringLiteral("unknown option '%1'").arg(a);
            return false;
        } else if (allPrograms().contains(a)) {
            if (!out.programs.contains(a))
                out.programs << a;
        } else {
            error =
                QStringLiteral("unknown program '%1' (barcheck, datacheck, gridcheck or propcheck)")
                    .arg(a);
            return false;
        }
    }
    if (out.programs.isEmpty())
        out.programs = allPrograms();
    return true;
}

} // namespace checkall
