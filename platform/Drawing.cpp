// Lines, shapes, rectangles and pixels.
#include "DeviceContext.h"
#include "platform/winuser.h"

#include <QPolygon>

#include <algorithm>
#include <cmath>

using namespace platform::gdi;

namespace {

int penMargin(const DC& dc) { return (dc.state.pen ? dc.state.pen->width : 1) / 2 + 1; }

// The box of a shape call, normalised; inside-frame pens shrink it by half their width.
QRectF shapeBox(const DC& dc, int left, int top, int right, int bottom) {
    int l = std::min(left, right), r = std::max(left, right);
    int t = std::min(top, bottom), b = std::max(top, bottom);
    const Pen* pen = dc.state.pen;
    if (pen && (pen->style & PS_STYLE_MASK) == PS_INSIDEFRAME && pen->width > 1) {
        const int inset = pen->width / 2;
        l += inset;
        t += inset;
        r -= inset;
        b -= inset;
    }
    return QRectF(l, t, r - l - 1, b - t - 1);
}

template <class Draw>
BOOL shape(HDC handle, int left, int top, int right, int bottom, Draw draw) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    if (left == right || top == bottom) return TRUE;
    const QRectF box = shapeBox(*dc, left, top, right, bottom);
    Paint p(*dc, true, box.toAlignedRect(), penMargin(*dc));
    if (!p.active()) return TRUE;
    p.painter().setPen(qpen(*dc));
    p.painter().setBrush(qbrush(dc->state.brush));
    draw(p.painter(), box);
    p.touched(box.toAlignedRect(), penMargin(*dc));
    return TRUE;
}

// Angle in sixteenths of a degree, counter-clockwise from three o'clock, of a point seen
// from the centre of a box.
int angleOf(const QRectF& box, int x, int y) {
    const QPointF c = box.center();
    const double a = std::atan2(-(y - c.y()), x - c.x()) * 180.0 / M_PI;
    return static_cast<int>(std::nearbyint(a * 16));
}

// Start and span of an arc from the radial through the start point counter-clockwise to the
// radial through the end point (a full turn when they coincide).
std::pair<int, int> arcAngles(const QRectF& box, int xs, int ys, int xe, int ye) {
    const int a = angleOf(box, xs, ys);
    int span = angleOf(box, xe, ye) - a;
    while (span <= 0) span += 360 * 16;
    return {a, span};
}

bool brushColour(HBRUSH brush, QBrush& out) {
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value > 0 && value <= 32) {
        // A system colour index plus one.
        out = QBrush(qcolour(GetSysColor(static_cast<int>(value - 1))));
        return true;
    }
    auto* b = find<Brush>(brush, OBJ_BRUSH);
    if (!b) return false;
    out = qbrush(b);
    return true;
}

QRect rectOf(const RECT& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

}  // namespace

BOOL MoveToEx(HDC handle, int x, int y, LPPOINT old) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    if (old) *old = POINT{dc->state.position.x(), dc->state.position.y()};
    dc->state.position = QPoint(x, y);
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, LPPOINT point) {
    DC* dc = findDC(handle);
    if (!dc || !point) return FALSE;
    *point = POINT{dc->state.position.x(), dc->state.position.y()};
    return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    const QPoint from = dc->state.position, to(x, y);
    dc->state.position = to;
    Paint p(*dc, true, QRect(from, to), penMargin(*dc));
    if (!p.active()) return TRUE;
    p.painter().setPen(qpen(*dc));
    p.painter().drawLine(from, to);
    p.touched(QRect(from, to), penMargin(*dc));
    return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
    DC* dc = findDC(handle);
    if (!dc || !points || count < 2) return FALSE;
    QPolygon polygon(count);
    for (int i = 0; i < count; ++i) polygon.setPoint(i, points[i].x, points[i].y);
    Paint p(*dc, true, polygon.boundingRect(), penMargin(*dc));
    if (!p.active()) return TRUE;
    p.painter().setPen(qpen(*dc));
    p.painter().drawPolyline(polygon);
    p.touched(polygon.boundingRect(), penMargin(*dc));
    return TRUE;
}

