// The emulated screen, window DCs over retained surfaces, GetDC and ReleaseDC.
#include "DeviceContext.h"
#include "surface.h"
#include "platform/winuser.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace platform {
namespace {

std::atomic<int> screenBits{24};
std::atomic<int> screenDpiX{96};
std::atomic<int> screenDpiY{96};

}  // namespace

void setScreenBitsPerPixel(int bits) {
    if (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) screenBits = bits;
}

int screenBitsPerPixel() { return screenBits; }

void setScreenDpi(int dpiX, int dpiY) {
    if (dpiX > 0) screenDpiX = dpiX;
    if (dpiY > 0) screenDpiY = dpiY;
}

SIZE screenSize() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            const QSize size = s->size();
            if (size.width() > 0 && size.height() > 0) return SIZE{size.width(), size.height()};
        }
    return SIZE{1024, 768};
}

}  // namespace platform

namespace platform::gdi {
namespace {

// Drawing on the screen itself goes to a scratch image of the screen's size.
class ScreenDevice : public Device {
public:
    DeviceCaps caps() const override { return screenCaps(); }
    QImage* image() override {
        const SIZE s = platform::screenSize();
        std::lock_guard lock(mutex_);
        if (image_.width() != s.cx || image_.height() != s.cy) {
            image_ = QImage(s.cx, s.cy, QImage::Format_RGB32);
            image_.fill(0xFFFFFFFFu);
        }
        return &image_;
    }

private:
    std::mutex mutex_;
    QImage image_;
};

}  // namespace

// A window's retained surface, asked for anew at each call (it follows the window's size);
// a Qt-backed control during WM_PAINT draws through a painter on the control.
class WindowDevice : public Device {
public:
    explicit WindowDevice(HWND wnd) : wnd_(wnd) {}
    DeviceCaps caps() const override {
        DeviceCaps c = screenCaps();
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        if (QImage* i = hooks.surface ? hooks.surface(wnd_) : nullptr) {
            c.horzRes = std::max(c.horzRes, i->width());
            c.vertRes = std::max(c.vertRes, i->height());
        }
        return c;
    }
    QImage* image() override {
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        if (inPaint()) return nullptr;
        if (!prepared_ && hooks.prepare) hooks.prepare(wnd_);
        prepared_ = true;
        return hooks.surface ? hooks.surface(wnd_) : nullptr;
    }
    void changed(const QRect& rect) override {
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        if (hooks.changed) hooks.changed(wnd_, rect);
    }
    QPainter* beginPainter() override {
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        return hooks.painter ? hooks.painter(wnd_) : nullptr;
    }
    void endPainter() override {
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        if (hooks.donePainter) hooks.donePainter(wnd_);
    }
    QSize size() override {
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        if (inPaint()) {
            const RECT r = clientRect();
            return QSize(r.right, r.bottom);
        }
        QImage* i = hooks.surface ? hooks.surface(wnd_) : nullptr;
        return i ? i->size() : QSize();
    }

private:
    bool inPaint() const {
        const platform::WindowSurfaceHooks& hooks = platform::windowSurfaceHooks();
        return hooks.painting && hooks.painting(wnd_);
    }
    RECT clientRect() const {
        RECT r{0, 0, 0, 0};
        GetClientRect(wnd_, &r);
        return r;
    }
    HWND wnd_;
    bool prepared_ = false;
};

std::shared_ptr<Device> windowDevice(HWND wnd) { return std::make_shared<WindowDevice>(wnd); }


DeviceCaps screenCaps() {
    DeviceCaps c;
    c.technology = DT_RASDISPLAY;
    const SIZE s = platform::screenSize();
    c.horzRes = s.cx;
    c.vertRes = s.cy;
    c.bitsPixel = platform::screenBitsPerPixel();
    c.logPixelsX = platform::screenDpiX;
    c.logPixelsY = platform::screenDpiY;
    c.rasterCaps = fullRasterCaps(c.bitsPixel, false);
    return c;
}

std::shared_ptr<Device> screenDevice() {
    static std::shared_ptr<Device> device = std::make_shared<ScreenDevice>();
    return device;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HWND GetDesktopWindow() { return platform::desktopWindowHandle(); }

HDC GetDC(HWND wnd) {
    HDC dc = nullptr;
    if (!wnd || wnd == platform::desktopWindowHandle()) {
        dc = createDC(desktopDevice(), platform::desktopWindowHandle());
    } else {
        if (!IsWindow(wnd)) return nullptr;
        dc = createDC(windowDevice(wnd), wnd);
    }
    if (DC* d = findDC(dc)) d->fromGetDC = true;
    return dc;
}

int ReleaseDC(HWND, HDC handle) {
    DC* dc = findDC(handle);
    if (!dc || !dc->fromGetDC) return 0;
    return DeleteDC(handle) ? 1 : 0;
}

HWND WindowFromDC(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->wnd : nullptr;
}
