// Object instances (window procedures that call a method), utility windows and the
// atoms that tie windows to their controls.
#include "classlib/Controls.h"

#include <array>
#include <cstdio>
#include <unistd.h>
#include <utility>

// Object instances: a fixed table of distinct window procedures, each calling its method.
namespace {

constexpr std::size_t kInstances = 2048;

struct InstanceTable {
    std::array<TWndMethod, kInstances> methods;
    std::array<bool, kInstances> used{};
};

InstanceTable& instances() {
    static auto* t = new InstanceTable;
    return *t;
}

template <std::size_t I>
LRESULT trampoline(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    TWndMethod& f = instances().methods[I];
    if (f) {
        TWndMethod keep = f;  // the method may free its own instance
        keep(m);
    }
    return m.Result;
}

template <std::size_t... I>
std::array<WNDPROC, sizeof...(I)> makeTrampolines(std::index_sequence<I...>) {
    return {&trampoline<I>...};
}

const std::array<WNDPROC, kInstances>& trampolines() {
    static const auto t = makeTrampolines(std::make_index_sequence<kInstances>{});
    return t;
}

}  // namespace

WNDPROC MakeObjectInstance(TWndMethod method) {
    InstanceTable& t = instances();
    for (std::size_t i = 0; i < kInstances; ++i)
        if (!t.used[i]) {
            t.used[i] = true;
            t.methods[i] = std::move(method);
            return trampolines()[i];
        }
    throw EOutOfResources("Too many window procedures");
}

void FreeObjectInstance(WNDPROC instance) {
    InstanceTable& t = instances();
    const auto& tr = trampolines();
    for (std::size_t i = 0; i < kInstances; ++i)
        if (tr[i] == instance) {
            t.methods[i] = nullptr;
            t.used[i] = false;
            return;
        }
}

namespace {
LRESULT utilWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
}  // namespace

HWND AllocateHWnd(TWndMethod method) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = utilWindowProc;
        wc.lpszClassName = "TPUtilWindow";
        RegisterClassExA(&wc);
        registered = true;
    }
    HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, "TPUtilWindow", "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             nullptr, nullptr);
    if (h && method) {
        // Unhandled messages go on to the default procedure.
        auto wrapped = [method](TMessage& m) {
            m.Result = 0;
            method(m);
        };
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MakeObjectInstance(wrapped)));
    }
    return h;
}

void DeallocateHWnd(HWND wnd) {
    if (!IsWindow(wnd)) return;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC));
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&utilWindowProc));
    if (proc != &utilWindowProc) FreeObjectInstance(proc);
    DestroyWindow(wnd);
}

ATOM ControlAtom() {
    static const ATOM a = [] {
        char name[64];
        std::snprintf(name, sizeof name, "ControlOfs%.8X%.8X", 0x00400000u, static_cast<unsigned>(getpid()));
        return GlobalAddAtomA(name);
    }();
    return a;
}

ATOM WindowAtom() {
    static const ATOM a = [] {
        char name[64];
        std::snprintf(name, sizeof name, "WndOwner%.8X", static_cast<unsigned>(getpid()));
        return GlobalAddAtomA(name);
    }();
    return a;
}
