// Test entry: every test program runs with a Qt application on the offscreen platform.
#include <QApplication>
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
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
