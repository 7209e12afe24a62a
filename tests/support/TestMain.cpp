// Shared entry point of every test binary: an offscreen QApplication and a private
// HOME/XDG tree, so no test touches the user's preferences, keys or display.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    static QTemporaryDir home;
    const QByteArray root = home.path().toUtf8();
    QDir(home.path()).mkpath("config");
    QDir(home.path()).mkpath("data");
    QDir(home.path()).mkpath("cache");
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    if (!getenv("VELLUMARK_TEST_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("OMP_THREAD_LIMIT", "1", 1);

    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Vellumark");
    QApplication::setApplicationName("Brivel PDF");
    return RUN_ALL_TESTS();
}
