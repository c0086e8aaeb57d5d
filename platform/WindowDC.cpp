// Window DCs beyond the retained surface: Qt-backed controls (their WM_PAINT and their layer
// for drawing outside it), the overlay of each top-level window for drawing over children,
// the screen's DC over the program's windows, GetDCEx and GetWindowDC.
#include "DeviceContext.h"
#include "PaintExtras.h"
#include "WindowImpl.h"
#include "surface.h"
#include "platform/winpaint.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace platform::win {

void PaintExtrasDeleter::operator()(PaintExtras* extras) const { delete extras; }

PaintExtras& paintExtras(Window& w) {
    if (!w.extras) w.extras.reset(new PaintExtras);
    return *w.extras;
}

namespace {

// ---- Qt-backed controls ---------------------------------------------------------------------

bool isQtControl(const Window& w) { return w.control && !w.hasSurface && w.widget; }

// Renders what the control shows (without its layer) into an image of its client area.
QImage renderControl(Window& w) {
    QWidget* wid = w.widget;
    const QSize size = clientSize(w);
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    PaintExtras& x = paintExtras(w);
    if (x.layer) x.layer->rendering = true;
    wid->render(&image, -clientOffset(w), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (Window* again = find(w.handle); again && again->extras && again->extras->layer) again->extras->layer->rendering = false;
    return image;
}

void prepareLayer(HWND wnd) {
    Window* w = find(wnd);
    if (!w || !isQtControl(*w)) return;
    PaintExtras& x = paintExtras(*w);
    // Drawing already shown stays; otherwise the layer starts from the control as it is now.
    if (x.layerShown && x.layerImage.size() == clientSize(*w)) return;
    x.layerImage = renderControl(*w);
}

void showLayer(Window& w, const QRect& rect) {
    PaintExtras& x = paintExtras(w);
    if (!x.layer) {
        x.layer = new LayerWidget(w.widget);
        x.layer->at = clientOffset(w);
    }
    x.layer->setGeometry(w.widget->rect());
    x.layer->shown = x.layerImage;
    x.layerShown = true;
    x.layer->raise();
    x.layer->show();
    x.layer->update(rect.translated(clientOffset(w)));
}

// ---- Overlay of top-level windows -----------------------------------------------------------

Window* topLevelOf(HWND wnd) {
    Window* w = find(wnd);
    while (w && w->parent) w = find(w->parent);
    return w;
}

QImage grabWindow(Window& top) {
    QWidget* wid = top.widget;
    QImage image(wid->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    PaintExtras& x = paintExtras(top);
    if (x.overlay) x.overlay->rendering = true;
    wid->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (Window* again = find(top.handle); again && again->extras && again->extras->overlay)
        again->extras->overlay->rendering = false;
    return image;
}

// The overlay's working image, started anew from what the window shows when nothing of an
// earlier drawing is left on it.
QImage* overlayImage(Window& top) {
    PaintExtras& x = paintExtras(top);
    if (!x.overlayDiffers || x.working.size() != top.widget->size()) {
        x.snapshot = grabWindow(top);
        x.working = x.snapshot.copy();
        x.overlayDiffers = false;
    }
    return &x.working;
}

// Shows the pixels of the working image that differ from the snapshot.
void overlayChanged(Window& top, const QRect& rect) {
    PaintExtras& x = paintExtras(top);
    if (x.working.isNull()) return;
    if (!x.overlay) x.overlay = new LayerWidget(top.widget);
    LayerWidget* o = x.overlay;
    if (o->shown.size() != x.working.size()) {
        o->shown = QImage(x.working.size(), QImage::Format_ARGB32_Premultiplied);
        o->shown.fill(Qt::transparent);
    }
    const QRect area = rect & x.working.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(x.working.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(x.snapshot.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(o->shown.scanLine(y));
        for (int px = area.left(); px <= area.right(); ++px)
            out[px] = (a[px] & 0xFFFFFF) == (b[px] & 0xFFFFFF) ? 0u : (a[px] | 0xFF000000u);
    }
    // Whether anything differs anywhere decides whether the overlay is needed at all.
    bool differs = false;
    for (int y = 0; y < o->shown.height() && !differs; ++y) {
        const auto* out = reinterpret_cast<const QRgb*>(o->shown.constScanLine(y));
        for (int px = 0; px < o->shown.width(); ++px)
            if (out[px]) {
                differs = true;
                break;
            }
    }
    x.overlayDiffers = differs;
    o->setGeometry(top.widget->rect());
    if (differs) {
        o->raise();
        o->show();
        o->update(area);
    } else {
        o->hide();
    }
}

// A window's DC on the overlay of its top-level window.
class OverlayDevice : public gdi::Device {
public:
    explicit OverlayDevice(HWND top) : top_(top) {}
    gdi::DeviceCaps caps() const override {
        gdi::DeviceCaps c = gdi::screenCaps();
        if (Window* t = find(top_); t && t->widget) {
            c.horzRes = std::max(c.horzRes, t->widget->width());
            c.vertRes = std::max(c.vertRes, t->widget->height());
        }
        return c;
    }
    QImage* image() override {
        Window* t = find(top_);
        return t && t->widget ? overlayImage(*t) : nullptr;
    }
    void changed(const QRect& rect) override {
        if (Window* t = find(top_); t && t->widget) overlayChanged(*t, rect);
    }
    QSize size() override {
        Window* t = find(top_);
        return t && t->widget ? t->widget->size() : QSize();
    }

private:
    HWND top_;
};

// The screen's DC: the program's visible top-level windows, each through its overlay, on
// the screen's scratch image.
class DesktopDevice : public gdi::Device {
public:
    gdi::DeviceCaps caps() const override { return gdi::screenCaps(); }
    QImage* image() override { return imageFor(QRect(QPoint(0, 0), size())); }
    QImage* imageFor(const QRect& area) override {
        QImage* screen = gdi::screenDevice()->image();
        if (!screen) return nullptr;
        for (const auto& [top, at] : windows(area)) {
            Window* t = find(top);
            QImage* img = overlayImage(*t);
            QPainter p(screen);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(at, *img);
        }
        return screen;
    }
    void changed(const QRect& rect) override {
        QImage* screen = gdi::screenDevice()->image();
        if (!screen) return;
        for (const auto& [top, at] : windows(rect)) {
            Window* t = find(top);
            PaintExtras& x = paintExtras(*t);
            const QRect local = rect.translated(-at) & x.working.rect();
            if (local.isEmpty()) continue;
            QPainter p(&x.working);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(local.topLeft(), *screen, local.translated(at));
            p.end();
            overlayChanged(*t, local);
        }
    }
    QSize size() override {
        const SIZE s = platform::screenSize();
        return QSize(s.cx, s.cy);
    }

private:
    // Visible top-level windows touching an area, from the bottom of the stack, with the
    // screen position of their widgets.
    static std::vector<std::pair<HWND, QPoint>> windows(const QRect& area) {
        std::vector<HWND> tops = topLevelWindows();
        const HWND active = GetActiveWindow();
        if (active) {
            tops.erase(std::remove(tops.begin(), tops.end(), active), tops.end());
            tops.push_back(active);
        }
        std::vector<std::pair<HWND, QPoint>> out;
        for (HWND h : tops) {
            Window* t = find(h);
            if (!t || !t->widget || !t->widget->isVisible()) continue;
            const QRect g(t->widget->mapToGlobal(QPoint(0, 0)), t->widget->size());
            if (area.isEmpty() || g.intersects(area)) out.emplace_back(h, g.topLeft());
        }
        return out;
    }
};

// ---- Hooks for the graphics layer -----------------------------------------------------------

bool painting(HWND wnd) {
    Window* w = find(wnd);
    return w && w->extras && w->extras->sessionEvent;
}

QPainter* sessionPainter(HWND wnd) {
    Window* w = find(wnd);
    if (!w || !w->extras || !w->extras->sessionEvent) return nullptr;
    PaintExtras& x = *w->extras;
    x.sessionBegun = true;
    x.sessionPainter.emplace(x.sessionWidget);
    // Client coordinates (the world transform belongs to the DC's drawing calls).
    const QSize size = x.sessionWidget->size();
    x.sessionPainter->setViewport(QRect(clientOffset(*w), size));
    x.sessionPainter->setWindow(QRect(QPoint(0, 0), size));
    return &*x.sessionPainter;
}

void sessionPainterDone(HWND wnd) {
    Window* w = find(wnd);
    if (w && w->extras) w->extras->sessionPainter.reset();
}

}  // namespace

// The hooks of control layers and paint sessions join the surface hooks of WindowWidget.cpp.
void addPaintHooks(WindowSurfaceHooks& hooks) {
    hooks.prepare = &prepareLayer;
    hooks.painting = &painting;
    hooks.painter = &sessionPainter;
    hooks.donePainter = &sessionPainterDone;
}

QImage* controlLayer(Window& w) {
    if (!isQtControl(w)) return nullptr;
    PaintExtras& x = paintExtras(w);
    if (x.layerImage.size() != clientSize(w)) x.layerImage = renderControl(w);
    return &x.layerImage;
}

void controlLayerChanged(Window& w, const QRect& rect) {
    if (isQtControl(w)) showLayer(w, rect);
}

void dropControlLayer(Window& w) {
    if (!w.extras || !w.extras->layerShown) return;
    w.extras->layerShown = false;
    if (w.extras->layer) w.extras->layer->hide();
}

bool paintControl(Window& w, QWidget* widget, QPaintEvent* e) {
    const HWND h = w.handle;
    PaintExtras& x = paintExtras(w);
    if (x.sessionEvent) return false;
    x.sessionWidget = widget;
    x.sessionEvent = e;
    x.sessionBegun = false;
    x.qtPainted = false;
    w.inPaint = true;
    send(h, WM_PAINT, 0, 0, true);
    Window* again = find(h);
    if (!again) return true;
    again->inPaint = false;
    PaintExtras& y = paintExtras(*again);
    y.sessionPainter.reset();
    // A procedure that neither painted nor let the control paint leaves it to Qt.
    const bool consumed = y.sessionBegun || y.qtPainted;
    y.sessionEvent = nullptr;
    y.sessionWidget = nullptr;
    return consumed;
}

bool controlDefaultPaint(Window& w) {
    if (!w.extras || !w.extras->sessionEvent || w.extras->qtPainted) return false;
    PaintExtras& x = *w.extras;
    x.qtPainted = true;
    x.sessionPainter.reset();
    QPaintEvent* e = x.sessionEvent;
    QWidget* widget = x.sessionWidget;
    static_cast<QObject*>(widget)->event(e);
    return true;
}

void paintControlInto(Window& w, HDC dc) {
    gdi::DC* d = gdi::findDC(dc);
    if (!d || !isQtControl(w)) return;
    const QImage image = renderControl(w);
    gdi::Paint p(*d, false, QRect(QPoint(0, 0), image.size()));
    if (!p.active()) return;
    p.painter().drawImage(0, 0, image);
    p.touched(QRect(QPoint(0, 0), image.size()));
}

std::shared_ptr<gdi::Device> overlayDevice(HWND top) { return std::make_shared<OverlayDevice>(top); }

}  // namespace platform::win

namespace platform::gdi {
std::shared_ptr<Device> desktopDevice() { return std::make_shared<platform::win::DesktopDevice>(); }
}  // namespace platform::gdi

using namespace platform::win;
using namespace platform::gdi;

namespace {

// The area of a window in its top-level widget's coordinates (client or whole window).
QRect areaInTop(Window& w, bool whole) {
    Window* top = topLevelOf(w.handle);
    if (!top || !top->widget || !w.widget) return QRect();
    const QPoint origin = w.widget->mapTo(top->widget, QPoint(0, 0));
    if (whole) return QRect(origin, w.widget->size());
    return QRect(origin + clientOffset(w), clientSize(w));
}

QRegion visibleIn(Window& w, const QRegion& area, bool clipSiblings, bool clipChildren) {
    QRegion r = area;
    Window* top = topLevelOf(w.handle);
    if (!top) return r;
    // Siblings above the window (earlier in its parent's list) cover it.
    if (clipSiblings)
        for (Window* c = &w; c && c->parent; c = find(c->parent)) {
            Window* p = find(c->parent);
            if (!p) break;
            for (HWND s : p->children) {
                if (s == c->handle) break;
                Window* sw = find(s);
                if (sw && sw->widget && !sw->widget->isHidden()) r -= QRegion(areaInTop(*sw, true));
            }
        }
    if (clipChildren)
        for (HWND c : w.children)
            if (Window* cw = find(c); cw && cw->widget && !cw->widget->isHidden()) r -= QRegion(areaInTop(*cw, true));
    return r;
}

QRegion regionFrom(HRGN rgn) {
    auto* r = find<Region>(rgn, OBJ_REGION);
    return r ? r->region : QRegion();
}

}  // namespace

HDC GetDCEx(HWND wnd, HRGN clip, DWORD flags) {
    if (!wnd || isDesktop(wnd)) return GetDC(nullptr);
    Window* w = find(wnd);
    if (!w || !w->widget) return nullptr;
    if (flags & DCX_USESTYLE) {
        if (w->style & WS_CLIPCHILDREN) flags |= DCX_CLIPCHILDREN;
        if (w->style & WS_CLIPSIBLINGS) flags |= DCX_CLIPSIBLINGS;
    }
    const bool whole = (flags & DCX_WINDOW) != 0;
    const bool parentClip = (flags & DCX_PARENTCLIP) && w->parent;
    const bool hasChildren = std::any_of(w->children.begin(), w->children.end(), [](HWND c) {
        Window* cw = find(c);
        return cw && cw->widget && !cw->widget->isHidden();
    });
    // The window's own surface serves a DC that clips children away (or has none to clip).
    const bool own = !whole && !parentClip && ((flags & DCX_CLIPCHILDREN) || !hasChildren) &&
                     !(flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN));
    if (own) return GetDC(wnd);
    if (whole && !w->parent && platform::win::ownFrame(*w)) {
        if (HDC dc = platform::win::frameDC(*w, clip, flags)) return dc;
    }
    Window* top = topLevelOf(wnd);
    if (!top || !top->widget) return nullptr;
    const QRect area = areaInTop(*w, whole);
    QRegion visible(area);
    if (parentClip) {
        Window* p = find(w->parent);
        visible = p ? QRegion(areaInTop(*p, false)) : visible;
    }
    visible = visibleIn(*w, visible, (flags & DCX_CLIPSIBLINGS) != 0, (flags & DCX_CLIPCHILDREN) != 0);
    if (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) {
        // The region is in screen coordinates.
        const QPoint topOrigin = top->widget->mapToGlobal(QPoint(0, 0));
        const QRegion r = regionFrom(clip).translated(-topOrigin);
        if (flags & DCX_INTERSECTRGN) visible &= r;
        else visible -= r;
    }
    HDC dc = createDC(overlayDevice(top->handle), wnd);
    DC* d = findDC(dc);
    if (!d) return nullptr;
    d->fromGetDC = true;
    d->base = area.topLeft();
    d->state.origin = d->base;
    d->baseClip = visible;
    return dc;
}

HDC GetWindowDC(HWND wnd) { return GetDCEx(wnd, nullptr, DCX_WINDOW | DCX_USESTYLE); }
