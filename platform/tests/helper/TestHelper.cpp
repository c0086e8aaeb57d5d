// A second process for the registry, clipboard and drag and drop tests.
//   reg-set HIVE KEY NAME TEXT          writes a text value, prints the status
//   reg-get HIVE KEY NAME               prints the text value (exit 1 when missing)
//   clip-set NAME TEXT SECONDS          puts TEXT under the registered format NAME, prints
//                                       "ready" and serves it for SECONDS
//   clip-get NAME                       prints the block of format NAME (exit 1 when none)
//   drop-target X Y SECONDS             shows a window at X, Y that takes dropped files,
//                                       prints "ready", then "file PATH" for each file of the
//                                       first drop ("no drop" and exit 1 when none came in
//                                       SECONDS)
//   drag-source PATH X Y                drags the file PATH from a window of its own to the
//                                       screen point X, Y and drops it there; prints
//                                       "dropped EFFECT" or "cancelled"
#include "platform/clipboard.h"
#include "platform/fileapi.h"
#include "platform/dragdrop.h"
#include "platform/shellapi.h"
#include "platform/winuser.h"
#include "platform/globalmem.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QDrag>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

HKEY openKey(const char* hive, const char* key) {
    platform::setRegistryHive(hive);
    HKEY k = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    return k;
}

int regSet(const char* hive, const char* key, const char* name, const std::string& text) {
    HKEY k = openKey(hive, key);
    const LSTATUS r = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>(text.size() + 1));
    std::printf("%d\n", static_cast<int>(r));
    RegCloseKey(k);
    return 0;
}

int regGet(const char* hive, const char* key, const char* name) {
    platform::setRegistryHive(hive);
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return 1;
    char buffer[4096];
    DWORD size = sizeof buffer, type = 0;
    const LSTATUS r = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return 1;
    std::printf("%s\n", buffer);
    return 0;
}

int clipSet(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const UINT format = RegisterClipboardFormatA(argv[2]);
    const std::string text = argv[3];
    if (!OpenClipboard(nullptr)) return 2;
    EmptyClipboard();
    SetClipboardData(format, platform::globalFromBytes(text.c_str(), text.size() + 1));
    CloseClipboard();
    std::printf("ready\n");
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < std::stoi(argv[4]) * 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return 0;
}

int clipGet(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const UINT format = RegisterClipboardFormatA(argv[2]);
    if (!OpenClipboard(nullptr)) return 2;
    HANDLE h = GetClipboardData(format);
    int rc = 1;
    if (h) {
        const SIZE_T size = GlobalSize(h);
        const char* p = static_cast<const char*>(GlobalLock(h));
        std::printf("%s\n", std::string(p, strnlen(p, size)).c_str());
        GlobalUnlock(h);
        rc = 0;
    }
    CloseClipboard();
    return rc;
}

}  // namespace

class FileTarget : public IDropTarget {
public:
    bool dropped = false;
    HRESULT DragEnter(const std::shared_ptr<IDataObject>& data, DWORD, POINT, DWORD* effect) override {
        *effect = data->QueryGetData(CF_HDROP) == S_OK ? (*effect & DROPEFFECT_COPY) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT DragOver(DWORD, POINT, DWORD* effect) override {
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT DragLeave() override { return S_OK; }
    HRESULT Drop(const std::shared_ptr<IDataObject>& data, DWORD, POINT, DWORD* effect) override {
        HGLOBAL block = nullptr;
        if (data->GetData(CF_HDROP, &block) == S_OK) {
            auto drop = reinterpret_cast<HDROP>(block);
            for (UINT i = 0, n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
                std::u16string name(DragQueryFileW(drop, i, nullptr, 0) + 1, u'\0');
                name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
                std::printf("file %s\n", platform::wideToFileName(name).c_str());
            }
            GlobalFree(block);
        }
        std::fflush(stdout);
        dropped = true;
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
};

int dropTarget(int argc, char** argv) {
    QApplication app(argc, argv);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"HelperDropTarget";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, u"HelperDropTarget", u"", WS_POPUP | WS_VISIBLE, std::stoi(argv[2]),
                               std::stoi(argv[3]), 200, 150, nullptr, nullptr, nullptr, nullptr);
    auto target = std::make_shared<FileTarget>();
    if (RegisterDragDrop(wnd, target) != S_OK) return 2;
    QWidget* w = platform::windowWidget(wnd);
    QElapsedTimer clock;
    clock.start();
    const qint64 limit = std::stoi(argv[4]) * 1000;
    while (!(w && w->windowHandle() && w->windowHandle()->isExposed()) && clock.elapsed() < limit)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!target->dropped && clock.elapsed() < limit) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The source hears that the drop is finished.
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!target->dropped) std::printf("no drop\n");
    RevokeDragDrop(wnd);
    DestroyWindow(wnd);
    return target->dropped ? 0 : 1;
}

