// tav-unhandledprobe: a program object whose start-up or first event raises, for the tests of
// the run-time error report.
//   tav-unhandledprobe <start|event> <vb|std|alloc|other>
#include "application.h"

#include <QTimer>

#include <cstring>
#include <new>
#include <stdexcept>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tav-unhandledprobe <start|event> <vb|std|alloc|other>\n");
        return 2;
    }
    const bool atStart = std::strcmp(argv[1], "start") == 0;
    const std::string kind = argv[2];
    tav::Application app(argc, argv, QStringLiteral("probe"));
    const auto fail = [kind] {
        if (kind == "vb")
            throw tav::VbError(1234, QStringLiteral("probe"), QStringLiteral("Stopped here"));
        if (kind == "std")
            throw std::runtime_error("broken invariant");
        if (kind == "alloc")
            throw std::bad_alloc();
        throw 42;
    };
    return app.run([&] {
        if (atStart)
            fail();
        else
            QTimer::singleShot(0, &app, fail);
    });
}
