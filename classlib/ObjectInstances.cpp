// Object instances (window procedures that call a method), utility windows and the
// atoms that tie windows to their controls.
#include "classlib/Controls.h"

#include <cstdio>
#include <ffi.h>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <unordered_map>
#include <utility>

// Object instances: each one a window procedure of its own, made at run time as a closure
// (executable code from the foreign-function library) that calls the instance's method.
// There is no fixed number of them.
namespace {

struct Instance {
    ffi_closure* closure = nullptr;
    WNDPROC code = nullptr;
    TWndMethod method;
    int running = 0;     // calls in progress
    bool freed = false;  // freed during a call: goes when the last call returns
};

struct Instances {
    std::mutex mutex;
    ffi_cif cif{};
    ffi_type* args[4] = {&ffi_type_pointer, &ffi_type_uint32, &ffi_type_uint64, &ffi_type_sint64};
    bool ready = false;
    std::unordered_map<WNDPROC, std::unique_ptr<Instance>> live;
};

Instances& instances() {
    static auto* t = new Instances;
    return *t;
}

void callMethod(ffi_cif*, void* ret, void** args, void* data) {
    auto* instance = static_cast<Instance*>(data);
    TMessage m{*static_cast<UINT*>(args[1]), *static_cast<WPARAM*>(args[2]), *static_cast<LPARAM*>(args[3]), 0};
    ++instance->running;
    try {
        if (instance->method) {
            TWndMethod keep = instance->method;  // the method may free its own instance
            keep(m);
        }
    } catch (...) {
        --instance->running;
        throw;
    }
    if (--instance->running == 0 && instance->freed) {
        ffi_closure_free(instance->closure);
        delete instance;
    }
    *static_cast<ffi_sarg*>(ret) = static_cast<ffi_sarg>(m.Result);
}

}  // namespace

WNDPROC MakeObjectInstance(TWndMethod method) {
    static_assert(sizeof(UINT) == 4 && sizeof(WPARAM) == 8 && sizeof(LPARAM) == 8 && sizeof(LRESULT) == 8);
    Instances& t = instances();
    std::lock_guard lock(t.mutex);
    if (!t.ready) {
        if (ffi_prep_cif(&t.cif, FFI_DEFAULT_ABI, 4, &ffi_type_sint64, t.args) != FFI_OK)
            throw EOutOfResources("Too many window procedures");
        t.ready = true;
    }
    auto instance = std::make_unique<Instance>();
    void* code = nullptr;
    instance->closure = static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &code));
    if (!instance->closure) throw EOutOfResources("Too many window procedures");
    instance->method = std::move(method);
    if (ffi_prep_closure_loc(instance->closure, &t.cif, callMethod, instance.get(), code) != FFI_OK) {
        ffi_closure_free(instance->closure);
        throw EOutOfResources("Too many window procedures");
    }
    instance->code = reinterpret_cast<WNDPROC>(code);
    const WNDPROC proc = instance->code;
    t.live.emplace(proc, std::move(instance));
    return proc;
}

void FreeObjectInstance(WNDPROC proc) {
    Instances& t = instances();
    std::unique_ptr<Instance> gone;
    {
        std::lock_guard lock(t.mutex);
        auto it = t.live.find(proc);
        if (it == t.live.end()) return;
        gone = std::move(it->second);
        t.live.erase(it);
    }
    if (gone->running > 0) {
        // Freed by its own method: the closure goes when that call has returned.
        gone->freed = true;
        gone.release();
        return;
    }
    ffi_closure_free(gone->closure);
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
