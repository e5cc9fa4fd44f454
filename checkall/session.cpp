#include "session.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <X11/Xlib.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dbus/dbus.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
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

QString findProgram(const QStringList& candidates) {
    for (const QString& c : candidates)
        if (QFileInfo(c).isExecutable())
            return c;
    return {};
}

// Whether `name` has an owner on the bus at `address`.
bool busHasOwner(const QString& address, const char* name) {
    DBusError err;
    dbus_error_init(&err);
    DBusConnection* c = dbus_connection_open_private(address.toUtf8().constData(), &err);
    bool owned = false;
    if (c && dbus_bus_register(c, &err))
        owned = dbus_bus_name_has_owner(c, name, &err);
    if (c) {
        dbus_connection_close(c);
        dbus_connection_unref(c);
    }
    dbus_error_free(&err);
    return owned;
}

bool displayWorks(const QString& display) {
    Display* d = XOpenDisplay(display.toLocal8Bit().constData());
    if (!d)
        return false;
    XCloseDisplay(d);
    return true;
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

Child Child::start(const QStringList& argv, const QStringList& env, const QString& logFile,
                   int keepFd, const QString& workDir) {
    std::vector<std::string> args, vars;
    for (const QString& a : argv)
        args.push_back(a.toStdString());
    for (const QString& v : env)
        vars.push_back(v.toStdString());
    std::vector<char*> argp, envp;
    for (auto& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = logFile.isEmpty() ? std::string("/dev/null") : logFile.toStdString();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const std::string dir = workDir.toStdString();
    if (!dir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    if (keepFd >= 0)
        ::fcntl(keepFd, F_SETFD, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);

    Child c;
    const int rc = ::posix_spawn(&c.m_pid, argp[0], &actions, &attr, argp.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        c.m_pid = -1;
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(rc));
    }
    remember(c.m_pid);
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
    m_pid = -1;
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

    // The X server picks a free display number and writes it to our pipe.
    const QString xvfb = findProgram({QStringLiteral("/usr/bin/Xvfb")});
    if (xvfb.isEmpty())
        throw std::runtime_error("no display: not in an X11 session and Xvfb is not installed");
    const int width = int(1280 * std::max(1.0, scale) + 0.5),
              height = int(1024 * std::max(1.0, scale) + 0.5);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("no display: cannot make a pipe");
    m_xserver = Child::start(
        {xvfb, QStringLiteral("-displayfd"), QString::number(fds[1]), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
         QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-nolisten"),
         QStringLiteral("tcp"), QStringLiteral("-noreset")},
        currentEnvironment(), workDir + QStringLiteral("/xvfb.log"), fds[1]);
    ::close(fds[1]);
    const auto number = readLine(fds[0], 15000);
    ::close(fds[0]);
    if (!number || number->empty())
        throw std::runtime_error("no display: the virtual X server did not start (see its log)");
    m_display = u':' + QString::fromStdString(*number);

    // A session bus of our own, ready once it has printed its address.
    const QString daemon = findProgram({QStringLiteral("/usr/bin/dbus-daemon")});
    if (daemon.isEmpty())
        throw std::runtime_error("no session bus: dbus-daemon is not installed");
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("no session bus: cannot make a pipe");
    QStringList env = currentEnvironment();
    setVariable(env, QStringLiteral("DISPLAY"), m_display);
    m_sessionBus = Child::start({daemon, QStringLiteral("--session"), QStringLiteral("--nofork"),
                                 QStringLiteral("--nopidfile"),
                                 QStringLiteral("--address=unix:path=%1/session-bus").arg(workDir),
                                 QStringLiteral("--print-address=%1").arg(fds[1])},
                                env, workDir + QStringLiteral("/session-bus.log"), fds[1]);
    ::close(fds[1]);
    const auto address = readLine(fds[0], 15000);
    ::close(fds[0]);
    if (!address || address->empty())
        throw std::runtime_error("no session bus: dbus-daemon did not start");
    m_bus = QString::fromStdString(*address);

    // The accessibility bus, started by us so that it ends with the run.
    const QString launcher =
        findProgram({QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                     QStringLiteral("/usr/lib/at-spi2-core/at-spi-bus-launcher")});
    if (launcher.isEmpty())
        throw std::runtime_error("no accessibility bus: at-spi2-core is not installed");
    setVariable(env, QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus);
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
