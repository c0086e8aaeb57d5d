// Window classes, the window table, creation, destruction, window longs, geometry and text.
#include "WindowImpl.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QScreen>
#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace platform::win {
namespace {

// Class names compare without regard to ASCII case.
std::u16string classKey(std::u16string name) {
    for (auto& c : name)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return name;
}

struct Table {
    std::recursive_mutex mutex;
    std::unordered_map<std::u16string, std::shared_ptr<ClassInfo>> classes;
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevels;  // creation order
    ATOM nextAtom = 0xC000;
    std::uintptr_t nextHandle = 0x10000;
};

Table& table() {
    static Table* t = new Table;
    return *t;
}

std::shared_ptr<ClassInfo> findClass(const std::u16string& name) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.classes.find(classKey(name));
    return it == t.classes.end() ? nullptr : it->second;
}

std::shared_ptr<ClassInfo> findClassAtom(ATOM atom) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    for (auto& [k, c] : t.classes)
        if (c->atom == atom) return c;
    return nullptr;
}

template <class Str>
std::shared_ptr<ClassInfo> classFromName(Str name, bool unicode) {
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) return findClassAtom(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name)));
    return findClass(textArg(reinterpret_cast<LPARAM>(name), unicode));
}

ATOM registerClass(std::shared_ptr<ClassInfo> c) {
    if (c->name.empty() || !c->proc) return 0;
    registerControlClasses();
    Table& t = table();
    std::lock_guard lock(t.mutex);
    const auto key = classKey(c->name);
    if (t.classes.count(key)) return 0;
    c->atom = t.nextAtom++;
    c->nameA = wideToAnsi(c->name);
    noteClassProcForm(c->proc, c->unicode);
    t.classes.emplace(key, c);
    return c->atom;
}

bool unregisterClass(const std::u16string& name) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.classes.erase(classKey(name)) > 0;
}

HWND allocateHandle() {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.nextHandle += 4;
    return reinterpret_cast<HWND>(t.nextHandle);
}

