// Test entry: every test program runs with a Qt application on the offscreen platform.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

#ifdef TESSELLON_LSAN_SUPPRESSIONS
// Leak checking at exit skips what the toolkit's libraries keep for the process's life.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" TESSELLON_LSAN_SUPPRESSIONS;
}
#endif

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Settings of a test program (the per-user registry among them) live in a folder of its
    // own, never in the user's, so no test sees what another stored. Programs the tests
    // start share the folder of their parent.
    QTemporaryDir config;
    if (!std::getenv("TESSELLON_TEST_CONFIG") && config.isValid()) {
        const QByteArray path = config.path().toLocal8Bit();
        setenv("XDG_CONFIG_HOME", path.constData(), 1);
        setenv("TESSELLON_TEST_CONFIG", path.constData(), 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
