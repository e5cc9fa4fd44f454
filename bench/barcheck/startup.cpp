// Start-up benchmark: barcheck against an empty frame with one menu bar, each started
// as a whole process on the offscreen platform and ended right after its first paint.
// The two run alternately in one session; the medians and their ratio are printed.
//
// Measured on two shared cores, medians of seven side-by-side sessions: 1.94x before the
// layout scanner, the per-direction extension icons and the masked placeholder pictures,
// 1.70x after (1.45x when the machine is heavily loaded, as fixed process costs then weigh
// more). Instruction counts (valgrind callgrind, one start each): 137 million before,
// 107 million after, against 59 million for the empty frame. Most of what remains is one
// QToolButton per tool (creation, polish, layout, paint: about 20 million) and reading the
// 100 KB layout (about 10 million).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string folderOfSelf() {
    std::vector<char> buf(4096);
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0)
        return ".";
    std::string path(buf.data(), size_t(n));
    return path.substr(0, path.rfind('/'));
}

// Wall time of one run in milliseconds, or a negative value when it failed.
double timeRun(const std::string& program) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    env.emplace_back("TAV_QUIT_AFTER_FIRST_PAINT=1");
    std::vector<char*> envp;
    for (auto& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    const std::string bin = folderOfSelf();
    const std::string barcheck = bin + "/barcheck";
    const std::string baseline = bin + "/bench_emptyframe";
    // One warm-up run of each so that both start from a warm file cache.
    if (timeRun(barcheck) < 0 || timeRun(baseline) < 0) {
        std::fprintf(stderr, "cannot run %s or %s\n", barcheck.c_str(), baseline.c_str());
        return 1;
    }
    std::vector<double> app, base;
    for (int i = 0; i < runs; ++i) {
        base.push_back(timeRun(baseline));
        app.push_back(timeRun(barcheck));
    }
    const double a = median(app), b = median(base);
    std::printf("start-up to first paint, median of %d runs (offscreen)\n", runs);
    std::printf("  empty frame with one menu bar: %7.1f ms\n", b);
    std::printf("  barcheck:                      %7.1f ms\n", a);
    std::printf("  ratio: %.2fx (target 1.3x)\n", a / b);
    return 0;
}
