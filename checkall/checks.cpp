#include "checks.h"

#include "checkrunner.h"
#include "programchecks.h"
#include "tester.h"

namespace checkall {

std::vector<CheckResult> checkProgram(const Context& ctx, const QString& program) {
    Tester t(ctx, program);
    CheckRunner checks(ctx, t);
    bool started = false;
    checks.run(QStringLiteral("start"), [&](CheckResult&) {
        t.start();
        started = true;
    });
    if (started) {
        if (program == QLatin1String("barcheck"))
            checkBarcheck(ctx, t, checks);
        else if (program == QLatin1String("datacheck"))
            checkDatacheck(t, checks);
        else if (program == QLatin1String("gridcheck"))
            checkGridcheck(t, checks);
        else if (program == QLatin1String("propcheck"))
            checkPropcheck(t, checks);
    }
    t.stop();
    return checks.results();
}

} // namespace checkall
