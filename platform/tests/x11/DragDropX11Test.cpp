// Real drags on a virtual display: DoDragDrop of a file list onto another window of the
// process and onto a window of another program, carried by the desktop's drag and drop
// protocol, with the mouse moved and released as the window system reports it.
#include "platform/codepage.h"
#include "platform/dragdrop.h"
#include "platform/shellapi.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

HWND makeWindow(int x) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"X11DragWindow";
        RegisterClassExW(&wc);
        registered = true;
    }
    return CreateWindowExW(0, u"X11DragWindow", u"", WS_POPUP | WS_VISIBLE, x, 100, 200, 160, nullptr, nullptr,
                           nullptr, nullptr);
}

class Target : public IDropTarget {
public:
    std::vector<std::string> calls;
    std::vector<std::u16string> files;
    HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD, POINT, DWORD* effect) override {
        calls.push_back("enter");
        *effect = data->QueryGetData(CF_HDROP) == S_OK ? (*effect & DROPEFFECT_COPY) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT DragOver(DWORD, POINT, DWORD* effect) override {
        calls.push_back("over");
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT DragLeave() override {
        calls.push_back("leave");
        return S_OK;
    }
    HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD, POINT, DWORD* effect) override {
        calls.push_back("drop");
        HGLOBAL block = nullptr;

        if (data->GetData(CF_HDROP, &block) == S_OK) {
            auto drop = reinterpret_cast<HDROP>(block);
            for (UINT i = 0, n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
                std::u16string name(DragQueryFileW(drop, i, nullptr, 0) + 1, u'\0');
                name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
                files.push_back(name);
            }
            GlobalFree(block);
        }
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
};

class Source : public IDropSource {
public:
    int feedback = 0;
    HRESULT QueryContinueDrag(BOOL escape, DWORD) override { return escape ? DRAGDROP_S_CANCEL : S_OK; }
    HRESULT GiveFeedback(DWORD) override {
        ++feedback;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
};

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QCursor::setPos(w->mapToGlobal(at));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

bool settle(QWidget* w) {
    QElapsedTimer t;
    t.start();
    while (!w->isVisible() || !w->windowHandle() || !w->windowHandle()->isExposed()) {
        if (t.elapsed() > 5000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace

TEST(DragDropX11, AFileListDraggedFromOneWindowDropsOnAnotherAsFiles) {
    OleInitialize(nullptr);
    testsupport::TempDir dir;
    const std::string path = dir.file("dragged picture.png");
    std::ofstream(path) << "x";
    HWND from = makeWindow(50);
    HWND to = makeWindow(400);
    QWidget* source = platform::windowWidget(from);
    QWidget* target = platform::windowWidget(to);
    ASSERT_TRUE(settle(source));
    ASSERT_TRUE(settle(target));
    auto sink = std::make_shared<Target>();
    ASSERT_EQ(RegisterDragDrop(to, sink), S_OK);

    auto data = platform::createDataObject();
    const std::u16string name = platform::fileNameToWide(path);
    std::vector<unsigned char> block(sizeof(DROPFILES) + (name.size() + 2) * 2, 0);
    DROPFILES head{};
    head.pFiles = sizeof head;
    head.fWide = TRUE;
    std::memcpy(block.data(), &head, sizeof head);
    std::memcpy(block.data() + sizeof head, name.data(), name.size() * 2);
    ASSERT_EQ(data->SetData(CF_HDROP, platform::globalFromBytes(block.data(), block.size()), TRUE), S_OK);

    mouse(source, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    // The desktop runs the drag in a loop of its own: the mouse moves and is released there.
    int step = 0;
    QTimer pacer;
    QObject::connect(&pacer, &QTimer::timeout, [&] {
        ++step;
        if (step <= 6) mouse(source, QEvent::MouseMove, QPoint(20 + step * 3, 20), Qt::LeftButton);
        else if (step <= 12) mouse(target, QEvent::MouseMove, QPoint(20 + step, 30), Qt::LeftButton);
        else if (step == 13) mouse(target, QEvent::MouseButtonRelease, QPoint(32, 30), Qt::NoButton);
        else if (step > 200) QDrag::cancel();  // never hang the test run
    });
    pacer.start(30);
    DWORD effect = 0;
    const HRESULT hr = DoDragDrop(data, std::make_shared<Source>(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    pacer.stop();
    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    ASSERT_FALSE(sink->calls.empty());
    EXPECT_EQ(sink->calls.front(), "enter");
    EXPECT_EQ(sink->calls.back(), "drop");
    ASSERT_EQ(sink->files.size(), 1u);
    EXPECT_EQ(sink->files[0], name);
    RevokeDragDrop(to);
    DestroyWindow(from);
    DestroyWindow(to);
    OleUninitialize();
}

TEST(DragDropX11, FilesDraggedOutOfTheProgramArriveInAnotherProgram) {
    OleInitialize(nullptr);
    testsupport::TempDir dir;
    const std::string path = dir.file("poster \xC3\xBC.bmp");
    std::ofstream(path) << "x";
    QProcess helper;
    helper.start(QStringLiteral(TESSELLON_TEST_HELPER), {"drop-target", "600", "300", "20"});
    ASSERT_TRUE(helper.waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    while (!helper.canReadLine() && clock.elapsed() < 15000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        helper.waitForReadyRead(20);
    }
    ASSERT_EQ(helper.readLine().trimmed(), "ready");
    HWND from = makeWindow(50);
    QWidget* source = platform::windowWidget(from);
    ASSERT_TRUE(settle(source));

    auto data = platform::createDataObject();
    const std::u16string name = platform::fileNameToWide(path);
    std::vector<unsigned char> block(sizeof(DROPFILES) + (name.size() + 2) * 2, 0);
    DROPFILES head{};
    head.pFiles = sizeof head;
    head.fWide = TRUE;
    std::memcpy(block.data(), &head, sizeof head);
    std::memcpy(block.data() + sizeof head, name.data(), name.size() * 2);
    ASSERT_EQ(data->SetData(CF_HDROP, platform::globalFromBytes(block.data(), block.size()), TRUE), S_OK);

    mouse(source, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    // The other program's window is at (600, 300) of the screen.
    const QPoint into = source->mapFromGlobal(QPoint(650, 350));
    int step = 0;
    QTimer pacer;
    QObject::connect(&pacer, &QTimer::timeout, [&] {
        ++step;
        if (step <= 6) mouse(source, QEvent::MouseMove, QPoint(20 + step * 3, 20), Qt::LeftButton);
        else if (step <= 20) mouse(source, QEvent::MouseMove, into + QPoint(step, 0), Qt::LeftButton);
        else if (step == 21) mouse(source, QEvent::MouseButtonRelease, into + QPoint(20, 0), Qt::NoButton);
        else if (step > 300) QDrag::cancel();
    });
    pacer.start(40);
    DWORD effect = 0;
    const HRESULT hr = DoDragDrop(data, std::make_shared<Source>(), DROPEFFECT_COPY, &effect);
    pacer.stop();
    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    clock.restart();
    while (helper.state() != QProcess::NotRunning && clock.elapsed() < 15000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        helper.waitForFinished(20);
    }
    // Its output tells what arrived (its exit code may be the leak checker's in sanitizer builds).
    const QByteArray out = helper.readAll();
    EXPECT_EQ(out.trimmed().toStdString(), "file " + path);
    DestroyWindow(from);
    OleUninitialize();
}

TEST(DragDropX11, FilesDraggedFromAnotherProgramDropOnARegisteredWindow) {
    OleInitialize(nullptr);
    testsupport::TempDir dir;
    const std::string path = dir.file("from elsewhere.jpg");
    std::ofstream(path) << "x";
    HWND to = makeWindow(600);
    QWidget* target = platform::windowWidget(to);
    ASSERT_TRUE(settle(target));
    auto sink = std::make_shared<Target>();
    ASSERT_EQ(RegisterDragDrop(to, sink), S_OK);
    const QPoint at = target->mapToGlobal(QPoint(40, 50));
    QProcess helper;
    helper.start(QStringLiteral(TESSELLON_TEST_HELPER),
                 {"drag-source", QString::fromStdString(path), QString::number(at.x()), QString::number(at.y())});
    ASSERT_TRUE(helper.waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    while (helper.state() != QProcess::NotRunning && clock.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        helper.waitForFinished(10);
    }
    EXPECT_EQ(helper.readAll().trimmed(), "dropped 1");
    ASSERT_FALSE(sink->calls.empty());
    EXPECT_EQ(sink->calls.front(), "enter");
    EXPECT_EQ(sink->calls.back(), "drop");
    ASSERT_EQ(sink->files.size(), 1u);
    EXPECT_EQ(sink->files[0], platform::fileNameToWide(path));
    RevokeDragDrop(to);
    DestroyWindow(to);
    OleUninitialize();
}
