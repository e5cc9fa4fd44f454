#include "unprivileged.h"

#include <climits>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tav::test {

ChildOptions unprivilegedOptions() {
    ChildOptions options;
    if (::geteuid() == 0) {
        options.user = kUnprivilegedUser;
        options.group = kUnprivilegedGroup;
    }
    return options;
}

bool rerunUnprivileged() {
    if (::geteuid() != 0)
        return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        ADD_FAILURE() << "cannot find this test binary to run it again";
        return true;
    }
    exe[n] = '\0';
    ChildProcess child({exe, "--gtest_filter=" + name}, unprivilegedOptions());
    if (!child.started()) {
        ADD_FAILURE() << "cannot start " << exe;
        return true;
    }
    std::string output;
    bool passed = false;
    while (const auto line = child.readLine(300000)) {
        output += *line + '\n';
        passed = passed || line->rfind("[       OK ] " + name + " ", 0) == 0;
    }
    const int status = child.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0 && passed)
        << name << " as uid " << kUnprivilegedUser << " (wait status " << status
        << ") did not pass:\n"
        << output << child.errorOutput();
    return true;
}

} // namespace tav::test
