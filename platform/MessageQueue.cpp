// Sending with conversion between 8-bit and UTF-16 text, hooks, the posted-message queue
// served by the Qt event loop, and the message loop calls.
#include "WindowImpl.h"
#include "platform/codepage.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <deque>
#include <mutex>
#include <map>
#include <unordered_map>

namespace platform::win {
namespace {

// Procedures of one form whatever window they serve (the predefined controls', the default
// procedures), and the forms of the classes' procedures. The form of a program's procedure
// belongs to the windows it is set on: each window records the procedures it has had.
std::mutex& formMutex() {
    static std::mutex m;
    return m;
}
std::unordered_map<WNDPROC, bool>& procForms() {
    static auto* m = new std::unordered_map<WNDPROC, bool>{{&DefWindowProcA, false}, {&DefWindowProcW, true}};
    return *m;
}
std::unordered_map<WNDPROC, bool>& classForms() {
    static auto* m = new std::unordered_map<WNDPROC, bool>;
    return *m;
}

bool isStringInMessage(HWND wnd, UINT msg) {
    switch (msg) {
    case WM_SETTEXT:
    case EM_REPLACESEL: return true;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING:
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
        // Owner-drawn lists without strings carry item data instead.
        Window* w = find(wnd);
        if (!w) return false;
        const DWORD ownerDraw = 0x0030;
        const DWORD hasStrings = msg >= LB_ADDSTRING ? LBS_HASSTRINGS : CBS_HASSTRINGS;
        return !(w->style & ownerDraw) || (w->style & hasStrings);
    }
    default: return false;
    }
}

// UTF-8 bytes of WM_CHAR sent to 8-bit procedures are put back together per window.
std::map<std::pair<HWND, int>, std::string>& pendingBytes() {
    static auto* m = new std::map<std::pair<HWND, int>, std::string>;
    return *m;
}

// High surrogates of WM_CHAR that wait for their low half on their way to 8-bit procedures.
std::map<std::pair<HWND, UINT>, char16_t>& pendingSurrogates() {
    static auto* m = new std::map<std::pair<HWND, UINT>, char16_t>;
    return *m;
}

}  // namespace

bool collectAnsiChar(HWND wnd, int channel, unsigned char b, std::u16string& out) {
    const auto key = std::make_pair(wnd, channel);
    std::string& pend = pendingBytes()[key];
    pend.push_back(static_cast<char>(b));
    if (ansiToWide("\xC3\xA9").size() == 1) {
        // A multi-byte code page: wait for the whole sequence.
        const auto lead = static_cast<unsigned char>(pend[0]);
        const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (pend.size() < need) return false;
    }
    out = ansiToWide(pend);
    pendingBytes().erase(key);
    return true;
}

void noteProcForm(WNDPROC proc, bool unicode) {
    if (!proc) return;
    std::lock_guard lock(formMutex());
    procForms()[proc] = unicode;
}

void noteClassProcForm(WNDPROC proc, bool unicode) {
    if (!proc) return;
    std::lock_guard lock(formMutex());
    classForms()[proc] = unicode;
}

bool fixedProcForm(WNDPROC proc, bool& unicode) {
    std::lock_guard lock(formMutex());
    auto it = procForms().find(proc);
    if (it == procForms().end()) return false;
    unicode = it->second;
    return true;
}

bool procIsUnicode(WNDPROC proc, bool fallback) {
    std::lock_guard lock(formMutex());
    auto it = procForms().find(proc);
    if (it != procForms().end()) return it->second;
    it = classForms().find(proc);
    return it == classForms().end() ? fallback : it->second;
}

bool windowProcForm(HWND wnd, WNDPROC proc, bool& unicode) {
    Window* w = find(wnd);
    if (!w) return false;
    if (proc == w->proc) {
        unicode = w->unicode;
        return true;
    }
    for (const auto& [p, form] : w->procForms)
        if (p == proc) {
            unicode = form;
            return true;
        }
    return false;
}

