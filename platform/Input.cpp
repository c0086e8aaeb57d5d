// Focus, activation, capture, key state, cursors, timers, window properties, atoms and
// system values.
#include "WindowImpl.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <array>
#include <map>
#include <mutex>

namespace platform::win {
namespace {

struct InputState {
    HWND focus = nullptr;
    HWND pendingFocus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    HWND cursorWindow = nullptr;
    std::array<BYTE, 256> keys{};
    QPoint cursorPos{0, 0};
    HCURSOR cursor = nullptr;
    int cursorShown = 0;
};

InputState& input() {
    static auto* s = new InputState;
    return *s;
}

HWND topLevelOf(HWND wnd) {
    Window* w = find(wnd);
    while (w && w->parent) {
        wnd = w->parent;
        w = find(wnd);
    }
    return w ? wnd : nullptr;
}

void setKey(int vk, bool down) {
    if (vk <= 0 || vk > 255) return;
    BYTE& k = input().keys[static_cast<std::size_t>(vk)];
    if (down && !(k & 0x80)) k ^= 0x01;
    k = static_cast<BYTE>(down ? (k | 0x80) : (k & ~0x80));
}

void noteModifiers(Qt::KeyboardModifiers mods) {
    setKey(VK_SHIFT, mods & Qt::ShiftModifier);
    setKey(VK_CONTROL, mods & Qt::ControlModifier);
    setKey(VK_MENU, mods & Qt::AltModifier);
}

}  // namespace

void setFocusWindow(HWND wnd) {
    InputState& s = input();
    if (s.focus == wnd) return;
    const HWND old = s.focus;
    s.focus = wnd;
    if (old && find(old)) send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(wnd), 0, true);
    if (wnd && s.focus == wnd && find(wnd)) send(wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0, true);
}

void focusLost(HWND wnd) {
    InputState& s = input();
    if (s.pendingFocus || s.focus != wnd) return;
    s.focus = nullptr;
    send(wnd, WM_KILLFOCUS, 0, 0, true);
}

void forgetWindowInput(HWND wnd) {
    InputState& s = input();
    if (s.focus == wnd) s.focus = nullptr;
    if (s.active == wnd) s.active = nullptr;
    if (s.capture == wnd) s.capture = nullptr;
    if (s.cursorWindow == wnd) s.cursorWindow = nullptr;
}

void noteMouse(const QPoint& globalPos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    input().cursorPos = globalPos;
    setKey(VK_LBUTTON, buttons & Qt::LeftButton);
    setKey(VK_RBUTTON, buttons & Qt::RightButton);
    setKey(VK_MBUTTON, buttons & Qt::MiddleButton);
    noteModifiers(mods);
}

void noteKey(int vk, bool down, Qt::KeyboardModifiers mods) {
    noteModifiers(mods);
    if (vk != VK_SHIFT && vk != VK_CONTROL && vk != VK_MENU) setKey(vk, down);
    else setKey(vk, down);
}

void applyCursor(HWND wnd) { input().cursorWindow = wnd; }

DWORD messageTime() { return static_cast<DWORD>(platform::timerClock()); }

int qtKeyFromVirtualKey(int vk) {
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk <= VK_F24) return Qt::Key_F1 + (vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return Qt::Key_0 + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_PAUSE: return Qt::Key_Pause;
    case VK_CAPITAL: return Qt::Key_CapsLock;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_HELP: return Qt::Key_Help;
    case VK_APPS: return Qt::Key_Menu;
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD: return Qt::Key_Plus;
    case VK_SUBTRACT: return Qt::Key_Minus;
    case VK_DECIMAL: return Qt::Key_Period;
    case VK_DIVIDE: return Qt::Key_Slash;
    case VK_NUMLOCK: return Qt::Key_NumLock;
    case VK_SCROLL: return Qt::Key_ScrollLock;
    case VK_SNAPSHOT: return Qt::Key_Print;
    case VK_CLEAR: return Qt::Key_Clear;
    default: return 0;
    }
}

// Timers

