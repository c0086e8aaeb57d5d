// Wide actions: actions that keep UTF-16 captions and hints beside the class library's
// 8-bit ones, the links that carry them to controls and menu items, and the routines every
// wide control calls when its action changes.
//
// An action with wide texts supports IWideCustomAction; it keeps them in a helper component
// it owns. While the action tells its links of a new caption, reading its wide caption gives
// the one before the change (matching its 8-bit caption, which the links still compare
// with), and the links hand the new wide caption to their clients.
#pragma once

#include "classlib/ActnList.h"
#include "classlib/Menus.h"
#include "widetext/WideControls.h"

// The interface of actions that keep wide texts.
class IWideCustomAction {
public:
    static constexpr const char* IID = "{6F3B2C1E-9A47-4E0B-B8D5-2C71A94E03F6}";
    virtual ~IWideCustomAction() = default;
    virtual WideString Caption() = 0;
    virtual void SetCaption(const WideString& Value) = 0;
    virtual WideString Hint() = 0;
    virtual void SetHint(const WideString& Value) = 0;
};

// The wide texts of one action, owned by it (made on first use).
class TCustomActionHelper : public TComponent {
    Q_OBJECT

public:
    explicit TCustomActionHelper(TCustomAction* AAction);
    // The helper of an action, made when missing.
    static TCustomActionHelper* Of(TCustomAction* Action);
    TCustomAction* Action() const { return FAction; }
    WideString Caption();
    void SetCaption(const WideString& Value);
    WideString Hint();
    void SetHint(const WideString& Value);
    // While a new caption (hint) goes out to the links: the new wide text.
    bool SettingCaption() const { return FSettingCaption; }
    bool SettingHint() const { return FSettingHint; }
    const WideString& StoredCaption() const { return FCaption; }
    const WideString& StoredHint() const { return FHint; }

private:
    TCustomAction* FAction;
    WideString FCaption;
    bool FSettingCaption = false;
    WideString FCaptionBefore;
    String FAnsiCaptionBefore;
    WideString FHint;
    bool FSettingHint = false;
    WideString FHintBefore;
    String FAnsiHintBefore;
};

// The wide caption and hint of an action (its 8-bit texts widened when it keeps none).
WideString WideGetActionCaption(TCustomAction* Action);
void WideSetActionCaption(TCustomAction* Action, const WideString& Value);
WideString WideGetActionHint(TCustomAction* Action);
void WideSetActionHint(TCustomAction* Action, const WideString& Value);
// What a link gives its client when the action pushes the 8-bit value: the value widened,
// or the action's new wide text while it sets one.
WideString WideCaptionToPropagate(TBasicAction* Action, const String& AnsiValue);
WideString WideHintToPropagate(TBasicAction* Action, const String& AnsiValue);

class TWideAction : public TAction, public IWideCustomAction {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    Q_INVOKABLE explicit TWideAction(TComponent* AOwner) : TAction(AOwner) {}
    WideString Caption() override { return WideGetActionCaption(this); }
    void SetCaption(const WideString& Value) override { WideSetActionCaption(this, Value); }
    WideString Hint() override { return WideGetActionHint(this); }
    void SetHint(const WideString& Value) override { WideSetActionHint(this, Value); }
    // The class library's assignment, then the wide caption and hint of an action or a
    // control.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;
};

// A hint action with a wide hint: executing it makes its hint the application's.
class TWideHintAction : public THintAction, public IWideCustomAction {
    Q_OBJECT
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    Q_INVOKABLE explicit TWideHintAction(TComponent* AOwner);
    WideString Caption() override { return AnsiToWide(TCustomAction::Caption()); }
    void SetCaption(const WideString& Value) override { TCustomAction::SetCaption(WideToAnsi(Value)); }
    WideString Hint() override { return WideGetActionHint(this); }
    void SetHint(const WideString& Value) override { WideSetActionHint(this, Value); }
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;
};

// ---- Links of wide controls and menu items ---------------------------------------------
//
// Each compares and passes wide captions and hints beside the class library's 8-bit ones.

class TWideControlActionLink : public TControlActionLink {
    Q_OBJECT
public:
    explicit TWideControlActionLink(TControl* AClient) : TControlActionLink(AClient) {}
    bool IsCaptionLinked() override;
    bool IsHintLinked() override;
    void SetCaption(const String& Value) override;
    void SetHint(const String& Value) override;
};

class TWideWinControlActionLink : public TWideControlActionLink {
    Q_OBJECT
public:
    explicit TWideWinControlActionLink(TControl* AClient) : TWideControlActionLink(AClient) {}
};

class TWideButtonActionLink : public TWideWinControlActionLink {
    Q_OBJECT
public:
    explicit TWideButtonActionLink(TControl* AClient) : TWideWinControlActionLink(AClient) {}
};

class TWideToolButtonActionLink : public TWideControlActionLink {
    Q_OBJECT
public:
    explicit TWideToolButtonActionLink(TControl* AClient) : TWideControlActionLink(AClient) {}
};

class TWideMenuActionLink : public TMenuActionLink {
    Q_OBJECT
public:
    explicit TWideMenuActionLink(TMenuItem* AClient) : TMenuActionLink(AClient) {}
    bool IsCaptionLinked() override;
    bool IsHintLinked() override;
    void SetCaption(const String& Value) override;
    void SetHint(const String& Value) override;
};

// What every wide control does when its action changes, before the class library's
// ActionChange: a wide action's caption and hint (with CheckDefaults only where the
// control shows none of its own: an empty caption or its name, an empty hint).
void WideControl_ActionChange(TControl* Control, TObject* Action, bool CheckDefaults);
// The link of a wide control: a tool button's, a button's, a windowed control's or a
// control's.
TBasicActionLink* WideControl_CreateActionLink(TControl* Control);
