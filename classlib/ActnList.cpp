// Actions, action lists and their links to controls; the idle update of actions.
#include "classlib/ActnList.h"

#include "ControlState.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaProperty>

namespace {

constexpr TShortCut scShiftBit = 0x2000;
constexpr TShortCut scCtrlBit = 0x4000;
constexpr TShortCut scAltBit = 0x8000;

std::vector<TBasicActionLink*>& allLinks() {
    static std::vector<TBasicActionLink*> links;
    return links;
}

bool idleUpdating = false;

// Every visible form updates the actions of its visible clients whenever the message loop
// is about to wait.
void actionIdle() {
    if (idleUpdating || !Screen) return;
    idleUpdating = true;
    std::vector<TCustomForm*> forms;
    for (int i = 0; i < Screen->FormCount(); ++i) forms.push_back(Screen->Forms(i));
    for (TCustomForm* f : forms) {
        bool still = false;
        for (int i = 0; i < Screen->FormCount(); ++i) still = still || Screen->Forms(i) == f;
        if (still && f->Showing()) f->UpdateActions();
    }
    idleUpdating = false;
}

void watchIdle() {
    static bool watching = false;
    if (watching || !QCoreApplication::instance()) return;
    QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (!d) return;
    watching = true;
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(), &actionIdle);
}

// The form a client belongs to: a control's parent form, else the first form among the
// component's owners.
TCustomForm* clientForm(TComponent* c) {
    if (auto* ctl = qobject_cast<TControl*>(c)) return GetParentForm(ctl);
    for (TComponent* o = c; o; o = o->Owner())
        if (auto* f = qobject_cast<TCustomForm*>(o)) return f;
    return nullptr;
}

bool clientShowing(TComponent* c) {
    if (auto* ctl = qobject_cast<TControl*>(c)) return ctl->Showing();
    const QVariant v = c->property("Visible");
    return !v.isValid() || v.toBool();
}

TShortCut currentShift() {
    TShortCut s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= scShiftBit;
    if (GetKeyState(VK_CONTROL) < 0) s |= scCtrlBit;
    if (GetKeyState(VK_MENU) < 0) s |= scAltBit;
    return s;
}

}  // namespace

// ---- links ----

TBasicActionLink::TBasicActionLink(TComponent* AClient) : FClient(AClient) {
    allLinks().push_back(this);
    watchIdle();
}