namespace {

struct Timer {
    HWND wnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    unsigned long long due = 0;
    unsigned long long serial = 0;
    QTimer* qt = nullptr;
};

struct Timers {
    std::vector<Timer> list;
    bool manual = false;
    unsigned long long clock = 0;  // manual clock
    unsigned long long serial = 0;
    UINT_PTR nextId = 0x7F00;
    QElapsedTimer real;
};

Timers& timers() {
    static auto* t = [] {
        auto* x = new Timers;
        x->real.start();
        return x;
    }();
    return *t;
}

Timer* findTimer(HWND wnd, UINT_PTR id) {
    for (Timer& t : timers().list)
        if (t.wnd == wnd && t.id == id) return &t;
    return nullptr;
}

void deliverTimer(HWND wnd, UINT_PTR id) {
    Timer* t = findTimer(wnd, id);
    if (!t) return;
    MSG m{wnd, WM_TIMER, id, reinterpret_cast<LPARAM>(t->proc), messageTime(), {}};
    deliverInput(m);
}

void startReal(Timer& t) {
    if (!QCoreApplication::instance()) return;
    t.qt = new QTimer;
    // Never early (a coarse timer may fire 5% before its time).
    t.qt->setTimerType(Qt::PreciseTimer);
    t.qt->setInterval(static_cast<int>(t.elapse));
    const HWND wnd = t.wnd;
    const UINT_PTR id = t.id;
    QObject::connect(t.qt, &QTimer::timeout, [wnd, id] { deliverTimer(wnd, id); });
    t.qt->start();
}

void stop(Timer& t) {
    if (t.qt) {
        t.qt->stop();
        t.qt->deleteLater();
        t.qt = nullptr;
    }
}

}  // namespace

void forgetWindowTimers(HWND wnd) {
    auto& l = timers().list;
    for (auto it = l.begin(); it != l.end();) {
        if (it->wnd == wnd) {
            stop(*it);
            it = l.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace platform::win

using namespace platform::win;

UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (wnd && !find(wnd)) return 0;
    Timers& ts = timers();
    if (!wnd) id = ++ts.nextId;
    elapse = std::max<UINT>(elapse, 10);
    if (Timer* old = findTimer(wnd, id)) {
        stop(*old);
        ts.list.erase(ts.list.begin() + (old - ts.list.data()));
    }
    Timer t{wnd, id, elapse, proc};
    t.serial = ++ts.serial;
    t.due = platform::timerClock() + elapse;
    ts.list.push_back(t);
    if (!ts.manual) startReal(ts.list.back());
    return wnd ? (id ? id : 1) : id;
}

DWORD GetTickCount() { return static_cast<DWORD>(platform::timerClock()); }

BOOL KillTimer(HWND wnd, UINT_PTR id) {
    Timers& ts = timers();
    Timer* t = findTimer(wnd, id);
    if (!t) return FALSE;
    stop(*t);
    ts.list.erase(ts.list.begin() + (t - ts.list.data()));
    return TRUE;
}

namespace platform {

void setManualTimers(bool manual) {
    Timers& ts = timers();
    if (ts.manual == manual) return;
    const unsigned long long now = timerClock();
    ts.manual = manual;
    if (manual) ts.clock = now;
    for (Timer& t : ts.list) {
        stop(t);
        t.due = timerClock() + t.elapse;
        if (!manual) startReal(t);
    }
}

bool manualTimers() { return timers().manual; }

unsigned long long timerClock() {
    Timers& ts = timers();
    return ts.manual ? ts.clock : static_cast<unsigned long long>(ts.real.elapsed());
}

void advanceTime(unsigned milliseconds) {
    Timers& ts = timers();
    if (!ts.manual) return;
    const unsigned long long target = ts.clock + milliseconds;
    for (;;) {
        const Timer* next = nullptr;
        for (const Timer& t : ts.list)
            if (t.due <= target && (!next || t.due < next->due || (t.due == next->due && t.serial < next->serial)))
                next = &t;
        if (!next) break;
        const HWND wnd = next->wnd;
        const UINT_PTR id = next->id;
        ts.clock = std::max(ts.clock, next->due);
        Timer* t = findTimer(wnd, id);
        t->due = ts.clock + t->elapse;
        deliverTimer(wnd, id);
    }
    ts.clock = target;
}

int activeTimerCount() { return static_cast<int>(timers().list.size()); }

namespace {
bool& unicodeSwitch() {
    static bool on = true;
    return on;
}
}  // namespace

void setUnicodeWindows(bool on) { unicodeSwitch() = on; }
bool unicodeWindows() { return unicodeSwitch(); }

int virtualKeyFromQt(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return VK_F1 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Slash: return 0xBF;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Clear: return VK_CLEAR;
    default: return 0;
    }
}

}  // namespace platform

// Focus and activation

HWND SetFocus(HWND wnd) {
    InputState& s = input();
    const HWND old = s.focus;
    if (!wnd) {
        if (old) {
            if (Window* w = find(old); w && w->widget) {
                s.pendingFocus = old;
                w->widget->clearFocus();
                s.pendingFocus = nullptr;
            }
            setFocusWindow(nullptr);
        }
        return old;
    }
    Window* w = find(wnd);
    if (!w || !w->widget) return nullptr;
    if (old == wnd) return old;
    const HWND top = topLevelOf(wnd);
    if (top && s.active != top && IsWindowVisible(top)) SetActiveWindow(top);
    if ((w = find(wnd)) && w->widget) {
        s.pendingFocus = wnd;
        QWidget* target = w->widget->focusProxy() ? w->widget->focusProxy() : w->widget.data();
        target->setFocus(Qt::OtherFocusReason);
        s.pendingFocus = nullptr;
    }
    setFocusWindow(wnd);
    return old;
}

HWND GetFocus() { return input().focus; }

HWND GetActiveWindow() { return input().active; }

namespace {

// Makes the top-level window of `wnd` the active one with its activation messages. The
// desktop is asked to activate its widget too, unless the change comes from the desktop:
// asking again then would queue a second activation behind one the desktop already holds
// for another window, and two shown windows would hand the activation back and forth for
// ever.
HWND activate(HWND wnd, bool askDesktop) {
    InputState& s = input();
    const HWND top = topLevelOf(wnd);
    const HWND old = s.active;
    if (!top || old == top) return old;
    s.active = top;
    if (old && find(old)) {
        send(old, WM_NCACTIVATE, FALSE, 0, true);
        send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(top), true);
    }
    if (s.active != top || !find(top)) return old;
    send(top, WM_NCACTIVATE, TRUE, 0, true);
    send(top, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old), true);
    // The desktop is asked only when the call did not come from it and it does not have the
    // window active already: asking again from its own activation would make two windows
    // take turns for ever.
    if (Window* w = find(top); askDesktop && w && w->widget && w->widget->isVisible() && !w->widget->isActiveWindow())
        w->widget->activateWindow();
    return old;
}

}  // namespace

