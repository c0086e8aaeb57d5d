// Standard controls: edits, labels, buttons, check boxes, radio buttons and group boxes.
#pragma once


#include "classlib/Forms.h"

class TCustomEdit : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

public:
    explicit TCustomEdit(TComponent* AOwner);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool v) { FAutoSelect = v; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v) { FAutoSize = v; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int v);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    bool Modified() const;
    void SetModified(bool v);
    int SelStart();
    void SetSelStart(int v);
    int SelLength();
    void SetSelLength(int v);
    String SelText();
    void SetSelText(const String& v);
    void SelectAll();
    void ClearSelection() { Perform(WM_CLEAR); }
    void CopyToClipboard() { Perform(WM_COPY); }
    void CutToClipboard() { Perform(WM_CUT); }
    void PasteFromClipboard() { Perform(WM_PASTE); }
    void Undo() { Perform(WM_UNDO); }
    void Clear() { SetText(String()); }

    TNotifyEvent OnChange;
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();

private:
    bool FAutoSelect = true;
    bool FAutoSize = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    int FMaxLength = 0;
    bool FReadOnly = false;
    bool FModified = false;
};

class TEdit : public TCustomEdit {
    Q_OBJECT
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TCustomLabel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(TWinControl* FocusControl READ FocusControl WRITE SetFocusControl)

public:
    explicit TCustomLabel(TComponent* AOwner);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const { return (ControlStyle & csOpaque) == 0; }
    void SetTransparent(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool v);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* v);
    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    virtual void AdjustBounds();
    // The caption as drawn (accelerator prefixes removed).
    String DisplayText() const;

private:
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
    Q_OBJECT
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

class TButtonControl : public TWinControl {
    Q_OBJECT
public:
    explicit TButtonControl(TComponent* AOwner);

protected:
    bool ClicksDisabled = false;
};

class TButton : public TButtonControl {
    Q_OBJECT
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)

public:
    explicit TButton(TComponent* AOwner);
    bool Default() const { return FDefault; }
    void SetDefault(bool v);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult v) { FModalResult = v; }
    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    void SetButtonStyle(bool ADefault);
    bool FDefault = false;
    bool FCancel = false;
    bool FActive = false;
    TModalResult FModalResult = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
    Q_OBJECT
    Q_PROPERTY(bool AllowGrayed READ AllowGrayed WRITE SetAllowGrayed)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(int State READ State WRITE SetStateValue)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)

public:
    explicit TCustomCheckBox(TComponent* AOwner);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool v) { FAllowGrayed = v; }
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState v);
    void SetStateValue(int v) { SetState(static_cast<TCheckBoxState>(v)); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Toggle();

private:
    bool FAllowGrayed = false;
    TCheckBoxState FState = cbUnchecked;
    TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    Q_OBJECT
public:
    explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)

public:
    explicit TRadioButton(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    void SetChecked(bool v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;

private:
    bool FChecked = false;
    TAlignment FAlignment = taRightJustify;
};

class TCustomGroupBox : public TWinControl {
    Q_OBJECT
public:
    explicit TCustomGroupBox(TComponent* AOwner);

protected:
    void CreateParams(TCreateParams& Params) override;
};

class TGroupBox : public TCustomGroupBox {
    Q_OBJECT
public:
    explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