class PlainSource : public IDropSource {
public:
    HRESULT QueryContinueDrag(BOOL escape, DWORD) override { return escape ? DRAGDROP_S_CANCEL : S_OK; }
    HRESULT GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QCursor::setPos(w->mapToGlobal(at));
    QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

int dragSource(int argc, char** argv) {
    QApplication app(argc, argv);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"HelperDragSource";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, u"HelperDragSource", u"", WS_POPUP | WS_VISIBLE, 40, 700, 160, 120, nullptr, nullptr,
                               nullptr, nullptr);
    QWidget* w = platform::windowWidget(wnd);
    QElapsedTimer clock;
    clock.start();
    while (!(w && w->windowHandle() && w->windowHandle()->isExposed()) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!w) return 2;
    auto data = platform::createDataObject();
    const std::u16string name = platform::fileNameToWide(argv[2]);
    std::string block(sizeof(DROPFILES) + (name.size() + 2) * 2, '\0');
    DROPFILES head{};
    head.pFiles = sizeof head;
    head.fWide = TRUE;
    std::memcpy(block.data(), &head, sizeof head);
    std::memcpy(block.data() + sizeof head, name.data(), name.size() * 2);
    data->SetData(CF_HDROP, platform::globalFromBytes(block.data(), block.size()), TRUE);
    const QPoint into = w->mapFromGlobal(QPoint(std::stoi(argv[3]), std::stoi(argv[4])));
    sendMouse(w, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    int step = 0;
    QTimer pacer;
    QObject::connect(&pacer, &QTimer::timeout, [&] {
        ++step;
        if (step <= 6) sendMouse(w, QEvent::MouseMove, QPoint(20 + step * 3, 20), Qt::LeftButton);
        else if (step <= 20) sendMouse(w, QEvent::MouseMove, into + QPoint(step, 0), Qt::LeftButton);
        else if (step == 21) sendMouse(w, QEvent::MouseButtonRelease, into + QPoint(20, 0), Qt::NoButton);
        else if (step > 300) QDrag::cancel();
    });
    pacer.start(40);
    DWORD effect = 0;
    const HRESULT hr = DoDragDrop(data, std::make_shared<PlainSource>(), DROPEFFECT_COPY, &effect);
    if (hr == DRAGDROP_S_DROP) std::printf("dropped %u\n", static_cast<unsigned>(effect));
    else std::printf("cancelled\n");
    std::fflush(stdout);
    // Like any program, it goes on serving its data to the target after the drop.
    clock.restart();
    while (clock.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    DestroyWindow(wnd);
    return 0;
}

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "reg-set" && argc == 6) return regSet(argv[2], argv[3], argv[4], argv[5]);
    if (command == "reg-get" && argc == 5) return regGet(argv[2], argv[3], argv[4]);
    if (command == "clip-set" && argc == 5) return clipSet(argc, argv);
    if (command == "clip-get" && argc == 3) return clipGet(argc, argv);
    if (command == "drop-target" && argc == 5) return dropTarget(argc, argv);
    if (command == "drag-source" && argc == 5) return dragSource(argc, argv);
    std::fprintf(stderr, "usage: see the source\n");
    return 64;
}
