// Wide forms, the wide application and the layer's start-up.
#include "widetext/WideForms.h"

#include "classlib/Menus.h"
#include "platform/process.h"
#include "widetext/WideActnList.h"
#include "widetext/WideDialogs.h"
#include "widetext/WideExtCtrls.h"
#include "widetext/WideMenus.h"
#include "widetext/WideProperties.h"
#include "widetext/WideStdCtrls.h"

TWideApplication* WideApplication = nullptr;

namespace {

HHOOK messageHook = nullptr;
TWidePopupList* popupList = nullptr;

// The message hook of the user-interface thread: a message the companion took goes on as
// WM_NULL.
LRESULT getMessageHook(int Code, WPARAM WParam, LPARAM LParam) {
    if (Code >= 0 && WParam == PM_REMOVE && LParam && WideApplication) {
        MSG& message = *reinterpret_cast<MSG*>(LParam);
        if (WideApplication->ProcessMessage(message)) message.message = WM_NULL;
    }
    return CallNextHookEx(messageHook, Code, WParam, LParam);
}

// The wide hint of a menu item (its 8-bit hint widened when it keeps none).
WideString menuItemHint(TMenuItem* Item) {
    if (!Item) return WideString();
    if (auto* w = qobject_cast<TWideMenuItem*>(Item)) return w->Hint();
    return AnsiToWide(Item->Hint());
}

// A character typed into a control that takes none goes to the hot keys of its form (a
// button's "&Ψ"), as the class library's own key handling passes the 8-bit ones; true when
// one took it.
bool takenAsDialogChar(const MSG& Message) {
    HWND wnd = Message.hwnd;
    while (wnd && !TWinControl::FindControl(wnd)) wnd = GetParent(wnd);
    return wnd && SendMessageW(wnd, CN_CHAR, Message.wParam, Message.lParam) != 0;
}

void setApplicationHint(const WideString& Hint) {
    if (WideApplication) WideApplication->SetHint(Hint);
    else if (Application) Application->SetHint(WideToAnsi(Hint));
}

}  // namespace

// ---- Forms ------------------------------------------------------------------------------------

TWideForm::TWideForm(TComponent* AOwner) : TForm(AOwner) {}

TWideForm::~TWideForm() {
    // The window goes while the class is still this one.
    Destroying();
    DestroyHandle();
}

void TWideForm::CreateWindowHandle(const TCreateParams& Params) {
    if (!PlatformHasWideApi()) {
        TForm::CreateWindowHandle(Params);
        return;
    }
    TCreateParams params = Params;
    params.ExStyle &= ~WS_EX_LAYERED;
    CreateUnicodeWindow(this, params, WideString());
}

void TWideForm::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_MENUSELECT:
        if (TMainMenu* menu = Menu()) {
            const bool closed = HIWORD(Message.WParam) == 0xFFFF && Message.LParam == 0;
            TMenuItem* item = closed ? nullptr : menu->FindSelected(Message.WParam, Message.LParam);
            if (closed || item || menu->Items()->FindHandle(reinterpret_cast<HMENU>(Message.LParam))) {
                setApplicationHint(GetLongHint(menuItemHint(item)));
                Message.Result = 0;
                return;
            }
        }
        break;
    case CM_BIDIMODECHANGED:
        TForm::Dispatch(Message);
        for (int i = 0; i < ComponentCount(); ++i)
            if (auto* menu = qobject_cast<TMenu*>(Components(i))) RefreshWideMenu(menu);
        return;
    case WM_WINDOWPOSCHANGING:
        TForm::Dispatch(Message);
        RefreshWideMenu(Menu());
        return;
    default: break;
    }
    TForm::Dispatch(Message);
}

