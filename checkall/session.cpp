#include "session.h"

#include "janitor.h"
#include "picture.h"
#include "scopedfd.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <X11/Xlib.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dbus/dbus.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace checkall {

namespace {

volatile std::sig_atomic_t g_signals = 0;

// Process groups alive now, for the handler of a second signal (async-signal-safe).
constexpr int MaxGroups = 64;
volatile pid_t g_groups[MaxGroups] = {};

void remember(pid_t pid) {
    for (auto& g : g_groups)
        if (g == 0) {
            g = pid;
            return;
        }
}

void forget(pid_t pid) {
    for (auto& g : g_groups)
        if (g == pid)
            g = 0;
}

void onSignal(int) {
    g_signals = g_signals + 1;
    if (g_signals > 1) {
        for (pid_t g : g_groups)
            if (g > 0)
                ::kill(-g, SIGKILL);
        // The watcher ends what escaped the groups and removes the run's folder.
        Janitor::finishNow();
        ::_exit(130);
    }
}

void sleepMs(int ms) {
    QThread::msleep(ms);
}

bool waitFor(pid_t pid, int timeoutMs, int& status) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (Clock::now() >= end)
            return false;
        sleepMs(10);
    }
}

bool g_reaper = false;

bool known(pid_t pid) {
    for (pid_t g : g_groups)
        if (g == pid)
            return true;
    return pid == Janitor::watcherPid();
}

// The parent of `pid` as /proc tells it, or -1.
pid_t parentOf(const char* pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(QLatin1String(pid)));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    // "pid (name) state ppid ...": the name may hold anything but ends at the last ')'.
    const QByteArray stat = f.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return close < 0 || fields.size() < 2 ? -1 : pid_t(fields[1].toInt());
}

// Processes that are checkall's children though no Child owns them: descendants whose
// parents ended, handed to checkall as the reaper of everything it starts.
std::vector<pid_t> adopted() {
    std::vector<pid_t> out;
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc)
        return out;
    while (const dirent* e = ::readdir(proc.get())) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid > 0 && *end == '\0' && parentOf(e->d_name) == ::getpid() && !known(pid_t(pid)))
            out.push_back(pid_t(pid));
    }
    return out;
}

// Ends and reaps what `group` left behind, its members that left it (setsid) included,
// until the group is gone and nothing adopted is left, for two seconds at most.
void endAdopted(pid_t group) {
    if (!g_reaper)
        return;
    const auto end = Clock::now() + std::chrono::seconds(2);
    for (;;) {
        const std::vector<pid_t> strays = adopted();
        for (pid_t p : strays) {
            if (::getpgid(p) == p)
                ::kill(-p, SIGKILL);
            ::kill(p, SIGKILL);
            int status = 0;
            waitFor(p, 1000, status);
        }
        const bool groupGone = ::kill(-group, 0) != 0 && errno == ESRCH;
        if ((strays.empty() && groupGone) || Clock::now() > end)
            return;
        sleepMs(10);
    }
}

QString findProgram(const QStringList& candidates) {
    for (const QString& c : candidates)
        if (QFileInfo(c).isExecutable())
            return c;
    return {};
}

// Whether `name` has an owner on the bus at `address`.
struct DBusErrorSlot {
    DBusError e;
    DBusErrorSlot() { dbus_error_init(&e); }
    ~DBusErrorSlot() { dbus_error_free(&e); }
};

struct PrivateConnectionRelease {
    void operator()(DBusConnection* c) const {
        dbus_connection_close(c);
        dbus_connection_unref(c);
    }
};

bool busHasOwner(const QString& address, const char* name) {
    DBusErrorSlot err;
    const std::unique_ptr<DBusConnection, PrivateConnectionRelease> c(
        dbus_connection_open_private(address.toUtf8().constData(), &err.e));
    return c && dbus_bus_register(c.get(), &err.e) &&
           dbus_bus_name_has_owner(c.get(), name, &err.e);
}

bool displayWorks(const QString& display) {
    return bool(openDisplay(display));
}

} // namespace

void installSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void becomeReaper() {
    g_reaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
}

void throwIfInterrupted() {
    if (g_signals > 0)
        throw Interrupted();
}

QStringList currentEnvironment() {
    QStringList env;
    for (char** e = environ; e && *e; ++e)
        env << QString::fromLocal8Bit(*e);
    return env;
}