HWND createWindow(DWORD exStyle, const std::shared_ptr<ClassInfo>& cls, const std::u16string& title,
                  DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                  HINSTANCE instance, LPVOID param, bool unicodeCaller) {
    if (!cls) return nullptr;
    const bool messageOnly = parent == HWND_MESSAGE;
    if (messageOnly) parent = nullptr;
    if (isDesktop(parent)) parent = nullptr;
    if (parent && !find(parent)) return nullptr;
    if ((style & WS_CHILD) && !parent) return nullptr;

    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    w->handle = allocateHandle();
    w->cls = cls;
    w->proc = cls->proc;
    w->unicode = cls->unicode;
    w->procForms.emplace_back(w->proc, w->unicode);
    w->style = style;
    w->exStyle = exStyle;
    w->instance = instance;
    w->cursor = cls->cursor;
    if (style & WS_CHILD) {
        w->parent = parent;
        w->id = reinterpret_cast<LONG_PTR>(menu);
    } else if (parent) {
        // The owner of a top-level window is its top-level ancestor.
        HWND o = parent;
        while (Window* pw = find(o)) {
            if (!pw->parent) break;
            o = pw->parent;
        }
        w->owner = o;
    }
    {
        Table& t = table();
        std::lock_guard lock(t.mutex);
        t.windows.emplace(w->handle, std::move(owned));
        if (!w->parent) t.topLevels.push_back(w->handle);
    }
    if (Window* pw = find(w->parent)) pw->children.insert(pw->children.begin(), w->handle);
    const HWND h = w->handle;

    // Geometry before the procedure sees the window.
    if (x == CW_USEDEFAULT) x = y = 40;
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }
    w->notified = QRect(x, y, std::max(width, 0), std::max(height, 0));

    const std::string titleA = wideToAnsi(title);
    CREATESTRUCTW csw{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                      title.c_str(), cls->name.c_str(), exStyle};
    CREATESTRUCTA csa{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                      titleA.c_str(), cls->nameA.c_str(), exStyle};
    const LPARAM lp = unicodeCaller ? reinterpret_cast<LPARAM>(&csw) : reinterpret_cast<LPARAM>(&csa);

    if (!send(h, WM_NCCREATE, 0, lp, unicodeCaller)) {
        DestroyWindow(h);
        return nullptr;
    }
    w = find(h);
    if (!w) return nullptr;
    if (!w->widget) {
        createGenericWidget(*w);
        w->text = title;
    }
    applyWindowFlags(*w);
    if (w->style & WS_DISABLED) w->widget->setEnabled(false);
    w->notifiedValid = false;
    {
        // Place the widget without telling the procedure yet.
        QWidget* wid = w->widget;
        if (w->parent) {
            const QPoint off = clientOffset(*find(w->parent));
            wid->setGeometry(QRect(QPoint(x, y) + off, QSize(std::max(width, 0), std::max(height, 0))));
        } else {
            wid->move(x, y);
            wid->resize(std::max(width, 1), std::max(height, 1));
        }
        resizeSurface(*w);
    }
    if (send(h, WM_CREATE, 0, lp, unicodeCaller) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    w = find(h);
    if (!w) return nullptr;
    w->created = true;
    notifyGeometry(*w);
    if (messageOnly) w->style &= ~WS_VISIBLE;
    if (w->style & WS_VISIBLE) {
        w->style &= ~WS_VISIBLE;
        ShowWindow(h, (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOW);
    }
    if (w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
        sendToParent(h, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(w->id)),
                     reinterpret_cast<LPARAM>(h));
    return h;
}

void eraseWindow(HWND h) {
    Table& t = table();
    std::unique_ptr<Window> gone;
    {
        std::lock_guard lock(t.mutex);
        auto it = t.windows.find(h);
        if (it == t.windows.end()) return;
        gone = std::move(it->second);
        t.windows.erase(it);
        t.topLevels.erase(std::remove(t.topLevels.begin(), t.topLevels.end(), h), t.topLevels.end());
    }
    if (Window* pw = find(gone->parent))
        pw->children.erase(std::remove(pw->children.begin(), pw->children.end(), h), pw->children.end());
    if (QWidget* wid = gone->widget) {
        wid->hide();
        wid->deleteLater();
    }
}

void destroyTree(HWND h) {
    Window* w = find(h);
    if (!w || w->destroying) return;
    w->destroying = true;
    // Owned top-level windows go first.
    for (HWND o : topLevelWindows())
        if (Window* ow = find(o); ow && ow->owner == h) destroyTree(o);
    w = find(h);
    if (!w) return;
    if (w->widget && w->widget->isVisible()) {
        w->widget->hide();
    }
    if (GetCapture() == h) ReleaseCapture();
    send(h, WM_DESTROY, 0, 0, true);
    w = find(h);
    if (!w) return;
    const std::vector<HWND> kids = w->children;
    for (HWND c : kids) destroyTree(c);
    forgetWindowTimers(h);
    forgetWindowInput(h);
    forgetWindowMenu(h);
    send(h, WM_NCDESTROY, 0, 0, true);
    eraseWindow(h);
}

LONG_PTR getLong(HWND wnd, int index, bool unicode) {
    Window* w = find(wnd);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->userData;
    case GWL_STYLE: {
        DWORD s = w->style & ~(WS_VISIBLE | WS_DISABLED);
        if (w->widget && !w->widget->isHidden()) s |= WS_VISIBLE;
        if (w->widget && !w->widget->isEnabled()) s |= WS_DISABLED;
        return static_cast<LONG_PTR>(static_cast<LONG>(s));
    }
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_ID: return w->id;
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    default: return 0;
    }
}