namespace {
bool formForCall(HWND wnd, WNDPROC proc, bool caller) {
    bool form = caller;
    if (fixedProcForm(proc, form)) return form;
    if (windowProcForm(wnd, proc, form)) return form;
    return procIsUnicode(proc, caller);
}
}  // namespace

LRESULT callProc(WNDPROC proc, bool procUnicode, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam,
                 bool unicodeCaller) {
    if (!proc) return 0;
    if (procUnicode == unicodeCaller) return proc(wnd, msg, wParam, lParam);
    const bool toWide = procUnicode;
    if (isStringInMessage(wnd, msg) && lParam) {
        const std::u16string s = textArg(lParam, unicodeCaller);
        if (toWide) return proc(wnd, msg, wParam, reinterpret_cast<LPARAM>(s.c_str()));
        const std::string a = wideToAnsi(s);
        return proc(wnd, msg, wParam, reinterpret_cast<LPARAM>(a.c_str()));
    }
    switch (msg) {
    case WM_NCCREATE:
    case WM_CREATE: {
        if (!lParam) break;
        if (toWide) {
            const auto& ca = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
            const std::u16string name = textArg(reinterpret_cast<LPARAM>(ca.lpszName), false);
            const std::u16string cls = textArg(reinterpret_cast<LPARAM>(ca.lpszClass), false);
            CREATESTRUCTW cw{ca.lpCreateParams, ca.hInstance, ca.hMenu, ca.hwndParent, ca.cy, ca.cx, ca.y, ca.x,
                             ca.style, name.c_str(), cls.c_str(), ca.dwExStyle};
            return proc(wnd, msg, wParam, reinterpret_cast<LPARAM>(&cw));
        }
        const auto& cw = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const std::string name = wideToAnsi(textArg(reinterpret_cast<LPARAM>(cw.lpszName), true));
        const std::string cls = wideToAnsi(textArg(reinterpret_cast<LPARAM>(cw.lpszClass), true));
        CREATESTRUCTA ca{cw.lpCreateParams, cw.hInstance, cw.hMenu, cw.hwndParent, cw.cy, cw.cx, cw.y, cw.x,
                         cw.style, name.c_str(), cls.c_str(), cw.dwExStyle};
        return proc(wnd, msg, wParam, reinterpret_cast<LPARAM>(&ca));
    }
    case WM_GETTEXT: {
        if (!lParam || wParam == 0) return 0;
        // Ask for the whole text in the procedure's form, then convert.
        const LRESULT len = proc(wnd, WM_GETTEXTLENGTH, 0, 0);
        std::u16string text;
        if (toWide) {
            std::u16string buf(static_cast<std::size_t>(std::max<LRESULT>(len, 0)) + 1, u'\0');
            const LRESULT n = proc(wnd, msg, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            text = buf.substr(0, static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, len)));
        } else {
            std::string buf(static_cast<std::size_t>(std::max<LRESULT>(len, 0)) + 1, '\0');
            const LRESULT n = proc(wnd, msg, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            text = ansiToWide(buf.substr(0, static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, len))));
        }
        return copyOut(text, lParam, wParam, unicodeCaller);
    }
    case WM_GETTEXTLENGTH: {
        const LRESULT len = proc(wnd, WM_GETTEXTLENGTH, 0, 0);
        if (len <= 0) return len;
        if (toWide) {
            std::u16string buf(static_cast<std::size_t>(len) + 1, u'\0');
            const LRESULT n = proc(wnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            return textLength(buf.substr(0, static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, len))), false);
        }
        std::string buf(static_cast<std::size_t>(len) + 1, '\0');
        const LRESULT n = proc(wnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
        return textLength(ansiToWide(buf.substr(0, static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, len)))),
                          true);
    }
    case LB_GETTEXT:
    case CB_GETLBTEXT:
    case LB_GETTEXTLEN:
    case CB_GETLBTEXTLEN: {
        const bool isList = msg == LB_GETTEXT || msg == LB_GETTEXTLEN;
        const UINT lenMsg = isList ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
        const UINT getMsg = isList ? LB_GETTEXT : CB_GETLBTEXT;
        const LRESULT len = proc(wnd, lenMsg, wParam, 0);
        if (len < 0) return len;
        std::u16string text;
        if (toWide) {
            std::u16string buf(static_cast<std::size_t>(len) + 1, u'\0');
            const LRESULT n = proc(wnd, getMsg, wParam, reinterpret_cast<LPARAM>(buf.data()));
            if (n < 0) return n;
            text = buf.substr(0, static_cast<std::size_t>(std::min(n, len)));
        } else {
            std::string buf(static_cast<std::size_t>(len) + 1, '\0');
            const LRESULT n = proc(wnd, getMsg, wParam, reinterpret_cast<LPARAM>(buf.data()));
            if (n < 0) return n;
            text = ansiToWide(buf.substr(0, static_cast<std::size_t>(std::min(n, len))));
        }
        if (msg == lenMsg) return textLength(text, unicodeCaller);
        if (!lParam) return LB_ERR;
        return copyOut(text, lParam, static_cast<WPARAM>(textLength(text, unicodeCaller)) + 1, unicodeCaller);
    }
    case EM_GETLINE: {
        if (!lParam) return 0;
        const WORD size = unicodeCaller ? static_cast<WORD>(*reinterpret_cast<LPWSTR>(lParam))
                                        : *reinterpret_cast<const WORD*>(lParam);
        std::u16string text;
        if (toWide) {
            std::u16string buf(std::max<std::size_t>(size, 1) + 1, u'\0');
            buf[0] = static_cast<char16_t>(size);
            const LRESULT n = proc(wnd, msg, wParam, reinterpret_cast<LPARAM>(buf.data()));
            text = buf.substr(0, static_cast<std::size_t>(std::max<LRESULT>(n, 0)));
        } else {
            std::string buf(std::max<std::size_t>(size * 3u, 2) + 1, '\0');
            *reinterpret_cast<WORD*>(buf.data()) = static_cast<WORD>(size * 3u);
            const LRESULT n = proc(wnd, msg, wParam, reinterpret_cast<LPARAM>(buf.data()));
            text = ansiToWide(buf.substr(0, static_cast<std::size_t>(std::max<LRESULT>(n, 0))));
        }
        // EM_GETLINE writes no terminating zero.
        const std::size_t room = size;
        if (unicodeCaller) {
            const std::size_t n = std::min(room, text.size());
            std::copy_n(text.data(), n, reinterpret_cast<LPWSTR>(lParam));
            return static_cast<LRESULT>(n);
        }
        const std::string a = wideToAnsi(text);
        const std::size_t n = std::min(room, a.size());
        std::copy_n(a.data(), n, reinterpret_cast<LPSTR>(lParam));
        return static_cast<LRESULT>(n);
    }
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_IME_CHAR: {
        const WPARAM high = wParam & ~static_cast<WPARAM>(0xFFFF);
        if (toWide) {
            std::u16string w;
            if (!collectAnsiChar(wnd, 0, static_cast<unsigned char>(wParam & 0xFF), w)) return 0;
            LRESULT r = 0;
            for (char16_t c : w) r = proc(wnd, msg, high | c, lParam);
            return r;
        }
        // A character outside the basic plane comes as two UTF-16 units: the first waits
        // for the second, and the pair goes on as the bytes of one character.
        const auto unit = static_cast<char16_t>(wParam & 0xFFFF);
        std::u16string w(1, unit);
        auto& pending = pendingSurrogates();
        const auto key = std::make_pair(wnd, msg);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            pending[key] = unit;
            return 0;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            auto it = pending.find(key);
            if (it != pending.end()) {
                w.insert(w.begin(), it->second);
                pending.erase(it);
            }
        }
        const std::string a = wideToAnsi(w);
        LRESULT r = 0;
        for (char c : a) r = proc(wnd, msg, high | static_cast<unsigned char>(c), lParam);
        return r;
    }
    default: break;
    }
    return proc(wnd, msg, wParam, lParam);
}

