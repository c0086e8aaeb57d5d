// The layer started on both roads of the "UTF-16 windows" switch: the application's companion
// with its message hook, the wide popup list, and the helpers of the tests that drive forms,
// menus and dialogs with real Qt events.
#pragma once

#include "WideTestControls.h"

#include "widetext/WideForms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>

namespace widetest {

class WideAppRoads : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        platform::setUnicodeWindows(GetParam());
        InitApplication();
        registerClasses();
        RegisterWideStdClasses();
        InitWideApplication();
        ASSERT_NE(WideApplication, nullptr);
    }
    void TearDown() override {
        Application->CancelHint();
        DoneWideApplication();
        platform::setUnicodeWindows(true);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
    bool wide() const { return GetParam(); }
    // What a text becomes on the road under test: itself, or its round trip through the
    // 8-bit code page.
    WideString onRoad(const WideString& S) const { return wide() ? S : AnsiToWide(WideToAnsi(S)); }
};

inline std::string roadName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Utf16" : "Ansi"; }

// Shows a form and waits until its window is exposed and active.
inline void showAndActivate(TCustomForm* Form) {
    Form->Show();
    QWidget* w = platform::windowWidget(Form->Handle());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    w->activateWindow();
    (void)QTest::qWaitForWindowActive(w, 2000);
    QApplication::processEvents();
}

// Runs the event loop until `done` holds, letting it wait for events as the program's loop
// does (so the idle work of the class library runs).
template <class Done>
bool waitUntil(Done done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The screenshots of these tests.
inline std::string shot25(const std::string& name) {
    const QString dir = QStringLiteral("/tmp/shots/wide25");
    QDir().mkpath(dir);
    return (dir + QStringLiteral("/") + QString::fromStdString(name)).toStdString();
}

}  // namespace widetest
