// The Qt side of windows: the widget of plain windows with its retained surface, the bridge
// that turns Qt events into messages, and the default window procedure.
#include "WindowImpl.h"
#include "platform/codepage.h"
#include "surface.h"
#include "platform/gdi.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <map>

namespace platform::win {
namespace {

QHash<const QObject*, HWND>& widgetMap() {
    static auto* m = new QHash<const QObject*, HWND>;
    return *m;
}

// Set while a synthesized event is on its way to Qt's own handling.
int bypassDepth = 0;

class GenericWidget : public QWidget {
public:
    explicit GenericWidget(HWND h) : handle(h) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
    }
    HWND handle;

protected:
    void paintEvent(QPaintEvent* e) override {
        Window* w = platform::win::find(handle);
        if (!w) return;
        if (!w->invalid.isEmpty() && !w->inPaint && !w->redrawOff) deliverPaint(*w);
        w = platform::win::find(handle);
        if (!w) return;
        QPainter p(this);
        const QPoint off = clientOffset(*w);
        if (ownFrame(*w)) {
            paintFrame(*w, p, e->region());
        } else if (off.x() > 0) {
            // Border drawn as non-client area.
            const QRect r = rect();
            p.setPen(QColor(0x80, 0x80, 0x80));
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(QColor(0xFF, 0xFF, 0xFF));
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
            if (off.x() > 1) {
                const QRect i = r.adjusted(1, 1, -1, -1);
                p.setPen(QColor(0x40, 0x40, 0x40));
                p.drawLine(i.topLeft(), i.topRight());
                p.drawLine(i.topLeft(), i.bottomLeft());
                p.setPen(QColor(0xE3, 0xE3, 0xE3));
                p.drawLine(i.bottomLeft(), i.bottomRight());
                p.drawLine(i.topRight(), i.bottomRight());
            }
        }
        p.setClipRegion(e->region());
        p.drawImage(off, w->surface);
    }
};

WPARAM mouseKeys(Qt::MouseButtons b, Qt::KeyboardModifiers m) {
    WPARAM k = 0;
    if (b & Qt::LeftButton) k |= MK_LBUTTON;
    if (b & Qt::RightButton) k |= MK_RBUTTON;
    if (b & Qt::MiddleButton) k |= MK_MBUTTON;
    if (m & Qt::ShiftModifier) k |= MK_SHIFT;
    if (m & Qt::ControlModifier) k |= MK_CONTROL;
    return k;
}

LPARAM pointParam(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

UINT buttonMessage(QEvent::Type t, Qt::MouseButton b, bool dblClicks) {
    const int base = b == Qt::LeftButton ? WM_LBUTTONDOWN : b == Qt::RightButton ? WM_RBUTTONDOWN
                     : b == Qt::MiddleButton ? WM_MBUTTONDOWN : 0;
    if (!base) return 0;
    if (t == QEvent::MouseButtonRelease) return base + 1;
    if (t == QEvent::MouseButtonDblClick && dblClicks) return base + 2;
    return base;
}

bool hasDblClicks(const Window& w) {
    if (w.cls && (w.cls->style & CS_DBLCLKS)) return true;
    return w.control != nullptr;  // Qt controls see double clicks themselves
}

class EventBridge : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (bypassDepth > 0) return false;
        auto it = widgetMap().constFind(obj);
        if (it == widgetMap().constEnd()) return false;
        const HWND h = it.value();
        Window* w = find(h);
        if (!w || w->destroying) return false;
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            // The frame of a window with a frame of its own answers through WM_NCHITTEST.
            if (obj == w->widget && ownFrame(*w) && frameEvent(*w, e)) {
                e->accept();
                return true;
            }
            return finish(obj, e, !mouse(h, static_cast<QWidget*>(obj), static_cast<QMouseEvent*>(e)));
        case QEvent::Wheel: return finish(obj, e, !wheel(h, static_cast<QWheelEvent*>(e)));
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return finish(obj, e, !key(h, static_cast<QKeyEvent*>(e)));
        case QEvent::FocusIn: setFocusWindow(h); return false;
        case QEvent::FocusOut: {
            const auto reason = static_cast<QFocusEvent*>(e)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) focusLost(h);
            return false;
        }
        case QEvent::Resize:
            if (obj == w->widget && ownFrame(*w)) send(h, WM_NCPAINT, 1, 0, true);
            if (Window* again = find(h); again && obj == again->widget) notifyGeometry(*again);
            return false;
        case QEvent::Move:
            if (obj == w->widget) notifyGeometry(*w);
            return false;
        case QEvent::Show:
            if (obj == w->widget && w->hasSurface) scheduleRepaint(*w, QRect(QPoint(0, 0), clientSize(*w)));
            return false;
        case QEvent::Close: {
            if (obj != w->widget) return false;
            e->ignore();
            send(h, WM_CLOSE, 0, 0, true);
            return true;
        }
        case QEvent::Leave:
            if (obj == w->widget) send(h, WM_MOUSELEAVE, 0, 0, true);
            return false;
        case QEvent::Paint:
            // A control's procedure handles WM_PAINT while Qt paints it: its own procedure
            // lets Qt paint the control, a replaced one may draw before and after that.
            if (obj == w->widget && w->control && !w->hasSurface && !w->inPaint)
                return paintControl(*w, w->widget, static_cast<QPaintEvent*>(e));
            return false;
        case QEvent::ContextMenu: {
            auto* ce = static_cast<QContextMenuEvent*>(e);
            QtEventScope scope(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h));
            send(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), pointParam(ce->globalPos().x(), ce->globalPos().y()),
                 true);
            if (!scope.ctx.reachedDefault) return true;
            if (Window* again = find(h); again && again->control &&
                                         again->control->ownContextMenu(POINT{ce->globalPos().x(), ce->globalPos().y()})) {
                e->accept();
                return true;
            }
            return false;
        }
        case QEvent::WindowActivate:
            // A disabled window (the owner of a modal dialog) does not become the active one.
            if (obj == w->widget && !w->parent && IsWindowEnabled(h)) {
                if (ownFrame(*w)) send(h, WM_NCACTIVATE, TRUE, 0, true);
                activatedByDesktop(h);
            }
            return false;
        case QEvent::WindowDeactivate:
            if (obj == w->widget && !w->parent && ownFrame(*w)) send(h, WM_NCACTIVATE, FALSE, 0, true);
            return false;
        default: return false;
        }
    }

