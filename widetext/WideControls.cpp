// Unicode windows: the UTF-16 window classes of controls, the traps that subclass their
// windows, caption holders and the wide texts of captions and hints.
#include "widetext/WideControls.h"

#include "classlib/ActnList.h"
#include "classlib/Menus.h"
#include "platform/codepage.h"
#include "widetext/WideMenus.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>
#include <vector>

namespace {

// Set when the program ends: traps then let messages pass no more.
bool finalized = false;

// The control whose window CreateUnicodeWindow is making.
TWinControl* windowBeingCreated = nullptr;

std::vector<TWideCaptionHolder*>& holderList() {
    static auto* list = new std::vector<TWideCaptionHolder*>;
    return *list;
}

class TWinControlTrap;
std::vector<TWinControlTrap*>& waitingTraps() {
    static auto* list = new std::vector<TWinControlTrap*>;
    return *list;
}

void finalizeLayer() {
    finalized = true;
    waitingTraps().clear();
    const std::vector<TWideCaptionHolder*> holders = holderList();
    for (TWideCaptionHolder* h : holders) delete h;
}

// The layer's lists come into being with the first control that needs them; at the end of
// the program they go and the traps stop.
void startLayer() {
    static const bool started = [] {
        ControlAtom();
        WindowAtom();
        if (QCoreApplication::instance()) qAddPostRoutine(finalizeLayer);
        return true;
    }();
    (void)started;
}

constexpr UINT kNoMessage = 0xFFFFFFFFu;

LRESULT layerInitialProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The subclassing of one control's UTF-16 window. Its window procedure stands in front of
// the control's own; its hook stands in the control's WindowProc chain and sends the class
// library's own 8-bit text messages to the window, so that the platform converts them; its
// default procedure is the control's default handling, which calls the window's former
// default procedure in UTF-16.
class TWinControlTrap : public TComponent {
public:
    explicit TWinControlTrap(TWinControl* AControl) : TComponent(nullptr), FControl(AControl) {
        FWinProc = MakeObjectInstance([this](TMessage& m) { WinProc(m); });
        FDefProc = MakeObjectInstance([this](TMessage& m) { DefProc(m); });
        FControl->FreeNotification(this);
    }
    ~TWinControlTrap() override {
        auto& w = waitingTraps();
        w.erase(std::remove(w.begin(), w.end(), this), w.end());
        if (trapOf(FControl) == this) traps().erase(FControl);
        FreeObjectInstance(FWinProc);
        FreeObjectInstance(FDefProc);
    }

    // The trap that makes or holds the control's window: the one being set up for it, a
    // waiting one, or a new one.
    static TWinControlTrap* Take(TWinControl* Control) {
        if (TWinControlTrap* t = trapOf(Control)) return t;
        auto& w = waitingTraps();
        for (auto it = w.begin(); it != w.end(); ++it)
            if ((*it)->FControl == Control) {
                TWinControlTrap* t = *it;
                w.erase(it);
                traps()[Control] = t;
                return t;
            }
        auto* t = new TWinControlTrap(Control);
        traps()[Control] = t;
        return t;
    }
    static TWinControlTrap* trapOf(TWinControl* Control) {
        auto it = traps().find(Control);
        return it == traps().end() ? nullptr : it->second;
    }
    // Drops a trap that was set up for a window that could not be made.
    static void Discard(TWinControl* Control) {
        TWinControlTrap* t = trapOf(Control);
        if (!t || t->FSubclassed) return;
        if (Control->DefWndProc() == t->FDefProc) Control->SetDefWndProc(t->FPrevDefWindowProc);
        delete t;
    }

    // The control's default handling goes through the trap before the window exists, so
    // that the window's first messages reach the former default procedure in UTF-16.
    void TakeDefaultProc(WNDPROC Former) {
        FPrevDefWindowProc = Former;
        FControl->SetDefWndProc(FDefProc);
    }

