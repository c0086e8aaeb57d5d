// Window classes, the window table and message dispatch to window procedures.
#include "platform/winuser.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

std::u16string widen(LPCSTR s) {
    std::u16string out;
    if (s)
        for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
    return out;
}

// Class names compare without regard to ASCII case.
std::u16string classKey(std::u16string name) {
    for (auto& c : name)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return name;
}

struct WindowClass {
    WNDPROC proc = nullptr;
    bool unicode = false;
};

struct Window {
    WNDPROC proc = nullptr;
    bool unicode = false;
    LONG_PTR userData = 0;
};

struct State {
    std::recursive_mutex mutex;
    std::unordered_map<std::u16string, WindowClass> classes;
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
};

State& state() {
    static State* s = new State;
    return *s;
}

Window* findWindow(HWND wnd) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.windows.find(wnd);
    return it == s.windows.end() ? nullptr : it->second.get();
}

ATOM registerClass(const std::u16string& name, WNDPROC proc, bool unicode) {
    if (name.empty() || !proc) return 0;
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto [it, inserted] = s.classes.emplace(classKey(name), WindowClass{proc, unicode});
    if (!inserted) return 0;
    return static_cast<ATOM>(0xC000 + s.classes.size());
}

HWND createWindow(const std::u16string& className, LPVOID param) {
    WindowClass cls;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        auto it = s.classes.find(classKey(className));
        if (it == s.classes.end()) return nullptr;
        cls = it->second;
    }
    auto w = std::make_unique<Window>();
    w->proc = cls.proc;
    w->unicode = cls.unicode;
    HWND h = reinterpret_cast<HWND>(w.get());
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        s.windows.emplace(h, std::move(w));
    }
    const LPARAM lp = reinterpret_cast<LPARAM>(param);
    if (!SendMessageW(h, WM_NCCREATE, 0, lp) || SendMessageW(h, WM_CREATE, 0, lp) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    return h;
}

LRESULT dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(wnd);
    if (!w || !w->proc) return 0;
    return w->proc(wnd, msg, wParam, lParam);
}

LONG_PTR getLong(HWND wnd, int index) {
    Window* w = findWindow(wnd);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->userData;
    default: return 0;
    }
}

LONG_PTR setLong(HWND wnd, int index, LONG_PTR value) {
    Window* w = findWindow(wnd);
    if (!w) return 0;
    LONG_PTR old = 0;
    switch (index) {
    case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_USERDATA:
        old = w->userData;
        w->userData = value;
        break;
    default: break;
    }
    return old;
}

}  // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    return wc ? registerClass(widen(wc->lpszClassName), wc->lpfnWndProc, false) : 0;
}

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
    return wc && wc->lpszClassName ? registerClass(wc->lpszClassName, wc->lpfnWndProc, true) : 0;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.classes.erase(classKey(widen(className))) ? TRUE : FALSE;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (!className) return FALSE;
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.classes.erase(classKey(className)) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                     LPVOID param) {
    return createWindow(widen(className), param);
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                     LPVOID param) {
    return className ? createWindow(className, param) : nullptr;
}

BOOL DestroyWindow(HWND wnd) {
    if (!findWindow(wnd)) return FALSE;
    dispatch(wnd, WM_DESTROY, 0, 0);
    dispatch(wnd, WM_NCDESTROY, 0, 0);
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.windows.erase(wnd);
    return TRUE;
}

BOOL IsWindow(HWND wnd) { return findWindow(wnd) ? TRUE : FALSE; }

BOOL IsWindowUnicode(HWND wnd) {
    Window* w = findWindow(wnd);
    return w && w->unicode ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return dispatch(wnd, msg, wParam, lParam); }
LRESULT SendMessageW(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return dispatch(wnd, msg, wParam, lParam); }

LRESULT DefWindowProcA(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_NCCREATE ? TRUE : 0; }
LRESULT DefWindowProcW(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_NCCREATE ? TRUE : 0; }

LRESULT CallWindowProcA(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(wnd, msg, wParam, lParam) : 0;
}
LRESULT CallWindowProcW(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(wnd, msg, wParam, lParam) : 0;
}

LONG_PTR GetWindowLongPtrA(HWND wnd, int index) { return getLong(wnd, index); }
LONG_PTR GetWindowLongPtrW(HWND wnd, int index) { return getLong(wnd, index); }
LONG_PTR SetWindowLongPtrA(HWND wnd, int index, LONG_PTR value) { return setLong(wnd, index, value); }
LONG_PTR SetWindowLongPtrW(HWND wnd, int index, LONG_PTR value) { return setLong(wnd, index, value); }
