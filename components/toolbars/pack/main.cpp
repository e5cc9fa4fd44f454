// tav-layoutpack: writes the compact form of a stored layout at build time.
//   tav-layoutpack LAYOUT.xml OUT
// The layout is read by the same loader a program uses, so a layout it refuses fails the
// build with the loader's message.
#include "layoutloader.h"
#include "layoutpack.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: tav-layoutpack LAYOUT.xml OUT\n");
        return 2;
    }
    try {
        const QByteArray packed =
            tav::toolbars::LayoutPack::write(tav::toolbars::LayoutLoader::fromFile(args[1]));
        QSaveFile out(args[2]);
        if (!out.open(QIODevice::WriteOnly) || out.write(packed) != packed.size() ||
            !out.commit()) {
            std::fprintf(stderr, "tav-layoutpack: %s: %s\n", qPrintable(args[2]),
                         qPrintable(out.errorString()));
            return 1;
        }
    } catch (const tav::VbError& e) {
        std::fprintf(stderr, "tav-layoutpack: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