    void Subclass(HWND Wnd, bool UseInitialProc) {
        FHandle = Wnd;
        FUseInitialProc = UseInitialProc;
        FPrevWindowProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC));
        if (FControl->DefWndProc() != FDefProc) {
            FPrevDefWindowProc = FControl->DefWndProc() ? FControl->DefWndProc() : &DefWindowProcW;
            FControl->SetDefWndProc(FDefProc);
        }
        SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FWinProc));
        if (!HookInstalled()) {
            FPrevHook = FControl->WindowProc;
            FControl->WindowProc = Hook{this};
            FHookOrphaned = false;
        }
        FSubclassed = true;
    }

private:
    // The trap's link in the control's WindowProc chain.
    struct Hook {
        TWinControlTrap* trap;
        void operator()(TMessage& m) const { trap->HookProc(m); }
    };

    static std::map<TWinControl*, TWinControlTrap*>& traps() {
        static auto* map = new std::map<TWinControl*, TWinControlTrap*>;
        return *map;
    }

    bool HookInstalled() {
        FTestingHook = true;
        FHookFound = false;
        TMessage probe{WM_NULL, 0, 0, 0};
        try {
            if (FControl->WindowProc) FControl->WindowProc(probe);
        } catch (...) {
            FTestingHook = false;
            throw;
        }
        FTestingHook = false;
        return FHookFound;
    }

    void forward(TMessage& m) {
        if (FPrevHook) FPrevHook(m);
        else FControl->WndProc(m);
    }

    void WinProc(TMessage& m) {
        if (finalized) {
            if (m.Msg == WM_DESTROY && FControl) FControl->SetWindowHandle(nullptr);
            return;
        }
        ++FNesting;
        FLastWinMsg = m.Msg;
        try {
            m.Result = CallWindowProcW(FPrevWindowProc, FHandle, m.Msg, m.WParam, m.LParam);
        } catch (...) {
            --FNesting;
            throw;
        }
        if (--FNesting == 0 && FDestroyWhenDone) delete this;
    }

    void HookProc(TMessage& m) {
        if (FTestingHook && m.Msg == WM_NULL) {
            FHookFound = true;
            return;
        }
        if (!FSubclassed || !FControl->HandleAllocated()) {
            if (FHookOrphaned) forward(m);
            else FControl->WndProc(m);
            return;
        }
        const bool fromWindow = FLastWinMsg == m.Msg;
        FLastWinMsg = kNoMessage;
        if (m.Msg == CM_HINTSHOW) ApplyWideHintFix(FControl, m);
        if (!fromWindow && (m.Msg == WM_GETTEXT || m.Msg == WM_SETTEXT || m.Msg == WM_GETTEXTLENGTH)) {
            // The class library's own 8-bit call: the platform converts it on the way.
            m.Result = SendMessageA(FHandle, m.Msg, m.WParam, m.LParam);
            return;
        }
        if (m.Msg == WM_CHAR) MakeWMCharMsgSafeForAnsi(m);
        forward(m);
    }

    void DefProc(TMessage& m) {
        const HWND wnd = FHandle ? FHandle : FControl ? FControl->WindowHandle() : nullptr;
        switch (m.Msg) {
        case WM_NOTIFYFORMAT: {
            const auto asking = reinterpret_cast<HWND>(m.WParam);
            const bool creating = windowBeingCreated && asking && asking == windowBeingCreated->WindowHandle();
            m.Result = PlatformHasWideApi() && (IsWindowUnicode(asking) || creating) ? NFR_UNICODE : NFR_ANSI;
            return;
        }
        case WM_CHAR: RestoreWMCharMsg(m); break;
        case WM_IME_CHAR:
            if (!PlatformIsXPOrLater()) {
                m.Result = SendMessageW(wnd, WM_CHAR, m.WParam, m.LParam);
                return;
            }
            break;
        case WM_DESTROY: {
            const WNDPROC former = FPrevDefWindowProc;
            if (FControl) Unsubclass();  // may free the trap
            m.Result = CallWindowProcW(former, wnd, m.Msg, m.WParam, m.LParam);
            return;
        }
        default: break;
        }
        m.Result = CallWindowProcW(FPrevDefWindowProc, wnd, m.Msg, m.WParam, m.LParam);
    }

    void Unsubclass() {
        TWinControl* c = FControl;
        const bool destroying = c->ComponentState().Contains(csDestroying);
        // The wide caption outlives the window.
        if (!destroying && FSubclassed) {
            const WideString caption = WideGetText(c);
            TWideCaptionHolder::Get(c)->StoredCaption() = caption;
        }
        if (const Hook* h = c->WindowProc.target<Hook>(); h && h->trap == this) {
            c->WindowProc = FPrevHook;
            FPrevHook = nullptr;
        } else if (FSubclassed) {
            // Someone hooked in after the trap: its link stays and passes messages on.
            FHookOrphaned = true;
        }
        if (c->DefWndProc() == FDefProc) c->SetDefWndProc(FPrevDefWindowProc);
        if (FHandle && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(FHandle, GWLP_WNDPROC)) == FWinProc)
            SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevWindowProc));
        FSubclassed = false;
        FHandle = nullptr;
        if (trapOf(c) == this) traps().erase(c);
        if (FHookOrphaned) return;  // lives as long as the control
        if (FNesting > 0 || FUseInitialProc) {
            FDestroyWhenDone = true;
        } else if (destroying) {
            delete this;
        } else {
            waitingTraps().push_back(this);
        }
    }

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation != opRemove || AComponent != FControl) return;
        // The control is gone: so is its trap.
        auto& w = waitingTraps();
        w.erase(std::remove(w.begin(), w.end(), this), w.end());
        if (trapOf(FControl) == this) traps().erase(FControl);
        FControl = nullptr;
        FSubclassed = false;
        if (FNesting > 0) FDestroyWhenDone = true;
        else delete this;
    }

    TWinControl* FControl;
    WNDPROC FWinProc = nullptr;
    WNDPROC FDefProc = nullptr;
    HWND FHandle = nullptr;
    WNDPROC FPrevWindowProc = nullptr;
    WNDPROC FPrevDefWindowProc = &DefWindowProcW;
    TWndMethod FPrevHook;
    UINT FLastWinMsg = kNoMessage;
    int FNesting = 0;
    bool FDestroyWhenDone = false;
    bool FUseInitialProc = false;
    bool FTestingHook = false;
    bool FHookFound = false;
    bool FSubclassed = false;
    bool FHookOrphaned = false;
};

