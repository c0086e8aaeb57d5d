// Window hooks over the platform's window procedures.
#include "kit/KitHook.h"

#include "classlib/Filer.h"
#include "classlib/Forms.h"

#include <algorithm>

namespace {

class THookList {
public:
    ~THookList() { Clear(); }

    std::vector<TControlHook*> Items;

    HWND Window() {
        if (!FWnd) FWnd = AllocateHWnd([this](TMessage& m) { WndProc(m); });
        return FWnd;
    }
    bool Contains(TControlHook* h) const { return std::find(Items.begin(), Items.end(), h) != Items.end(); }
    void Remove(TControlHook* h) { Items.erase(std::remove(Items.begin(), Items.end(), h), Items.end()); }
    void Clear() {
        while (!Items.empty()) delete Items.back();  // each one takes itself out
        if (FWnd) {
            DeallocateHWnd(FWnd);
            FWnd = nullptr;
        }
    }
    void Post(UINT msg, TControlHook* h) { PostMessageA(Window(), msg, 0, reinterpret_cast<LPARAM>(h)); }

private:
    void WndProc(TMessage& m) {
        try {
            auto* h = reinterpret_cast<TControlHook*>(m.LParam);
            if (m.Msg == CM_KIT_REINSTALLHOOK) {
                if (Contains(h)) h->Install();
            } else if (m.Msg == CM_KIT_FREEHOOK) {
                if (Contains(h) && h->ClientCount() == 0 && !h->Installed()) delete h;
            } else {
                m.Result = DefWindowProcA(FWnd, m.Msg, m.WParam, m.LParam);
            }
        } catch (std::exception& e) {
            if (Application) Application->HandleException(nullptr, e);
        }
    }
    HWND FWnd = nullptr;
};

THookList* List = nullptr;

THookList& HookList() {
    if (!List) List = new THookList();
    return *List;
}

TControlHook* FindOrMake(TWinControl* control) {
    for (TControlHook* h : HookList().Items)
        if (h->Control() == control) return h;
    auto* h = new TControlHook();
    try {
        h->SetControl(control);
        HookList().Items.push_back(h);
    } catch (...) {
        delete h;
        throw;
    }
    return h;
}

}  // namespace

namespace kithooks {

TControlHook* FindHook(TWinControl* Control) {
    if (!List) return nullptr;
    for (TControlHook* h : List->Items)
        if (h->Control() == Control) return h;
    return nullptr;
}

int HookCount() { return List ? static_cast<int>(List->Items.size()) : 0; }

HWND UtilityWindow() { return HookList().Window(); }

void FreeHookList() {
    THookList* l = List;
    if (!l) return;
    l->Clear();
    List = nullptr;
    delete l;
}

}  // namespace kithooks

// TControlHook

TControlHook::TControlHook() {
    FNewProc = MakeObjectInstance([this](TMessage& m) { HookWndProc(m); });
}

TControlHook::~TControlHook() {
    FDestroying = true;
    Uninstall();
    if (List) List->Remove(this);
    while (!FClients.empty()) RemoveClient(FClients.back());
    FreeObjectInstance(FNewProc);
}

bool TControlHook::Usable() const {
    TWinControl* c = Control();
    return c && !c->ComponentState().Contains(csDestroying) && !c->ComponentState().Contains(csDesigning);
}

void TControlHook::SetControl(TWinControl* v) {
    if (Control() == v && Control() == v) return;
    Uninstall();
    FPrevProc = nullptr;
    FControl = v;
    if (!FClients.empty()) Install();
}

void TControlHook::AddClient(TKitWindowHook* Client) {
    if (std::find(FClients.begin(), FClients.end(), Client) == FClients.end()) {
        FClients.push_back(Client);
        Client->FControlHook = this;
        SetControl(Client->FControl);
    }
    Install();
}

void TControlHook::RemoveClient(TKitWindowHook* Client) {
    auto it = std::find(FClients.begin(), FClients.end(), Client);
    if (it == FClients.end()) return;
    Client->FControlHook = nullptr;
    FClients.erase(it);
    if (FClients.empty()) Uninstall();
}

void TControlHook::Install() {
    if (FDestroying || !Usable()) return;
    TWinControl* c = Control();
    HWND wnd = c->Handle();
    // Still in the window's chain (under another subclasser): the place is kept.
    if (FPrevProc) return;
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC));
    if (current == FNewProc) return;
    FPrevProc = current;
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FNewProc));
}

void TControlHook::Uninstall() {
    TWinControl* c = Control();
    if (c && c->HandleAllocated() && FPrevProc) {
        HWND wnd = c->Handle();
        // A procedure that someone else put in front of ours stays, and ours stays in the
        // chain under it, passing every message on.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) != FNewProc && !FDestroying) return;
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) == FNewProc)
            SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevProc));
    }
    FPrevProc = nullptr;
}

