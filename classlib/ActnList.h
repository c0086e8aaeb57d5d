// Actions: commands with a caption, hint, image, shortcut and enabled and checked state
// that controls and menu items link to; action lists hold them and run their updates when
// the application is idle.
#pragma once

#include "classlib/Controls.h"

#include <algorithm>
#include <vector>

class TBasicAction;
class TCustomAction;
class TCustomActionList;
class TCustomImageList;

// A key with its shift state: the key in the low byte, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
using TShortCut = int;

using TActionEvent = TEvent<void(TBasicAction* Action, bool& Handled)>;

// The link between an action and one client (a control, a menu item, any component).
// The action tells its links of every change; a link passes to its client what the client
// still shows of the action. The generic link reaches the client through its published
// properties ("Caption", "Enabled", "Checked", "Hint", "ImageIndex", "ShortCut",
// "Visible", "OnClick").
class TBasicActionLink : public TObject {
    Q_OBJECT
public:
    explicit TBasicActionLink(TComponent* AClient);
    ~TBasicActionLink() override;
    TBasicAction* Action() const { return FAction; }
    virtual void SetAction(TBasicAction* Value);
    TComponent* Client() const { return FClient; }
    // Runs the action for the client; false when nothing handled it.
    virtual bool Execute(TComponent* AComponent = nullptr);
    virtual bool Update();
    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    virtual void Change();
    TComponent* FClient;
    TBasicAction* FAction = nullptr;
};

class TActionLink : public TBasicActionLink {
    Q_OBJECT
public:
    using TBasicActionLink::TBasicActionLink;
    // Whether the client still shows the action's value (it may have been changed apart).
    virtual bool IsCaptionLinked();
    virtual bool IsCheckedLinked();
    virtual bool IsEnabledLinked();
    virtual bool IsHintLinked();
    virtual bool IsImageIndexLinked();
    virtual bool IsShortCutLinked();
    virtual bool IsVisibleLinked();
    virtual bool IsOnExecuteLinked();
    virtual void SetCaption(const String& Value);
    virtual void SetChecked(bool Value);
    virtual void SetEnabled(bool Value);
    virtual void SetHint(const String& Value);
    virtual void SetImageIndex(int Value);
    virtual void SetShortCut(TShortCut Value);
    virtual void SetVisible(bool Value);
    virtual void SetOnExecute(const TNotifyEvent& Value);
    // While the link writes a value into its client: a click that this fires (a check
    // box's) does not run the action again.
    bool ClientUpdating() const { return FClientUpdating > 0; }

protected:
    int FClientUpdating = 0;
    // The client's published property, when it has one.
    bool HasClientProperty(const char* Name) const;
    QVariant ClientProperty(const char* Name) const;
    void SetClientProperty(const char* Name, const QVariant& Value);
};

// The link of a control: caption, enabled, hint, visible and OnClick through the control's
// own setters, checked, image index and shortcut through its properties when it has them.
class TControlActionLink : public TActionLink {
    Q_OBJECT
public:
    explicit TControlActionLink(TControl* AClient);
    TControl* Control() const { return FControl; }
    bool IsCaptionLinked() override;
    bool IsEnabledLinked() override;
    bool IsHintLinked() override;
    bool IsVisibleLinked() override;
    bool IsOnExecuteLinked() override;
    void SetCaption(const String& Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const String& Value) override;
    void SetVisible(bool Value) override;
    void SetOnExecute(const TNotifyEvent& Value) override;

private:
    TControl* FControl;
};

class TBasicAction : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TNotifyEvent OnExecute READ OnExecute WRITE SetOnExecute)
    Q_PROPERTY(TNotifyEvent OnUpdate MEMBER OnUpdate)

public:
    explicit TBasicAction(TComponent* AOwner);
    ~TBasicAction() override;
    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    // Runs OnUpdate; false when there is none.
    virtual bool Update();
    // The component that ran the action last (the clicked control), or null.
    TComponent* ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* Value);
    TNotifyEvent OnExecute() const { return FOnExecute; }
    void SetOnExecute(const TNotifyEvent& Value);
    TNotifyEvent OnUpdate;
    // Any value of the action changed (its links have passed it on to their clients).
    TNotifyEvent OnChange;
    int ClientCount() const { return static_cast<int>(FClients.size()); }
    TBasicActionLink* Clients(int Index) const { return FClients.at(static_cast<std::size_t>(Index)); }

protected:
    friend class TBasicActionLink;
    void Change();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    template <class F>
    void ForEachLink(F f) {
        const std::vector<TBasicActionLink*> links = FClients;
        for (TBasicActionLink* l : links)
            if (auto* a = qobject_cast<TActionLink*>(l); a && std::find(FClients.begin(), FClients.end(), l) != FClients.end())
                f(a);
    }
    std::vector<TBasicActionLink*> FClients;