// The first message of a window of a UTF-16 class: the window becomes the control's, with
// the control's procedure set in UTF-16.
LRESULT layerInitialProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* c = windowBeingCreated;
    if (!c) return DefWindowProcW(wnd, msg, wParam, lParam);
    TWinControlTrap::Take(c);
    if (TWinControl::ControlBeingCreated() == c) return TWinControl::InitialWndProc(wnd, msg, wParam, lParam);
    c->SetWindowHandle(wnd);
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c->ObjectInstance()));
    if ((GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrW(wnd, GWLP_ID) == 0)
        SetWindowLongPtrW(wnd, GWLP_ID, reinterpret_cast<LONG_PTR>(wnd));
    SetPropA(wnd, MAKEINTATOM(ControlAtom()), c);
    SetPropA(wnd, MAKEINTATOM(WindowAtom()), c);
    return CallWindowProcW(c->ObjectInstance(), wnd, msg, wParam, lParam);
}

bool lessControl(const TWideCaptionHolder* h, const TControl* c) {
    return std::less<const void*>()(h->Control(), c);
}

}  // namespace

// ---- Synced wide strings -------------------------------------------------------------------

bool IsWideTextAnsi(const WideString& S) { return AnsiToWide(WideToAnsi(S)) == S; }

WideString GetSyncedWideString(WideString& WideStr, const String& AnsiStr) {
    if (WideToAnsi(WideStr) != AnsiStr) WideStr = AnsiToWide(AnsiStr);
    return WideStr;
}