// Hooks

namespace {

struct Hook {
    HHOOK handle;
    int type;
    HOOKPROC proc;
    bool unicode;
};

struct Hooks {
    std::vector<Hook> list;  // newest first
    std::uintptr_t next = 0x70000;
};

Hooks& hooks() {
    static auto* h = new Hooks;
    return *h;
}

LRESULT callChain(int type, int code, WPARAM wParam, LPARAM lParam, bool& any) {
    for (const Hook& h : hooks().list)
        if (h.type == type) {
            any = true;
            return h.proc(code, wParam, lParam);
        }
    any = false;
    return 0;
}

}  // namespace

bool runKeyboardHooks(const MSG& msg) {
    bool any = false;
    const LRESULT r = callChain(WH_KEYBOARD, HC_ACTION, msg.wParam, msg.lParam, any);
    return any && r != 0;
}

bool runMouseHooks(const MSG& msg) {
    MOUSEHOOKSTRUCT m{msg.pt, msg.hwnd, HTCLIENT, 0};
    bool any = false;
    const LRESULT r = callChain(WH_MOUSE, HC_ACTION, msg.message, reinterpret_cast<LPARAM>(&m), any);
    return any && r != 0;
}

void runGetMessageHooks(MSG& msg) {
    bool any = false;
    callChain(WH_GETMESSAGE, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&msg), any);
}

