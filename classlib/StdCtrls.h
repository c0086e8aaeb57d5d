// Standard controls: edits, memos, labels, buttons, check boxes, radio buttons, group
// boxes, list boxes and combo boxes.
#pragma once


#include "classlib/Forms.h"
#include "classlib/StringList.h"

class TCustomEdit : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(String Text READ Text WRITE SetText)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)

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
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)

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
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)

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
    // The button becomes (or stops being) the one Enter presses: the focused or default one.
    virtual void SetButtonStyle(bool ADefault);

private:
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
    Q_PROPERTY(int State READ State WRITE SetStateValue STORED false)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
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
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
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
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_CLASSINFO("Default:Color", "clBtnFace")
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


// A multi-line edit; Lines and the window's text are kept in step.
class TCustomMemo : public TCustomEdit {
    Q_OBJECT
    Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)
    Q_PROPERTY(String Text READ Text WRITE SetText STORED false)
    Q_PROPERTY(TMemoScrollStyle ScrollBars READ ScrollBars WRITE SetScrollBars)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool WantReturns READ WantReturns WRITE SetWantReturns)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE SetWantTabs)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)

public:
    enum TMemoScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
    Q_ENUM(TMemoScrollStyle)

    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;
    TStrings* Lines() const { return FLines; }
    // Lines are stored, not the text.
    Q_INVOKABLE bool IsTextStored() const { return false; }
    void SetLines(TStrings* v) { FLines->Assign(v); }
    TMemoScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TMemoScrollStyle v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool v) { FWantReturns = v; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool v) { FWantTabs = v; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    String GetText() const override;
    void SetTextValue(const String& v) override;

private:
    void LinesChanged();
    TStringList* FLines;
    TMemoScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
    TAlignment FAlignment = taLeftJustify;
    bool FSyncing = false;
};

using TScrollStyle = TCustomMemo::TMemoScrollStyle;
inline constexpr TScrollStyle ssNone = TCustomMemo::ssNone;
inline constexpr TScrollStyle ssHorizontal = TCustomMemo::ssHorizontal;
inline constexpr TScrollStyle ssVertical = TCustomMemo::ssVertical;
inline constexpr TScrollStyle ssBoth = TCustomMemo::ssBoth;

class TMemo : public TCustomMemo {
    Q_OBJECT
public:
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

// Owner drawing of list and combo box items: the state of an item (bits of ODS_*) and the
// events that draw and measure items.
enum TOwnerDrawStateElement : unsigned {
    odSelected = 0x0001, odGrayed = 0x0002, odDisabled = 0x0004, odChecked = 0x0008, odFocused = 0x0010,
    odDefault = 0x0020, odHotLight = 0x0040, odInactive = 0x0080, odNoAccel = 0x0100, odNoFocusRect = 0x0200,
    odComboBoxEdit = 0x1000
};
using TOwnerDrawState = unsigned;
using TDrawItemEvent = TEvent<void(TWinControl* Control, int Index, RECT Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TEvent<void(TWinControl* Control, int Index, int& Height)>;

// A list of strings, one of which can be chosen. Items is the list; ItemIndex the chosen
// entry (-1: none). OnClick fires when the user chooses an entry (not when code sets
// ItemIndex); OnDblClick on a double click.
class TCustomListBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TStrings* Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex STORED false)
    Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
    Q_PROPERTY(bool IntegralHeight READ IntegralHeight WRITE SetIntegralHeight)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(TListBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TDrawItemEvent OnDrawItem MEMBER OnDrawItem)
    Q_PROPERTY(TMeasureItemEvent OnMeasureItem MEMBER OnMeasureItem)
    Q_CLASSINFO("Default:Style", "lbStandard")

public:
    // Owner-drawn styles draw each item through DrawItem (OnDrawItem); the variable one asks
    // each item's height (OnMeasureItem), the fixed one uses ItemHeight.
    enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
    Q_ENUM(TListBoxStyle)

    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;
    TStrings* Items() const { return FItems; }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex() const;
    void SetItemIndex(int v);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool v);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool v);
    int ItemHeight() const;
    void SetItemHeight(int v);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle v);
    // The canvas of item drawing (on the item's DC while an item is drawn).
    TCanvas* Canvas() const { return FCanvas; }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool v) { FIntegralHeight = v; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    int Count() const { return FItems->Count(); }
    bool Selected(int Index) const;
    void SetSelected(int Index, bool v);
    int SelCount() const;
    int TopIndex() const;
    void SetTopIndex(int v);
    void Clear() { FItems->Clear(); }
    int ItemAtPos(POINT Pos, bool Existing) const;
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // Draws one item on Canvas: OnDrawItem, or the text 2 pixels in on the filled rectangle.
    virtual void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);