void SetSyncedWideString(const WideString& Value, WideString& WideStr, const String& AnsiStr,
                         const std::function<void(const String&)>& SetAnsiStr) {
    if (Value == GetSyncedWideString(WideStr, AnsiStr)) return;
    const String ansi = WideToAnsi(Value);
    if (!IsWideTextAnsi(Value) && ansi == AnsiStr) SetAnsiStr(String());
    WideStr = Value;
    SetAnsiStr(ansi);
}

// ---- Caption holders ---------------------------------------------------------------------

TWideCaptionHolder::TWideCaptionHolder(TControl* AControl) : TComponent(nullptr), FControl(AControl) {
    startLayer();
    auto& list = holderList();
    list.insert(std::lower_bound(list.begin(), list.end(), AControl, lessControl), this);
    AControl->FreeNotification(this);
}

TWideCaptionHolder::~TWideCaptionHolder() {
    auto& list = holderList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TWideCaptionHolder* TWideCaptionHolder::Find(const TControl* Control) {
    const auto& list = holderList();
    auto it = std::lower_bound(list.begin(), list.end(), Control, lessControl);
    return it != list.end() && (*it)->Control() == Control ? *it : nullptr;
}

TWideCaptionHolder* TWideCaptionHolder::Get(TControl* Control) {
    if (TWideCaptionHolder* h = Find(Control)) return h;
    return new TWideCaptionHolder(Control);
}

WideString TWideCaptionHolder::Caption() { return GetSyncedWideString(FWideCaption, FControl->Caption()); }

void TWideCaptionHolder::SetCaption(const WideString& Value) {
    TControl* c = FControl;
    SetSyncedWideString(Value, FWideCaption, c->Caption(), [c](const String& s) { c->SetText(s); });
}

WideString TWideCaptionHolder::Hint() { return GetSyncedWideString(FWideHint, FControl->TControl::Hint()); }

void TWideCaptionHolder::SetHint(const WideString& Value) {
    TControl* c = FControl;
    SetSyncedWideString(Value, FWideHint, c->TControl::Hint(), [c](const String& s) { c->TControl::SetHint(s); });
}

void TWideCaptionHolder::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) delete this;
}

// ---- Unicode windows ---------------------------------------------------------------------

TWinControl* UnicodeWindowBeingCreated() { return windowBeingCreated; }

void RegisterUnicodeClass(const TCreateParams& Params, WideString& ClassName, bool UseInitialProc) {
    startLayer();
    ClassName = AnsiToWide(Params.WinClassName.substr(0, 64)) + UNICODE_CLASS_EXT;
    const WNDPROC wanted = UseInitialProc ? &TWinControl::InitialWndProc : &layerInitialProc;
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(nullptr, ClassName.c_str(), &existing)) {
        if (existing.lpfnWndProc == wanted) return;
        if (!UnregisterClassW(ClassName.c_str(), nullptr)) RaiseLastSystemError();
    }
    const WNDCLASSEXA& from = Params.WindowClass;
    WideString menuName;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = from.style;
    wc.lpfnWndProc = wanted;
    wc.cbClsExtra = from.cbClsExtra;
    wc.cbWndExtra = from.cbWndExtra;
    wc.hInstance = nullptr;
    wc.hIcon = from.hIcon;
    wc.hCursor = from.hCursor;
    wc.hbrBackground = from.hbrBackground;
    if (from.lpszMenuName && IS_INTRESOURCE(from.lpszMenuName)) {
        wc.lpszMenuName = reinterpret_cast<LPCWSTR>(from.lpszMenuName);
    } else if (from.lpszMenuName) {
        menuName = AnsiToWide(from.lpszMenuName);
        wc.lpszMenuName = menuName.c_str();
    }
    wc.lpszClassName = ClassName.c_str();
    wc.hIconSm = from.hIconSm;
    if (!RegisterClassExW(&wc)) RaiseLastSystemError();
}