namespace {

LRESULT sendOnThisThread(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicodeCaller) {
    Window* w = find(wnd);
    if (!w) return 0;
    bool any = false;
    for (const Hook& h : hooks().list)
        if (h.type == WH_CALLWNDPROC) {
            any = true;
            break;
        }
    if (any) {
        CWPSTRUCT c{lParam, wParam, msg, wnd};
        bool dummy = false;
        callChain(WH_CALLWNDPROC, HC_ACTION, 0, reinterpret_cast<LPARAM>(&c), dummy);
    }
    const LRESULT r = callProc(w->proc, w->unicode, wnd, msg, wParam, lParam, unicodeCaller);
    bool anyRet = false;
    for (const Hook& h : hooks().list)
        if (h.type == WH_CALLWNDPROCRET) {
            anyRet = true;
            break;
        }
    if (anyRet && find(wnd)) {
        CWPRETSTRUCT c{r, lParam, wParam, msg, wnd};
        bool dummy = false;
        callChain(WH_CALLWNDPROCRET, HC_ACTION, 0, reinterpret_cast<LPARAM>(&c), dummy);
    }
    return r;
}

bool onGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// Messages sent from other threads: each waits in this queue until the user-interface
// thread runs it, from its event loop or from any of its waits.
struct SentRequest {
    std::function<void()> run;
    bool done = false;
    std::exception_ptr error;
};

struct SentQueue {
    std::mutex mutex;
    std::condition_variable done;
    std::deque<SentRequest*> items;
    std::map<int, std::function<void()>> wakers;
    int nextWaker = 0;
};

SentQueue& sentQueue() {
    static auto* q = new SentQueue;
    return *q;
}

}  // namespace

LRESULT send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicodeCaller) {
    if (wnd == HWND_BROADCAST) {
        for (HWND t : topLevelWindows()) sendOnThisThread(t, msg, wParam, lParam, unicodeCaller);
        return 0;
    }
    if (onGuiThread()) return sendOnThisThread(wnd, msg, wParam, lParam, unicodeCaller);
    // Another thread waits while the user-interface thread handles the message.
    LRESULT r = 0;
    SentRequest request;
    request.run = [&] { r = sendOnThisThread(wnd, msg, wParam, lParam, unicodeCaller); };
    SentQueue& q = sentQueue();
    std::vector<std::function<void()>> wakers;
    {
        std::lock_guard lock(q.mutex);
        q.items.push_back(&request);
        for (const auto& [id, wake] : q.wakers) wakers.push_back(wake);
    }
    for (const auto& wake : wakers) wake();
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { ::platform::serveSentMessages(); },
                              Qt::QueuedConnection);
    {
        std::unique_lock lock(q.mutex);
        q.done.wait(lock, [&] { return request.done; });
    }
    if (request.error) std::rethrow_exception(request.error);
    return r;
}


