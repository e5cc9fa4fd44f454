#pragma once
// Whoever outlives a run: a watcher process, forked before anything else, that waits for
// checkall to end, however it ends (a normal exit, a second Ctrl+C, SIGKILL, an out-of-memory
// kill), then ends every process of the run still alive and removes the run's folders.
// The run's processes are known by one variable that every child inherits.
#include <QString>

#include <sys/types.h>

namespace checkall {

class Janitor {
  public:
    // Forks the watcher; before any thread starts. Sets the run's variable in this process's
    // environment, so every child started later carries it.
    Janitor();
    // Ends the watch and waits (a few seconds at most) until the watcher has finished.
    ~Janitor();
    Janitor(const Janitor&) = delete;
    Janitor& operator=(const Janitor&) = delete;

    // Adds a folder the watcher removes once checkall has ended.
    void removeAtEnd(const QString& folder);

    // The watcher's process id (it is a child of checkall), or -1.
    static pid_t watcherPid();
    // For the handler of a second signal (async-signal-safe): lets the watcher clean up and
    // waits for it.
    static void finishNow();
};

// "NAME=VALUE" of the variable that marks the processes of this run.
const char* runMarker();

} // namespace checkall
