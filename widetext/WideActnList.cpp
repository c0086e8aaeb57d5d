// Wide actions, their helper, the links of wide controls and menu items, and the wide
// controls' action routines.
#include "widetext/WideActnList.h"

#include "classlib/ComCtrls.h"
#include "classlib/StdCtrls.h"
#include "widetext/WideForms.h"
#include "widetext/WideMenus.h"
#include "widetext/WideProperties.h"

namespace {

IWideCustomAction* wideAction(TObject* Action) { return dynamic_cast<IWideCustomAction*>(Action); }

// The helper of an action that keeps wide texts, else null.
TCustomActionHelper* helperOf(TBasicAction* Action) {
    auto* custom = qobject_cast<TCustomAction*>(Action);
    return custom && wideAction(custom) ? TCustomActionHelper::Of(custom) : nullptr;
}

// The wide caption of a menu item (its 8-bit caption widened when it keeps none).
WideString menuItemCaption(TMenuItem* Item) {
    if (auto* w = qobject_cast<TWideMenuItem*>(Item)) return w->Caption();
    return AnsiToWide(Item->Caption());
}

WideString menuItemHint(TMenuItem* Item) {
    if (auto* w = qobject_cast<TWideMenuItem*>(Item)) return w->Hint();
    return AnsiToWide(Item->Hint());
}

}  // namespace

// ---- The helper ----------------------------------------------------------------------------

TCustomActionHelper::TCustomActionHelper(TCustomAction* AAction) : TComponent(AAction), FAction(AAction) {}

TCustomActionHelper* TCustomActionHelper::Of(TCustomAction* Action) {
    for (int i = 0; i < Action->ComponentCount(); ++i)
        if (auto* h = qobject_cast<TCustomActionHelper*>(Action->Components(i)); h && h->FAction == Action) return h;
    return new TCustomActionHelper(Action);
}

WideString TCustomActionHelper::Caption() {
    // While the links hear of a new caption, the action's 8-bit caption is still the one
    // before: so is the wide caption it shows them.
    if (FSettingCaption && FAction->Caption() == FAnsiCaptionBefore) return FCaptionBefore;
    return GetSyncedWideString(FCaption, FAction->Caption());
}

void TCustomActionHelper::SetCaption(const WideString& Value) {
    if (Value == Caption()) return;
    const String ansi = WideToAnsi(Value);
    FCaptionBefore = Caption();
    FAnsiCaptionBefore = FAction->Caption();
    FCaption = Value;
    FSettingCaption = true;
    try {
        if (!IsWideTextAnsi(Value) && ansi == FAction->Caption()) {
            // The 8-bit caption would not change: the links hear of an empty one first, and
            // the caption before the change is then the empty one.
            FAction->SetCaption(String());
            FCaptionBefore.clear();
            FAnsiCaptionBefore.clear();
        }
        FAction->SetCaption(ansi);
    } catch (...) {
        FSettingCaption = false;
        throw;
    }
    FSettingCaption = false;
}

WideString TCustomActionHelper::Hint() {
    if (FSettingHint && FAction->Hint() == FAnsiHintBefore) return FHintBefore;
    return GetSyncedWideString(FHint, FAction->Hint());
}

void TCustomActionHelper::SetHint(const WideString& Value) {
    if (Value == Hint()) return;
    const String ansi = WideToAnsi(Value);
    FHintBefore = Hint();
    FAnsiHintBefore = FAction->Hint();
    FHint = Value;
    FSettingHint = true;
    try {
        if (!IsWideTextAnsi(Value) && ansi == FAction->Hint()) {
            FAction->SetHint(String());
            FHintBefore.clear();
            FAnsiHintBefore.clear();
        }
        FAction->SetHint(ansi);
    } catch (...) {
        FSettingHint = false;
        throw;
    }
    FSettingHint = false;
}

// ---- Action texts ----------------------------------------------------------------------------

WideString WideGetActionCaption(TCustomAction* Action) {
    if (!Action) return WideString();
    if (TCustomActionHelper* h = helperOf(Action)) return h->Caption();
    return AnsiToWide(Action->Caption());
}

void WideSetActionCaption(TCustomAction* Action, const WideString& Value) {
    if (!Action) return;
    if (TCustomActionHelper* h = helperOf(Action)) h->SetCaption(Value);
    else Action->SetCaption(WideToAnsi(Value));
}

WideString WideGetActionHint(TCustomAction* Action) {
    if (!Action) return WideString();
    if (TCustomActionHelper* h = helperOf(Action)) return h->Hint();
    return AnsiToWide(Action->Hint());
}

void WideSetActionHint(TCustomAction* Action, const WideString& Value) {
    if (!Action) return;
    if (TCustomActionHelper* h = helperOf(Action)) h->SetHint(Value);
    else Action->SetHint(WideToAnsi(Value));
}

WideString WideCaptionToPropagate(TBasicAction* Action, const String& AnsiValue) {
    if (TCustomActionHelper* h = helperOf(Action); h && h->SettingCaption()) return h->StoredCaption();
    return AnsiToWide(AnsiValue);
}