LRESULT notifyParent(HWND wnd, WORD code) {
    Window* w = find(wnd);
    if (!w || !w->parent) return 0;
    return send(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code), reinterpret_cast<LPARAM>(wnd),
                true);
}

LRESULT sendToParent(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(wnd);
    if (!w || !w->parent) return 0;
    return send(w->parent, msg, wParam, lParam, true);
}

// Qt event contexts

namespace {
QtEventContext*& contextTop() {
    static QtEventContext* top = nullptr;
    return top;
}
}  // namespace

QtEventScope::QtEventScope(HWND wnd, UINT msg, WPARAM wParam) : ctx{wnd, msg, wParam, false, {}, nullptr} {
    ctx.outer = contextTop();
    contextTop() = &ctx;
}

QtEventScope::~QtEventScope() { contextTop() = ctx.outer; }

QtEventContext* currentQtEvent(HWND wnd, UINT msg, WPARAM) {
    // Only the innermost context counts: a message sent by code while a Qt event is being
    // handled is carried out by the default procedure.
    QtEventContext* c = contextTop();
    return c && c->wnd == wnd && c->msg == msg ? c : nullptr;
}

// The posted-message queue

namespace {

struct Posted {
    MSG msg;
    bool unicode;
};

struct Queue {
    std::mutex mutex;
    std::deque<Posted> items;
    bool quit = false;
    int quitCode = 0;
    bool wakePending = false;
    MessageFilter filter;
    POINT lastPos{0, 0};
    DWORD lastTime = 0;
};

Queue& queue() {
    static auto* q = new Queue;
    return *q;
}

void drainQueue();
int peeking = 0;

class QueueWaker : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User + 0x3A1) {
            {
                std::lock_guard lock(queue().mutex);
                queue().wakePending = false;
            }
            // A PeekMessage in progress takes the messages itself.
            if (peeking == 0) drainQueue();
            return true;
        }
        return QObject::event(e);
    }
};

QueueWaker* waker() {
    static QueueWaker* w = [] {
        auto* o = new QueueWaker;
        if (QCoreApplication* app = QCoreApplication::instance()) o->moveToThread(app->thread());
        return o;
    }();
    return w;
}

void wake() {
    bool post = false;
    {
        std::lock_guard lock(queue().mutex);
        if (!queue().wakePending) post = queue().wakePending = true;
    }
    if (post && QCoreApplication::instance())
        QCoreApplication::postEvent(waker(), new QEvent(static_cast<QEvent::Type>(QEvent::User + 0x3A1)));
}

bool matches(const MSG& m, HWND wnd, UINT first, UINT last) {
    if (wnd && m.hwnd != wnd && !IsChild(wnd, m.hwnd)) return false;
    if (first == 0 && last == 0) return true;
    return m.message >= first && m.message <= last;
}

bool take(MSG* out, bool* unicode, HWND wnd, UINT first, UINT last, bool remove) {
    std::lock_guard lock(queue().mutex);
    auto& items = queue().items;
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (!matches(it->msg, wnd, first, last)) continue;
        *out = it->msg;
        if (unicode) *unicode = it->unicode;
        if (remove) {
            if (it->msg.message == WM_QUIT) queue().quit = false;
            items.erase(it);
        }
        return true;
    }
    return false;
}

LRESULT dispatch(const MSG& m, bool unicode);

// One message taken from the queue, run as the program's loop would.
void runQueued(MSG m, bool unicode) {
    runGetMessageHooks(m);
    if (m.message == WM_NULL && !m.hwnd) return;
    if (queue().filter && queue().filter(m)) return;
    TranslateMessage(&m);
    dispatch(m, unicode);
}

void drainQueue() {
    // Only what is queued now: messages posted while dispatching wait for the next round.
    std::size_t n;
    {
        std::lock_guard lock(queue().mutex);
        n = queue().items.size();
    }
    for (std::size_t i = 0; i < n; ++i) {
        MSG m;
        bool unicode = true;
        if (!take(&m, &unicode, nullptr, 0, 0, true)) break;
        if (m.message == WM_QUIT) {
            std::lock_guard lock(queue().mutex);
            queue().quit = true;
            queue().quitCode = static_cast<int>(m.wParam);
            break;
        }
        runQueued(m, unicode);
    }
}

