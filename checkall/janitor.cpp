#include "janitor.h"

#include "scopedfd.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace checkall {

namespace {

constexpr const char* MarkerName = "TAV_CHECKALL_RUN";
std::string g_marker;
int g_writeFd = -1;
pid_t g_watcher = -1;

std::string readAll(const std::string& path) {
    std::string out;
    const ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fd.get(), buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    return out;
}

bool carriesMarker(pid_t pid) {
    const std::string env = readAll("/proc/" + std::to_string(pid) + "/environ");
    for (size_t at = 0; at < env.size();) {
        const size_t end = env.find('\0', at);
        if (env.compare(at, end == std::string::npos ? std::string::npos : end - at, g_marker) == 0)
            return true;
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return false;
}

// Kills every live process of the run but this one and `spared`; how many it found.
int endMarked(pid_t spared) {
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 0;
    int found = 0;
    while (const dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid() || pid == spared)
            continue;
        if (carriesMarker(pid_t(pid)) && ::kill(pid_t(pid), SIGKILL) == 0)
            ++found;
    }
    ::closedir(proc);
    return found;
}

[[noreturn]] void watch(int readFd, pid_t parent) {
    // Out of checkall's process group and session: neither Ctrl+C nor a kill of the group
    // reaches the one who cleans up after them.
    ::setsid();
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        std::signal(s, SIG_IGN);
    std::vector<std::string> folders;
    std::string pending;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(readFd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buf, size_t(n));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
            folders.push_back(pending.substr(0, nl));
    }
    // What a kill leaves: each round ends those found; their children may show up next.
    for (int round = 0; round < 40 && endMarked(parent) > 0; ++round)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (const std::string& f : folders) {
        std::error_code ec;
        std::filesystem::remove_all(f, ec);
    }
    ::_exit(0);
}

} // namespace

Janitor::Janitor() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    g_marker =
        std::string(MarkerName) + '=' + std::to_string(::getpid()) + '-' + std::to_string(now);
    ::setenv(MarkerName, g_marker.c_str() + std::char_traits<char>::length(MarkerName) + 1, 1);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[1]);
        watch(fds[0], parent);
    }
    ::close(fds[0]);
    if (pid < 0) {
        ::close(fds[1]);
        return;
    }
    g_writeFd = fds[1];
    g_watcher = pid;
}

Janitor::~Janitor() {
    if (g_watcher <= 0)
        return;
    ::close(g_writeFd);
    g_writeFd = -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(g_watcher, nullptr, WNOHANG) == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    g_watcher = -1;
}

void Janitor::removeAtEnd(const QString& folder) {
    if (g_writeFd < 0)
        return;
    const QByteArray line = folder.toLocal8Bit() + '\n';
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t n = ::write(g_writeFd, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

pid_t Janitor::watcherPid() {
    return g_watcher;
}

void Janitor::finishNow() {
    if (g_watcher <= 0)
        return;
    ::close(g_writeFd);
    ::waitpid(g_watcher, nullptr, 0);
}

const char* runMarker() {
    return g_marker.c_str();
}

} // namespace checkall