namespace platform::win {
void activatedByDesktop(HWND wnd) { activate(wnd, false); }
}  // namespace platform::win

HWND SetActiveWindow(HWND wnd) { return activate(wnd, true); }

HWND GetForegroundWindow() { return input().active; }
BOOL SetForegroundWindow(HWND wnd) { return SetActiveWindow(wnd) || GetActiveWindow() == topLevelOf(wnd); }

// Capture

HWND SetCapture(HWND wnd) {
    InputState& s = input();
    const HWND old = s.capture;
    Window* w = find(wnd);
    if (!w) return old;
    if (old == wnd) return old;
    s.capture = wnd;
    if (old && find(old)) send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(wnd), true);
    if ((w = find(wnd)) && w->widget && w->widget->isVisible() && QGuiApplication::platformName() != "offscreen")
        w->widget->grabMouse();
    return old;
}

BOOL ReleaseCapture() {
    InputState& s = input();
    const HWND old = s.capture;
    if (!old) return TRUE;
    s.capture = nullptr;
    if (Window* w = find(old)) {
        if (w->widget && QWidget::mouseGrabber() == w->widget) w->widget->releaseMouse();
        send(old, WM_CAPTURECHANGED, 0, 0, true);
    }
    return TRUE;
}

HWND GetCapture() { return input().capture; }

// Keys

