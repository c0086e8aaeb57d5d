// Set-up shared by the fuzz programs of the kit's picture readers: an offscreen Qt
// application and small frame limits.
#pragma once

#include <QGuiApplication>
#include <cstdlib>

namespace fuzz {

inline void startQt(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
}

}  // namespace fuzz