private:
    // Input goes to one window only: Qt's own handling runs here, and the event does not
    // travel on to the parent widgets (whose windows would see it a second time).
    static bool finish(QObject* obj, QEvent* e, bool toQt) {
        if (toQt) {
            ++bypassDepth;
            // A scroll area handles its viewport's input itself (list views, text views),
            // through a filter on the viewport that this bridge runs before.
            auto* area = qobject_cast<QAbstractScrollArea*>(obj->parent());
            if (area && area->viewport() == obj) {
                struct Access : QAbstractScrollArea {
                    using QAbstractScrollArea::viewportEvent;
                };
                bool (QAbstractScrollArea::*viewportEvent)(QEvent*) = &Access::viewportEvent;
                (area->*viewportEvent)(e);
            } else {
                obj->event(e);
            }
            --bypassDepth;
        }
        e->accept();
        return true;
    }

    bool mouse(HWND h, QWidget* source, QMouseEvent* me) {
        Window* w = find(h);
        const QPoint local = source->mapTo(w->widget, me->position().toPoint()) - clientOffset(*w);
        const QPoint global = me->globalPosition().toPoint();
        noteMouse(global, me->buttons(), me->modifiers());
        UINT msg = WM_MOUSEMOVE;
        if (me->type() != QEvent::MouseMove) {
            msg = buttonMessage(me->type(), me->button(), hasDblClicks(*w));
            if (!msg) return false;
        } else {
            // The cursor is chosen before each move.
            applyCursor(h);
            send(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), true);
            if (!find(h)) return true;
        }
        // Mouse messages go to the capturing window.
        HWND target = h;
        QPoint pos = local;
        if (HWND cap = GetCapture(); cap && cap != h && find(cap)) {
            POINT p{global.x(), global.y()};
            ScreenToClient(cap, &p);
            target = cap;
            pos = QPoint(p.x, p.y);
        }
        MSG m{target, msg, mouseKeys(me->buttons(), me->modifiers()), pointParam(pos.x(), pos.y()), messageTime(),
              POINT{global.x(), global.y()}};
        if (runMouseHooks(m)) return true;
        QtEventScope scope(target, msg, m.wParam);
        deliverInput(m);
        return !(scope.ctx.reachedDefault && target == h);
    }

    bool wheel(HWND h, QWheelEvent* we) {
        const QPoint global = we->globalPosition().toPoint();
        const int delta = we->angleDelta().y() ? we->angleDelta().y() : we->angleDelta().x();
        const WPARAM wp = MAKEWPARAM(static_cast<WORD>(mouseKeys(we->buttons(), we->modifiers())),
                                     static_cast<WORD>(static_cast<SHORT>(delta)));
        HWND target = GetFocus() ? GetFocus() : h;
        MSG m{target, WM_MOUSEWHEEL, wp, pointParam(global.x(), global.y()), messageTime(), POINT{global.x(), global.y()}};
        if (runMouseHooks(m)) return true;
        QtEventScope scope(target, WM_MOUSEWHEEL, wp);
        deliverInput(m);
        return !(scope.ctx.reachedDefault && target == h);
    }

    bool key(HWND h, QKeyEvent* ke) {
        const bool down = ke->type() == QEvent::KeyPress;
        const int vk = virtualKeyFromQt(ke->key());
        noteKey(vk, down, ke->modifiers());
        const bool sys = (ke->modifiers() & Qt::AltModifier) && !(ke->modifiers() & Qt::ControlModifier);
        const UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
        LPARAM lp = 1 | (static_cast<LPARAM>(ke->nativeScanCode() & 0xFF) << 16);
        if (!down) lp |= (static_cast<LPARAM>(3) << 30);
        else if (ke->isAutoRepeat()) lp |= (static_cast<LPARAM>(1) << 30);
        if (sys) lp |= (static_cast<LPARAM>(1) << 29);
        const POINT pt{0, 0};
        bool keyDefault = vk == 0;
        bool consumed = false;
        if (vk) {
            MSG m{h, msg, static_cast<WPARAM>(vk), lp, messageTime(), pt};
            if (runKeyboardHooks(m)) return true;
            QtEventScope scope(h, msg, m.wParam);
            consumed = !deliverInput(m);
            keyDefault = scope.ctx.reachedDefault;
        }
        // Keys that reach Qt: a control may carry some out itself, through its messages.
        const auto toQt = [&] {
            Window* w = find(h);
            return !(w && w->control && w->control->ownKey(ke));
        };
        if (!down) return !keyDefault;
        std::u16string chars;
        for (QChar c : ke->text())
            if (c.unicode() != 0x7F) chars.push_back(c.unicode());
        if (chars.empty()) return !(keyDefault && toQt());
        std::u16string reached;
        if (!consumed) {
            const UINT cmsg = sys ? WM_SYSCHAR : WM_CHAR;
            for (char16_t c : chars) {
                if (!find(h)) return true;
                MSG m{h, cmsg, c, lp, messageTime(), pt};
                QtEventScope scope(h, cmsg, c);
                deliverInput(m);
                reached += scope.ctx.chars;
            }
        }
        if (keyDefault && reached == chars) return !toQt();
        Window* w = find(h);
        if (w && w->control)
            for (char16_t c : reached) w->control->typeChar(c);
        return true;
    }
};