void TControlHook::Notify(TMessage& Msg, bool& Handled, bool Before) {
    if (FClients.empty() || FDestroying || !Usable()) return;
    // Clients may attach or detach inside their handlers: walk a copy and skip the gone.
    const std::vector<TKitWindowHook*> snapshot(FClients.rbegin(), FClients.rend());
    for (TKitWindowHook* client : snapshot) {
        if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) continue;
        try {
            if (Before) client->DoBeforeMessage(Msg, Handled);
            else client->DoAfterMessage(Msg, Handled);
        } catch (std::exception& e) {
            if (Application) Application->HandleException(client, e);
        }
        if (Handled) break;
    }
}

void TControlHook::HookWndProc(TMessage& Msg) {
    TWinControl* c = Control();
    if (!c || !c->HandleAllocated()) return;
    HWND wnd = c->Handle();
    // A client may take the procedure out inside its handler; the message still goes on.
    const WNDPROC prev = FPrevProc;
    bool handled = false;
    if (Msg.Msg != WM_QUIT) Notify(Msg, handled, true);
    if (!handled || Msg.Msg == WM_DESTROY) {
        try {
            c = Control();
            const WNDPROC proc = prev ? prev : c ? c->DefWndProc() : nullptr;
            Msg.Result = proc ? CallWindowProcA(proc, wnd, Msg.Msg, Msg.WParam, Msg.LParam)
                              : DefWindowProcA(wnd, Msg.Msg, Msg.WParam, Msg.LParam);
        } catch (...) {
            Notify(Msg, handled, false);
            throw;
        }
        Notify(Msg, handled, false);
    }
    if (Msg.Msg == WM_DESTROY) {
        Uninstall();
        FPrevProc = nullptr;  // the window goes, and our place in its chain with it
        // Back into the control's next window once it makes one.
        if (List && !FDestroying && Control() && !Control()->ComponentState().Contains(csDestroying))
            List->Post(CM_KIT_REINSTALLHOOK, this);
        if (List && !FDestroying && FClients.empty()) List->Post(CM_KIT_FREEHOOK, this);
    }
}

// TKitWindowHook

TKitWindowHook::TKitWindowHook(TComponent* AOwner) : TComponent(AOwner) {}

TKitWindowHook::~TKitWindowHook() {
    BeforeMessage = nullptr;
    AfterMessage = nullptr;
    SetActive(false);
    SetWinControl(nullptr);
}

TWinControl* TKitWindowHook::WinControl() const {
    if (FControlHook) return FControlHook->Control();
    return FControl;
}

void TKitWindowHook::Attach() {
    if (!FControl || ComponentState().Contains(csDestroying)) return;
    TControlHook* h = FindOrMake(FControl);
    h->AddClient(this);
}

void TKitWindowHook::Detach() {
    TControlHook* h = FControlHook;
    if (!h) return;
    h->RemoveClient(this);
    // Freed after the current message, never inside its own window procedure.
    if (h->ClientCount() == 0 && List) List->Post(CM_KIT_FREEHOOK, h);
}

void TKitWindowHook::SetActive(bool v) {
    FActive = v;
    if (v) Attach();
    else Detach();
}

void TKitWindowHook::SetWinControl(TWinControl* v) {
    if (v == FControl) return;
    Detach();
    if (FControlComponent) FControlComponent->RemoveFreeNotification(this);
    FControl = v;
    FControlComponent = v;
    if (v) v->FreeNotification(this);
    if (FActive) Attach();
}

void TKitWindowHook::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FControlComponent && (AComponent == FControlComponent || AComponent == Owner())) {
        // The control may be past its windowed part already: forget it without touching it.
        Detach();
        if (AComponent != FControlComponent) FControlComponent->RemoveFreeNotification(this);
        FControl = nullptr;
        FControlComponent = nullptr;
    }
}

void TKitWindowHook::DoBeforeMessage(TMessage& Msg, bool& Handled) {
    if (BeforeMessage) BeforeMessage(this, Msg, Handled);
}

void TKitWindowHook::DoAfterMessage(TMessage& Msg, bool& Handled) {
    if (AfterMessage) AfterMessage(this, Msg, Handled);
}

bool TKitWindowHook::IsFormStored() const {
    return WinControl() && WinControl() == Owner() && qobject_cast<TCustomForm*>(Owner());
}

bool TKitWindowHook::IsWinControlStored() const {
    return WinControl() && !qobject_cast<TCustomForm*>(WinControl());
}

void TKitWindowHook::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "IsForm",
        [this](TReader* r) {
            if (r->ReadBoolean())
                if (auto* f = qobject_cast<TWinControl*>(Owner())) SetWinControl(f);
        },
        [this](TWriter* w) { w->WriteBoolean(IsFormStored()); }, IsFormStored());
}

void RegisterKitHook() { RegisterClasses<TKitWindowHook>(); }