SHORT GetKeyState(int key) {
    if (key <= 0 || key > 255) return 0;
    const BYTE k = input().keys[static_cast<std::size_t>(key)];
    return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int key) {
    if (key <= 0 || key > 255) return 0;
    return static_cast<SHORT>((input().keys[static_cast<std::size_t>(key)] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
    if (!state) return FALSE;
    std::copy(input().keys.begin(), input().keys.end(), state);
    return TRUE;
}

// Cursors

namespace {

struct CursorObject {
    QCursor cursor;
};

std::map<HCURSOR, std::unique_ptr<CursorObject>>& cursors() {
    static auto* m = new std::map<HCURSOR, std::unique_ptr<CursorObject>>;
    return *m;
}

CursorObject* findCursor(HCURSOR h) {
    auto it = cursors().find(h);
    return it == cursors().end() ? nullptr : it->second.get();
}

HCURSOR addCursor(const QCursor& c) {
    auto o = std::make_unique<CursorObject>(CursorObject{c});
    const HCURSOR h = reinterpret_cast<HCURSOR>(o.get());
    cursors().emplace(h, std::move(o));
    return h;
}

HCURSOR systemCursor(WORD id) {
    static std::map<WORD, HCURSOR> loaded;
    auto it = loaded.find(id);
    if (it != loaded.end()) return it->second;
    Qt::CursorShape shape;
    switch (id) {
    case 32512: shape = Qt::ArrowCursor; break;
    case 32513: shape = Qt::IBeamCursor; break;
    case 32514: shape = Qt::WaitCursor; break;
    case 32515: shape = Qt::CrossCursor; break;
    case 32516: shape = Qt::UpArrowCursor; break;
    case 32642: shape = Qt::SizeFDiagCursor; break;
    case 32643: shape = Qt::SizeBDiagCursor; break;
    case 32644: shape = Qt::SizeHorCursor; break;
    case 32645: shape = Qt::SizeVerCursor; break;
    case 32646: shape = Qt::SizeAllCursor; break;
    case 32648: shape = Qt::ForbiddenCursor; break;
    case 32649: shape = Qt::PointingHandCursor; break;
    case 32650: shape = Qt::BusyCursor; break;
    case 32651: shape = Qt::WhatsThisCursor; break;
    default: return nullptr;
    }
    const HCURSOR h = addCursor(QCursor(shape));
    loaded.emplace(id, h);
    return h;
}

}  // namespace

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) {
        if (instance) return nullptr;
        return systemCursor(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    }
    // Named cursors come from the program's Qt resources (":/cursors/NAME.png" with a hot spot at 0, 0).
    const QString path = QStringLiteral(":/cursors/") + QString::fromUtf8(name) + QStringLiteral(".png");
    QPixmap pm(path);
    if (pm.isNull()) return nullptr;
    return addCursor(QCursor(pm, 0, 0));
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) return LoadCursorA(instance, reinterpret_cast<LPCSTR>(name));
    const std::string a = platform::wideToAnsi(name);
    return LoadCursorA(instance, a.c_str());
}

HCURSOR SetCursor(HCURSOR cursor) {
    InputState& s = input();
    const HCURSOR old = s.cursor;
    s.cursor = cursor;
    if (Window* w = find(s.cursorWindow); w && w->widget) {
        if (CursorObject* c = findCursor(cursor)) w->widget->setCursor(c->cursor);
        else w->widget->setCursor(Qt::BlankCursor);
    }
    return old;
}

HCURSOR GetCursor() { return input().cursor; }

BOOL DestroyCursor(HCURSOR cursor) {
    auto it = cursors().find(cursor);
    if (it == cursors().end()) return FALSE;
    // Predefined cursors stay.
    for (WORD id : {32512, 32513, 32514, 32515, 32516, 32642, 32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651})
        if (systemCursor(id) == cursor) return TRUE;
    if (input().cursor == cursor) input().cursor = nullptr;
    cursors().erase(it);
    return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    point->x = input().cursorPos.x();
    point->y = input().cursorPos.y();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    input().cursorPos = QPoint(x, y);
    return TRUE;
}

int ShowCursor(BOOL show) { return show ? ++input().cursorShown : --input().cursorShown; }

namespace platform {

HCURSOR cursorFromQt(const QCursor& cursor) { return addCursor(cursor); }

}  // namespace platform

// Atoms and properties

namespace {

std::u16string lower(std::u16string s) {
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

struct AtomEntry {
    std::u16string name;
    int refs = 0;
};

struct Atoms {
    std::recursive_mutex mutex;
    std::map<ATOM, AtomEntry> byAtom;
    std::map<std::u16string, ATOM> byName;
    ATOM next = 0xC000;
};

Atoms& atoms() {
    static auto* a = new Atoms;
    return *a;
}

// "#123" names the integer atom 123.
bool integerAtom(const std::u16string& name, ATOM* out) {
    if (name.size() < 2 || name[0] != u'#') return false;
    unsigned v = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9') return false;
        v = v * 10 + (name[i] - u'0');
        if (v >= 0xC000) return false;
    }
    *out = static_cast<ATOM>(v);
    return v != 0;
}

ATOM addAtom(const std::u16string& name) {
    if (name.empty() || name.size() > 255) return 0;
    ATOM a = 0;
    if (integerAtom(name, &a)) return a;
    Atoms& t = atoms();
    std::lock_guard lock(t.mutex);
    const auto key = lower(name);
    auto it = t.byName.find(key);
    if (it != t.byName.end()) {
        ++t.byAtom[it->second].refs;
        return it->second;
    }
    if (t.next == 0xFFFF) return 0;
    a = t.next++;
    t.byName.emplace(key, a);
    t.byAtom.emplace(a, AtomEntry{name, 1});
    return a;
}

ATOM findAtom(const std::u16string& name) {
    ATOM a = 0;
    if (integerAtom(name, &a)) return a;
    Atoms& t = atoms();
    std::lock_guard lock(t.mutex);
    auto it = t.byName.find(lower(name));
    return it == t.byName.end() ? 0 : it->second;
}

std::u16string atomName(ATOM a) {
    if (a < 0xC000) {
        std::u16string s = u"#";
        for (char c : std::to_string(a)) s.push_back(static_cast<char16_t>(c));
        return s;
    }
    Atoms& t = atoms();
    std::lock_guard lock(t.mutex);
    auto it = t.byAtom.find(a);
    return it == t.byAtom.end() ? std::u16string() : it->second.name;
}

template <class Str>
std::u16string nameArg(Str name, bool unicode) {
    if (!name) return {};
    if (IS_INTRESOURCE(name)) return atomName(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name)));
    return textArg(reinterpret_cast<LPARAM>(name), unicode);
}