LONG_PTR setLong(HWND wnd, int index, LONG_PTR value, bool unicode) {
    Window* w = find(wnd);
    if (!w) return 0;
    LONG_PTR old = getLong(wnd, index, unicode);
    switch (index) {
    case GWLP_WNDPROC:
    {
        // The window takes the form of the call, except for a procedure of one form (a
        // predefined control's) and for one it had before (put back after subclassing),
        // which keep theirs.
        const auto proc = reinterpret_cast<WNDPROC>(value);
        bool form = unicode;
        if (!fixedProcForm(proc, form)) {
            bool had = false;
            for (const auto& [p, f] : w->procForms)
                if (p == proc) {
                    form = f;
                    had = true;
                }
            if (!had) w->procForms.emplace_back(proc, form);
        }
        w->proc = proc;
        w->unicode = form;
        break;
    }
    case GWLP_USERDATA: w->userData = value; break;
    case GWLP_ID: w->id = value; break;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
    case GWL_STYLE: {
        const DWORD s = static_cast<DWORD>(value);
        w->style = (s & ~(WS_VISIBLE | WS_DISABLED)) | (w->style & (WS_VISIBLE | WS_DISABLED));
        if (w->widget) {
            const bool vis = (s & WS_VISIBLE) != 0;
            if (vis != !w->widget->isHidden()) w->widget->setVisible(vis);
            w->widget->setEnabled(!(s & WS_DISABLED));
        }
        if (w->control) w->control->styleChanged();
        break;
    }
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); break;
    default: return 0;
    }
    return old;
}

}  // namespace

Window* find(HWND wnd) {
    if (!wnd) return nullptr;
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.windows.find(wnd);
    return it == t.windows.end() ? nullptr : it->second.get();
}

std::vector<HWND> topLevelWindows() {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.topLevels;
}

QPoint clientOffset(const Window& w) {
    if (!w.parent) {
        const QMargins m = frameMarginsOf(w);
        return {m.left(), m.top() + w.menuBarHeight};
    }
    int b = 0;
    if (w.exStyle & WS_EX_CLIENTEDGE) b += 2;
    if (w.exStyle & WS_EX_STATICEDGE) b += 1;
    if (w.style & WS_BORDER) b += 1;
    if (w.style & WS_DLGFRAME) b += 1;
    return {b, b};
}

QSize clientSize(const Window& w) {
    if (!w.widget) return {0, 0};
    if (!w.parent) {
        const QMargins m = frameMarginsOf(w);
        const QSize s = w.widget->size();
        return {std::max(0, s.width() - m.left() - m.right()),
                std::max(0, s.height() - m.top() - m.bottom() - w.menuBarHeight)};
    }
    const QPoint off = clientOffset(w);
    const QSize s = w.widget->size();
    return {std::max(0, s.width() - 2 * off.x()), std::max(0, s.height() - 2 * off.y())};
}

