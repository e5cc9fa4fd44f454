#include "fuzzsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tav::fuzz {

namespace {
std::unique_ptr<QTemporaryDir> g_dir;
// Never destroyed: Qt's own globals are gone when static objects die at exit. The
// pointer keeps it reachable, so it is no leak.
QCoreApplication* g_app = nullptr;
} // namespace

void initialize(int* argc, char*** argv) {
    if (g_app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // In memory when the system offers it: the registry store syncs every commit to disk.
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    g_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tav-fuzz-XXXXXX"));
    if (!g_dir->isValid())
        fail("cannot create the temporary folder");
    const QByteArray dir = g_dir->path().toLocal8Bit();
    qputenv("HOME", dir);
    qputenv("XDG_DATA_HOME", dir + "/data");
    qputenv("TAV_REGISTRY_DIR", dir + "/registry");
    // Qt keeps argc by reference: it must outlive the application object.
    static int qtArgc = 1;
    static char* qtArgv[] = {argc && *argc > 0 ? (*argv)[0] : const_cast<char*>("fuzz"), nullptr};
    g_app = new QCoreApplication(qtArgc, qtArgv);
    std::atexit([] { g_dir.reset(); });
}

QString workDir() {
    return g_dir ? g_dir->path() : QString();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        fail("cannot write the input file", path);
}

void fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "\n==FUZZ INVARIANT== %s\n%s\n", what, detail.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace tav::fuzz
