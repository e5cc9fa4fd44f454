#pragma once
// Tests of what file modes refuse, on a machine where the tests may run as root, whom file
// modes do not stop: such a test runs again in a child process as the unprivileged user.
#include "childprocess.h"

#include <sys/types.h>

namespace tav::test {

// The unprivileged user and group the tests run their children as (nobody, nogroup).
inline constexpr uid_t kUnprivilegedUser = 65534;
inline constexpr gid_t kUnprivilegedGroup = 65534;

// Options that start a child as the unprivileged user when this process runs as root, and
// as this process's user otherwise.
ChildOptions unprivilegedOptions();

// When this process runs as root, runs the current test again in a child process of this
// test binary as the unprivileged user, fails the current test unless the child's run passed
// (a skip there fails here; the child's output is shown), and answers true: the caller then
// returns. Answers false when this process is not root, and the test goes on itself.
bool rerunUnprivileged();

} // namespace tav::test