std::u16string fromQt(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

QString toQt(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

std::u16string textArg(LPARAM lParam, bool unicode) {
    if (!lParam) return {};
    if (unicode) return std::u16string(reinterpret_cast<LPCWSTR>(lParam));
    return ansiToWide(reinterpret_cast<LPCSTR>(lParam));
}

LRESULT copyOut(const std::u16string& text, LPARAM buffer, WPARAM size, bool unicode) {
    if (!buffer || size == 0) return 0;
    if (unicode) {
        const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
        auto* out = reinterpret_cast<LPWSTR>(buffer);
        std::copy_n(text.data(), n, out);
        out[n] = 0;
        return static_cast<LRESULT>(n);
    }
    const std::string a = wideToAnsi(text);
    const std::size_t n = std::min<std::size_t>(a.size(), size - 1);
    auto* out = reinterpret_cast<LPSTR>(buffer);
    std::copy_n(a.data(), n, out);
    out[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT textLength(const std::u16string& text, bool unicode) {
    return static_cast<LRESULT>(unicode ? text.size() : wideToAnsi(text).size());
}

QString mnemonicText(const std::u16string& s) {
    QString out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size()) ++i;
        out += QChar(s[i]);
    }
    return out;
}

QString hotKeyText(const std::u16string& t) {
    const std::size_t tab = t.find(u'\t');
    const std::size_t end = tab == std::u16string::npos ? t.size() : tab;
    std::size_t hot = std::u16string::npos;
    for (std::size_t i = 0; i + 1 < end; ++i) {
        if (t[i] != u'&') continue;
        if (t[i + 1] != u'&') hot = i;
        ++i;
    }
    std::u16string out;
    for (std::size_t i = 0; i < end; ++i) {
        if (t[i] != u'&') {
            out += t[i];
        } else if (i == hot) {
            out += u'&';
        } else {
            out += u"&&";
            if (i + 1 < end && t[i + 1] == u'&') ++i;
        }
    }
    out += t.substr(end);
    return toQt(out);
}

RECT toRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
QRect fromRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

void notifyGeometry(Window& w) {
    if (!w.widget || !w.created) return;
    QRect r;
    if (w.parent) {
        Window* pw = find(w.parent);
        r = w.widget->geometry().translated(pw ? -clientOffset(*pw) : QPoint());
    } else {
        r = w.widget->frameGeometry();
    }
    if (w.notifiedValid && r == w.notified) return;
    const bool moved = !w.notifiedValid || r.topLeft() != w.notified.topLeft();
    const bool sized = !w.notifiedValid || r.size() != w.notified.size();
    w.notified = r;
    w.notifiedValid = true;
    resizeSurface(w);
    const HWND h = w.handle;
    WINDOWPOS wp{h, nullptr, r.x(), r.y(), r.width(), r.height(),
                 static_cast<UINT>((moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE) | SWP_NOZORDER)};
    send(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp), true);
}

}  // namespace platform::win

using namespace platform::win;

namespace {

template <class WC>
std::shared_ptr<ClassInfo> classFrom(const WC* wc, bool unicode) {
    auto c = std::make_shared<ClassInfo>();
    c->name = textArg(reinterpret_cast<LPARAM>(wc->lpszClassName), unicode);
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->unicode = unicode;
    c->clsExtra = wc->cbClsExtra;
    c->wndExtra = wc->cbWndExtra;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    c->iconSmall = wc->hIconSm;
    return c;
}

template <class WC>
void fillClass(const ClassInfo& c, WC* wc) {
    wc->style = c.style;
    wc->cbClsExtra = c.clsExtra;
    wc->cbWndExtra = c.wndExtra;
    wc->hInstance = c.instance;
    wc->hIcon = c.icon;
    wc->hCursor = c.cursor;
    wc->hbrBackground = c.background;
    wc->lpszMenuName = nullptr;
    wc->hIconSm = c.iconSmall;
}

}  // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName)) return 0;
    return registerClass(classFrom(wc, false));
}

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName)) return 0;
    return registerClass(classFrom(wc, true));
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    auto c = classFromName(className, false);
    return c && unregisterClass(c->name) ? TRUE : FALSE;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    auto c = classFromName(className, true);
    return c && unregisterClass(c->name) ? TRUE : FALSE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, WNDCLASSEXA* wc) {
    registerControlClasses();
    auto c = classFromName(className, false);
    if (!c || !wc) return FALSE;
    fillClass(*c, wc);
    // A predefined control answers with the procedure of the asked form.
    WNDPROC ctl = controlProc(c->name, false);
    wc->lpfnWndProc = ctl ? ctl : c->proc;
    wc->lpszClassName = className;
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* wc) {
    registerControlClasses();
    auto c = classFromName(className, true);
    if (!c || !wc) return FALSE;
    fillClass(*c, wc);
    WNDPROC ctl = controlProc(c->name, true);
    wc->lpfnWndProc = ctl ? ctl : c->proc;
    wc->lpszClassName = className;
    return TRUE;
}

int GetClassNameA(HWND wnd, LPSTR buffer, int size) {
    Window* w = find(wnd);
    if (!w || size <= 0) return 0;
    return static_cast<int>(copyOut(w->cls->name, reinterpret_cast<LPARAM>(buffer), size, false));
}