std::u16string propKey(const std::u16string& name) { return lower(name); }

BOOL setProp(HWND wnd, const std::u16string& name, HANDLE data) {
    Window* w = find(wnd);
    if (!w || name.empty()) return FALSE;
    w->props[propKey(name)] = data;
    return TRUE;
}

HANDLE getProp(HWND wnd, const std::u16string& name) {
    Window* w = find(wnd);
    if (!w) return nullptr;
    auto it = w->props.find(propKey(name));
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE removeProp(HWND wnd, const std::u16string& name) {
    Window* w = find(wnd);
    if (!w) return nullptr;
    auto it = w->props.find(propKey(name));
    if (it == w->props.end()) return nullptr;
    HANDLE h = it->second;
    w->props.erase(it);
    return h;
}

}  // namespace

BOOL SetPropA(HWND wnd, LPCSTR name, HANDLE data) { return setProp(wnd, nameArg(name, false), data); }
BOOL SetPropW(HWND wnd, LPCWSTR name, HANDLE data) { return setProp(wnd, nameArg(name, true), data); }
HANDLE GetPropA(HWND wnd, LPCSTR name) { return getProp(wnd, nameArg(name, false)); }
HANDLE GetPropW(HWND wnd, LPCWSTR name) { return getProp(wnd, nameArg(name, true)); }
HANDLE RemovePropA(HWND wnd, LPCSTR name) { return removeProp(wnd, nameArg(name, false)); }
HANDLE RemovePropW(HWND wnd, LPCWSTR name) { return removeProp(wnd, nameArg(name, true)); }

ATOM GlobalAddAtomA(LPCSTR name) {
    if (name && IS_INTRESOURCE(name)) return static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    return addAtom(nameArg(name, false));
}
ATOM GlobalAddAtomW(LPCWSTR name) {
    if (name && IS_INTRESOURCE(name)) return static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    return addAtom(nameArg(name, true));
}
ATOM GlobalFindAtomA(LPCSTR name) { return findAtom(nameArg(name, false)); }
ATOM GlobalFindAtomW(LPCWSTR name) { return findAtom(nameArg(name, true)); }

ATOM GlobalDeleteAtom(ATOM atom) {
    if (atom < 0xC000) return 0;
    Atoms& t = atoms();
    std::lock_guard lock(t.mutex);
    auto it = t.byAtom.find(atom);
    if (it == t.byAtom.end()) return atom;
    if (--it->second.refs <= 0) {
        t.byName.erase(lower(it->second.name));
        t.byAtom.erase(it);
    }
    return 0;
}

UINT GlobalGetAtomNameA(ATOM atom, LPSTR buffer, int size) {
    const std::u16string n = atomName(atom);
    if (n.empty() || size <= 0) return 0;
    return static_cast<UINT>(copyOut(n, reinterpret_cast<LPARAM>(buffer), static_cast<WPARAM>(size), false));
}

UINT GlobalGetAtomNameW(ATOM atom, LPWSTR buffer, int size) {
    const std::u16string n = atomName(atom);
    if (n.empty() || size <= 0) return 0;
    return static_cast<UINT>(copyOut(n, reinterpret_cast<LPARAM>(buffer), static_cast<WPARAM>(size), true));
}

// Registered messages share the atom table and are never freed.
UINT RegisterWindowMessageA(LPCSTR name) { return GlobalAddAtomA(name); }
UINT RegisterWindowMessageW(LPCWSTR name) { return GlobalAddAtomW(name); }

// System values (metrics and colours: SystemMetrics.cpp)

UINT GetDoubleClickTime() { return 500; }
UINT GetCaretBlinkTime() { return 530; }
