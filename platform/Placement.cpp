// Window placement: the normal (restored) rectangle, the show state and the kept positions.
#include "WindowImpl.h"
#include "platform/winpaint.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <climits>

using namespace platform::win;

namespace {

// The window system's frame around a top-level widget (none for frames of our own).
QMargins frameMargins(const Window& w) {
    if (ownFrame(w)) return QMargins();
    QWidget* wid = w.widget;
    if (!wid->isVisible()) {
        // Before the window is mapped only its native window knows the frame it will get.
        wid->winId();
        if (const QWindow* h = wid->windowHandle()) return h->frameMargins();
    }
    const QRect f = wid->frameGeometry(), g = wid->geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

QRect rectOf(const RECT& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }
RECT toRECT(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// A rectangle that lies on no screen moves onto the nearest screen's work area, shrunk to
// it when larger.
QRect onScreen(const QRect& r) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return r;
    for (QScreen* s : screens)
        if (s->geometry().intersects(r)) return r;
    QScreen* nearest = screens.front();
    long long best = LLONG_MAX;
    for (QScreen* s : screens) {
        const QPoint d = s->geometry().center() - r.center();
        const long long dist = 1LL * d.x() * d.x() + 1LL * d.y() * d.y();
        if (dist < best) {
            best = dist;
            nearest = s;
        }
    }
    const QRect area = nearest->availableGeometry();
    QRect out(r.topLeft(), r.size().boundedTo(area.size()));
    out.moveLeft(std::clamp(out.left(), area.left(), area.right() - out.width() + 1));
    out.moveTop(std::clamp(out.top(), area.top(), area.bottom() - out.height() + 1));
    return out;
}

}  // namespace

BOOL GetWindowPlacement(HWND wnd, WINDOWPLACEMENT* p) {
    Window* w = find(wnd);
    if (!w || !w->widget || !p || p->length != sizeof(WINDOWPLACEMENT)) return FALSE;
    QWidget* wid = w->widget;
    p->flags = w->placementFlags;
    p->showCmd = w->showState == SW_SHOWMAXIMIZED   ? SW_SHOWMAXIMIZED
                 : w->showState == SW_SHOWMINIMIZED ? SW_SHOWMINIMIZED
                                                    : SW_SHOWNORMAL;
    p->ptMinPosition = w->minPosition;
    p->ptMaxPosition = w->maxPosition;
    if (w->parent) {
        p->rcNormalPosition = toRECT(w->notified);
        return TRUE;
    }
    QRect normal = wid->geometry();
    if (w->showState != 0 && wid->normalGeometry().isValid() && !wid->normalGeometry().isEmpty())
        normal = wid->normalGeometry();
    p->rcNormalPosition = toRECT(normal.marginsAdded(frameMargins(*w)));
    return TRUE;
}

BOOL SetWindowPlacement(HWND wnd, const WINDOWPLACEMENT* p) {
    Window* w = find(wnd);
    if (!w || !w->widget || !p || p->length != sizeof(WINDOWPLACEMENT)) return FALSE;
    w->placementFlags = p->flags & (WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED);
    w->maxPosition = p->ptMaxPosition;
    if (p->flags & WPF_SETMINPOSITION) w->minPosition = p->ptMinPosition;
    const QRect wanted = rectOf(p->rcNormalPosition);
    if (w->parent) {
        SetWindowPos(wnd, nullptr, wanted.left(), wanted.top(), wanted.width(), wanted.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (!wanted.isEmpty()) {
        QWidget* wid = w->widget;
        const QRect frame = onScreen(wanted);
        const QRect client = frame.marginsRemoved(frameMargins(*w));
        // The normal rectangle of a maximized or minimized window is set in the normal state.
        const bool restoreFirst = w->showState != 0 && !wid->isHidden();
        if (restoreFirst) wid->showNormal();
        wid->setGeometry(client.isEmpty() ? frame : client);
        if (restoreFirst) {
            if (w->showState == SW_SHOWMAXIMIZED) wid->showMaximized();
            else wid->showMinimized();
        }
        if ((w = find(wnd))) notifyGeometry(*w);
    }
    if (!(w = find(wnd))) return FALSE;
    switch (p->showCmd) {
    case SW_HIDE: ShowWindow(wnd, SW_HIDE); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_SHOWMAXIMIZED: ShowWindow(wnd, static_cast<int>(p->showCmd)); break;
    default:
        ShowWindow(wnd, p->showCmd == SW_SHOWNA || p->showCmd == SW_SHOWNOACTIVATE ? SW_SHOWNA : SW_SHOWNORMAL);
        break;
    }
    return TRUE;
}