LRESULT dispatch(const MSG& m, bool unicode) {
    if (m.message == WM_TIMER && m.lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(m.lParam);
        proc(m.hwnd, WM_TIMER, m.wParam, m.time);
        return 0;
    }
    if (!m.hwnd) return 0;
    return send(m.hwnd, m.message, m.wParam, m.lParam, unicode);
}

bool post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode) {
    if (wnd && wnd != HWND_BROADCAST && !find(wnd)) return false;
    if (wnd == HWND_BROADCAST) {
        for (HWND t : topLevelWindows()) post(t, msg, wParam, lParam, unicode);
        return true;
    }
    {
        std::lock_guard lock(queue().mutex);
        queue().items.push_back(Posted{MSG{wnd, msg, wParam, lParam, messageTime(), queue().lastPos}, unicode});
    }
    wake();
    return true;
}

bool peek(LPMSG msg, HWND wnd, UINT first, UINT last, UINT remove, bool unicode) {
    if (!msg) return false;
    if (QCoreApplication::instance() && onGuiThread()) {
        waker();
        ++peeking;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        --peeking;
    }
    bool form = true;
    if (!take(msg, &form, wnd, first, last, (remove & PM_REMOVE) != 0)) return false;
    if (remove & PM_REMOVE) runGetMessageHooks(*msg);
    return true;
}

}  // namespace

bool deliverInput(MSG& msg) {
    waker();
    {
        std::lock_guard lock(queue().mutex);
        queue().lastPos = msg.pt;
        queue().lastTime = msg.time;
    }
    runGetMessageHooks(msg);
    if (msg.message == WM_NULL) return false;
    if (queue().filter && queue().filter(msg)) return false;
    dispatch(msg, true);
    return true;
}

}  // namespace platform::win

using namespace platform::win;

LRESULT SendMessageA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return send(wnd, msg, wParam, lParam, false); }
LRESULT SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return send(wnd, msg, wParam, lParam, true); }
BOOL PostMessageA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return post(wnd, msg, wParam, lParam, false) ? TRUE : FALSE;
}
BOOL PostMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return post(wnd, msg, wParam, lParam, true) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
    {
        std::lock_guard lock(queue().mutex);
        queue().quit = true;
        queue().quitCode = exitCode;
        queue().items.push_back(Posted{MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, messageTime(), {}}, true});
    }
    wake();
}

LRESULT CallWindowProcA(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return callProc(proc, formForCall(wnd, proc, false), wnd, msg, wParam, lParam, false);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return callProc(proc, formForCall(wnd, proc, true), wnd, msg, wParam, lParam, true);
}

BOOL PeekMessageA(LPMSG msg, HWND wnd, UINT first, UINT last, UINT remove) {
    return peek(msg, wnd, first, last, remove, false) ? TRUE : FALSE;
}
BOOL PeekMessageW(LPMSG msg, HWND wnd, UINT first, UINT last, UINT remove) {
    return peek(msg, wnd, first, last, remove, true) ? TRUE : FALSE;
}