EventBridge* bridge() {
    static auto* b = new EventBridge;
    return b;
}

// Surfaces for the graphics layer.
QImage* surfaceOf(HWND wnd) {
    Window* w = find(wnd);
    if (!w) return nullptr;
    return w->hasSurface ? &w->surface : controlLayer(*w);
}

void surfaceChanged(HWND wnd, const QRect& rect) {
    Window* w = find(wnd);
    if (!w || !w->widget) return;
    if (!w->hasSurface) controlLayerChanged(*w, rect);
    else if (!w->redrawOff) w->widget->update(rect.translated(clientOffset(*w)));
}

}  // namespace

void watchWidget(HWND wnd, QWidget* widget) {
    widgetMap().insert(widget, wnd);
    widget->installEventFilter(bridge());
    QObject::connect(widget, &QObject::destroyed, [widget] { widgetMap().remove(widget); });
}

void attachWidget(Window& w, QWidget* widget) {
    static bool hooksSet = false;
    if (!hooksSet) {
        hooksSet = true;
        WindowSurfaceHooks hooks;
        hooks.surface = &surfaceOf;
        hooks.changed = &surfaceChanged;
        addPaintHooks(hooks);
        setWindowSurfaceHooks(hooks);
    }
    w.widget = widget;
    if (Window* pw = find(w.parent); pw && pw->widget) widget->setParent(pw->widget);
    else if (Window* ow = find(w.owner); ow && ow->widget) widget->setParent(ow->widget, Qt::Window);
    widget->hide();
    watchWidget(w.handle, widget);
    if (w.control)
        for (QWidget* extra : w.control->eventWidgets()) watchWidget(w.handle, extra);
}