void TWideForm::DefineProperties(TFiler* Filer) {
    TForm::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideForm::ActionChange(TObject* Sender, bool CheckDefaults) {
    WideControl_ActionChange(this, Sender, CheckDefaults);
    TForm::ActionChange(Sender, CheckDefaults);
}

TBasicActionLink* TWideForm::CreateActionLink() { return WideControl_CreateActionLink(this); }

void TWideForm::UpdateActions() {
    TForm::UpdateActions();
    if (WideApplication) WideApplication->UpdateIdleHint();
}

// ---- The application ---------------------------------------------------------------------------

TWideApplication::TWideApplication(TComponent* AOwner) : TComponent(AOwner) {
    FHook = TWindowHook(this, &TWideApplication::MainWindowHook);
    if (Application) Application->HookMainWindow(FHook);
    FSettingChangeTime = GetTickCount();
}

TWideApplication::~TWideApplication() {
    delete FIdleControl;
    if (Application) Application->UnhookMainWindow(FHook);
}

WideString TWideApplication::Hint() { return Application ? GetSyncedWideString(FHint, Application->Hint()) : FHint; }

void TWideApplication::SetHint(const WideString& Value) {
    if (!Application) return;
    SetSyncedWideString(Value, FHint, Application->Hint(), [](const String& s) { Application->SetHint(s); });
}

WideString TWideApplication::Title() {
    if (!Application) return FPendingTitle;
    if (Application->HandleAllocated() && PlatformHasWideApi()) {
        const HWND h = Application->Handle();
        const auto length = static_cast<int>(DefWindowProcW(h, WM_GETTEXTLENGTH, 0, 0));
        if (length <= 0) return WideString();
        WideString text(static_cast<std::size_t>(length) + 1, u'\0');
        const auto n = static_cast<int>(
            DefWindowProcW(h, WM_GETTEXT, static_cast<WPARAM>(length) + 1, reinterpret_cast<LPARAM>(text.data())));
        text.resize(static_cast<std::size_t>(std::clamp(n, 0, length)));
        return text;
    }
    return GetSyncedWideString(FPendingTitle, Application->Title());
}

void TWideApplication::SetTitle(const WideString& Value) {
    if (!Application) return;
    if (Application->HandleAllocated() && PlatformHasWideApi()) {
        if (Value != Title() || FHasPendingTitle) {
            DefWindowProcW(Application->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
            FPendingTitle.clear();
            FHasPendingTitle = false;
        }
        return;
    }
    SetSyncedWideString(Value, FPendingTitle, Application->Title(), [](const String& s) { Application->SetTitle(s); });
    FHasPendingTitle = true;
}

void TWideApplication::UpdateIdleHint() {
    if (!Application) return;
    const WideString hint = GetLongHint(WideGetHintOfParents(Application->MouseControl()));
    // Only a change: a menu's hint stays while the mouse is over the menu.
    if (hint == FLastIdleHint) return;
    FLastIdleHint = hint;
    SetHint(hint);
}

void TWideApplication::MainWindowHook(TMessage& Message, bool& Handled) {
    switch (Message.Msg) {
    case WM_SETTINGCHANGE: FSettingChangeTime = GetTickCount(); break;
    case WM_CREATE:
        if (FHasPendingTitle) SetTitle(WideString(FPendingTitle));
        break;
    case CM_ACTIONEXECUTE: {
        // The application's hint as a hint action: the wide one goes instead.
        auto* action = reinterpret_cast<TObject*>(Message.LParam);
        if (action && action->metaObject() == &THintAction::staticMetaObject &&
            static_cast<THintAction*>(action)->Hint() == WideToAnsi(Hint())) {
            Message.Result = 1;
            TWideHintAction wide(nullptr);
            wide.SetHint(Hint());
            wide.Execute();
            Handled = true;
        }
        break;
    }
    default: break;
    }
}

bool TWideApplication::ProcessMessage(MSG& Message) {
    if (!Application) return false;
    if (!FIdleControlSetUp && Application->MainForm()) {
        FIdleControlSetUp = true;
        if (!qobject_cast<TWideForm*>(Application->MainForm()))
            new TWideAppIdleEventControl(Application->MainForm());
    }
    if (Message.message != WM_CHAR || (Message.wParam & 0xFFFF) < 256 || !IsWindowUnicode(Message.hwnd)) return false;
    bool handled = false;
    if (Application->OnMessage) Application->OnMessage(Message, handled);
    Application->CancelHint();
    if (!handled && !takenAsDialogChar(Message)) DispatchMessageW(&Message);
    return true;
}

// ---- The idle control ------------------------------------------------------------------------------

TWideAppIdleEventControl::TWideAppIdleEventControl(TCustomForm* MainForm) : TControl(MainForm) {
    SetParent(MainForm);
    SetParentFont(false);
    SetBounds(0, 0, 0, 0);
    SetVisible(true);
    FAction = new TWideAction(this);
    const TNotifyEvent idle([](TObject*) {
        if (WideApplication) WideApplication->UpdateIdleHint();
    });
    FAction->SetOnExecute(idle);
    FAction->OnUpdate = idle;
    SetAction(FAction);
    if (WideApplication) WideApplication->FIdleControl = this;
}

TWideAppIdleEventControl::~TWideAppIdleEventControl() {
    SetAction(nullptr);
    if (WideApplication && WideApplication->FIdleControl == this) WideApplication->FIdleControl = nullptr;
}

// ---- Registration and start-up ----------------------------------------------------------------------------------

void RegisterWideStdClasses() {
    static const bool done = [] {
        RegisterStandardClasses();
        RegisterClasses<TWideForm, TWideMessageForm, TWideLabel, TWideButton, TWideImage, TWideMenuItem, TWideAction,
                        TWideHintAction>();
        return true;
    }();
    (void)done;
}

void InitWideApplication() {
    InitApplication();
    if (!Application || WideApplication) return;
    WideApplication = new TWideApplication(nullptr);
    popupList = new TWidePopupList;
    if (PlatformHasWideApi()) {
        messageHook = SetWindowsHookExW(WH_GETMESSAGE, &getMessageHook, nullptr, GetCurrentThreadId());
        if (!messageHook) RaiseLastSystemError();
    }
}

void DoneWideApplication() {
    const HHOOK hook = messageHook;
    messageHook = nullptr;
    delete popupList;
    popupList = nullptr;
    delete WideApplication;
    WideApplication = nullptr;
    if (hook && !UnhookWindowsHookEx(hook)) RaiseLastSystemError();
}
