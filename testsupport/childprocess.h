#pragma once
// A writer process started with fork and exec, so that the test controls what QProcess
// cannot: the exact moment of SIGKILL, a file-size limit, and the user it runs as. Its
// standard output is read line by line; a child still running at the end is killed.
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tav::test {

struct ChildOptions {
    // RLIMIT_FSIZE for the child, with SIGXFSZ ignored so that writes fail with EFBIG.
    std::optional<rlim_t> fileSizeLimit;
    // Runs the child as this user and group with no supplementary groups (root only).
    std::optional<uid_t> user;
    std::optional<gid_t> group;
    // The child's standard input (the parent keeps its own copy); else the parent's.
    std::optional<int> input;
};

class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& args, const ChildOptions& options = {}) {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        if (pipe2(err, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return;
        }
        // Everything the child needs is built before fork: after it only async-signal-safe calls.
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            if (options.input)
                dup2(*options.input, STDIN_FILENO);
            if (options.fileSizeLimit) {
                signal(SIGXFSZ, SIG_IGN);
                rlimit limit{};
                getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = *options.fileSizeLimit;
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                    _exit(126);
            }
            if (options.group && (setgroups(0, nullptr) != 0 ||
                                  setresgid(*options.group, *options.group, *options.group) != 0))
                _exit(126);
            if (options.user && setresuid(*options.user, *options.user, *options.user) != 0)
                _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
        if (m_pid < 0) {
            closeFds();
            m_pid = 0;
        }
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        closeFds();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    int stdoutFd() const { return m_out; }

    // The next complete line of output; nullopt at end of output or after timeoutMs.
    std::optional<std::string> readLine(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (auto line = takeLine())
                return line;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (m_out < 0 || left.count() < 0 || !waitReadable(int(left.count())) || !fill())
                return std::nullopt;
        }
    }
    // Reads whatever output is available now without waiting; false at end of output.
    bool fill() {
        char buf[65536];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n <= 0)
            return false;
        m_pending.append(buf, size_t(n));
        return true;
    }
    std::optional<std::string> takeLine() {
        const auto nl = m_pending.find('\n');
        if (nl == std::string::npos)
            return std::nullopt;
        std::string line = m_pending.substr(0, nl);
        m_pending.erase(0, nl + 1);
        return line;
    }
    // Every remaining complete line, after the child has ended.
    std::vector<std::string> drainLines() {
        while (m_out >= 0 && fill()) {
        }
        std::vector<std::string> lines;
        while (auto line = takeLine())
            lines.push_back(*line);
        return lines;
    }

    void kill() { ::kill(m_pid, SIGKILL); }
    // Waits for the child and returns its wait status.
    int wait() {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        return status;
    }
    std::string errorOutput() {
        std::string text;
        char buf[4096];
        ssize_t n;
        while (m_err >= 0 && (n = ::read(m_err, buf, sizeof buf)) > 0)
            text.append(buf, size_t(n));
        return text;
    }

  private:
    bool waitReadable(int timeoutMs) {
        pollfd p{m_out, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) > 0;
    }
    void closeFds() {
        if (m_out >= 0)
            ::close(m_out);
        if (m_err >= 0)
            ::close(m_err);
        m_out = m_err = -1;
    }

    pid_t m_pid = 0;
    int m_out = -1;
    int m_err = -1;
    std::string m_pending;
};

} // namespace tav::test