QWidget* createGenericWidget(Window& w) {
    auto* wid = new GenericWidget(w.handle);
    w.hasSurface = true;
    attachWidget(w, wid);
    return wid;
}

void applyWindowFlags(Window& w) {
    QWidget* wid = w.widget;
    if (!wid) return;
    if (w.parent) return;
    Qt::WindowFlags f = Qt::Window;
    if (w.exStyle & WS_EX_TOOLWINDOW) f = Qt::Tool;
    if (((w.style & WS_POPUP) && (w.style & WS_CAPTION) != WS_CAPTION) || ownFrame(w)) f |= Qt::FramelessWindowHint;
    if (w.exStyle & WS_EX_TOPMOST) f |= Qt::WindowStaysOnTopHint;
    if (f != wid->windowFlags()) {
        const bool vis = !wid->isHidden();
        wid->setWindowFlags(f);
        if (vis) wid->show();
    }
    wid->setWindowTitle(toQt(w.control ? w.control->text() : w.text));
}

void resizeSurface(Window& w) {
    if (!w.hasSurface) return;
    const QSize s = clientSize(w).expandedTo(QSize(0, 0));
    const QSize old = w.surface.size();
    if (s == old) return;
    QImage next(s.isEmpty() ? QSize(0, 0) : s, QImage::Format_RGB32);
    if (!next.isNull()) {
        next.fill(QColor(0xFF, 0xFF, 0xFF));
        if (!w.surface.isNull()) {
            QPainter p(&next);
            p.drawImage(0, 0, w.surface);
        }
    }
    w.surface = next;
    // The uncovered parts, or all of it for classes that redraw on resizing.
    QRegion fresh(QRect(QPoint(0, 0), s));
    const UINT cs = w.cls ? w.cls->style : 0;
    if (!(cs & (CS_HREDRAW | CS_VREDRAW))) fresh -= QRegion(QRect(QPoint(0, 0), old));
    scheduleRepaint(w, fresh);
    w.erasePending = true;
}

void scheduleRepaint(Window& w, const QRegion& region) {
    if (!w.hasSurface || region.isEmpty()) return;
    w.invalid += region & QRect(QPoint(0, 0), clientSize(w));
    if (w.widget && !w.redrawOff) w.widget->update(region.translated(clientOffset(w)));
}

InputBypassPause::InputBypassPause() : saved_(bypassDepth) { bypassDepth = 0; }

InputBypassPause::~InputBypassPause() { bypassDepth = saved_; }

void deliverPaint(Window& w) {
    const HWND h = w.handle;
    w.inPaint = true;
    send(h, WM_PAINT, 0, 0, true);
    if (Window* again = find(h)) {
        again->inPaint = false;
        again->invalid = QRegion();
    }
}

void forwardToQt(Window& w, UINT msg, WPARAM wParam, LPARAM lParam) {
    QWidget* wid = w.widget;
    if (!wid || !w.control) return;
    ++bypassDepth;
    if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) {
        const int qk = qtKeyFromVirtualKey(static_cast<int>(wParam));
        Qt::KeyboardModifiers mods;
        if (GetKeyState(VK_SHIFT) < 0) mods |= Qt::ShiftModifier;
        if (GetKeyState(VK_CONTROL) < 0) mods |= Qt::ControlModifier;
        if (qk) {
            QKeyEvent ke(msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN ? QEvent::KeyPress : QEvent::KeyRelease, qk, mods);
            QWidget* target = wid->focusProxy() ? wid->focusProxy() : wid;
            QCoreApplication::sendEvent(target, &ke);
        }
    } else if (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK) {
        const QPoint local = QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) + clientOffset(w);
        QEvent::Type t = QEvent::MouseMove;
        Qt::MouseButton b = Qt::NoButton;
        if (msg != WM_MOUSEMOVE) {
            const UINT rel = (msg - WM_LBUTTONDOWN) % 3;
            t = rel == 0 ? QEvent::MouseButtonPress : rel == 1 ? QEvent::MouseButtonRelease : QEvent::MouseButtonDblClick;
            const UINT which = (msg - WM_LBUTTONDOWN) / 3;
            b = which == 0 ? Qt::LeftButton : which == 1 ? Qt::RightButton : Qt::MiddleButton;
        }
        Qt::MouseButtons bs;
        if (wParam & MK_LBUTTON) bs |= Qt::LeftButton;
        if (wParam & MK_RBUTTON) bs |= Qt::RightButton;
        if (wParam & MK_MBUTTON) bs |= Qt::MiddleButton;
        QMouseEvent me(t, QPointF(local), QPointF(wid->mapToGlobal(local)), b, bs, Qt::NoModifier);
        QWidget* target = wid->childAt(local) ? wid->childAt(local) : wid;
        QMouseEvent mapped(t, QPointF(target->mapFrom(wid, local)), QPointF(wid->mapToGlobal(local)), b, bs,
                           Qt::NoModifier);
        QCoreApplication::sendEvent(target, &mapped);
    }
    --bypassDepth;
}

