// Wide labels and buttons: UTF-16 captions and hints, drawn and matched as hot keys in
// UTF-16.
#pragma once

#include "classlib/StdCtrls.h"
#include "widetext/WideControls.h"

// Whether a typed character is the caption's hot key (the character after the last single
// "&"), whatever its case. The character is UTF-16, as the platform's key messages carry it.
bool IsWideCharAccel(WPARAM CharCode, const WideString& Caption);

class TWideCustomLabel : public TCustomLabel {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    explicit TWideCustomLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TWideCustomLabel*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TWideCustomLabel*>(this)); }

    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

protected:
    void Paint() override;
    void AdjustBounds() override;
    TBasicActionLink* CreateActionLink() override;
    // Draws (or with DT_CALCRECT measures) the wide caption in Rect on the canvas: "&"
    // marks the hot key while accelerators are shown; a disabled label draws at (1, 1) in
    // the highlight colour, then in the shadow colour.
    virtual void DoDrawText(RECT& Rect, UINT Flags);

private:
    void drawOn(HDC DC, RECT& Rect, UINT Flags);
    UINT textFlags() const;
};

class TWideLabel : public TWideCustomLabel {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TWideLabel(TComponent* AOwner) : TWideCustomLabel(AOwner) {}
};

class TWideButton : public TButton {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    Q_INVOKABLE explicit TWideButton(TComponent* AOwner) : TButton(AOwner) {}
    ~TWideButton() override;
    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TWideButton*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TWideButton*>(this)); }

    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    TBasicActionLink* CreateActionLink() override;
};