void CreateUnicodeWindow(TWinControl* Control, const TCreateParams& Params, const WideString& SubClass,
                         bool UseInitialProc) {
    if (!PlatformHasWideApi()) {
        const HWND h = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(),
                                       Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                                       Params.WndParent, nullptr, nullptr, Params.Param);
        if (h) Control->SetWindowHandle(h);
        return;
    }
    startLayer();
    WNDPROC former = &DefWindowProcW;
    if (!SubClass.empty()) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (GetClassInfoExW(nullptr, SubClass.c_str(), &wc) && wc.lpfnWndProc) former = wc.lpfnWndProc;
    }
    // Without the class library's initial procedure the window is UTF-16 from its first
    // message on, so its default handling goes through the trap from the start.
    if (UseInitialProc) Control->SetDefWndProc(former);
    else TWinControlTrap::Take(Control)->TakeDefaultProc(former);
    WideString className;
    HWND h = nullptr;
    TWinControl* const outer = windowBeingCreated;
    windowBeingCreated = Control;
    try {
        RegisterUnicodeClass(Params, className, UseInitialProc);
        h = CreateWindowExW(Params.ExStyle, className.c_str(), nullptr, Params.Style, Params.X, Params.Y, Params.Width,
                            Params.Height, Params.WndParent, nullptr, nullptr, Params.Param);
    } catch (...) {
        windowBeingCreated = outer;
        TWinControlTrap::Discard(Control);
        throw;
    }
    windowBeingCreated = outer;
    if (!h) {
        TWinControlTrap::Discard(Control);
        RaiseLastSystemError();
    }
    Control->SetWindowHandle(h);
    if (UseInitialProc) SetWindowLongPtrW(h, GWLP_WNDPROC, GetWindowLongPtrW(h, GWLP_WNDPROC));
    SubClassUnicodeControl(Control, Params.Caption, UseInitialProc);
}

void SubClassUnicodeControl(TWinControl* Control, const String& Caption, bool UseInitialProc) {
    const HWND h = Control->WindowHandle();
    if (!h || !IsWindowUnicode(h)) throw EWideInternalError("Internal Error: SubClassUnicodeControl.Control is not Unicode.");
    startLayer();
    TWinControlTrap::Take(Control)->Subclass(h, UseInitialProc);
    // The caption a holder kept while the control had no window, else the given one.
    WideString caption;
    if (TWideCaptionHolder* holder = TWideCaptionHolder::Find(Control))
        caption = GetSyncedWideString(holder->StoredCaption(), Caption);
    else
        caption = AnsiToWide(Caption);
    WideSetText(Control, caption);
}

// ---- Wide captions and hints ---------------------------------------------------------------

namespace {

// Whether a control takes the 8-bit road: no UTF-16 windows, or a window that is not one.
bool ansiRoad(TControl* Control) {
    if (!PlatformHasWideApi()) return true;
    auto* w = qobject_cast<TWinControl*>(Control);
    return w && w->HandleAllocated() && !IsWindowUnicode(w->WindowHandle());
}

}  // namespace

WideString WideGetText(TControl* Control) {
    if (!Control) return WideString();
    if (ansiRoad(Control)) return AnsiToWide(Control->Caption());
    auto* w = qobject_cast<TWinControl*>(Control);
    if (w && w->HandleAllocated()) {
        const HWND h = w->WindowHandle();
        const int length = GetWindowTextLengthW(h);
        if (length <= 0) return WideString();
        WideString text(static_cast<std::size_t>(length) + 1, u'\0');
        const int n = GetWindowTextW(h, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(std::clamp(n, 0, length)));
        return text;
    }
    if (TWideCaptionHolder* holder = TWideCaptionHolder::Find(Control)) return holder->Caption();
    return AnsiToWide(Control->Caption());
}

void WideSetText(TControl* Control, const WideString& Text) {
    if (!Control) return;
    if (ansiRoad(Control)) {
        Control->SetText(WideToAnsi(Text));
        return;
    }
    auto* w = qobject_cast<TWinControl*>(Control);
    if (!w) {
        TWideCaptionHolder::Get(Control)->SetCaption(Text);
        return;
    }
    if (w->HandleAllocated()) {
        if (Text == WideGetText(Control)) return;
        WideApiSetWindowText(w->WindowHandle(), Text.c_str());
        Control->Perform(CM_TEXTCHANGED);
        return;
    }
    TWideCaptionHolder::Get(Control)->StoredCaption() = Text;
    Control->SetText(WideToAnsi(Text));
}