void forwardCharToQt(Window& w, char16_t c) {
    QWidget* wid = w.widget;
    if (!wid) return;
    // A character outside the basic plane comes as two units: the first waits for the
    // second, and Qt gets the pair as one character.
    static std::map<HWND, char16_t> highs;
    QString text(QChar(static_cast<char16_t>(c)));
    if (QChar::isHighSurrogate(c)) {
        highs[w.handle] = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        auto it = highs.find(w.handle);
        if (it == highs.end()) return;
        text.prepend(QChar(it->second));
        highs.erase(it);
    }
    ++bypassDepth;
    QWidget* target = wid->focusProxy() ? wid->focusProxy() : wid;
    int key = 0;
    if (c == 8) key = Qt::Key_Backspace;
    else if (c == 13) key = Qt::Key_Return;
    else if (c == 27) key = Qt::Key_Escape;
    else if (c == 9) key = Qt::Key_Tab;
    else if (c >= u'a' && c <= u'z') key = Qt::Key_A + (c - u'a');
    else if (c >= 0x20 && c < 0x7F) key = QChar(c).toUpper().unicode();
    Qt::KeyboardModifiers mods;
    if (c >= 1 && c <= 26 && c != 8 && c != 9 && c != 13) {
        key = Qt::Key_A + (c - 1);
        mods = Qt::ControlModifier;
    }
    QKeyEvent ke(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(target, &ke);
    --bypassDepth;
}

namespace {

HBRUSH classBrush(const Window& w) { return w.cls ? w.cls->background : nullptr; }

}  // namespace

LRESULT defaultProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode) {
    return defaultProc(wnd, msg, wParam, lParam, unicode, true);
}