void setVariable(QStringList& env, const QString& name, const QString& value) {
    const QString prefix = name + u'=';
    env.erase(std::remove_if(env.begin(), env.end(),
                             [&](const QString& e) { return e.startsWith(prefix); }),
              env.end());
    if (!value.isNull())
        env << prefix + value;
}

std::optional<std::string> readLine(int fd, int timeoutMs) {
    std::string line;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        throwIfInterrupted();
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(std::min<long long>(left, 100)));
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (r <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0)
            return line.empty() ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n')
            return line;
        line += c;
    }
}

namespace {

// What the child runs, prepared before the fork: after it only async-signal-safe calls.
struct Launch {
    std::vector<std::string> args, vars;
    std::vector<char*> argp, envp;
    std::string dir;

    Launch(const QStringList& argv, const QStringList& env, const QString& workDir)
        : dir(workDir.toStdString()) {
        for (const QString& a : argv)
            args.push_back(a.toStdString());
        for (const QString& v : env)
            vars.push_back(v.toStdString());
        for (auto& a : args)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        for (auto& v : vars)
            envp.push_back(v.data());
        envp.push_back(nullptr);
    }
};

// In the forked child: its own process group, killed when checkall dies, default signals,
// its output to `log`, then the program. Tells `errFd` why when it cannot run.
[[noreturn]] void becomeChild(const Launch& l, pid_t parent, int nullFd, int logFd, int keepFd,
                              int errFd) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) // checkall died before the line above
        ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s)
        ::signal(s, SIG_DFL);
    ::dup2(nullFd, 0);
    ::dup2(logFd, 1);
    ::dup2(logFd, 2);
    if (keepFd >= 0)
        ::fcntl(keepFd, F_SETFD, 0);
    int err = 0;
    if (!l.dir.empty() && ::chdir(l.dir.c_str()) != 0)
        err = errno;
    else
        ::execve(l.argp[0], l.argp.data(), l.envp.data());
    err = err ? err : errno;
    [[maybe_unused]] const ssize_t n = ::write(errFd, &err, sizeof err);
    ::_exit(127);
}

} // namespace

Child Child::start(const QStringList& argv, const QStringList& env, const QString& logFile,
                   int keepFd, const QString& workDir) {
    const Launch launch(argv, env, workDir);
    const std::string log = logFile.isEmpty() ? std::string("/dev/null") : logFile.toStdString();
    const ScopedFd nullFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const ScopedFd logFd(::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    int errPipe[2];
    if (!nullFd || !logFd || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot start " + launch.args[0] + ": " + std::strerror(errno));
    ScopedFd errRead(errPipe[0]), errWrite(errPipe[1]);
    const pid_t parent = ::getpid();
    Child c;
    c.m_pid = ::fork();
    if (c.m_pid == 0)
        becomeChild(launch, parent, nullFd.get(), logFd.get(), keepFd, errWrite.get());
    if (c.m_pid < 0) {
        c.m_pid = -1;
        throw std::runtime_error("cannot start " + launch.args[0] + ": " + std::strerror(errno));
    }
    ::setpgid(c.m_pid, c.m_pid);
    remember(c.m_pid);
    errWrite.reset();
    int err = 0;
    ssize_t n;
    while ((n = ::read(errRead.get(), &err, sizeof err)) < 0 && errno == EINTR) {
    }
    if (n == sizeof err)
        throw std::runtime_error("cannot start " + launch.args[0] + ": " + std::strerror(err));
    return c;
}

Child::~Child() {
    stop();
}

Child::Child(Child&& other) noexcept : m_pid(other.m_pid), m_status(other.m_status) {
    other.m_pid = -1;
}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        stop();
        m_pid = other.m_pid;
        m_status = other.m_status;
        other.m_pid = -1;
    }
    return *this;
}

bool Child::running() {
    if (m_pid <= 0 || m_status)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = status;
        return false;
    }
    return true;
}

QString Child::ending() {
    if (running() || !m_status)
        return {};
    if (WIFSIGNALED(*m_status))
        return QStringLiteral("ended by signal %1 (%2)")
            .arg(WTERMSIG(*m_status))
            .arg(QString::fromLocal8Bit(strsignal(WTERMSIG(*m_status))));
    return QStringLiteral("ended with exit status %1").arg(WEXITSTATUS(*m_status));
}