private:
    TNotifyEvent FOnExecute;
    TComponent* FActionComponent = nullptr;
};

// An action that belongs to an action list.
class TContainedAction : public TBasicAction {
    Q_OBJECT
    Q_PROPERTY(String Category READ Category WRITE SetCategory)

public:
    explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
    ~TContainedAction() override;
    TCustomActionList* ActionList() const { return FActionList; }
    void SetActionList(TCustomActionList* Value);
    String Category() const { return FCategory; }
    void SetCategory(const String& v) { FCategory = v; }
    // The position in the list (-1 without one).
    int Index() const;
    // The list's OnExecute may handle it first; then the action's own.
    bool Execute() override;
    bool Update() override;
    bool HasParent() const override { return FActionList != nullptr; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;

private:
    friend class TCustomActionList;
    TCustomActionList* FActionList = nullptr;
    String FCategory;
};

class TCustomAction : public TContainedAction {
    Q_OBJECT
    Q_PROPERTY(bool AutoCheck READ AutoCheck WRITE SetAutoCheck)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool DisableIfNoHandler READ DisableIfNoHandler WRITE SetDisableIfNoHandler)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_PROPERTY(String Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int ShortCut READ ShortCut WRITE SetShortCut)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_CLASSINFO("Default:AutoCheck", "False")
    Q_CLASSINFO("Default:Checked", "False")
    Q_CLASSINFO("Default:DisableIfNoHandler", "True")
    Q_CLASSINFO("Default:Enabled", "True")
    Q_CLASSINFO("Default:GroupIndex", "0")
    Q_CLASSINFO("Default:HelpContext", "0")
    Q_CLASSINFO("Default:ImageIndex", "-1")
    Q_CLASSINFO("Default:ShortCut", "0")
    Q_CLASSINFO("Default:Visible", "True")

public:
    explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
    String Caption() const { return FCaption; }
    void SetCaption(const String& v);
    bool Checked() const { return FChecked; }
    // Checking an action of a group (GroupIndex > 0) clears the others of its list's group.
    void SetChecked(bool v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    String Hint() const { return FHint; }
    void SetHint(const String& v);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool v) { FAutoCheck = v; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int v) { FHelpContext = v; }
    bool DisableIfNoHandler() const { return FDisableIfNoHandler; }
    void SetDisableIfNoHandler(bool v) { FDisableIfNoHandler = v; }
    // Updates first; runs only when enabled (and toggles Checked with AutoCheck).
    bool Execute() override;
    // A disabled-if-no-handler action without OnExecute disables itself.
    bool Update() override;
    void Assign(TPersistent* Source) override;
    // Executes when the key and shift state are its shortcut; true when it ran.
    bool IsShortCut(TShortCut Key);

private:
    String FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    String FHint;
    int FImageIndex = -1;
    TShortCut FShortCut = 0;
    bool FVisible = true;
    bool FAutoCheck = false;
    int FGroupIndex = 0;
    int FHelpContext = 0;
    bool FDisableIfNoHandler = true;
    bool FChecking = false;
};

class TAction : public TCustomAction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

// A hint action: executing it shows its hint as the application's hint.
class THintAction : public TCustomAction {
    Q_OBJECT
public:
    Q_INVOKABLE explicit THintAction(TComponent* AOwner);
};

class TCustomActionList : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TComponent* Images READ ImagesComponent WRITE SetImagesComponent)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TActionEvent OnExecute MEMBER OnExecute)
    Q_PROPERTY(TActionEvent OnUpdate MEMBER OnUpdate)

public:
    explicit TCustomActionList(TComponent* AOwner);
    ~TCustomActionList() override;
    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction* Actions(int Index) const { return FActions.at(static_cast<std::size_t>(Index)); }
    int IndexOf(const TContainedAction* Action) const;
    // The list's OnExecute (OnUpdate) for one of its actions; true when it handled it.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    // Runs the enabled, visible action whose shortcut this is; true when one ran.
    bool IsShortCut(TShortCut Key);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TComponent* ImagesComponent() const;
    void SetImagesComponent(TComponent* Value);
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

    TNotifyEvent OnChange;
    TActionEvent OnExecute;
    TActionEvent OnUpdate;

protected:
    friend class TContainedAction;
    friend class TCustomAction;
    void AddAction(TContainedAction* Action);
    void RemoveAction(TContainedAction* Action);
    void Change();
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::vector<TContainedAction*> FActions;
    TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};

// Updates the actions of the visible clients of a form (the application does this for
// every visible form when its message loop is idle).
void UpdateFormActions(TCustomForm* Form);
// Runs the action whose shortcut a key down is, for a control's form; true when one ran.
bool ExecuteActionShortCut(TControl* Control, WORD Key);
