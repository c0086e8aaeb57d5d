// Update regions and painting: InvalidateRect, BeginPaint and the rest.
#include "WindowImpl.h"
#include "platform/GdiObject.h"
#include "platform/gdi.h"

#include <QWidget>

using namespace platform::win;

namespace {

QRegion regionOf(const Window& w, const RECT* rect) {
    const QRect all(QPoint(0, 0), clientSize(w));
    return rect ? QRegion(fromRect(*rect) & all) : QRegion(all);
}

void invalidateTree(HWND wnd, const QRegion& region, bool erase, bool children) {
    Window* w = find(wnd);
    if (!w) return;
    if (erase) w->erasePending = true;
    if (w->hasSurface) {
        scheduleRepaint(*w, region);
    } else if (w->widget) {
        dropControlLayer(*w);
        w->widget->update(region.translated(clientOffset(*w)));
    }
    if (!children) return;
    for (HWND c : w->children) {
        Window* cw = find(c);
        if (!cw || !cw->widget) continue;
        const QRect g = cw->widget->geometry().translated(-clientOffset(*w));
        const QRegion part = region.intersected(g).translated(-g.topLeft());
        if (!part.isEmpty()) invalidateTree(c, part, erase, true);
    }
}

}  // namespace

BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase) {
    Window* w = find(wnd);
    if (!w) return FALSE;
    invalidateTree(wnd, regionOf(*w, rect), erase != FALSE, false);
    return TRUE;
}

BOOL ValidateRect(HWND wnd, const RECT* rect) {
    Window* w = find(wnd);
    if (!w) return FALSE;
    w->invalid -= regionOf(*w, rect);
    if (w->invalid.isEmpty()) w->erasePending = false;
    return TRUE;
}

BOOL GetUpdateRect(HWND wnd, LPRECT rect, BOOL) {
    Window* w = find(wnd);
    if (!w) return FALSE;
    if (rect) *rect = w->invalid.isEmpty() ? RECT{0, 0, 0, 0} : toRect(w->invalid.boundingRect());
    return w->invalid.isEmpty() ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND wnd) {
    Window* w = find(wnd);
    if (!w) return FALSE;
    if (w->hasSurface && !w->invalid.isEmpty() && !w->inPaint && IsWindowVisible(wnd)) deliverPaint(*w);
    return TRUE;
}

BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN, UINT flags) {
    Window* w = find(wnd);
    if (!w) return FALSE;
    const QRegion region = regionOf(*w, rect);
    const bool children = (flags & RDW_ALLCHILDREN) != 0;
    if (flags & RDW_INVALIDATE) invalidateTree(wnd, region, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_VALIDATE) ValidateRect(wnd, rect);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        UpdateWindow(wnd);
        if (children)
            if (Window* again = find(wnd))
                for (HWND c : std::vector<HWND>(again->children)) UpdateWindow(c);
    }
    return TRUE;
}

BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* rect, const RECT*) {
    Window* w = find(wnd);
    if (!w) return FALSE;
    if (!rect) {
        // Children move with the contents.
        for (HWND c : w->children)
            if (Window* cw = find(c); cw && cw->widget) cw->widget->move(cw->widget->pos() + QPoint(dx, dy));
    }
    if (w->hasSurface && !w->surface.isNull()) {
        const QImage copy = w->surface.copy();
        const QRect area = rect ? fromRect(*rect) : w->surface.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const int sy = y - dy;
            if (y < 0 || y >= w->surface.height() || sy < area.top() || sy > area.bottom()) continue;
            for (int x = area.left(); x <= area.right(); ++x) {
                const int sx = x - dx;
                if (x < 0 || x >= w->surface.width() || sx < area.left() || sx > area.right()) continue;
                w->surface.setPixel(x, y, copy.pixel(sx, sy));
            }
        }
        QRegion fresh(area);
        fresh -= QRegion(area.translated(dx, dy) & area);
        scheduleRepaint(*w, fresh);
        w->erasePending = true;
        if (w->widget) w->widget->update();
    }
    return TRUE;
}

HDC BeginPaint(HWND wnd, PAINTSTRUCT* ps) {
    Window* w = find(wnd);
    if (!w || !ps) return nullptr;
    *ps = PAINTSTRUCT{};
    const QRegion region = w->invalid.isEmpty() ? QRegion() : w->invalid;
    ps->rcPaint = region.isEmpty() ? RECT{0, 0, 0, 0} : toRect(region.boundingRect());
    // A DC on the window's surface, clipped to the update region; a Qt-backed control paints
    // on itself, all of it.
    HDC dc = GetDC(wnd);
    if (!w->hasSurface) ps->rcPaint = RECT{0, 0, clientSize(*w).width(), clientSize(*w).height()};
    if (dc && !region.isEmpty()) {
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        for (const QRect& r : region) {
            HRGN part = CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
            CombineRgn(clip, clip, part, RGN_OR);
            DeleteObject(part);
        }
        SelectClipRgn(dc, clip);
        DeleteObject(clip);
    }
    ps->hdc = dc;
    ps->fErase = w->erasePending ? TRUE : FALSE;
    if (w->erasePending) {
        w->erasePending = false;
        if (send(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0, true)) ps->fErase = FALSE;
    }
    if ((w = find(wnd))) w->invalid = QRegion();
    return dc;
}

BOOL EndPaint(HWND wnd, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc) ReleaseDC(wnd, ps->hdc);
    return TRUE;
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= COLOR_COUNT) return nullptr;
    static HBRUSH brushes[COLOR_COUNT] = {};
    const COLORREF colour = GetSysColor(index);
    if (!brushes[index]) brushes[index] = CreateSolidBrush(colour);
    // The brush follows the desktop's palette; its handle stays the same.
    else if (auto* b = platform::gdi::find<platform::gdi::Brush>(brushes[index], OBJ_BRUSH)) b->colour = colour;
    return brushes[index];
}

namespace platform::win {

HWND desktopHandle() { return platform::desktopWindowHandle(); }

}  // namespace platform::win