namespace {
BOOL getMessage(LPMSG msg, HWND wnd, UINT first, UINT last, bool unicode) {
    if (!msg) return -1;
    for (;;) {
        if (peek(msg, wnd, first, last, PM_REMOVE, unicode)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (!QCoreApplication::instance()) return -1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
}
}  // namespace

BOOL GetMessageA(LPMSG msg, HWND wnd, UINT first, UINT last) { return getMessage(msg, wnd, first, last, false); }
BOOL GetMessageW(LPMSG msg, HWND wnd, UINT first, UINT last) { return getMessage(msg, wnd, first, last, true); }

// Characters are made from key events by the window layer itself.
BOOL TranslateMessage(const MSG* msg) {
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) { return msg ? dispatch(*msg, false) : 0; }
LRESULT DispatchMessageW(const MSG* msg) { return msg ? dispatch(*msg, true) : 0; }

BOOL WaitMessage() {
    if (!QCoreApplication::instance()) return FALSE;
    {
        std::lock_guard lock(queue().mutex);
        if (!queue().items.empty()) return TRUE;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    return TRUE;
}

BOOL InSendMessage() { return FALSE; }

DWORD GetMessagePos() {
    std::lock_guard lock(queue().mutex);
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(queue().lastPos.x), static_cast<WORD>(queue().lastPos.y)));
}

LONG GetMessageTime() {
    std::lock_guard lock(queue().mutex);
    return static_cast<LONG>(queue().lastTime);
}

HHOOK SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE, DWORD) {
    if (!proc) return nullptr;
    auto& h = hooks();
    h.next += 4;
    const HHOOK handle = reinterpret_cast<HHOOK>(h.next);
    h.list.insert(h.list.begin(), Hook{handle, type, proc, false});
    return handle;
}

HHOOK SetWindowsHookExW(int type, HOOKPROC proc, HINSTANCE instance, DWORD thread) {
    HHOOK handle = SetWindowsHookExA(type, proc, instance, thread);
    if (handle) hooks().list.front().unicode = true;
    return handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    auto& l = hooks().list;
    auto it = std::find_if(l.begin(), l.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == l.end()) return FALSE;
    l.erase(it);
    return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    auto& l = hooks().list;
    auto it = std::find_if(l.begin(), l.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == l.end()) return 0;
    const int type = it->type;
    for (++it; it != l.end(); ++it)
        if (it->type == type) return it->proc(code, wParam, lParam);
    return 0;
}

namespace platform {

bool sentMessagesPending() {
    SentQueue& q = sentQueue();
    std::lock_guard lock(q.mutex);
    return !q.items.empty();
}

bool serveSentMessages() {
    if (!onGuiThread()) return false;
    SentQueue& q = sentQueue();
    bool any = false;
    for (;;) {
        SentRequest* request;
        {
            std::lock_guard lock(q.mutex);
            if (q.items.empty()) break;
            request = q.items.front();
            q.items.pop_front();
        }
        any = true;
        try {
            request->run();
        } catch (...) {
            request->error = std::current_exception();
        }
        {
            std::lock_guard lock(q.mutex);
            request->done = true;
        }
        q.done.notify_all();
    }
    return any;
}

int addSentMessageWaker(std::function<void()> wake) {
    SentQueue& q = sentQueue();
    std::lock_guard lock(q.mutex);
    const int id = ++q.nextWaker;
    q.wakers.emplace(id, std::move(wake));
    return id;
}

void removeSentMessageWaker(int id) {
    SentQueue& q = sentQueue();
    std::lock_guard lock(q.mutex);
    q.wakers.erase(id);
}

MessageFilter setMessageFilter(MessageFilter filter) {
    MessageFilter old = std::move(queue().filter);
    queue().filter = std::move(filter);
    return old;
}

bool quitPosted() {
    std::lock_guard lock(queue().mutex);
    return queue().quit;
}

void processPendingMessages() {
    if (!QCoreApplication::instance()) return;
    waker();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    drainQueue();
}

int runMessageLoop(const std::function<bool()>& done) {
    if (!QCoreApplication::instance()) return 0;
    InputBypassPause ownInput;
    waker();
    drainQueue();
    for (;;) {
        {
            std::lock_guard lock(queue().mutex);
            if (queue().quit) {
                // The quit message stays for nested loops; the outermost loop takes it.
                if (!done) {
                    queue().quit = false;
                    auto& items = queue().items;
                    items.erase(std::remove_if(items.begin(), items.end(),
                                               [](const Posted& p) { return p.msg.message == WM_QUIT; }),
                                items.end());
                }
                return queue().quitCode;
            }
        }
        if (done && done()) return 0;
        drainQueue();
        if (done && done()) return 0;
        if (quitPosted()) continue;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
}

}  // namespace platform