BOOL Polygon(HDC handle, const POINT* points, int count) {
    DC* dc = findDC(handle);
    if (!dc || !points || count < 2) return FALSE;
    QPolygon polygon(count);
    for (int i = 0; i < count; ++i) polygon.setPoint(i, points[i].x, points[i].y);
    Paint p(*dc, true, polygon.boundingRect(), penMargin(*dc));
    if (!p.active()) return TRUE;
    p.painter().setPen(qpen(*dc));
    p.painter().setBrush(qbrush(dc->state.brush));
    p.painter().drawPolygon(polygon, dc->state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    p.touched(polygon.boundingRect(), penMargin(*dc));
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    return shape(dc, left, top, right, bottom, [](QPainter& p, const QRectF& box) { p.drawRect(box); });
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    return shape(dc, left, top, right, bottom, [](QPainter& p, const QRectF& box) { p.drawEllipse(box); });
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) {
    return shape(dc, left, top, right, bottom, [=](QPainter& p, const QRectF& box) {
        p.drawRoundedRect(box, std::abs(width) / 2.0, std::abs(height) / 2.0, Qt::AbsoluteSize);
    });
}

BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    return shape(dc, left, top, right, bottom, [=](QPainter& p, const QRectF& box) {
        const auto [a, span] = arcAngles(box, xs, ys, xe, ye);
        p.drawArc(box, a, span);
    });
}

BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    return shape(dc, left, top, right, bottom, [=](QPainter& p, const QRectF& box) {
        const auto [a, span] = arcAngles(box, xs, ys, xe, ye);
        p.drawPie(box, a, span);
    });
}

BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    return shape(dc, left, top, right, bottom, [=](QPainter& p, const QRectF& box) {
        const auto [a, span] = arcAngles(box, xs, ys, xe, ye);
        p.drawChord(box, a, span);
    });
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
    DC* dc = findDC(handle);
    QBrush b;
    if (!dc || !rect || !brushColour(brush, b)) return 0;
    const QRect r = rectOf(*rect);
    if (r.isEmpty()) return 1;
    Paint p(*dc, false, r);
    if (!p.active()) return 1;
    p.painter().setBackgroundMode(Qt::OpaqueMode);
    p.painter().fillRect(r, b);
    p.touched(r);
    return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
    DC* dc = findDC(handle);
    QBrush b;
    if (!dc || !rect || !brushColour(brush, b)) return 0;
    const QRect r = rectOf(*rect);
    if (r.isEmpty()) return 1;
    Paint p(*dc, false, r);
    if (!p.active()) return 1;
    QPainter& painter = p.painter();
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), b);
    if (r.height() > 1) painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), b);
    if (r.height() > 2) {
        painter.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), b);
        if (r.width() > 1) painter.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), b);
    }
    p.touched(r);
    return 1;
}

BOOL InvertRect(HDC handle, const RECT* rect) {
    DC* dc = findDC(handle);
    if (!dc || !rect) return FALSE;
    const QRect r = rectOf(*rect);
    if (r.isEmpty()) return TRUE;
    Paint p(*dc, false, r);
    if (!p.active()) return TRUE;
    p.painter().setCompositionMode(QPainter::RasterOp_NotDestination);
    p.painter().fillRect(r, Qt::black);
    p.touched(r);
    return TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF colour) {
    DC* dc = findDC(handle);
    if (!dc) return CLR_INVALID;
    const QPoint at = QPoint(x, y) + dc->state.origin;
    if (!dc->clipRegion().contains(at)) return CLR_INVALID;
    QImage* image = dc->device->imageFor(QRect(at, QSize(1, 1)));
    if (image && rasterTarget(*image)) {
        reinterpret_cast<QRgb*>(image->scanLine(at.y()))[at.x()] = qrgb(colour);
        dc->device->changed(QRect(at, QSize(1, 1)));
        return colorref(image->pixel(at));
    }
    Paint p(*dc, false);
    if (!p.active()) return CLR_INVALID;
    p.painter().fillRect(QRect(x, y, 1, 1), qcolour(colour));
    p.touched(QRect(x, y, 1, 1));
    return colour & 0xFFFFFF;
}

COLORREF GetPixel(HDC handle, int x, int y) {
    DC* dc = findDC(handle);
    if (!dc) return CLR_INVALID;
    const QPoint at = QPoint(x, y) + dc->state.origin;
    QImage* image = dc->device->imageFor(QRect(at, QSize(1, 1)));
    if (!image || image->isNull() || !dc->clipRegion().contains(at)) return CLR_INVALID;
    return colorref(image->pixel(at));
}
