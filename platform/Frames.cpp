// Edges, frame controls and focus rectangles in the classic look of the system colours.
#include "DeviceContext.h"
#include "platform/winpaint.h"

#include <QPolygon>

#include <algorithm>

using namespace platform::gdi;

namespace {

void fill(HDC dc, int left, int top, int right, int bottom, int sysColour) {
    if (right <= left || bottom <= top) return;
    const RECT r{left, top, right, bottom};
    FillRect(dc, &r, GetSysColorBrush(sysColour));
}

// One border ring: top and left in one colour, bottom and right in another.
void ring(HDC dc, const RECT& r, UINT flags, int topLeft, int bottomRight) {
    if (topLeft >= 0) {
        if (flags & BF_TOP) fill(dc, r.left, r.top, r.right, r.top + 1, topLeft);
        if (flags & BF_LEFT) fill(dc, r.left, r.top, r.left + 1, r.bottom, topLeft);
    }
    if (bottomRight >= 0) {
        // The bottom and right lines take the corners they share with top and left.
        if (flags & BF_BOTTOM) fill(dc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
        if (flags & BF_RIGHT) fill(dc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
    }
}

void shrink(RECT& r, UINT flags) {
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
}

// The colours of one border: top-left and bottom-right (-1 for none).
std::pair<int, int> outerColours(UINT edge, UINT flags) {
    if (flags & BF_MONO) return {COLOR_WINDOWFRAME, COLOR_WINDOWFRAME};
    if (flags & BF_FLAT) return {COLOR_BTNSHADOW, COLOR_BTNSHADOW};
    if (edge & BDR_RAISEDOUTER) return {flags & BF_SOFT ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW};
    if (edge & BDR_SUNKENOUTER) return {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    return {-1, -1};
}

std::pair<int, int> innerColours(UINT edge, UINT flags) {
    if (flags & BF_MONO) return {COLOR_WINDOW, COLOR_WINDOW};
    if (flags & BF_FLAT) return {COLOR_BTNFACE, COLOR_BTNFACE};
    if (edge & BDR_RAISEDINNER) return {flags & BF_SOFT ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    if (edge & BDR_SUNKENINNER) return {COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    return {-1, -1};
}

void line(HDC dc, int x1, int y1, int x2, int y2, int sysColour) {
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(sysColour));
    HGDIOBJ old = SelectObject(dc, pen);
    POINT was{};
    MoveToEx(dc, x1, y1, &was);
    LineTo(dc, x2, y2);
    MoveToEx(dc, was.x, was.y, nullptr);
    SelectObject(dc, old);
    DeleteObject(pen);
}

BOOL diagonalEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
    RECT r = *rect;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int n = std::min(w, h);
    if (n <= 0) return TRUE;
    // The line runs from the corner opposite its end to the end the flags name.
    const bool endTop = (flags & BF_TOP) != 0, endRight = (flags & BF_RIGHT) != 0;
    const int x1 = endRight ? r.left : r.right - 1, y1 = endTop ? r.bottom - 1 : r.top;
    const int dx = endRight ? 1 : -1, dy = endTop ? -1 : 1;
    const auto [outerTL, outerBR] = outerColours(edge, flags);
    const auto [innerTL, innerBR] = innerColours(edge, flags);
    // A line rising to the right is lit from the top-left; one falling to the right from below.
    const bool lit = (dx > 0) == (dy < 0);
    const int outer = lit ? outerTL : outerBR, inner = lit ? innerTL : innerBR;
    if (outer >= 0) line(dc, x1, y1, x1 + dx * n, y1 + dy * n, outer);
    // The inner line runs one pixel below the outer one.
    if (inner >= 0 && n > 1) line(dc, x1, y1 + 1, x1 + dx * (n - 1), y1 + 1 + dy * (n - 1), inner);
    if (flags & BF_MIDDLE) {
        const int side = endRight == endTop ? 0 : 1;
        POINT tri[3];
        tri[0] = POINT{x1, y1};
        tri[1] = POINT{x1 + dx * n, y1 + dy * n};
        tri[2] = side ? POINT{x1, y1 + dy * n} : POINT{x1 + dx * n, y1};
        HBRUSH face = GetSysColorBrush(flags & BF_MONO ? COLOR_WINDOW : COLOR_BTNFACE);
        HGDIOBJ oldBrush = SelectObject(dc, face);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        Polygon(dc, tri, 3);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    }
    if (flags & BF_ADJUST) *rect = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    return TRUE;
}

// Draws with a painter inside a rectangle of the DC.
template <class Draw>
void paintIn(HDC dc, const RECT& r, Draw draw) {
    DC* d = findDC(dc);
    if (!d) return;
    const QRect box(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    if (box.isEmpty()) return;
    Paint p(*d, false, box);
    if (!p.active()) return;
    draw(p.painter(), box);
    p.touched(box);
}

// Draws a glyph given as a path in a box of 16 x 16 units, scaled into the rectangle.
void glyph(HDC dc, const RECT& r, const std::vector<QPolygonF>& shapes, COLORREF colour, bool filled) {
    paintIn(dc, r, [&](QPainter& painter, const QRect& box) {
        const int side = std::min(box.width(), box.height());
        const double scale = side / 16.0;
        painter.translate(box.left() + (box.width() - side) / 2, box.top() + (box.height() - side) / 2);
        painter.scale(scale, scale);
        const QColor c = qcolour(colour);
        if (filled) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(c);
            for (const QPolygonF& s : shapes) painter.drawPolygon(s);
        } else {
            QPen pen(c, std::max(1.0, side / 9.0) / scale, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            for (const QPolygonF& s : shapes) painter.drawPolyline(s);
        }
    });
}

QPolygonF poly(std::initializer_list<QPointF> points) { return QPolygonF(QList<QPointF>(points)); }

// A glyph drawn embossed when inactive: light at (1, 1), then shadow in place.
void drawGlyph(HDC dc, RECT r, const std::vector<QPolygonF>& shapes, bool inactive, bool filled,
               int colour = COLOR_BTNTEXT) {
    if (inactive) {
        RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        glyph(dc, shifted, shapes, GetSysColor(COLOR_BTNHIGHLIGHT), filled);
        glyph(dc, r, shapes, GetSysColor(COLOR_BTNSHADOW), filled);
    } else {
        glyph(dc, r, shapes, GetSysColor(colour), filled);
    }
}

RECT square(const RECT& r) {
    const int side = std::min(r.right - r.left, r.bottom - r.top);
    const int x = r.left + (r.right - r.left - side) / 2, y = r.top + (r.bottom - r.top - side) / 2;
    return RECT{x, y, x + side, y + side};
}

// The face of a push button (and the frame of caption and scroll buttons).
void buttonFace(HDC dc, RECT& r, UINT state) {
    const bool pushed = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
    UINT edge = pushed ? EDGE_SUNKEN : EDGE_RAISED;
    UINT flags = BF_RECT | BF_SOFT | BF_MIDDLE;
    if (state & DFCS_FLAT) flags |= BF_FLAT;
    if (state & DFCS_MONO) flags |= BF_MONO;
    if (pushed && !(state & (DFCS_FLAT | DFCS_MONO))) {
        // Pushed buttons show a shadow line inside a dark frame.
        RECT outer = r;
        ring(dc, outer, BF_RECT, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
        shrink(outer, BF_RECT);
        ring(dc, outer, BF_TOPLEFT, COLOR_BTNSHADOW, -1);
        fill(dc, outer.left + 1, outer.top + 1, outer.right, outer.bottom, COLOR_BTNFACE);
        edge = 0;
    }
    if (edge) DrawEdge(dc, &r, edge, flags);
    if (state & DFCS_ADJUSTRECT) InflateRect(&r, -2, -2);
}

void checkBox(HDC dc, RECT r, UINT kind, UINT state) {
    r = square(r);
    const bool inactive = (state & DFCS_INACTIVE) != 0;
    const bool grayed = kind == DFCS_BUTTON3STATE && (state & DFCS_CHECKED);
    if (state & (DFCS_FLAT | DFCS_MONO)) {
        ring(dc, r, BF_RECT, state & DFCS_MONO ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW,
             state & DFCS_MONO ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW);
        shrink(r, BF_RECT);
    } else {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    fill(dc, r.left, r.top, r.right, r.bottom,
         (state & DFCS_PUSHED) || inactive || grayed ? COLOR_BTNFACE : COLOR_WINDOW);
    if (state & DFCS_CHECKED) {
        const std::vector<QPolygonF> mark{poly({{3.5, 7.5}, {6.5, 10.5}, {12.5, 4.5}})};
        glyph(dc, r, mark, GetSysColor(inactive || grayed ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT), false);
    }
}

void radio(HDC dc, RECT r, UINT kind, UINT state) {
    r = square(r);
    paintIn(dc, r, [&](QPainter& painter, const QRect& box) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QRectF f = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
        if (kind == DFCS_BUTTONRADIOMASK) {
            // The mask: black where the button is, white around it.
            painter.fillRect(box, Qt::white);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawEllipse(f);
        } else {
            const bool inactive = (state & DFCS_INACTIVE) != 0;
            painter.setPen(QPen(qcolour(GetSysColor(COLOR_BTNSHADOW)), 1));
            painter.setBrush(qcolour(GetSysColor(inactive || (state & DFCS_PUSHED) ? COLOR_BTNFACE : COLOR_WINDOW)));
            painter.drawEllipse(f);
            painter.setPen(QPen(qcolour(GetSysColor(COLOR_3DDKSHADOW)), 1));
            painter.drawArc(f.adjusted(1, 1, -1, -1), 45 * 16, 180 * 16);
            if (state & DFCS_CHECKED) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(qcolour(GetSysColor(inactive ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT)));
                const double inset = box.width() * 0.32;
                painter.drawEllipse(f.adjusted(inset, inset, -inset, -inset));
            }
        }
    });
}

BOOL caption(HDC dc, RECT r, UINT state) {
    buttonFace(dc, r, state | DFCS_ADJUSTRECT);
    if (state & (DFCS_PUSHED | DFCS_CHECKED)) OffsetRect(&r, 1, 1);
    const bool inactive = (state & DFCS_INACTIVE) != 0;
    switch (state & 0xFF) {
    case DFCS_CAPTIONCLOSE:
        drawGlyph(dc, r, {poly({{4, 4}, {12, 12}}), poly({{12, 4}, {4, 12}})}, inactive, false);
        break;
    case DFCS_CAPTIONMIN: drawGlyph(dc, r, {poly({{4, 12}, {11, 12}})}, inactive, false); break;
    case DFCS_CAPTIONMAX: drawGlyph(dc, r, {poly({{3, 3}, {13, 3}, {13, 13}, {3, 13}, {3, 3}}), poly({{3, 4}, {13, 4}})},
                                    inactive, false);
        break;
    case DFCS_CAPTIONRESTORE:
        drawGlyph(dc, r,
                  {poly({{5, 3}, {13, 3}, {13, 10}, {11, 10}}), poly({{3, 6}, {10, 6}, {10, 13}, {3, 13}, {3, 6}})},
                  inactive, false);
        break;
    case DFCS_CAPTIONHELP:
        drawGlyph(dc, r, {poly({{5, 6}, {6, 4}, {10, 4}, {11, 6}, {8, 9}, {8, 10.5}}), poly({{8, 12.5}, {8, 13}})},
                  inactive, false);
        break;
    default: return FALSE;
    }
    return TRUE;
}

std::vector<QPolygonF> arrow(UINT which) {
    switch (which) {
    case DFCS_SCROLLUP: return {poly({{4, 10}, {8, 6}, {12, 10}})};
    case DFCS_SCROLLLEFT: return {poly({{10, 4}, {6, 8}, {10, 12}})};
    case DFCS_SCROLLRIGHT: return {poly({{6, 4}, {10, 8}, {6, 12}})};
    default: return {poly({{4, 6}, {8, 10}, {12, 6}})};
    }
}

BOOL scroll(HDC dc, RECT r, UINT state) {
    const UINT which = state & 0xFF;
    if (which == DFCS_SCROLLSIZEGRIP) {
        if (!(state & DFCS_TRANSPARENT)) fill(dc, r.left, r.top, r.right, r.bottom, COLOR_BTNFACE);
        const int n = std::min(r.right - r.left, r.bottom - r.top);
        for (int k = 3; k < n; k += 4) {
            line(dc, r.right - 1, r.bottom - k, r.right - k, r.bottom - 1, COLOR_BTNHIGHLIGHT);
            line(dc, r.right - 1, r.bottom - k - 1, r.right - k - 1, r.bottom - 1, COLOR_BTNSHADOW);
            line(dc, r.right - 1, r.bottom - k - 2, r.right - k - 2, r.bottom - 1, COLOR_BTNSHADOW);
        }
        return TRUE;
    }
    if (which > DFCS_SCROLLRIGHT && which != DFCS_SCROLLCOMBOBOX) return FALSE;
    buttonFace(dc, r, state | DFCS_ADJUSTRECT);
    if (state & (DFCS_PUSHED | DFCS_CHECKED)) OffsetRect(&r, 1, 1);
    const UINT dir = which == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : which;
    std::vector<QPolygonF> shapes = arrow(dir);
    drawGlyph(dc, r, shapes, (state & DFCS_INACTIVE) != 0, true);
    return TRUE;
}

// Menu glyphs are drawn in black on white: the caller uses them as masks.
BOOL menu(HDC dc, RECT r, UINT state) {
    fill(dc, r.left, r.top, r.right, r.bottom, COLOR_WINDOW);
    const RECT g = square(r);
    switch (state & 0xFF) {
    case DFCS_MENUARROW:
        glyph(dc, g, {poly({{6, 4}, {10, 8}, {6, 12}})}, RGB(0, 0, 0), true);
        break;
    case DFCS_MENUARROWRIGHT:
        glyph(dc, g, {poly({{10, 4}, {6, 8}, {10, 12}})}, RGB(0, 0, 0), true);
        break;
    case DFCS_MENUCHECK: glyph(dc, g, {poly({{4, 8}, {7, 11}, {12, 5}})}, RGB(0, 0, 0), false); break;
    case DFCS_MENUBULLET: {
        QPolygonF circle;
        for (int k = 0; k < 16; ++k) circle << QPointF(8 + 2.5 * std::cos(k * M_PI / 8), 8 + 2.5 * std::sin(k * M_PI / 8));
        glyph(dc, g, {circle}, RGB(0, 0, 0), true);
        break;
    }
    default: return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
    if (!findDC(dc) || !rect) return FALSE;
    if (flags & BF_DIAGONAL) return diagonalEdge(dc, rect, edge, flags);
    RECT r = *rect;
    const auto [outerTL, outerBR] = outerColours(edge, flags);
    const auto [innerTL, innerBR] = innerColours(edge, flags);
    if (edge & BDR_OUTER) {
        ring(dc, r, flags, outerTL, outerBR);
        shrink(r, flags);
    }
    if (edge & BDR_INNER) {
        ring(dc, r, flags, innerTL, innerBR);
        shrink(r, flags);
    }
    if (flags & BF_MIDDLE) fill(dc, r.left, r.top, r.right, r.bottom, flags & BF_MONO ? COLOR_WINDOW : COLOR_BTNFACE);
    if (flags & BF_ADJUST) *rect = r;
    return TRUE;
}

BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state) {
    if (!findDC(dc) || !rect) return FALSE;
    switch (type) {
    case DFC_BUTTON: {
        const UINT kind = state & 0xFF;
        if (kind & DFCS_BUTTONPUSH) {
            buttonFace(dc, *rect, state);
            return TRUE;
        }
        if (kind == DFCS_BUTTONCHECK || kind == DFCS_BUTTON3STATE) {
            checkBox(dc, *rect, kind, state);
            return TRUE;
        }
        if (kind == DFCS_BUTTONRADIO || kind == DFCS_BUTTONRADIOIMAGE || kind == DFCS_BUTTONRADIOMASK) {
            radio(dc, *rect, kind, state);
            return TRUE;
        }
        return FALSE;
    }
    case DFC_CAPTION: return caption(dc, *rect, state);
    case DFC_SCROLL: return scroll(dc, *rect, state);
    case DFC_MENU:
    case DFC_POPUPMENU: return menu(dc, *rect, state);
    default: return FALSE;
    }
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
    DC* dc = findDC(handle);
    if (!dc || !rect) return FALSE;
    const QRect r(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
    if (r.isEmpty()) return TRUE;
    Paint p(*dc, false, r);
    if (!p.active()) return TRUE;
    QPainter& painter = p.painter();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::NoPen);
    // Every other pixel along the outline, starting at the top-left corner.
    auto dot = [&](int x, int y) {
        if (((x - r.left()) + (y - r.top())) % 2 == 0) painter.fillRect(QRect(x, y, 1, 1), Qt::white);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        if (r.bottom() != r.top()) dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        if (r.right() != r.left()) dot(r.right(), y);
    }
    p.touched(r);
    return TRUE;
}