TBasicActionLink::~TBasicActionLink() {
    if (FAction) {
        auto& c = FAction->FClients;
        c.erase(std::remove(c.begin(), c.end(), this), c.end());
    }
    auto& all = allLinks();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TBasicActionLink::SetAction(TBasicAction* Value) {
    if (Value == FAction) return;
    if (FAction) {
        auto& c = FAction->FClients;
        c.erase(std::remove(c.begin(), c.end(), this), c.end());
    }
    FAction = Value;
    if (FAction) FAction->FClients.push_back(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
    if (!FAction) return false;
    FAction->SetActionComponent(AComponent);
    QPointer<TBasicAction> keep(FAction);
    const bool done = FAction->Execute();
    if (keep) keep->SetActionComponent(nullptr);
    return done;
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::Change() {
    if (OnChange) OnChange(this);
}

bool TActionLink::HasClientProperty(const char* Name) const {
    return FClient && FClient->metaObject()->indexOfProperty(Name) >= 0;
}

QVariant TActionLink::ClientProperty(const char* Name) const {
    return HasClientProperty(Name) ? FClient->property(Name) : QVariant();
}

void TActionLink::SetClientProperty(const char* Name, const QVariant& Value) {
    if (!HasClientProperty(Name)) return;
    ++FClientUpdating;
    FClient->setProperty(Name, Value);
    --FClientUpdating;
}

namespace {
TCustomAction* customAction(TBasicAction* a) { return qobject_cast<TCustomAction*>(a); }
}  // namespace

bool TActionLink::IsCaptionLinked() { return customAction(FAction) && HasClientProperty("Caption"); }
bool TActionLink::IsCheckedLinked() { return customAction(FAction) && HasClientProperty("Checked"); }
bool TActionLink::IsEnabledLinked() { return customAction(FAction) && HasClientProperty("Enabled"); }
bool TActionLink::IsHintLinked() { return customAction(FAction) && HasClientProperty("Hint"); }
bool TActionLink::IsImageIndexLinked() { return customAction(FAction) && HasClientProperty("ImageIndex"); }
bool TActionLink::IsShortCutLinked() { return customAction(FAction) && HasClientProperty("ShortCut"); }
bool TActionLink::IsVisibleLinked() { return customAction(FAction) && HasClientProperty("Visible"); }
bool TActionLink::IsOnExecuteLinked() { return FAction && HasClientProperty("OnClick"); }

void TActionLink::SetCaption(const String& Value) {
    if (IsCaptionLinked()) SetClientProperty("Caption", QVariant::fromValue(Value));
}
void TActionLink::SetChecked(bool Value) {
    if (IsCheckedLinked()) SetClientProperty("Checked", Value);
}
void TActionLink::SetEnabled(bool Value) {
    if (IsEnabledLinked()) SetClientProperty("Enabled", Value);
}
void TActionLink::SetHint(const String& Value) {
    if (IsHintLinked()) SetClientProperty("Hint", QVariant::fromValue(Value));
}
void TActionLink::SetImageIndex(int Value) {
    if (IsImageIndexLinked()) SetClientProperty("ImageIndex", Value);
}
void TActionLink::SetShortCut(TShortCut Value) {
    if (IsShortCutLinked()) SetClientProperty("ShortCut", Value);
}
void TActionLink::SetVisible(bool Value) {
    if (IsVisibleLinked()) SetClientProperty("Visible", Value);
}
void TActionLink::SetOnExecute(const TNotifyEvent& Value) {
    if (IsOnExecuteLinked()) SetClientProperty("OnClick", QVariant::fromValue(Value));
}

TControlActionLink::TControlActionLink(TControl* AClient) : TActionLink(AClient), FControl(AClient) {}

bool TControlActionLink::IsCaptionLinked() {
    auto* a = customAction(FAction);
    return a && FControl->Caption() == a->Caption();
}
bool TControlActionLink::IsEnabledLinked() {
    auto* a = customAction(FAction);
    return a && FControl->Enabled() == a->Enabled();
}
bool TControlActionLink::IsHintLinked() {
    auto* a = customAction(FAction);
    return a && FControl->Hint() == a->Hint();
}
bool TControlActionLink::IsVisibleLinked() {
    auto* a = customAction(FAction);
    return a && FControl->Visible() == a->Visible();
}
bool TControlActionLink::IsOnExecuteLinked() { return FAction && FControl->OnClick == FAction->OnExecute(); }

void TControlActionLink::SetCaption(const String& Value) {
    if (IsCaptionLinked()) FControl->SetCaption(Value);
}
void TControlActionLink::SetEnabled(bool Value) {
    if (IsEnabledLinked()) FControl->SetEnabled(Value);
}
void TControlActionLink::SetHint(const String& Value) {
    if (IsHintLinked()) FControl->SetHint(Value);
}
void TControlActionLink::SetVisible(bool Value) {
    if (IsVisibleLinked()) FControl->SetVisible(Value);
}
void TControlActionLink::SetOnExecute(const TNotifyEvent& Value) {
    if (IsOnExecuteLinked()) FControl->OnClick = Value;
}

// ---- actions ----

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
    // Links outlive the action: their clients keep them, without an action.
    const std::vector<TBasicActionLink*> links = FClients;
    for (TBasicActionLink* l : links) l->FAction = nullptr;
    FClients.clear();
}

bool TBasicAction::Execute() {
    if (!FOnExecute) return false;
    FOnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::SetActionComponent(TComponent* Value) {
    if (FActionComponent == Value) return;
    if (FActionComponent) FActionComponent->RemoveFreeNotification(this);
    FActionComponent = Value;
    if (Value) Value->FreeNotification(this);
}

void TBasicAction::SetOnExecute(const TNotifyEvent& Value) {
    if (FOnExecute == Value) return;
    // Clients still showing the old handler as their click take the new one.
    ForEachLink([&](TActionLink* l) { l->SetOnExecute(Value); });
    FOnExecute = Value;
    Change();
}

void TBasicAction::Change() {
    if (OnChange) OnChange(this);
}

void TBasicAction::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActionComponent) FActionComponent = nullptr;
}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TCustomActionList* Value) {
    if (Value == FActionList) return;
    if (FActionList) FActionList->RemoveAction(this);
    if (Value) Value->AddAction(this);
}

int TContainedAction::Index() const { return FActionList ? FActionList->IndexOf(this) : -1; }

