#include "fuzzsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tav::fuzz {

namespace {
std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<QCoreApplication> g_app;
} // namespace

void initialize(int* argc, char*** argv)
{
    if (g_app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tav-fuzz-XXXXXX"));
    if (!g_dir->isValid())
        fail("cannot create the temporary folder");
    const QByteArray dir = g_dir->path().toLocal8Bit();
    qputenv("HOME", dir);
    qputenv("XDG_DATA_HOME", dir + "/data");
    qputenv("TAV_REGISTRY_DIR", dir + "/registry");
    // Qt keeps argc by reference: it must outlive the application object.
    static int qtArgc = 1;
    static char* qtArgv[] = {argc && *argc > 0 ? (*argv)[0] : const_cast<char*>("fuzz"), nullptr};
    g_app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    // The folder goes before the application object at exit.
    std::atexit([] {
        g_dir.reset();
    });
}

QString workDir()
{
    return g_dir ? g_dir->path() : QString();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        fail("cannot write the input file", path);
}

void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "\n==FUZZ INVARIANT== %s\n%s\n", what, detail.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace tav::fuzz