int GetClassNameW(HWND wnd, LPWSTR buffer, int size) {
    Window* w = find(wnd);
    if (!w || size <= 0) return 0;
    return static_cast<int>(copyOut(w->cls->name, reinterpret_cast<LPARAM>(buffer), size, true));
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    registerControlClasses();
    return createWindow(exStyle, classFromName(className, false),
                        textArg(reinterpret_cast<LPARAM>(windowName), false), style, x, y, width, height,
                        parent, menu, instance, param, false);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    registerControlClasses();
    return createWindow(exStyle, classFromName(className, true),
                        textArg(reinterpret_cast<LPARAM>(windowName), true), style, x, y, width, height,
                        parent, menu, instance, param, true);
}

BOOL DestroyWindow(HWND wnd) {
    if (!find(wnd)) return FALSE;
    destroyTree(wnd);
    return TRUE;
}

BOOL IsWindow(HWND wnd) { return find(wnd) ? TRUE : FALSE; }

BOOL IsWindowUnicode(HWND wnd) {
    Window* w = find(wnd);
    return w && w->unicode ? TRUE : FALSE;
}

LONG_PTR GetWindowLongPtrA(HWND wnd, int index) { return getLong(wnd, index, false); }
LONG_PTR GetWindowLongPtrW(HWND wnd, int index) { return getLong(wnd, index, true); }
LONG_PTR SetWindowLongPtrA(HWND wnd, int index, LONG_PTR value) { return setLong(wnd, index, value, false); }
LONG_PTR SetWindowLongPtrW(HWND wnd, int index, LONG_PTR value) { return setLong(wnd, index, value, true); }

// Geometry and state

BOOL ShowWindow(HWND wnd, int cmd) {
    Window* w = find(wnd);
    if (!w || !w->widget) return FALSE;
    QWidget* wid = w->widget;
    const bool wasVisible = !wid->isHidden();
    const bool show = cmd != SW_HIDE;
    if (show != wasVisible) send(wnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0, true);
    w = find(wnd);
    if (!w || !w->widget) return wasVisible;
    if (show) w->style |= WS_VISIBLE;
    else w->style &= ~WS_VISIBLE;
    switch (cmd) {
    case SW_HIDE: wid->hide(); break;
    case SW_SHOWMAXIMIZED:
        w->showState = SW_SHOWMAXIMIZED;
        if (w->parent) wid->show();
        else wid->showMaximized();
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        w->showState = SW_SHOWMINIMIZED;
        if (w->parent) wid->show();
        else wid->showMinimized();
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        w->showState = 0;
        if (w->parent) wid->show();
        else wid->showNormal();
        break;
    default:
        if (w->parent || w->showState == 0) wid->show();
        else if (w->showState == SW_SHOWMAXIMIZED) wid->showMaximized();
        else wid->showMinimized();
        break;
    }
    if (show && !w->parent && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE)
        SetActiveWindow(wnd);
    if (Window* again = find(wnd)) notifyGeometry(*again);
    return wasVisible;
}