bool TContainedAction::Execute() {
    if (FActionList && FActionList->ExecuteAction(this)) return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update() {
    if (FActionList && FActionList->UpdateAction(this)) return true;
    return TBasicAction::Update();
}

TComponent* TContainedAction::GetParentComponent() const {
    return FActionList ? static_cast<TComponent*>(FActionList) : TBasicAction::GetParentComponent();
}

void TContainedAction::SetParentComponent(TComponent* Value) {
    if (auto* l = qobject_cast<TCustomActionList*>(Value)) SetActionList(l);
}

void TCustomAction::SetCaption(const String& v) {
    if (v == FCaption) return;
    ForEachLink([&](TActionLink* l) { l->SetCaption(v); });
    FCaption = v;
    Change();
}

void TCustomAction::SetChecked(bool v) {
    if (v == FChecked || FChecking) return;
    FChecking = true;
    ForEachLink([&](TActionLink* l) { l->SetChecked(v); });
    FChecked = v;
    // One checked action per group of the list.
    if (v && FGroupIndex > 0 && ActionList())
        for (int i = 0; i < ActionList()->ActionCount(); ++i)
            if (auto* a = qobject_cast<TCustomAction*>(ActionList()->Actions(i));
                a && a != this && a->FGroupIndex == FGroupIndex)
                a->SetChecked(false);
    FChecking = false;
    Change();
}

void TCustomAction::SetEnabled(bool v) {
    if (v == FEnabled) return;
    ForEachLink([&](TActionLink* l) { l->SetEnabled(v); });
    FEnabled = v;
    Change();
}

void TCustomAction::SetHint(const String& v) {
    if (v == FHint) return;
    ForEachLink([&](TActionLink* l) { l->SetHint(v); });
    FHint = v;
    Change();
}

void TCustomAction::SetImageIndex(int v) {
    if (v == FImageIndex) return;
    ForEachLink([&](TActionLink* l) { l->SetImageIndex(v); });
    FImageIndex = v;
    Change();
}

void TCustomAction::SetShortCut(TShortCut v) {
    if (v == FShortCut) return;
    ForEachLink([&](TActionLink* l) { l->SetShortCut(v); });
    FShortCut = v;
    Change();
}

void TCustomAction::SetVisible(bool v) {
    if (v == FVisible) return;
    ForEachLink([&](TActionLink* l) { l->SetVisible(v); });
    FVisible = v;
    Change();
}

void TCustomAction::SetGroupIndex(int v) {
    if (v == FGroupIndex) return;
    FGroupIndex = v;
    if (FChecked && v > 0) {
        FChecked = false;
        SetChecked(true);
    }
}

bool TCustomAction::Execute() {
    Update();
    if (!FEnabled) return false;
    if (FAutoCheck && !(FChecked && FGroupIndex > 0)) SetChecked(!FChecked);
    return TContainedAction::Execute();
}

bool TCustomAction::Update() {
    const bool handled = TContainedAction::Update();
    if (!handled && FDisableIfNoHandler && !OnUpdate) SetEnabled(static_cast<bool>(OnExecute()));
    return handled;
}

void TCustomAction::Assign(TPersistent* Source) {
    auto* a = qobject_cast<TCustomAction*>(Source);
    if (!a) {
        TContainedAction::Assign(Source);
        return;
    }
    SetAutoCheck(a->AutoCheck());
    SetCaption(a->Caption());
    SetChecked(a->Checked());
    SetEnabled(a->Enabled());
    SetGroupIndex(a->GroupIndex());
    SetHelpContext(a->HelpContext());
    SetHint(a->Hint());
    SetImageIndex(a->ImageIndex());
    SetShortCut(a->ShortCut());
    SetVisible(a->Visible());
    SetOnExecute(a->OnExecute());
    OnUpdate = a->OnUpdate;
}

bool TCustomAction::IsShortCut(TShortCut Key) {
    if (FShortCut == 0 || FShortCut != Key) return false;
    Update();
    if (!FEnabled || !FVisible) return false;
    return Execute();
}

THintAction::THintAction(TComponent* AOwner) : TCustomAction(AOwner) {
    SetDisableIfNoHandler(false);
    SetOnExecute(TNotifyEvent([this](TObject*) {
        if (Application) Application->SetHint(Hint());
    }));
}

// ---- action lists ----

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomActionList::~TCustomActionList() {
    const std::vector<TContainedAction*> actions = FActions;
    for (TContainedAction* a : actions) a->SetActionList(nullptr);
    SetImages(nullptr);
}

int TCustomActionList::IndexOf(const TContainedAction* Action) const {
    const auto it = std::find(FActions.begin(), FActions.end(), Action);
    return it == FActions.end() ? -1 : static_cast<int>(it - FActions.begin());
}

void TCustomActionList::AddAction(TContainedAction* Action) {
    Action->FActionList = this;
    FActions.push_back(Action);
    Action->FreeNotification(this);
    Change();
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
    FActions.erase(std::remove(FActions.begin(), FActions.end(), Action), FActions.end());
    Action->FActionList = nullptr;
    Change();
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
    bool handled = false;
    if (OnExecute) OnExecute(Action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
    bool handled = false;
    if (OnUpdate) OnUpdate(Action, handled);
    return handled;
}

bool TCustomActionList::IsShortCut(TShortCut Key) {
    const std::vector<TContainedAction*> actions = FActions;
    for (TContainedAction* a : actions)
        if (auto* c = qobject_cast<TCustomAction*>(a); c && IndexOf(c) >= 0 && c->ShortCut() == Key)
            return c->IsShortCut(Key);
    return false;
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
    if (Value == FImages) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (Value) Value->FreeNotification(this);
    Change();
}

TComponent* TCustomActionList::ImagesComponent() const { return FImages; }

void TCustomActionList::SetImagesComponent(TComponent* Value) { SetImages(qobject_cast<TCustomImageList*>(Value)); }

void TCustomActionList::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    for (TContainedAction* a : FActions)
        if (a->Owner() == Root) Proc(a);
}

void TCustomActionList::Change() {
    if (OnChange) OnChange(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FImages) FImages = nullptr;
    if (auto* a = qobject_cast<TContainedAction*>(AComponent); a && IndexOf(a) >= 0) RemoveAction(a);
}

// ---- controls ----

TBasicAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

TComponent* TControl::ActionComponent() const { return Action(); }

void TControl::SetActionComponent(TComponent* Value) { SetAction(qobject_cast<TBasicAction*>(Value)); }

TBasicActionLink* TControl::CreateActionLink() { return new TControlActionLink(this); }

void TControl::SetAction(TBasicAction* Value) {
    if (Value == Action()) return;
    if (!Value) {
        delete FActionLink;
        FActionLink = nullptr;
        return;
    }
    if (!FActionLink) FActionLink = CreateActionLink();
    FActionLink->SetAction(Value);
    ActionChange(Value, ComponentState().Contains(csLoading));
    Value->FreeNotification(this);
}

void TControl::InitiateAction() {
    if (FActionLink) FActionLink->Update();
}

void TControl::AssignTo(TPersistent* Dest) {
    auto* a = qobject_cast<TCustomAction*>(Dest);
    if (!a) {
        TComponent::AssignTo(Dest);
        return;
    }
    a->SetEnabled(Enabled());
    a->SetHint(Hint());
    a->SetCaption(Caption());
    a->SetVisible(Visible());
    a->SetOnExecute(OnClick);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* a = qobject_cast<TCustomAction*>(Sender);
    if (!a) return;
    if (!CheckDefaults || Caption().empty() || Caption() == Name()) SetCaption(a->Caption());
    if (!CheckDefaults || Enabled()) SetEnabled(a->Enabled());
    if (!CheckDefaults || Hint().empty()) SetHint(a->Hint());
    if (!CheckDefaults || Visible()) SetVisible(a->Visible());
    if (!CheckDefaults || !OnClick) OnClick = a->OnExecute();
    // Values the control has only as published properties.
    const QMetaObject* mo = metaObject();
    if (mo->indexOfProperty("Checked") >= 0 && (!CheckDefaults || !property("Checked").toBool()))
        setProperty("Checked", a->Checked());
    if (mo->indexOfProperty("ImageIndex") >= 0 && (!CheckDefaults || property("ImageIndex").toInt() == -1))
        setProperty("ImageIndex", a->ImageIndex());
}

bool detail::clickRunsAction(TControl* c) {
    TBasicActionLink* link = c->ActionLink();
    if (!link || !link->Action()) return false;
    if (auto* l = qobject_cast<TActionLink*>(link); l && l->ClientUpdating() && c->OnClick == link->Action()->OnExecute())
        return true;
    // A click handler of the control's own wins over the action.
    if (c->OnClick && !(c->OnClick == link->Action()->OnExecute())) return false;
    return link->Execute(c);
}

void UpdateFormActions(TCustomForm* Form) {
    if (!Form) return;
    const std::vector<TBasicActionLink*> links = allLinks();
    for (TBasicActionLink* l : links) {
        const auto& now = allLinks();
        if (std::find(now.begin(), now.end(), l) == now.end()) continue;
        TComponent* client = l->Client();
        if (!client || !l->Action() || clientForm(client) != Form || !clientShowing(client)) continue;
        if (auto* c = qobject_cast<TControl*>(client)) c->InitiateAction();
        else l->Update();
    }
}

bool ExecuteActionShortCut(TControl* Control, WORD Key) {
    TCustomForm* form = GetParentForm(Control);
    if (!form || Key == 0 || Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU) return false;
    const TShortCut sc = static_cast<TShortCut>(Key & 0xFF) | currentShift();
    // The action lists the form owns.
    std::vector<TCustomActionList*> lists;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* l = qobject_cast<TCustomActionList*>(form->Components(i))) lists.push_back(l);
    for (TCustomActionList* l : lists)
        if (l->IsShortCut(sc)) return true;
    return false;
}