private:
    void ItemsChanged();
    void FillWindow();
    void CNDrawItem(TMessage& Message);
    TStringList* FItems;
    TCanvas* FCanvas;
    TListBoxStyle FStyle = lbStandard;
    std::vector<String> FShown;  // the texts the window holds, to change only what changed
    int FItemIndex = -1;
    std::vector<bool> FSelected;
    bool FSorted = false;
    bool FMultiSelect = false;
    int FItemHeight = 16;
    bool FIntegralHeight = false;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FFilling = false;
};

using TListBoxStyle = TCustomListBox::TListBoxStyle;
inline constexpr TListBoxStyle lbStandard = TCustomListBox::lbStandard;
inline constexpr TListBoxStyle lbOwnerDrawFixed = TCustomListBox::lbOwnerDrawFixed;
inline constexpr TListBoxStyle lbOwnerDrawVariable = TCustomListBox::lbOwnerDrawVariable;

class TListBox : public TCustomListBox {
    Q_OBJECT
public:
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// A combo box. OnChange fires on the user's action only (choosing an entry or typing);
// setting Text or ItemIndex in code fires nothing.
class TCustomComboBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TStrings* Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(TComboBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
    Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(String Text READ Text WRITE SetText)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TNotifyEvent OnSelect MEMBER OnSelect)
    Q_PROPERTY(TNotifyEvent OnDropDown MEMBER OnDropDown)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
    Q_PROPERTY(TDrawItemEvent OnDrawItem MEMBER OnDrawItem)
    Q_PROPERTY(TMeasureItemEvent OnMeasureItem MEMBER OnMeasureItem)
    Q_CLASSINFO("Default:ItemIndex", "-1")
    Q_CLASSINFO("Default:ItemHeight", "16")
    Q_CLASSINFO("Default:DropDownCount", "8")

public:
    enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
    Q_ENUM(TComboBoxStyle)

    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;
    TStrings* Items() const { return FItems; }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex() const;
    void SetItemIndex(int v);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle v);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool v);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int v) { FDropDownCount = v; }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int v);
    bool DroppedDown() const;
    void SetDroppedDown(bool v);
    void Clear();
    void Dispatch(TMessage& Message) override;
    int ItemHeight() const;
    void SetItemHeight(int v);
    TCanvas* Canvas() const { return FCanvas; }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    String GetText() const override;
    void SetTextValue(const String& v) override;
    virtual void Change();
    virtual void Select();
    void Loaded() override;
    virtual void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);

private:
    void ItemsChanged();
    void FillWindow();
    TStringList* FItems;
    TCanvas* FCanvas;
    int FItemHeight = 16;
    int FItemIndex = -1;
    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    int FDropDownCount = 8;
    int FMaxLength = 0;
    bool FFilling = false;
};

using TComboBoxStyle = TCustomComboBox::TComboBoxStyle;
inline constexpr TComboBoxStyle csDropDown = TCustomComboBox::csDropDown;
inline constexpr TComboBoxStyle csSimple = TCustomComboBox::csSimple;
inline constexpr TComboBoxStyle csDropDownList = TCustomComboBox::csDropDownList;
inline constexpr TComboBoxStyle csOwnerDrawFixed = TCustomComboBox::csOwnerDrawFixed;
inline constexpr TComboBoxStyle csOwnerDrawVariable = TCustomComboBox::csOwnerDrawVariable;

class TComboBox : public TCustomComboBox {
    Q_OBJECT
public:
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

