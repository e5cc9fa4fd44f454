// checkall: runs every check of the four programs unattended, from outside the programs,
// through the desktop's accessibility bus, and reports pass or fail with pictures.
#include "a11y.h"
#include "atspibus.h"
#include "checks.h"
#include "janitor.h"
#include "options.h"
#include "report.h"
#include "session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace checkall;

namespace {

constexpr int ExitPassed = 0, ExitFailed = 1, ExitCannotRun = 2;

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int cannotRun(const QString& why) {
    std::fprintf(stderr, "checkall: %s\n", qPrintable(why));
    return ExitCannotRun;
}

bool writeFile(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0 &&
           f.flush();
}

// The report folder is made and proved writable before any program starts.
bool prepareReport(const QString& dir, QString& error) {
    if (!QDir().mkpath(dir)) {
        error = QStringLiteral("the report folder %1 cannot be made").arg(dir);
        return false;
    }
    const QString probe = QDir(dir).filePath(QStringLiteral(".checkall-probe"));
    if (!writeFile(probe, QStringLiteral("probe"))) {
        error = QStringLiteral("the report folder %1 cannot be written").arg(dir);
        return false;
    }
    QFile::remove(probe);
    return true;
}

// A registry store of the run's own that points at the demo database beside the programs;
// the user's store is never opened.
bool writeDemoStore(const QString& workDir, const QString& programDir, QStringList& env,
                    QString& error) {
    const QString store = QDir(workDir).filePath(QStringLiteral("registry"));
    setVariable(env, QStringLiteral("TAV_REGISTRY_DIR"), store);
    QProcess reg;
    reg.setProgram(QDir(programDir).filePath(QStringLiteral("reg")));
    reg.setArguments({QStringLiteral("add"), QStringLiteral("HKCU\\Software\\Tavrion\\Tavrion_v3"),
                      QStringLiteral("/v"), QStringLiteral("PATH_DB_EQUIP"), QStringLiteral("/t"),
                      QStringLiteral("REG_SZ"), QStringLiteral("/d"), programDir,
                      QStringLiteral("/f")});
    reg.setEnvironment(env);
    reg.setProcessChannelMode(QProcess::MergedChannels);
    reg.start();
    if (reg.waitForFinished(30000) && reg.exitStatus() == QProcess::NormalExit &&
        reg.exitCode() == 0)
        return true;
    error = QStringLiteral("the demo registry setting could not be written with %1: %2")
                .arg(reg.program(), QString::fromLocal8Bit(reg.readAll()).trimmed());
    return false;
}

// Points this process and the programs' environment at the run's display and buses.
void useDesktop(const Desktop& desktop, QStringList& env) {
    qputenv("DISPLAY", desktop.display().toLocal8Bit());
    qputenv("DBUS_SESSION_BUS_ADDRESS", desktop.busAddress().toLocal8Bit());
    if (desktop.isPrivate())
        qunsetenv("AT_SPI_BUS_ADDRESS");
    setVariable(env, QStringLiteral("DISPLAY"), desktop.display());
    setVariable(env, QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), desktop.busAddress());
    if (desktop.isPrivate())
        setVariable(env, QStringLiteral("AT_SPI_BUS_ADDRESS"), QString());
    // The X11 platform has the accessibility bridge; the toolkit's own switch turns it on.
    setVariable(env, QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    setVariable(env, QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("1"));
    setVariable(env, QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    setVariable(env, QStringLiteral("WAYLAND_DISPLAY"), QString());
}

// The checks of every program named, each line said as soon as it is known.
RunReport runChecks(const Options& opt, const Context& ctx) {
    RunReport report;
    report.started = QDateTime::currentDateTime().toString(Qt::ISODate);
    report.mode = opt.demo ? QStringLiteral("demo data")
                           : QStringLiteral("this machine's registry setting and data");
    report.programs = opt.programs;
    for (const QString& program : opt.programs)
        for (CheckResult& r : checkProgram(ctx, program))
            report.checks.push_back(std::move(r));
    say(summaryLine(report));
    return report;
}

int finish(const RunReport& report, const QString& reportDir) {
    if (!reportDir.isEmpty()) {
        if (!writeFile(QDir(reportDir).filePath(QStringLiteral("index.html")), htmlPage(report)) ||
            !writeFile(QDir(reportDir).filePath(QStringLiteral("junit.xml")), junitXml(report)))
            return cannotRun(
                QStringLiteral("the report could not be written to %1").arg(reportDir));
        say(QStringLiteral("report: %1")
                .arg(QDir(reportDir).filePath(QStringLiteral("index.html"))));
    }
    return report.failed() == 0 ? ExitPassed : ExitFailed;
}

// The bus the checks use while this lives.
struct BusInUse {
    explicit BusInUse(AccessBus* bus) { useBus(bus); }
    ~BusInUse() { useBus(nullptr); }
    BusInUse(const BusInUse&) = delete;
    BusInUse& operator=(const BusInUse&) = delete;
};

int run(const Options& opt, Janitor& janitor) {
    const QString programDir = QCoreApplication::applicationDirPath();
    bool any = false;
    for (const QString& p : opt.programs)
        any = any || QFileInfo(QDir(programDir).filePath(p)).isExecutable();
    if (!any)
        return cannotRun(QStringLiteral("none of %1 is in %2")
                             .arg(opt.programs.join(QStringLiteral(", ")), programDir));

    QString reportDir;
    if (!opt.reportDir.isEmpty()) {
        reportDir = QDir(opt.reportDir).absolutePath();
        QString error;
        if (!prepareReport(reportDir, error))
            return cannotRun(error);
    }

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/checkall-XXXXXX"));
    if (!work.isValid())
        return cannotRun(QStringLiteral("no temporary folder: %1").arg(work.errorString()));
    janitor.removeAtEnd(work.path());

    QStringList env = currentEnvironment();
    if (opt.demo) {
        QString error;
        if (!writeDemoStore(work.path(), programDir, env, error))
            return cannotRun(error);
    }

    bool scaleOk = false;
    double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&scaleOk);
    if (!scaleOk || scale <= 0)
        scale = 1;

    std::unique_ptr<Desktop> desktop;
    try {
        desktop = std::make_unique<Desktop>(work.path(), scale);
    } catch (const Interrupted&) {
        throw;
    } catch (const std::exception& e) {
        return cannotRun(QString::fromLocal8Bit(e.what()));
    }
    useDesktop(*desktop, env);

    AtspiBus bus;
    const BusInUse inUse(&bus);
    setCallTimeout(opt.stepTimeoutMs);
    if (!Node::desktop())
        return cannotRun(QStringLiteral("no accessibility bus"));

    Context ctx;
    ctx.options = opt;
    ctx.programDir = programDir;
    ctx.workDir = work.path();
    ctx.reportDir = reportDir;
    ctx.display = desktop->display();
    ctx.scale = scale;
    ctx.env = env;
    ctx.onResult = [](const CheckResult& r) { say(consoleLine(r)); };
    return finish(runChecks(opt, ctx), reportDir);
}

} // namespace

int main(int argc, char** argv) {
    // First, while this process has one thread: the watcher that cleans up after it.
    Janitor janitor;
    QCoreApplication app(argc, argv);
    Options opt;
    QString error;
    if (!parseOptions(app.arguments().mid(1), opt, error)) {
        std::fprintf(stderr, "checkall: %s\n%s", qPrintable(error), qPrintable(usage()));
        return ExitCannotRun;
    }
    if (opt.help) {
        std::fputs(qPrintable(usage()), stdout);
        return ExitPassed;
    }
    installSignalHandlers();
    becomeReaper();
    try {
        return run(opt, janitor);
    } catch (const Interrupted&) {
        std::fprintf(stderr, "checkall: interrupted\n");
        return 130;
    }
}
