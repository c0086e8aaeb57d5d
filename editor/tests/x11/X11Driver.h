// Real pointer and key events on the virtual display, sent through xdotool while this
// process keeps serving its windows.
#pragma once

#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

namespace x11driver {

using testsupport::waitFor;

inline void pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Runs one xdotool command line to its end, then lets the events it made arrive.
inline void xdo(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(waitFor([&] { return p.state() == QProcess::NotRunning; }, 30000));
    pause(80);
}

inline void moveTo(QPoint g) { xdo({"mousemove", QString::number(g.x()), QString::number(g.y())}); }

inline void clickAt(QPoint g, int button = 1) {
    moveTo(g);
    xdo({"click", QString::number(button)});
}

// A drag with the left button in steps, as a hand moves.
inline void dragGlobal(QPoint from, QPoint to, int steps = 6) {
    moveTo(from);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= steps; ++i) moveTo(from + (to - from) * i / steps);
    xdo({"mouseup", "1"});
}

}  // namespace x11driver