WideString WideHintToPropagate(TBasicAction* Action, const String& AnsiValue) {
    if (TCustomActionHelper* h = helperOf(Action); h && h->SettingHint()) return h->StoredHint();
    return AnsiToWide(AnsiValue);
}

// ---- Actions -----------------------------------------------------------------------------------

void TWideAction::Assign(TPersistent* Source) {
    TAction::Assign(Source);
    if (auto* a = qobject_cast<TCustomAction*>(Source)) {
        SetCaption(WideGetActionCaption(a));
        SetHint(WideGetActionHint(a));
    } else if (auto* c = qobject_cast<TControl*>(Source)) {
        SetCaption(WideGetText(c));
        SetHint(WideGetHint(c));
    }
}

void TWideAction::DefineProperties(TFiler* Filer) {
    TAction::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

TWideHintAction::TWideHintAction(TComponent* AOwner) : THintAction(AOwner) {
    // The wide hint becomes the application's.
    SetOnExecute(TNotifyEvent([this](TObject*) {
        if (WideApplication) WideApplication->SetHint(Hint());
        else if (Application) Application->SetHint(TCustomAction::Hint());
    }));
}

void TWideHintAction::Assign(TPersistent* Source) {
    THintAction::Assign(Source);
    if (auto* a = qobject_cast<TCustomAction*>(Source)) SetHint(WideGetActionHint(a));
    else if (auto* c = qobject_cast<TControl*>(Source)) SetHint(WideGetHint(c));
}

void TWideHintAction::DefineProperties(TFiler* Filer) {
    THintAction::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

// ---- Links ---------------------------------------------------------------------------------------

// Without UTF-16 windows a control keeps only the 8-bit text, which the class library's test
// compares: the action's wide text, outside the code page, would never equal it.
bool TWideControlActionLink::IsCaptionLinked() {
    auto* a = qobject_cast<TCustomAction*>(FAction);
    return TControlActionLink::IsCaptionLinked() && a &&
           (!PlatformHasWideApi() || WideGetActionCaption(a) == WideGetText(Control()));
}

bool TWideControlActionLink::IsHintLinked() {
    auto* a = qobject_cast<TCustomAction*>(FAction);
    return TControlActionLink::IsHintLinked() && a &&
           (!PlatformHasWideApi() || WideGetActionHint(a) == WideGetHint(Control()));
}

void TWideControlActionLink::SetCaption(const String& Value) {
    if (IsCaptionLinked()) WideSetText(Control(), WideCaptionToPropagate(FAction, Value));
}

void TWideControlActionLink::SetHint(const String& Value) {
    if (IsHintLinked()) WideSetHint(Control(), WideHintToPropagate(FAction, Value));
}

bool TWideMenuActionLink::IsCaptionLinked() {
    auto* a = qobject_cast<TCustomAction*>(FAction);
    return TMenuActionLink::IsCaptionLinked() && a &&
           WideSameCaptionStr(WideGetActionCaption(a), menuItemCaption(MenuItem()));
}

bool TWideMenuActionLink::IsHintLinked() {
    auto* a = qobject_cast<TCustomAction*>(FAction);
    return TMenuActionLink::IsHintLinked() && a && WideGetActionHint(a) == menuItemHint(MenuItem());
}

void TWideMenuActionLink::SetCaption(const String& Value) {
    if (!IsCaptionLinked()) return;
    if (auto* w = qobject_cast<TWideMenuItem*>(MenuItem())) w->SetCaption(WideCaptionToPropagate(FAction, Value));
    else MenuItem()->SetCaption(Value);
}

void TWideMenuActionLink::SetHint(const String& Value) {
    if (!IsHintLinked()) return;
    if (auto* w = qobject_cast<TWideMenuItem*>(MenuItem())) w->SetHint(WideHintToPropagate(FAction, Value));
    else MenuItem()->SetHint(Value);
}

// ---- Wide controls -------------------------------------------------------------------------------

void WideControl_ActionChange(TControl* Control, TObject* Action, bool CheckDefaults) {
    auto* a = qobject_cast<TCustomAction*>(Action);
    if (!Control || !a || !wideAction(a)) return;
    const WideString caption = WideGetText(Control);
    if (!CheckDefaults || caption.empty() || caption == AnsiToWide(Control->Name()))
        WideSetText(Control, WideGetActionCaption(a));
    if (!CheckDefaults || WideGetHint(Control).empty()) WideSetHint(Control, WideGetActionHint(a));
}

TBasicActionLink* WideControl_CreateActionLink(TControl* Control) {
    if (qobject_cast<TToolButton*>(Control)) return new TWideToolButtonActionLink(Control);
    if (qobject_cast<TButtonControl*>(Control)) return new TWideButtonActionLink(Control);
    if (qobject_cast<TWinControl*>(Control)) return new TWideWinControlActionLink(Control);
    return new TWideControlActionLink(Control);
}