LRESULT defaultProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode, bool askControl) {
    Window* w = find(wnd);
    if (!w) return 0;
    if (QtEventContext* ctx = currentQtEvent(wnd, msg, wParam)) {
        switch (msg) {
        case WM_CHAR:
        case WM_SYSCHAR: {
            std::u16string c;
            if (unicode) c = std::u16string(1, static_cast<char16_t>(wParam & 0xFFFF));
            else if (!collectAnsiChar(wnd, 1, static_cast<unsigned char>(wParam & 0xFF), c)) return 0;
            ctx->chars += c;
            ctx->reachedDefault = true;
            return 0;
        }
        case WM_SETCURSOR: break;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_KEYDOWN:
        case WM_KEYUP:
        default:
            if ((msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
                msg == WM_CONTEXTMENU) {
                ctx->reachedDefault = true;
                return 0;
            }
            break;
        }
    }
    if (askControl && w->control) {
        LRESULT r = 0;
        if (w->control->message(msg, wParam, lParam, r)) return r;
        w = find(wnd);
        if (!w) return r;
    }
    if (LRESULT r = 0; frameDefault(*w, msg, wParam, lParam, r)) return r;
    switch (msg) {
    case WM_NCCREATE: {
        if (lParam) {
            if (unicode) {
                const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
                w->text = textArg(reinterpret_cast<LPARAM>(cs->lpszName), true);
            } else {
                const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
                w->text = textArg(reinterpret_cast<LPARAM>(cs->lpszName), false);
            }
        }
        return TRUE;
    }
    case WM_SETTEXT: {
        const std::u16string t = textArg(lParam, unicode);
        if (w->control) w->control->setText(t);
        else w->text = t;
        if (!w->parent && w->widget) w->widget->setWindowTitle(toQt(t));
        return TRUE;
    }
    case WM_GETTEXT: return copyOut(w->control ? w->control->text() : w->text, lParam, wParam, unicode);
    case WM_GETTEXTLENGTH: return textLength(w->control ? w->control->text() : w->text, unicode);
    case WM_CLOSE: DestroyWindow(wnd); return 0;
    case WM_SETREDRAW:
        // Painting stops until it is turned on again (which repaints what became invalid).
        w->redrawOff = wParam == FALSE;
        if (w->widget) w->widget->setUpdatesEnabled(wParam != FALSE);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: send(wnd, WM_CLOSE, 0, 0, true); return 0;
        case SC_MINIMIZE: ShowWindow(wnd, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(wnd, SW_SHOWMAXIMIZED); return 0;
        case SC_RESTORE: ShowWindow(wnd, SW_RESTORE); return 0;
        default: return 0;
        }
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        BeginPaint(wnd, &ps);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        // The class background fills the area to paint.
        const HBRUSH b = classBrush(*w);
        const HDC dc = reinterpret_cast<HDC>(wParam);
        if (!b || !dc || !w->hasSurface) return 0;
        RECT r;
        GetClientRect(wnd, &r);
        FillRect(dc, &r, b);
        return 1;
    }
    case WM_WINDOWPOSCHANGED: {
        const auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!wp) return 0;
        if (!(wp->flags & SWP_NOMOVE)) {
            POINT p{0, 0};
            ClientToScreen(wnd, &p);
            if (w->parent) ScreenToClient(w->parent, &p);
            send(wnd, WM_MOVE, 0, pointParam(p.x, p.y), true);
        }
        if (!(wp->flags & SWP_NOSIZE) && find(wnd)) {
            const QSize s = clientSize(*find(wnd));
            const WPARAM kind = w->showState == SW_SHOWMAXIMIZED ? SIZE_MAXIMIZED
                                : w->showState == SW_SHOWMINIMIZED ? SIZE_MINIMIZED : SIZE_RESTORED;
            send(wnd, WM_SIZE, kind, pointParam(s.width(), s.height()), true);
        }
        return 0;
    }
    case WM_SETCURSOR: {
        const HWND over = reinterpret_cast<HWND>(wParam);
        if (w->parent && send(w->parent, WM_SETCURSOR, wParam, lParam, true)) return TRUE;
        if (LOWORD(static_cast<DWORD_PTR>(lParam)) == HTCLIENT && over == wnd) {
            if (Window* ow = find(over); ow && ow->cursor) SetCursor(ow->cursor);
            else if (!ow || !ow->control) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        }
        return FALSE;
    }
    case WM_MOUSEWHEEL: return w->parent ? send(w->parent, msg, wParam, lParam, true) : 0;
    case WM_CONTEXTMENU: return w->parent ? send(w->parent, msg, wParam, lParam, true) : 0;
    case WM_NOTIFYFORMAT: return w->unicode ? NFR_UNICODE : NFR_ANSI;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(GetSysColorBrush(msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX
                                                              ? COLOR_WINDOW
                                                              : COLOR_BTNFACE));
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && w->widget) {
            const HWND f = GetFocus();
            if (!f || (f != wnd && !IsChild(wnd, f))) SetFocus(wnd);
        }
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == wnd) ReleaseCapture();
        return 0;
    case WM_MOUSEACTIVATE: return 1;
    case WM_SHOWWINDOW:
    case WM_GETDLGCODE:
    default: break;
    }
    if (w->control && ((msg >= WM_KEYFIRST && msg <= WM_KEYLAST && msg != WM_CHAR) ||
                       (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK))) {
        forwardToQt(*w, msg, wParam, lParam);
        return 0;
    }
    if (w->control && (msg == WM_CHAR || msg == WM_SYSCHAR)) {
        std::u16string c;
        if (unicode) c = std::u16string(1, static_cast<char16_t>(wParam & 0xFFFF));
        else if (!collectAnsiChar(wnd, 1, static_cast<unsigned char>(wParam & 0xFF), c)) return 0;
        for (char16_t ch : c) w->control->typeChar(ch);
    }
    return 0;
}

}  // namespace platform::win

using namespace platform::win;

LRESULT DefWindowProcA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return defaultProc(wnd, msg, wParam, lParam, false);
}

LRESULT DefWindowProcW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return defaultProc(wnd, msg, wParam, lParam, true);
}

namespace platform {

HWND windowFromWidget(const QWidget* widget) {
    for (const QWidget* p = widget; p; p = p->parentWidget()) {
        auto it = widgetMap().constFind(p);
        if (it != widgetMap().constEnd()) return it.value();
    }
    return nullptr;
}

}  // namespace platform
