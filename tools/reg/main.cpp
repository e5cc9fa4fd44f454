// reg: query and change the registry store from the command line.
#include "regcommand.h"

#include <QCoreApplication>

#include <cerrno>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

// One answer line from standard input. A terminal is waited on; anything else (a pipe, a
// file) only gives what is there already, so that a question in a script never hangs.
std::optional<QString> readAnswer() {
    static std::string pending;
    const bool terminal = isatty(STDIN_FILENO) == 1;
    for (;;) {
        const auto nl = pending.find('\n');
        if (nl != std::string::npos) {
            const QString line = QString::fromUtf8(pending.data(), qsizetype(nl));
            pending.erase(0, nl + 1);
            return line;
        }
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int ready = terminal ? 1 : ::poll(&p, 1, 0);
        char buf[256];
        const ssize_t n = ready > 0 ? ::read(STDIN_FILENO, buf, sizeof buf) : 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) { // end of input, or nothing waiting: what came is the answer
            if (pending.empty())
                return std::nullopt;
            const QString line = QString::fromUtf8(pending.data(), qsizetype(pending.size()));
            pending.clear();
            return line;
        }
        pending.append(buf, size_t(n));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    return tav::regtool::runReg(app.arguments().mid(1), out, err,
                                tav::regtool::Answers(readAnswer));
}
