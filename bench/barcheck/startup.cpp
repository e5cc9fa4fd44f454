// Start-up benchmark: barcheck against an empty frame with one menu bar, each started
// as a whole process and ended right after its first paint, on the offscreen platform and,
// when a display is set (for example under xvfb-run), on X11 too. The two run alternately
// in one session; the medians, their ratio and whether it meets the goal are printed.
//   bench_barcheck [RUNS] [--instructions]
// --instructions also counts the instructions of one start of each under valgrind's
// callgrind (offscreen), the steadier figure on a loaded machine.
//
// Measured on two shared cores, medians of seven side-by-side sessions: 1.94x before the
// layout scanner, the per-direction extension icons and the masked placeholder pictures,
// 1.70x after (1.45x when the machine is heavily loaded, as fixed process costs then weigh
// more). Instruction counts (valgrind callgrind, one start each): 137 million before,
// 107 million after, against 59 million for the empty frame; 99 million once the stored
// layout is read in its compact form (reading it: 11 million before, 1.4 million after);
// ratio 1.89x before, 1.71x after. Medians of five side-by-side sessions of 11 runs on the
// loaded machine (load 8-10): processor time 1.74x before, 1.59x after; wall 1.60x, 1.46x.
// What remains is one widget per tool: creating the 156 toolbar entries and the status and
// menu bar widgets (about 19 million), showing, laying out and painting them (about 25
// million) and tearing them down (about 4 million).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
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

constexpr double Goal = 1.30;

// Runs `args` (a program, or valgrind with its options and the program) with the platform
// and the quit-after-first-paint hook set, and waits for it. Answers the wall time in
// milliseconds, or a negative value when it failed; `cpu` receives its processor time
// (user and system, in milliseconds) and `err` its standard error.
double runOnce(const std::vector<std::string>& args, const std::string& platform,
               double* cpu = nullptr, std::string* err = nullptr) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 16) != "QT_QPA_PLATFORM=")
            env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=" + platform);
    env.emplace_back("TAV_QUIT_AFTER_FIRST_PAINT=1");
    std::vector<char*> envp;
    for (auto& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore = args;
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    char errPath[] = "/tmp/bench_barcheck_XXXXXX";
    const int errFd = err ? mkstemp(errPath) : -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (rc == 0)
        wait4(pid, &status, 0, &usage);
    if (cpu)
        *cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    const auto end = std::chrono::steady_clock::now();
    if (errFd >= 0) {
        err->clear();
        char buf[4096];
        ssize_t n = 0;
        lseek(errFd, 0, SEEK_SET);
        while ((n = read(errFd, buf, sizeof buf)) > 0)
            err->append(buf, size_t(n));
        close(errFd);
        unlink(errPath);
    }
    if (rc != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void printRatio(double app, double base) {
    const double ratio = app / base;
    std::printf(" ratio: %.2fx (goal %.2fx: %s)\n", ratio, Goal, ratio <= Goal ? "met" : "not met");
}

// Medians of `runs` alternating starts of each on `platform`; false when one failed.
bool timeOn(const std::string& platform, const std::string& app, const std::string& base,
            int runs) {
    // One warm-up run of each so that both start from a warm file cache.
    if (runOnce({app}, platform) < 0 || runOnce({base}, platform) < 0) {
        std::fprintf(stderr, "cannot run %s or %s on %s\n", app.c_str(), base.c_str(),
                     platform.c_str());
        return false;
    }
    std::vector<double> a, b, aCpu(static_cast<size_t>(runs)), bCpu(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        b.push_back(runOnce({base}, platform, &bCpu[size_t(i)]));
        a.push_back(runOnce({app}, platform, &aCpu[size_t(i)]));
    }
    if (*std::min_element(a.begin(), a.end()) < 0 || *std::min_element(b.begin(), b.end()) < 0) {
        std::fprintf(stderr, "a run failed on %s\n", platform.c_str());
        return false;
    }
    std::printf("start-up to first paint, median of %d runs (%s)\n", runs, platform.c_str());
    std::printf("  empty frame with one menu bar: %7.1f ms wall, %7.1f ms processor\n", median(b),
                median(bCpu));
    std::printf("  barcheck:                      %7.1f ms wall, %7.1f ms processor\n", median(a),
                median(aCpu));
    std::printf("  wall");
    printRatio(median(a), median(b));
    std::printf("  processor (steadier on a loaded machine)");
    printRatio(median(aCpu), median(bCpu));
    return true;
}

// Instructions of one offscreen start under callgrind, or a negative value.
double instructions(const std::string& program) {
    std::string err;
    if (runOnce({"valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", program},
                "offscreen", nullptr, &err) < 0)
        return -1;
    const size_t at = err.find("Collected : ");
    return at == std::string::npos ? -1 : std::strtod(err.c_str() + at + 12, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    int runs = 15;
    bool countInstructions = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--instructions")
            countInstructions = true;
        else
            runs = std::max(3, std::atoi(argv[i]));
    }
    const std::string bin = folderOfSelf();
    const std::string app = bin + "/barcheck";
    const std::string base = bin + "/bench_emptyframe";
    std::vector<std::string> platforms{"offscreen"};
    if (const char* display = std::getenv("DISPLAY"); display && *display)
        platforms.emplace_back("xcb");
    for (const std::string& platform : platforms)
        if (!timeOn(platform, app, base, runs))
            return 1;
    if (countInstructions) {
        const double a = instructions(app), b = instructions(base);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "cannot count instructions (is valgrind installed?)\n");
            return 1;
        }
        std::printf("instructions of one start (offscreen, callgrind)\n");
        std::printf("  empty frame with one menu bar: %7.1f million\n", b / 1e6);
        std::printf("  barcheck:                      %7.1f million\n", a / 1e6);
        std::printf("  instructions");
        printRatio(a, b);
    }
    return 0;
}
