// Every test binary runs inside one headless QApplication, with its home, data and
// registry folders in a temporary folder of its own, so no test can reach the
// user's files or registry store, however it was started.
#include "fonts.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TAV_FIXTURES_DIR"))
        qputenv("TAV_FIXTURES_DIR", TAV_FIXTURES_DIR_DEFAULT);

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tav-test-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot create a temporary home folder\n");
        return 2;
    }
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("TAV_REGISTRY_DIR", root + "/registry");

    QApplication app(argc, argv);
    tav::installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