BOOL SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = find(wnd);
    if (!w || !w->widget) return FALSE;
    QWidget* wid = w->widget;
    if (!(flags & SWP_NOZORDER)) {
        if (Window* pw = find(w->parent)) {
            auto& k = pw->children;
            k.erase(std::remove(k.begin(), k.end(), wnd), k.end());
            if (insertAfter == HWND_BOTTOM) {
                k.push_back(wnd);
                wid->lower();
            } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || !find(insertAfter)) {
                k.insert(k.begin(), wnd);
                wid->raise();
            } else {
                auto it = std::find(k.begin(), k.end(), insertAfter);
                k.insert(it == k.end() ? k.end() : it + 1, wnd);
                if (Window* aw = find(insertAfter); aw && aw->widget) wid->stackUnder(aw->widget);
            }
        } else if ((insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST) &&
                   QGuiApplication::platformName() != "offscreen") {
            wid->raise();
        }
    }
    if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE)) {
        cx = std::max(cx, 0);
        cy = std::max(cy, 0);
        if (w->parent) {
            Window* pw = find(w->parent);
            const QPoint off = pw ? clientOffset(*pw) : QPoint();
            QRect g = wid->geometry();
            if (!(flags & SWP_NOMOVE)) g.moveTopLeft(QPoint(x, y) + off);
            if (!(flags & SWP_NOSIZE)) g.setSize(QSize(cx, cy));
            wid->setGeometry(g);
        } else {
            // A frame of our own lies inside the widget; the window manager's lies around it.
            const bool own = ownFrame(*w);
            const QRect frame = own ? wid->geometry() : wid->frameGeometry();
            const QRect inner = wid->geometry();
            const int dw = frame.width() - inner.width();
            const int dh = frame.height() - inner.height();
            if (!(flags & SWP_NOSIZE)) wid->resize(std::max(cx - dw, 1), std::max(cy - dh, 1));
            if (!(flags & SWP_NOMOVE)) {
                if (own) wid->setGeometry(QRect(QPoint(x, y), wid->size()));
                else wid->move(x, y);
            }
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(wnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(wnd, SW_HIDE);
    if ((w = find(wnd))) notifyGeometry(*w);
    return TRUE;
}

BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(wnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND wnd, LPRECT rect) {
    if (!rect) return FALSE;
    if (isDesktop(wnd)) {
        *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return TRUE;
    }
    Window* w = find(wnd);
    if (!w || !w->widget) return FALSE;
    QWidget* wid = w->widget;
    QRect r;
    if (w->parent || ownFrame(*w)) r = QRect(wid->mapToGlobal(QPoint(0, 0)), wid->size());
    else r = wid->frameGeometry();
    *rect = toRect(r);
    return TRUE;
}

BOOL GetClientRect(HWND wnd, LPRECT rect) {
    if (!rect) return FALSE;
    if (isDesktop(wnd)) {
        *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return TRUE;
    }
    Window* w = find(wnd);
    if (!w || !w->widget) return FALSE;
    const QSize s = clientSize(*w);
    *rect = RECT{0, 0, s.width(), s.height()};
    return TRUE;
}

namespace {
QPoint clientOrigin(HWND wnd) {
    Window* w = find(wnd);
    if (!w || !w->widget) return {0, 0};
    return w->widget->mapToGlobal(clientOffset(*w));
}
}  // namespace

BOOL ClientToScreen(HWND wnd, LPPOINT p) {
    if (!p || (!find(wnd) && !isDesktop(wnd))) return FALSE;
    const QPoint o = clientOrigin(wnd);
    p->x += o.x();
    p->y += o.y();
    return TRUE;
}

BOOL ScreenToClient(HWND wnd, LPPOINT p) {
    if (!p || (!find(wnd) && !isDesktop(wnd))) return FALSE;
    const QPoint o = clientOrigin(wnd);
    p->x -= o.x();
    p->y -= o.y();
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    const QPoint a = from ? clientOrigin(from) : QPoint();
    const QPoint b = to ? clientOrigin(to) : QPoint();
    const QPoint d = a - b;
    for (UINT i = 0; i < count; ++i) {
        points[i].x += d.x();
        points[i].y += d.y();
    }
    return MAKELONG(static_cast<WORD>(d.x()), static_cast<WORD>(d.y()));
}

BOOL EnableWindow(HWND wnd, BOOL enable) {
    Window* w = find(wnd);
    if (!w || !w->widget) return FALSE;
    const bool wasDisabled = !w->widget->isEnabled();
    if (wasDisabled == !enable) return wasDisabled;
    if (enable) w->style &= ~WS_DISABLED;
    else w->style |= WS_DISABLED;
    if (!enable && GetFocus() && (GetFocus() == wnd || IsChild(wnd, GetFocus()))) SetFocus(nullptr);
    w->widget->setEnabled(enable != FALSE);
    send(wnd, WM_ENABLE, enable ? TRUE : FALSE, 0, true);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND wnd) {
    Window* w = find(wnd);
    return w && w->widget && w->widget->isEnabled() ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND wnd) {
    Window* w = find(wnd);
    if (!w || !w->widget) return FALSE;
    // Visible when it and all its parents have the visible style.
    for (Window* p = w; p; p = find(p->parent))
        if (!p->widget || p->widget->isHidden()) return FALSE;
    return TRUE;
}

BOOL IsIconic(HWND wnd) {
    Window* w = find(wnd);
    return w && w->showState == SW_SHOWMINIMIZED ? TRUE : FALSE;
}

BOOL IsZoomed(HWND wnd) {
    Window* w = find(wnd);
    return w && w->showState == SW_SHOWMAXIMIZED ? TRUE : FALSE;
}

HWND SetParent(HWND wnd, HWND parent) {
    Window* w = find(wnd);
    if (!w || !w->widget) return nullptr;
    if (isDesktop(parent)) parent = nullptr;
    Window* np = find(parent);
    if (parent && (!np || parent == wnd || IsChild(wnd, parent))) return nullptr;
    const HWND old = w->parent;
    if (Window* op = find(old)) op->children.erase(std::remove(op->children.begin(), op->children.end(), wnd),
                                                   op->children.end());
    const QRect r = w->notified;
    const bool visible = !w->widget->isHidden();
    {
        Table& t = table();
        std::lock_guard lock(t.mutex);
        t.topLevels.erase(std::remove(t.topLevels.begin(), t.topLevels.end(), wnd), t.topLevels.end());
        if (!np) t.topLevels.push_back(wnd);
    }
    w->parent = parent;
    if (np) {
        np->children.insert(np->children.begin(), wnd);
        w->widget->setParent(np->widget);
        w->widget->move(r.topLeft() + clientOffset(*np));
    } else {
        w->widget->setParent(nullptr);
        w->style &= ~WS_CHILD;
    }
    applyWindowFlags(*w);
    if (visible) w->widget->show();
    w->notifiedValid = false;
    notifyGeometry(*w);
    return old;
}

HWND GetParent(HWND wnd) {
    Window* w = find(wnd);
    if (!w) return nullptr;
    if (w->style & WS_CHILD) return w->parent;
    return w->owner;
}

HWND GetWindow(HWND wnd, UINT cmd) {
    Window* w = find(wnd);
    if (!w) return nullptr;
    if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (cmd == GW_OWNER) return w->owner;
    std::vector<HWND> sib;
    if (Window* pw = find(w->parent)) sib = pw->children;
    else {
        sib = topLevelWindows();
        std::reverse(sib.begin(), sib.end());
    }
    auto it = std::find(sib.begin(), sib.end(), wnd);
    if (it == sib.end()) return nullptr;
    switch (cmd) {
    case GW_HWNDFIRST: return sib.front();
    case GW_HWNDLAST: return sib.back();
    case GW_HWNDNEXT: return it + 1 == sib.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == sib.begin() ? nullptr : *(it - 1);
    default: return nullptr;
    }
}

HWND GetTopWindow(HWND wnd) {
    if (!wnd || isDesktop(wnd)) {
        auto tops = topLevelWindows();
        return tops.empty() ? nullptr : tops.back();
    }
    return GetWindow(wnd, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND wnd) {
    Window* w = find(wnd);
    while (w && w->parent) {
        if (w->parent == parent) return TRUE;
        w = find(w->parent);
    }
    return FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* w = find(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children)
        if (Window* cw = find(c); cw && cw->id == id) return c;
    return nullptr;
}

int GetDlgCtrlID(HWND wnd) {
    Window* w = find(wnd);
    return w ? static_cast<int>(w->id) : 0;
}

BOOL BringWindowToTop(HWND wnd) { return SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL EnumChildWindows(HWND parent, BOOL (*proc)(HWND, LPARAM), LPARAM param) {
    Window* w = find(parent);
    if (!w || !proc) return FALSE;
    const std::vector<HWND> kids = w->children;
    for (HWND c : kids) {
        if (!find(c)) continue;
        if (!proc(c, param)) return FALSE;
        if (!EnumChildWindows(c, proc, param) && find(c) && !find(c)->children.empty()) return FALSE;
    }
    return TRUE;
}

// Text: sent as messages so that subclassed windows and controls answer.

int GetWindowTextA(HWND wnd, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(SendMessageA(wnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextW(HWND wnd, LPWSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(SendMessageW(wnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

BOOL SetWindowTextA(HWND wnd, LPCSTR text) {
    if (!find(wnd)) return FALSE;
    return SendMessageA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND wnd, LPCWSTR text) {
    if (!find(wnd)) return FALSE;
    return SendMessageW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE : FALSE;
}

int GetWindowTextLengthA(HWND wnd) { return static_cast<int>(SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0)); }
int GetWindowTextLengthW(HWND wnd) { return static_cast<int>(SendMessageW(wnd, WM_GETTEXTLENGTH, 0, 0)); }

namespace {
HWND deepestAt(HWND wnd, const QPoint& global) {
    Window* w = find(wnd);
    if (!w || !w->widget || w->widget->isHidden()) return nullptr;
    for (HWND c : w->children) {
        Window* cw = find(c);
        if (!cw || !cw->widget || cw->widget->isHidden()) continue;
        const QRect r(cw->widget->mapToGlobal(QPoint(0, 0)), cw->widget->size());
        if (r.contains(global)) return deepestAt(c, global);
    }
    return wnd;
}
}  // namespace

HWND WindowFromPoint(POINT point) {
    const QPoint g(point.x, point.y);
    auto tops = topLevelWindows();
    // The most recently activated window lies on top.
    HWND active = GetActiveWindow();
    if (active) {
        tops.erase(std::remove(tops.begin(), tops.end(), active), tops.end());
        tops.push_back(active);
    }
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* w = find(*it);
        if (!w || !w->widget || !w->widget->isVisible()) continue;
        if (w->widget->frameGeometry().contains(g)) return deepestAt(*it, g);
    }
    return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
    Window* w = find(parent);
    if (!w) return nullptr;
    POINT p = point;
    ClientToScreen(parent, &p);
    for (HWND c : w->children) {
        Window* cw = find(c);
        if (!cw || !cw->widget) continue;
        const QRect r(cw->widget->mapToGlobal(QPoint(0, 0)), cw->widget->size());
        if (r.contains(QPoint(p.x, p.y))) return c;
    }
    const QSize s = clientSize(*w);
    return QRect(QPoint(0, 0), s).contains(QPoint(point.x, point.y)) ? parent : nullptr;
}

// Rectangles

BOOL SetRect(LPRECT r, int left, int top, int right, int bottom) {
    if (!r) return FALSE;
    *r = RECT{left, top, right, bottom};
    return TRUE;
}
BOOL SetRectEmpty(LPRECT r) { return SetRect(r, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top ? TRUE : FALSE; }
BOOL InflateRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left -= dx;
    r->top -= dy;
    r->right += dx;
    r->bottom += dy;
    return TRUE;
}
BOOL OffsetRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}
BOOL IntersectRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *d = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *d = r;
    return TRUE;
}
BOOL UnionRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    if (IsRectEmpty(a)) *d = *b;
    else if (IsRectEmpty(b)) *d = *a;
    else
        *d = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                  std::max(a->bottom, b->bottom)};
    return IsRectEmpty(d) ? FALSE : TRUE;
}
BOOL PtInRect(const RECT* r, POINT p) {
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom ? TRUE : FALSE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom
               ? TRUE
               : FALSE;
}

namespace platform {

QWidget* windowWidget(HWND wnd) {
    Window* w = find(wnd);
    return w ? w->widget.data() : nullptr;
}

}  // namespace platform

namespace platform::win {

// The desktop window's handle is the graphics layer's sentinel.
bool isDesktop(HWND wnd) { return wnd && wnd == desktopHandle(); }

}  // namespace platform::win