void Child::stop() {
    if (m_pid <= 0)
        return;
    // The group outlives its leader when the leader has children of its own.
    ::kill(-m_pid, SIGTERM);
    int status = 0;
    if (!m_status && !waitFor(m_pid, 2000, status)) {
        ::kill(-m_pid, SIGKILL);
        waitFor(m_pid, 2000, status);
    }
    ::kill(-m_pid, SIGKILL);
    forget(m_pid);
    const pid_t group = m_pid;
    m_pid = -1;
    endAdopted(group);
}

Desktop::Desktop(const QString& workDir, double scale) {
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString bus = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!wayland && !display.isEmpty() && !bus.isEmpty() && displayWorks(display)) {
        m_display = display;
        m_bus = bus;
        return;
    }
    m_private = true;
    startDisplay(workDir, scale);
    QStringList env = currentEnvironment();
    setVariable(env, QStringLiteral("DISPLAY"), m_display);
    startSessionBus(workDir, env);
    setVariable(env, QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus);
    startAccessibilityBus(workDir, env);
}

// The X server picks a free display number and writes it to our pipe.
void Desktop::startDisplay(const QString& workDir, double scale) {
    const QString xvfb = findProgram({QStringLiteral("/usr/bin/Xvfb")});
    if (xvfb.isEmpty())
        throw std::runtime_error("no display: not in an X11 session and Xvfb is not installed");
    const int width = int(1280 * std::max(1.0, scale) + 0.5),
              height = int(1024 * std::max(1.0, scale) + 0.5);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("no display: cannot make a pipe");
    const ScopedFd in(fds[0]);
    ScopedFd out(fds[1]);
    m_xserver = Child::start(
        {xvfb, QStringLiteral("-displayfd"), QString::number(out.get()), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
         QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-nolisten"),
         QStringLiteral("tcp"), QStringLiteral("-noreset")},
        currentEnvironment(), workDir + QStringLiteral("/xvfb.log"), out.get());
    out.reset();
    const auto number = readLine(in.get(), 15000);
    if (!number || number->empty())
        throw std::runtime_error("no display: the virtual X server did not start (see its log)");
    m_display = u':' + QString::fromStdString(*number);
}

// A session bus of our own, ready once it has printed its address.
void Desktop::startSessionBus(const QString& workDir, const QStringList& env) {
    const QString daemon = findProgram({QStringLiteral("/usr/bin/dbus-daemon")});
    if (daemon.isEmpty())
        throw std::runtime_error("no session bus: dbus-daemon is not installed");
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("no session bus: cannot make a pipe");
    const ScopedFd in(fds[0]);
    ScopedFd out(fds[1]);
    m_sessionBus = Child::start({daemon, QStringLiteral("--session"), QStringLiteral("--nofork"),
                                 QStringLiteral("--nopidfile"),
                                 QStringLiteral("--address=unix:path=%1/session-bus").arg(workDir),
                                 QStringLiteral("--print-address=%1").arg(out.get())},
                                env, workDir + QStringLiteral("/session-bus.log"), out.get());
    out.reset();
    const auto address = readLine(in.get(), 15000);
    if (!address || address->empty())
        throw std::runtime_error("no session bus: dbus-daemon did not start");
    m_bus = QString::fromStdString(*address);
}

// The accessibility bus, started by us so that it ends with the run.
void Desktop::startAccessibilityBus(const QString& workDir, const QStringList& env) {
    const QString launcher =
        findProgram({QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                     QStringLiteral("/usr/lib/at-spi2-core/at-spi-bus-launcher")});
    if (launcher.isEmpty())
        throw std::runtime_error("no accessibility bus: at-spi2-core is not installed");
    m_a11yLauncher = Child::start({launcher, QStringLiteral("--launch-immediately")}, env,
                                  workDir + QStringLiteral("/a11y-bus.log"));
    const auto end = Clock::now() + std::chrono::seconds(15);
    while (!busHasOwner(m_bus, "org.a11y.Bus")) {
        throwIfInterrupted();
        if (!m_a11yLauncher.running() || Clock::now() > end)
            throw std::runtime_error("no accessibility bus: at-spi-bus-launcher did not start");
        sleepMs(20);
    }
}

Desktop::~Desktop() {
    // Reverse order: the accessibility bus, the session bus, then the display.
    m_a11yLauncher.stop();
    m_sessionBus.stop();
    m_xserver.stop();
}

} // namespace checkall
