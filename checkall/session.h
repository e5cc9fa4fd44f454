#pragma once
// What a run needs around the programs: child processes that are always ended, a private
// X server with its own session and accessibility buses when no X11 desktop session is
// usable, and the answer to Ctrl+C.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace checkall {

using Clock = std::chrono::steady_clock;

// Thrown out of every wait once Ctrl+C (or SIGTERM, SIGHUP) arrived, so the run unwinds
// and every destructor ends what it started.
struct Interrupted : std::runtime_error {
    Interrupted() : std::runtime_error("interrupted") {}
};

// Installs the signal handlers; a second signal ends at once, killing every live child.
void installSignalHandlers();
// Makes checkall the reaper of every process it starts, however far down: a descendant whose
// parent ended becomes checkall's child, and is ended with the child it came from.
void becomeReaper();
// Throws Interrupted when a signal arrived.
void throwIfInterrupted();

// One child process in a process group of its own, killed by the system should checkall
// die first. The destructor ends the group (TERM, then KILL), reaps the child and ends
// what left the group, so nothing it started is left running.
class Child {
  public:
    Child() = default;
    // Starts argv[0] (a path) with exactly `env`; its output goes to `logFile` (or nowhere),
    // `keepFd` stays open in the child.
    static Child start(const QStringList& argv, const QStringList& env, const QString& logFile = {},
                       int keepFd = -1, const QString& workDir = {});
    ~Child();
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    // How it ended ("exit status 3", "signal 11"), or empty while it runs.
    QString ending();
    // Ends the group and reaps it.
    void stop();

  private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// The display and buses a run uses: the user's X11 session, or a private virtual X server
// with its own session bus and accessibility bus, removed with this object.
class Desktop {
  public:
    // Throws std::runtime_error when no display or bus could be had.
    Desktop(const QString& workDir, double scale);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool isPrivate() const { return m_private; }
    QString display() const { return m_display; }
    QString busAddress() const { return m_bus; }

  private:
    void startDisplay(const QString& workDir, double scale);
    void startSessionBus(const QString& workDir, const QStringList& env);
    void startAccessibilityBus(const QString& workDir, const QStringList& env);

    bool m_private = false;
    QString m_display;
    QString m_bus;
    Child m_xserver;
    Child m_sessionBus;
    Child m_a11yLauncher;
};

// Reads one line written to `fd` within `timeoutMs`, or nullopt.
std::optional<std::string> readLine(int fd, int timeoutMs);

// The environment of this process as NAME=VALUE texts.
QStringList currentEnvironment();
// `env` with NAME set to VALUE (or removed when VALUE is null).
void setVariable(QStringList& env, const QString& name, const QString& value);

} // namespace checkall
