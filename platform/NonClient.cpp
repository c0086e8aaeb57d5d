// Frames of our own drawing: the non-client area of top-level windows that paint it
// (WM_NCCALCSIZE, WM_NCPAINT, WM_NCACTIVATE, WM_NCHITTEST and the non-client mouse
// messages), moved and sized through the window system or by following the mouse.
#include "DeviceContext.h"
#include "PaintExtras.h"
#include "platform/winpaint.h"

#include <QCursor>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

namespace platform::win {
namespace {

PaintExtras* extrasOf(const Window& w) { return w.extras.get(); }

bool isTool(const Window& w) { return (w.exStyle & WS_EX_TOOLWINDOW) != 0; }

int frameWidth(const Window& w) {
    if (w.style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if ((w.style & WS_CAPTION) == WS_CAPTION || (w.style & WS_DLGFRAME) || (w.exStyle & WS_EX_DLGMODALFRAME))
        return GetSystemMetrics(SM_CXDLGFRAME);
    return (w.style & WS_BORDER) ? 1 : 0;
}

int captionHeightOf(const Window& w) {
    if ((w.style & WS_CAPTION) != WS_CAPTION) return 0;
    return GetSystemMetrics(isTool(w) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

// The window's rectangle in its own coordinates (the widget's).
QRect windowArea(const Window& w) { return QRect(QPoint(0, 0), w.widget->size()); }

QRect captionArea(const Window& w) {
    const int f = frameWidth(w);
    return QRect(f, f, std::max(0, w.widget->width() - 2 * f), captionHeightOf(w));
}

// The caption buttons from the right: close, maximize, minimize (or help). Each takes a slot
// of SM_CXSIZE (SM_CXSMSIZE for tool windows) from the caption's right edge, so that a bar
// painted over the caption up to the slots leaves them whole.
struct Buttons {
    QRect close, max, min, help;
};

Buttons buttonsOf(const Window& w) {
    Buttons b;
    if (!(w.style & WS_SYSMENU)) return b;
    const QRect cap = captionArea(w);
    const int size = GetSystemMetrics(isTool(w) ? SM_CXSMSIZE : SM_CXSIZE);
    const int h = std::max(0, cap.height() - 4);
    const int right = cap.left() + cap.width();
    auto slot = [&](int n) { return QRect(right - n * size + 1, cap.top() + 2, size - 2, h); };
    b.close = slot(1);
    if (isTool(w)) return b;
    if (w.style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
        b.max = slot(2);
        b.min = slot(3);
    } else if (w.exStyle & WS_EX_CONTEXTHELP) {
        b.help = slot(2);
    }
    return b;
}

RECT toRECT(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// A DC on the frame's image of a window with its own frame.
class FrameDevice : public gdi::Device {
public:
    explicit FrameDevice(HWND wnd) : wnd_(wnd) {}
    gdi::DeviceCaps caps() const override { return gdi::screenCaps(); }
    QImage* image() override {
        Window* w = find(wnd_);
        if (!w || !w->widget || !w->extras) return nullptr;
        QImage& f = w->extras->frame;
        if (f.size() != w->widget->size()) {
            QImage next(w->widget->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
            next.fill(qRgb(GetRValue(GetSysColor(COLOR_BTNFACE)), GetGValue(GetSysColor(COLOR_BTNFACE)),
                           GetBValue(GetSysColor(COLOR_BTNFACE))));
            if (!f.isNull()) {
                QPainter p(&next);
                p.drawImage(0, 0, f);
            }
            f = next;
        }
        return &f;
    }
    void changed(const QRect& rect) override {
        if (Window* w = find(wnd_); w && w->widget) w->widget->update(rect);
    }

private:
    HWND wnd_;
};

void applyMargins(Window& w) {
    PaintExtras& x = paintExtras(w);
    QWidget* wid = w.widget;
    const QRect g = wid->geometry();
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = toRECT(g);
    params.rgrc[1] = params.rgrc[0];
    params.rgrc[2] = params.rgrc[0];
    send(w.handle, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params), true);
    Window* again = find(w.handle);
    if (!again) return;
    const RECT& c = params.rgrc[0];
    x.margins = QMargins(std::max(0, static_cast<int>(c.left - g.left())), std::max(0, static_cast<int>(c.top - g.top())),
                         std::max(0, static_cast<int>(g.left() + g.width() - c.right)),
                         std::max(0, static_cast<int>(g.top() + g.height() - c.bottom)));
}

void paintNonClient(Window& w) {
    send(w.handle, WM_NCPAINT, 1, 0, true);
}

Qt::Edges edgesOf(int hit) {
    switch (hit) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

Qt::CursorShape cursorOf(int hit) {
    switch (hit) {
    case HTLEFT:
    case HTRIGHT: return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM: return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

QSize minimumTrackSize(Window& w) {
    MINMAXINFO mmi{};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMIN), GetSystemMetrics(SM_CYMIN)};
    mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    send(w.handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi), true);
    return QSize(std::max<LONG>(1, mmi.ptMinTrackSize.x), std::max<LONG>(1, mmi.ptMinTrackSize.y));
}

// A move or resize that follows the mouse, for window systems that do not do it.
void follow(Window& w, const QPoint& global) {
    PaintExtras& x = paintExtras(w);
    const QPoint d = global - x.dragStart;
    QRect g = x.dragGeometry;
    if (x.dragHit == HTCAPTION) {
        g.translate(d);
    } else {
        const Qt::Edges e = edgesOf(x.dragHit);
        const QSize min = minimumTrackSize(w);
        if (e & Qt::LeftEdge) g.setLeft(std::min(g.left() + d.x(), g.right() - min.width() + 1));
        if (e & Qt::RightEdge) g.setRight(std::max(g.right() + d.x(), g.left() + min.width() - 1));
        if (e & Qt::TopEdge) g.setTop(std::min(g.top() + d.y(), g.bottom() - min.height() + 1));
        if (e & Qt::BottomEdge) g.setBottom(std::max(g.bottom() + d.y(), g.top() + min.height() - 1));
    }
    w.widget->setGeometry(g);
    if (Window* again = find(w.handle)) notifyGeometry(*again);
}

LPARAM screenPoint(const QPoint& p) { return MAKELPARAM(static_cast<WORD>(p.x()), static_cast<WORD>(p.y())); }

}  // namespace

bool ownFrame(const Window& w) { return w.extras && w.extras->ownFrame; }

QMargins frameMarginsOf(const Window& w) { return ownFrame(w) ? w.extras->margins : QMargins(); }

HDC frameDC(Window& w, HRGN clip, DWORD flags) {
    if (!ownFrame(w) || !w.widget) return nullptr;
    HDC dc = gdi::createDC(std::make_shared<FrameDevice>(w.handle), w.handle);
    gdi::DC* d = gdi::findDC(dc);
    if (!d) return nullptr;
    d->fromGetDC = true;
    if (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) {
        auto* r = gdi::find<gdi::Region>(clip, OBJ_REGION);
        const QRegion region = r ? r->region.translated(-w.widget->mapToGlobal(QPoint(0, 0))) : QRegion();
        QRegion area(windowArea(w));
        if (flags & DCX_INTERSECTRGN) area &= region;
        else area -= region;
        d->baseClip = area;
    }
    return dc;
}

void paintFrame(Window& w, QPainter& p, const QRegion& region) {
    PaintExtras* x = extrasOf(w);
    if (!x) return;
    if (x->frame.size() != w.widget->size()) paintNonClient(w);
    const QRect client = windowArea(w).marginsRemoved(x->margins);
    p.save();
    p.setClipRegion(region - QRegion(client));
    if (!x->frame.isNull()) p.drawImage(0, 0, x->frame);
    p.restore();
}

bool frameEvent(Window& w, QEvent* e) {
    PaintExtras* x = extrasOf(w);
    if (!x || !x->ownFrame) return false;
    const QEvent::Type t = e->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonRelease && t != QEvent::MouseMove &&
        t != QEvent::MouseButtonDblClick)
        return false;
    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint global = me->globalPosition().toPoint();
    if (x->dragHit) {
        if (t == QEvent::MouseMove) follow(w, global);
        else if (t == QEvent::MouseButtonRelease) {
            x->dragHit = 0;
            w.widget->releaseMouse();
        }
        return true;
    }
    const QPoint local = me->position().toPoint();
    const QRect client = windowArea(w).marginsRemoved(x->margins);
    if (client.contains(local) && !x->pressedHit) return false;
    const HWND h = w.handle;
    const int hit = static_cast<int>(send(h, WM_NCHITTEST, 0, screenPoint(global), true));
    if (!find(h)) return true;
    const WPARAM code = static_cast<WPARAM>(hit);
    switch (t) {
    case QEvent::MouseMove:
        if (Window* again = find(h); again && again->widget) again->widget->setCursor(cursorOf(hit));
        send(h, WM_NCMOUSEMOVE, code, screenPoint(global), true);
        break;
    case QEvent::MouseButtonPress:
        send(h, me->button() == Qt::RightButton ? WM_NCRBUTTONDOWN : WM_NCLBUTTONDOWN, code, screenPoint(global), true);
        break;
    case QEvent::MouseButtonDblClick:
        send(h, me->button() == Qt::RightButton ? WM_NCRBUTTONDBLCLK : WM_NCLBUTTONDBLCLK, code, screenPoint(global),
             true);
        break;
    default:
        send(h, me->button() == Qt::RightButton ? WM_NCRBUTTONUP : WM_NCLBUTTONUP, code, screenPoint(global), true);
        break;
    }
    return true;
}

bool frameDefault(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    const HWND h = w.handle;
    switch (msg) {
    case WM_NCCALCSIZE: {
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        if (!r || w.parent) return true;
        const int f = frameWidth(w);
        r->left += f;
        r->right -= f;
        r->bottom -= f;
        r->top += f + captionHeightOf(w);
        return true;
    }
    case WM_NCPAINT: {
        if (w.parent || !w.widget) return true;
        // A window that is asked to paint its frame gets one of its own.
        if (!ownFrame(w)) {
            if ((w.style & WS_CAPTION) != WS_CAPTION) return true;
            platform::setOwnFrame(h, true);
            return true;  // setOwnFrame painted it
        }
        HRGN region = wParam > 1 ? reinterpret_cast<HRGN>(wParam) : nullptr;
        HDC dc = GetDCEx(h, region, DCX_WINDOW | (region ? DCX_INTERSECTRGN : 0));
        if (!dc) return true;
        Window* again = find(h);
        if (!again) return true;
        const bool active = again->extras->frameActive;
        const QRect all = windowArea(*again);
        RECT r = toRECT(all);
        // Frame: a raised edge around the border colour.
        const int f = frameWidth(*again);
        if (f > 0) {
            HBRUSH border = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
            const QRect client = all.marginsRemoved(again->extras->margins);
            for (const QRect& part : QRegion(all) - QRegion(client)) {
                const RECT pr = toRECT(part);
                FillRect(dc, &pr, border);
            }
            DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        }
        const QRect cap = captionArea(*again);
        if (!cap.isEmpty()) {
            BOOL gradient = FALSE;
            SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
            const COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
            const COLORREF to = gradient ? GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION) : from;
            if (gdi::DC* d = gdi::findDC(dc)) {
                gdi::Paint p(*d, false, cap);
                if (p.active()) {
                    QLinearGradient g(cap.topLeft(), cap.topRight());
                    g.setColorAt(0, gdi::qcolour(from));
                    g.setColorAt(1, gdi::qcolour(to));
                    p.painter().fillRect(cap, g);
                    p.touched(cap);
                }
            }
            // Icon place, title and buttons.
            const int iconSize = GetSystemMetrics(SM_CXSMICON);
            int textLeft = cap.left() + 4;
            if (again->style & WS_SYSMENU) {
                const QRect icon(cap.left() + 2, cap.top() + (cap.height() - iconSize) / 2, iconSize, iconSize);
                RECT ir = toRECT(icon);
                DrawFrameControl(dc, &ir, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
                textLeft = icon.right() + 5;
            }
            const Buttons b = buttonsOf(*again);
            const int textRight = (b.min.isValid()    ? b.min.left()
                                   : b.help.isValid() ? b.help.left()
                                   : b.close.isValid() ? b.close.left()
                                                       : cap.right()) -
                                  2;
            NONCLIENTMETRICSW m{};
            m.cbSize = sizeof m;
            SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
            HFONT font = CreateFontIndirectW(isTool(*again) ? &m.lfSmCaptionFont : &m.lfCaptionFont);
            HGDIOBJ oldFont = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
            const std::u16string title = again->control ? again->control->text() : again->text;
            RECT tr{textLeft, cap.top(), textRight, cap.top() + cap.height()};
            DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &tr,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, oldFont);
            DeleteObject(font);
            const UINT pushed = DFCS_PUSHED;
            if (b.close.isValid()) {
                RECT br = toRECT(b.close);
                DrawFrameControl(dc, &br, DFC_CAPTION, DFCS_CAPTIONCLOSE | (again->extras->pressedHit == HTCLOSE ? pushed : 0));
            }
            if (b.help.isValid()) {
                RECT br = toRECT(b.help);
                DrawFrameControl(dc, &br, DFC_CAPTION, DFCS_CAPTIONHELP | (again->extras->pressedHit == HTHELP ? pushed : 0));
            }
            if (b.max.isValid()) {
                RECT br = toRECT(b.max);
                DrawFrameControl(dc, &br, DFC_CAPTION,
                                 (IsZoomed(h) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) |
                                     (again->style & WS_MAXIMIZEBOX ? 0 : DFCS_INACTIVE) |
                                     (again->extras->pressedHit == HTMAXBUTTON ? pushed : 0));
                RECT mr = toRECT(b.min);
                DrawFrameControl(dc, &mr, DFC_CAPTION,
                                 DFCS_CAPTIONMIN | (again->style & WS_MINIMIZEBOX ? 0 : DFCS_INACTIVE) |
                                     (again->extras->pressedHit == HTMINBUTTON ? pushed : 0));
            }
        }
        ReleaseDC(h, dc);
        return true;
    }
    case WM_NCACTIVATE:
        if (ownFrame(w)) {
            w.extras->frameActive = wParam != FALSE;
            paintNonClient(w);
        }
        result = TRUE;
        return true;
    case WM_NCHITTEST: {
        if (w.parent || !ownFrame(w)) {
            result = HTCLIENT;
            return true;
        }
        const QPoint p = w.widget->mapFromGlobal(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        const QRect all = windowArea(w);
        if (!all.contains(p)) {
            result = HTNOWHERE;
            return true;
        }
        const QRect client = all.marginsRemoved(w.extras->margins);
        if (client.contains(p)) {
            result = HTCLIENT;
            return true;
        }
        const int f = frameWidth(w);
        if ((w.style & WS_THICKFRAME) && !IsZoomed(w.handle)) {
            const int corner = f + GetSystemMetrics(SM_CYCAPTION) / 2;
            const bool left = p.x() < f, right = p.x() > all.right() - f, top = p.y() < f, bottom = p.y() > all.bottom() - f;
            const bool nearLeft = p.x() < corner, nearRight = p.x() > all.right() - corner;
            const bool nearTop = p.y() < corner, nearBottom = p.y() > all.bottom() - corner;
            if ((top && nearLeft) || (left && nearTop)) result = HTTOPLEFT;
            else if ((top && nearRight) || (right && nearTop)) result = HTTOPRIGHT;
            else if ((bottom && nearLeft) || (left && nearBottom)) result = HTBOTTOMLEFT;
            else if ((bottom && nearRight) || (right && nearBottom)) result = HTBOTTOMRIGHT;
            else if (left) result = HTLEFT;
            else if (right) result = HTRIGHT;
            else if (top) result = HTTOP;
            else if (bottom) result = HTBOTTOM;
            if (result) return true;
        }
        const QRect cap = captionArea(w);
        if (cap.contains(p)) {
            const Buttons b = buttonsOf(w);
            if (b.close.contains(p)) result = HTCLOSE;
            else if (b.max.contains(p)) result = HTMAXBUTTON;
            else if (b.min.contains(p)) result = HTMINBUTTON;
            else if (b.help.contains(p)) result = HTHELP;
            else if ((w.style & WS_SYSMENU) && p.x() < cap.left() + GetSystemMetrics(SM_CXSMICON) + 4) result = HTSYSMENU;
            else result = HTCAPTION;
            return true;
        }
        result = HTBORDER;
        return true;
    }
    case WM_NCLBUTTONDOWN: {
        if (!ownFrame(w)) return true;
        const int hit = static_cast<int>(wParam);
        if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTHELP) {
            w.extras->pressedHit = hit;
            w.widget->grabMouse();
            paintNonClient(w);
            return true;
        }
        const Qt::Edges edges = edgesOf(hit);
        if (hit != HTCAPTION && !edges) return true;
        QWindow* window = w.widget->windowHandle();
        const bool system = window && (hit == HTCAPTION ? window->startSystemMove() : window->startSystemResize(edges));
        if (!system) {
            PaintExtras& x = *w.extras;
            x.dragHit = hit;
            x.dragStart = QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            x.dragGeometry = w.widget->geometry();
            w.widget->grabMouse();
        }
        return true;
    }
    case WM_NCLBUTTONUP: {
        if (!ownFrame(w)) return true;
        const int pressed = w.extras->pressedHit;
        if (!pressed) return true;
        w.extras->pressedHit = 0;
        w.widget->releaseMouse();
        paintNonClient(w);
        if (static_cast<int>(wParam) == pressed) {
            const WPARAM command = pressed == HTHELP        ? SC_CONTEXTHELP
                                   : pressed == HTCLOSE     ? SC_CLOSE
                                   : pressed == HTMINBUTTON ? SC_MINIMIZE
                                   : IsZoomed(h)            ? SC_RESTORE
                                                            : SC_MAXIMIZE;
            send(h, WM_SYSCOMMAND, command, lParam, true);
        }
        return true;
    }
    case WM_NCLBUTTONDBLCLK:
        if (ownFrame(w) && wParam == HTCAPTION && (w.style & WS_MAXIMIZEBOX))
            send(h, WM_SYSCOMMAND, IsZoomed(h) ? SC_RESTORE : SC_MAXIMIZE, lParam, true);
        return true;
    case WM_NCMOUSEMOVE:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK: return true;
    default: return false;
    }
}

}  // namespace platform::win

namespace platform {

void setOwnFrame(HWND wnd, bool own) {
    using namespace platform::win;
    Window* w = find(wnd);
    if (!w || w->parent || !w->widget || ownFrame(*w) == own) return;
    QWidget* wid = w->widget;
    const QRect outer = wid->geometry();
    const bool visible = !wid->isHidden();
    PaintExtras& x = paintExtras(*w);
    x.ownFrame = own;
    if (own) {
        wid->setWindowFlag(Qt::FramelessWindowHint, true);
        wid->setGeometry(outer);
        applyMargins(*w);
    } else {
        x.margins = QMargins();
        x.frame = QImage();
        wid->setWindowFlag(Qt::FramelessWindowHint, false);
    }
    if (visible) wid->show();
    if (Window* again = find(wnd)) {
        again->notifiedValid = false;
        notifyGeometry(*again);
        resizeSurface(*again);
        scheduleRepaint(*again, QRect(QPoint(0, 0), clientSize(*again)));
        if (own) send(wnd, WM_NCPAINT, 1, 0, true);
        if (Window* last = find(wnd); last && last->widget) last->widget->update();
    }
}

void setDesktopTitle(HWND wnd, const std::u16string& title) {
    platform::win::Window* w = platform::win::find(wnd);
    if (w && !w->parent && w->widget) w->widget->setWindowTitle(QString::fromStdU16String(title));
}

bool ownFrame(HWND wnd) {
    platform::win::Window* w = platform::win::find(wnd);
    return w && platform::win::ownFrame(*w);
}

}  // namespace platform