WideString WideGetHint(TControl* Control) {
    if (!Control) return WideString();
    if (!PlatformHasWideApi()) return AnsiToWide(Control->TControl::Hint());
    if (TWideCaptionHolder* holder = TWideCaptionHolder::Find(Control)) return holder->Hint();
    return AnsiToWide(Control->TControl::Hint());
}

void WideSetHint(TControl* Control, const WideString& Text) {
    if (!Control) return;
    if (!PlatformHasWideApi()) {
        Control->TControl::SetHint(WideToAnsi(Text));
        return;
    }
    TWideCaptionHolder::Get(Control)->SetHint(Text);
}

bool IsHintStored(TControl* Control) {
    auto* link = Control ? qobject_cast<TActionLink*>(Control->ActionLink()) : nullptr;
    return !(link && link->IsHintLinked());
}

bool IsCaptionStored(TControl* Control) {
    auto* link = Control ? qobject_cast<TActionLink*>(Control->ActionLink()) : nullptr;
    return !(link && link->IsCaptionLinked());
}

WideString WideGetHintOfParents(TControl* Control) {
    for (TControl* c = Control; c; c = c->Parent()) {
        WideString hint = WideGetHint(c);
        if (!hint.empty()) return hint;
    }
    return WideString();
}

WideString GetShortHint(const WideString& Hint) {
    const std::size_t bar = Hint.find(u'|');
    return bar == WideString::npos ? Hint : Hint.substr(0, bar);
}

WideString GetLongHint(const WideString& Hint) {
    const std::size_t bar = Hint.find(u'|');
    return bar == WideString::npos ? Hint : Hint.substr(bar + 1);
}

void MakeWMCharMsgSafeForAnsi(TMessage& Message) {
    if (Message.Msg != WM_CHAR) return;
    const auto c = static_cast<WPARAM>(Message.WParam & 0xFFFF);
    if (c < 256) return;
    Message.WParam = (c << 16) | 255;
}

void RestoreWMCharMsg(TMessage& Message) {
    if (Message.Msg != WM_CHAR) return;
    const auto high = static_cast<WPARAM>((Message.WParam >> 16) & 0xFFFF);
    if ((Message.WParam & 0xFFFF) == 255 && high != 0) Message.WParam = high;
    else Message.WParam &= 0xFFFF;
}

// ---- Wide hints ----------------------------------------------------------------------------

void ApplyWideHintFix(TControl* Control, TMessage& Message) {
    if (!PlatformHasWideApi() || Message.Msg != CM_HINTSHOW) return;
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (!info) return;
    const QMetaObject* cls = info->HintWindowClass ? info->HintWindowClass.Class : &THintWindow::staticMetaObject;
    const bool plain = cls == &THintWindow::staticMetaObject;
    if (!plain && !cls->inherits(&TWideCustomHintWindow::staticMetaObject)) return;
    if (plain) info->HintWindowClass = THintWindowClass::Of<TWideCustomHintWindow>();
    info->HintData = info;
    info->HintStr = WideToAnsi(GetShortHint(WideGetHintOfParents(Control)));
}

bool IsWideHintRequest(const void* HintData) {
    return HintData && static_cast<const THintInfo*>(HintData)->HintData == HintData;
}

WideString WideHintTextOf(const THintInfo& Info) {
    WideString text = AnsiToWide(Info.HintStr);
    TControl* c = Info.HintControl;
    if (Info.HintStr.empty() || !c) return text;
    const WideString shortHint = GetShortHint(WideGetHintOfParents(c));
    if (WideToAnsi(shortHint) != Info.HintStr) return text;
    text = shortHint;
    auto* action = qobject_cast<TCustomAction*>(c->Action());
    if (Application && Application->HintShortCuts && action && action->ShortCut() != 0)
        text = WideFormatText(u"%s (%s)", {text, WideShortCutToText(action->ShortCut())});
    return text;
}
