// The spin edit: a numeric edit with a diagonal spin button or an up-down control.
#pragma once


#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"

class TKitSpinButton : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TWinControl* FocusControl READ FocusControl WRITE SetFocusControl)
    Q_PROPERTY(TBitmap* UpGlyph READ UpGlyph WRITE SetUpGlyph STORED false)
    Q_PROPERTY(TBitmap* DownGlyph READ DownGlyph WRITE SetDownGlyph STORED false)
    Q_PROPERTY(TNotifyEvent OnBottomClick MEMBER OnBottomClick)
    Q_PROPERTY(TNotifyEvent OnTopClick MEMBER OnTopClick)

public:
    enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };

    explicit TKitSpinButton(TComponent* AOwner);
    ~TKitSpinButton() override;

    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* v);
    // The glyphs always come from the program's resources.
    TBitmap* UpGlyph() const { return nullptr; }
    void SetUpGlyph(TBitmap*) {}
    TBitmap* DownGlyph() const { return nullptr; }
    void SetDownGlyph(TBitmap*) {}

    TSpinButtonState Down() const { return FDown; }
    TTimer* RepeatTimer() const { return FRepeatTimer; }

    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;

    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void TopClick();
    virtual void BottomClick();

private:
    TSpinButtonState HalfAt(int X, int Y) const;
    void SetDown(TSpinButtonState v);
    void TimerExpired(TObject* Sender);
    TWinControl* FFocusControl = nullptr;
    TSpinButtonState FDown = sbNotDown;
    TSpinButtonState FPressedHalf = sbNotDown;
    bool FDragging = false;
    bool FInvalidate = false;
    TTimer* FRepeatTimer = nullptr;
};

class TKitUpDown : public TCustomUpDown {
    Q_OBJECT
    Q_PROPERTY(TUDClickEvent OnClick MEMBER OnClick)

public:
    explicit TKitUpDown(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

private:
    bool FChanging = false;
};

class TKitSpinEdit : public TCustomEdit {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool ArrowKeys READ ArrowKeys WRITE SetArrowKeys)
    Q_PROPERTY(TSpinButtonKind ButtonKind READ ButtonKind WRITE SetButtonKind)
    Q_PROPERTY(BYTE Decimal READ Decimal WRITE SetDecimal)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(long double Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(long double MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(long double MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(TValueType ValueType READ ValueType WRITE SetValueType)
    Q_PROPERTY(long double Value READ Value WRITE SetValue)
    Q_PROPERTY(TNotifyEvent OnBottomClick MEMBER OnBottomClick)
    Q_PROPERTY(TNotifyEvent OnTopClick MEMBER OnTopClick)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:ArrowKeys", "True")
    Q_CLASSINFO("Default:ButtonKind", "bkDiagonal")
    Q_CLASSINFO("Default:Decimal", "2")
    Q_CLASSINFO("Default:EditorEnabled", "True")
    Q_CLASSINFO("Stored:MaxValue", "IsMaxStored")
    Q_CLASSINFO("Stored:MinValue", "IsMinStored")
    Q_CLASSINFO("Default:ValueType", "vtInteger")
    // The edit's inherited properties keep the edit's defaults.
    Q_CLASSINFO("Default:AutoSelect", "True")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:BorderStyle", "bsSingle")
    Q_CLASSINFO("Default:MaxLength", "0")
    Q_CLASSINFO("Default:ReadOnly", "False")
    Q_CLASSINFO("Default:TabStop", "True")

public:
    enum TSpinButtonKind { bkStandard, bkDiagonal };
    Q_ENUM(TSpinButtonKind)
    enum TValueType { vtInteger, vtFloat, vtHex };
    Q_ENUM(TValueType)

    explicit TKitSpinEdit(TComponent* AOwner);
    ~TKitSpinEdit() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool v);
    TSpinButtonKind ButtonKind() const { return FButtonKind; }
    void SetButtonKind(TSpinButtonKind v);
    BYTE Decimal() const { return FDecimal; }
    void SetDecimal(BYTE v);
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool v) { FEditorEnabled = v; }
    long double Increment() const { return FIncrement; }
    void SetIncrement(long double v) { FIncrement = v; }
    long double MaxValue() const { return FMaxValue; }
    void SetMaxValue(long double v) { FMaxValue = v; }
    long double MinValue() const { return FMinValue; }
    void SetMinValue(long double v) { FMinValue = v; }
    TValueType ValueType() const { return FValueType; }
    void SetValueType(TValueType v);
    long double Value();
    void SetValue(long double v);

    // Whether a property differs from its default and is written to a layout.
    Q_INVOKABLE bool IsIncrementStored() const { return FIncrement != 1.0L; }
    Q_INVOKABLE bool IsMaxStored() const { return FMaxValue != 0.0L; }
    Q_INVOKABLE bool IsMinStored() const { return FMinValue != 0.0L; }
    Q_INVOKABLE bool IsValueStored() const { return const_cast<TKitSpinEdit*>(this)->Value() != 0.0L; }
    // The value is stored, never the text it is shown as.
    Q_INVOKABLE bool IsTextStored() const { return false; }

    // The value clamped to MinValue..MaxValue (no clamping while the two are equal).
    long double CheckValue(long double v) const;
    virtual bool IsValidChar(char Key);
    virtual void UpClick(TObject* Sender);
    virtual void DownClick(TObject* Sender);

    TKitSpinButton* Button() const { return FButton; }
    TWinControl* ButtonWindow() const { return FBtnWindow; }
    TKitUpDown* UpDown() const { return FUpDown; }
    int ButtonWidth() const;

    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;

    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void Change() override;

private:
    void RecreateButton();
    void ResizeButton();
    void SetEditRect();
    int GetMinHeight();
    void UpDownClick(TObject* Sender, TUDBtnType Button);
    void WMSize(TMessage& Message);
    TAlignment FAlignment = taLeftJustify;
    bool FArrowKeys = true;
    TSpinButtonKind FButtonKind = bkDiagonal;
    BYTE FDecimal = 2;
    bool FEditorEnabled = true;
    long double FIncrement = 1.0L;
    long double FMaxValue = 0.0L;
    long double FMinValue = 0.0L;
    TValueType FValueType = vtInteger;
    bool FChanging = false;
    bool FDestroying = false;
    TWinControl* FBtnWindow = nullptr;
    TKitSpinButton* FButton = nullptr;
    TKitUpDown* FUpDown = nullptr;
};

using TSpinButtonKind = TKitSpinEdit::TSpinButtonKind;
inline constexpr TSpinButtonKind bkStandard = TKitSpinEdit::bkStandard;
inline constexpr TSpinButtonKind bkDiagonal = TKitSpinEdit::bkDiagonal;
using TValueType = TKitSpinEdit::TValueType;
inline constexpr TValueType vtInteger = TKitSpinEdit::vtInteger;
inline constexpr TValueType vtFloat = TKitSpinEdit::vtFloat;
inline constexpr TValueType vtHex = TKitSpinEdit::vtHex;

// Registers the spin edit's classes (and the class library's standard classes) with the
// class registry and loads the kit's resources.
void RegisterKitSpin();

