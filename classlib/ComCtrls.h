// Common controls: the up-down control, status bars, page controls, track bars, progress
// bars, list views, tree views and tool bars.
#pragma once


#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/StringList.h"
#include "platform/commctrl.h"

enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = TEvent<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

class TCustomUpDown : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(TUDOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)
    Q_PROPERTY(bool ArrowKeys READ ArrowKeys WRITE SetArrowKeys)
    Q_PROPERTY(TWinControl* Associate READ Associate WRITE SetAssociate)
    Q_PROPERTY(TUDClickEvent OnClick MEMBER OnClick)
    Q_PROPERTY(TUDChangingEvent OnChanging MEMBER OnChanging)

public:
    enum TUDOrientation { udHorizontal, udVertical };
    Q_ENUM(TUDOrientation)

    explicit TCustomUpDown(TComponent* AOwner);
    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    int Position();
    void SetPosition(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v);
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation v);
    bool Wrap() const { return FWrap; }
    void SetWrap(bool v);
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool v);
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* v);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual bool CanChange();
    virtual void Click(TUDBtnType Button);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    TUDOrientation FOrientation = udVertical;
    bool FWrap = false;
    bool FArrowKeys = true;
    TWinControl* FAssociate = nullptr;
    using TWinControl::Click;
};

using TUDOrientation = TCustomUpDown::TUDOrientation;
inline constexpr TUDOrientation udHorizontal = TCustomUpDown::udHorizontal;
inline constexpr TUDOrientation udVertical = TCustomUpDown::udVertical;

class TUpDown : public TCustomUpDown {
    Q_OBJECT
public:
    explicit TUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {}
};


class TStatusBar;

namespace ComCtrlsEnums {
Q_NAMESPACE
enum TStatusPanelStyle { psText, psOwnerDraw };
Q_ENUM_NS(TStatusPanelStyle)
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
Q_ENUM_NS(TStatusPanelBevel)
}  // namespace ComCtrlsEnums
using ComCtrlsEnums::TStatusPanelStyle;
using enum ComCtrlsEnums::TStatusPanelStyle;
using ComCtrlsEnums::TStatusPanelBevel;
using enum ComCtrlsEnums::TStatusPanelBevel;

// One panel of a status bar: its text, width, alignment, bevel and style (psOwnerDraw
// panels are painted by the bar's OnDrawPanel).
class TStatusPanel : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(String Text READ Text WRITE SetText)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(ComCtrlsEnums::TStatusPanelBevel Bevel READ Bevel WRITE SetBevel)
    Q_PROPERTY(ComCtrlsEnums::TStatusPanelStyle Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Default:Width", "50")
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:Bevel", "pbLowered")
    Q_CLASSINFO("Default:Style", "psText")

public:
    explicit TStatusPanel(TCollection* ACollection);
    String Text() const { return FText; }
    void SetText(const String& v);
    int Width() const { return FWidth; }
    void SetWidth(int v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel v);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle v);
    void Assign(TPersistent* Source) override;

private:
    void PanelChanged();
    String FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
    TStatusPanelStyle FStyle = psText;
};

class TStatusPanels : public TOwnedCollection {
    Q_OBJECT
public:
    explicit TStatusPanels(TStatusBar* AOwner);
    TStatusPanel* Items(int Index) const { return Item<TStatusPanel>(Index); }
    TStatusPanel* operator[](int Index) const { return Items(Index); }
    TStatusPanel* Add();

protected:
    void Update(TCollectionItem* Item) override;

private:
    TStatusBar* FStatusBar;
};

using TDrawPanelEvent = TEvent<void(TStatusBar* StatusBar, TStatusPanel* Panel, const RECT& Rect)>;

// A status bar of panels (or one simple panel with SimpleText when SimplePanel is set) over
// the platform's status bar. Panels are laid out from the left, each Width pixels wide, the
// last one filling the rest. An owner-drawn panel is painted by OnDrawPanel on the bar's
// Canvas, which code may also use outside painting.
class TStatusBar : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(TStatusPanels* Panels READ Panels WRITE SetPanels)
    Q_PROPERTY(bool SimplePanel READ SimplePanel WRITE SetSimplePanel)
    Q_PROPERTY(String SimpleText READ SimpleText WRITE SetSimpleText)
    Q_PROPERTY(bool SizeGrip READ SizeGrip WRITE SetSizeGrip)
    Q_CLASSINFO("Default:Align", "alBottom")
    Q_CLASSINFO("Default:Color", "clBtnFace")
    Q_PROPERTY(TDrawPanelEvent OnDrawPanel MEMBER OnDrawPanel)
    Q_CLASSINFO("Default:SimplePanel", "False")
    Q_CLASSINFO("Default:SizeGrip", "True")

public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;
    TStatusPanels* Panels() const { return FPanels; }
    void SetPanels(TStatusPanels* v) { FPanels->Assign(v); }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool v);
    String SimpleText() const { return FSimpleText; }
    void SetSimpleText(const String& v);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool v);
    // The rectangle of panel `Index` in client coordinates (empty when out of range).
    RECT PanelRect(int Index) const;
    void Dispatch(TMessage& Message) override;

    TDrawPanelEvent OnDrawPanel;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    virtual void DrawPanel(TStatusPanel* Panel, const RECT& Rect);

private:
    friend class TStatusPanels;
    // Gives the window the panels' parts, texts and styles.
    void UpdatePanels();
    TStatusPanels* FPanels;
    bool FSimplePanel = false;
    String FSimpleText;
    bool FSizeGrip = true;
};

class TPageControl;

// One page of a page control; its controls are shown while it is the active page.
class TTabSheet : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TPageControl* PageControl READ PageControl WRITE SetPageControl STORED false)
    Q_PROPERTY(bool TabVisible READ TabVisible WRITE SetTabVisible)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible STORED false)
    Q_PROPERTY(TNotifyEvent OnShow MEMBER OnShow)
    Q_PROPERTY(TNotifyEvent OnHide MEMBER OnHide)
    Q_CLASSINFO("Default:TabVisible", "True")
    Q_CLASSINFO("Default:ImageIndex", "0")

public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* v);
    int PageIndex() const;
    void SetPageIndex(int v);
    // The index among the visible tabs, or -1.
    int TabIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool v);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v) { FImageIndex = v; }
    // The page control shows and hides its pages: Visible is not stored.
    Q_INVOKABLE bool IsVisibleStored() const { return false; }
    void SetParentComponent(TComponent* Value) override;
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
    int FImageIndex = 0;
};

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

// Tabs across the top (the platform's tab control); each tab shows one TTabSheet below it.
// OnChange fires when the user picks a tab (not when code sets ActivePage); OnChanging may
// refuse it.
class TPageControl : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TTabSheet* ActivePage READ ActivePage WRITE SetActivePage)
    Q_PROPERTY(int ActivePageIndex READ ActivePageIndex WRITE SetActivePageIndex STORED false)
    Q_PROPERTY(int TabHeight READ TabHeight WRITE SetTabHeight)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TTabChangingEvent OnChanging MEMBER OnChanging)
    Q_CLASSINFO("Default:TabHeight", "0")

public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int Index) const { return FPages.at(static_cast<std::size_t>(Index)); }
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* v);
    int ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }
    void SetActivePageIndex(int v);
    int TabHeight() const { return FTabHeight; }
    void SetTabHeight(int v);
    // The next (or previous) visible page after `Current`, wrapping round.
    TTabSheet* FindNextPage(TTabSheet* Current, bool GoForward) const;
    void SelectNextPage(bool GoForward);
    // The rectangle of the tab of page `Index` in client coordinates (empty when hidden).
    RECT TabRect(int Index) const;
    // The page whose tab holds the client point, or null.
    TTabSheet* PageAtPos(POINT Pos) const;
    RECT ClientRect() const override;
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    virtual bool CanChange();
    virtual void Change();

private:
    friend class TTabSheet;
    // Gives the window a tab for each page whose tab is visible.
    void UpdateTabs();
    TTabSheet* PageOfTab(int Tab) const;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    void ShowPages();
    int EffectiveTabHeight() const;
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    int FTabHeight = 0;
};

// A slider between Min and Max over the platform's track bar; OnChange fires whenever
// Position changes (by the user or by code).
class TTrackBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Frequency READ Frequency WRITE SetFrequency)
    Q_PROPERTY(int LineSize READ LineSize WRITE SetLineSize)
    Q_PROPERTY(int PageSize READ PageSize WRITE SetPageSize)
    Q_PROPERTY(TTrackBarOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_CLASSINFO("Default:Min", "0")
    Q_CLASSINFO("Default:Max", "10")
    Q_CLASSINFO("Default:Position", "0")
    Q_CLASSINFO("Default:Frequency", "1")
    Q_CLASSINFO("Default:LineSize", "1")
    Q_CLASSINFO("Default:PageSize", "2")

public:
    enum TTrackBarOrientation { trHorizontal, trVertical };
    Q_ENUM(TTrackBarOrientation)
    explicit TTrackBar(TComponent* AOwner);
    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    int Position() const { return FPosition; }
    void SetPosition(int v);
    int Frequency() const { return FFrequency; }
    void SetFrequency(int v) {
        FFrequency = v;
        UpdateWindow();
    }
    int LineSize() const { return FLineSize; }
    void SetLineSize(int v) {
        FLineSize = v;
        UpdateWindow();
    }
    int PageSize() const { return FPageSize; }
    void SetPageSize(int v) {
        FPageSize = v;
        UpdateWindow();
    }
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation v);
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Changed();

private:
    void UpdateWindow();
    int FMin = 0;
    int FMax = 10;
    int FPosition = 0;
    int FFrequency = 1;
    int FLineSize = 1;
    int FPageSize = 2;
    TTrackBarOrientation FOrientation = trHorizontal;
};

namespace ComCtrlsEnums {
Q_NAMESPACE
enum TProgressBarOrientation { pbHorizontal, pbVertical };
Q_ENUM_NS(TProgressBarOrientation)
}  // namespace ComCtrlsEnums
using ComCtrlsEnums::TProgressBarOrientation;
using enum ComCtrlsEnums::TProgressBarOrientation;

// A progress bar over the platform's progress bar. Position stays between Min and Max;
// StepIt moves it by Step and starts again at Min past Max; a Max below Min raises
// EInvalidOperation (outside layout reading).
class TProgressBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(ComCtrlsEnums::TProgressBarOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)
    Q_PROPERTY(int Step READ Step WRITE SetStep)
    Q_CLASSINFO("Default:Min", "0")
    Q_CLASSINFO("Default:Max", "100")
    Q_CLASSINFO("Default:Orientation", "pbHorizontal")
    Q_CLASSINFO("Default:Position", "0")
    Q_CLASSINFO("Default:Smooth", "False")
    Q_CLASSINFO("Default:Step", "10")

public:
    explicit TProgressBar(TComponent* AOwner);
    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    int Position();
    void SetPosition(int v);
    int Step() const { return FStep; }
    void SetStep(int v);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool v);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation v);
    void StepIt();
    void StepBy(int Delta);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Loaded() override;

private:
    void SetParams(int AMin, int AMax);
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
};


// ---- List views ------------------------------------------------------------------------------

class TCustomListView;
class TListItems;

// What the view asks of an owner-data item (OwnerDataFetch).
enum TItemRequestElement : unsigned { irText = 1u << 0, irImage = 1u << 1, irParam = 1u << 2, irState = 1u << 3, irIndent = 1u << 4 };
using TItemRequest = unsigned;
// What changed in an item (OnChange, OnChanging).
enum TItemChange { ctText, ctImage, ctState };
enum TItemFind { ifData, ifPartialString, ifExactString, ifNearest };
enum TSearchDirection { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
// Custom-draw states of an item.
enum TCustomDrawStateElement : unsigned {
    cdsSelected = 0x01, cdsGrayed = 0x02, cdsDisabled = 0x04, cdsChecked = 0x08, cdsFocused = 0x10,
    cdsDefault = 0x20, cdsHot = 0x40
};
using TCustomDrawState = unsigned;
enum TCustomDrawStage { cdPrePaint, cdPostPaint };
// The parts of an item DisplayRect gives.
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

// One item: a caption, sub-item texts, images and the states the view keeps (selection,
// focus, cut, drop highlight, check). An owner-data list has one such item that OnData
// fills for whatever index the view asks for.
class TListItem : public TPersistent {
    Q_OBJECT
public:
    explicit TListItem(TListItems* AOwner);
    ~TListItem() override;

    String Caption() const { return FCaption; }
    void SetCaption(const String& v);
    TStrings* SubItems() const { return FSubItems; }
    void SetSubItems(TStrings* v);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int v);
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int v);
    int Indent() const { return FIndent; }
    void SetIndent(int v);
    void* Data() const { return FData; }
    void SetData(void* v) { FData = v; }
    bool Checked() const;
    void SetChecked(bool v);
    bool Selected() const { return GetState(LVIS_SELECTED); }
    void SetSelected(bool v) { SetState(LVIS_SELECTED, v); }
    bool Focused() const { return GetState(LVIS_FOCUSED); }
    void SetFocused(bool v) { SetState(LVIS_FOCUSED, v); }
    bool Cut() const { return GetState(LVIS_CUT); }
    void SetCut(bool v) { SetState(LVIS_CUT, v); }
    bool DropTarget() const { return GetState(LVIS_DROPHILITED); }
    void SetDropTarget(bool v) { SetState(LVIS_DROPHILITED, v); }
    // The position among the items (the asked index for the owner-data item).
    int Index() const;
    TListItems* Owner() const { return FOwner; }
    TCustomListView* ListView() const;
    void Delete();
    void MakeVisible(bool PartialOK);
    bool EditCaption();
    void CancelEdit();
    RECT DisplayRect(TDisplayCode Code) const;
    void Update();
    void Assign(TPersistent* Source) override;

protected:
    bool GetState(UINT Mask) const;
    void SetState(UINT Mask, bool Value);

private:
    friend class TListItems;
    friend class TCustomListView;
    void SubItemsChanged(TObject* Sender);
    void Changed(TItemChange Change);
    TListItems* FOwner;
    String FCaption;
    TStringList* FSubItems;
    int FImageIndex = -1;
    int FStateIndex = -1;
    int FOverlayIndex = -1;
    int FIndent = 0;
    void* FData = nullptr;
    int FOwnerIndex = -1;  // the owner-data item's index
    unsigned FKeptState = 0;  // the view's states while the window is away
};

// The items of a list view. With OwnerData only Count is kept (and Item[i] is the one
// owner-data item, filled by OnData for index i).
class TListItems : public TPersistent {
    Q_OBJECT
public:
    explicit TListItems(TCustomListView* AOwner);
    ~TListItems() override;
    int Count() const;
    void SetCount(int v);
    TListItem* Item(int Index) const;
    TListItem* operator[](int Index) const { return Item(Index); }
    TListItem* Add();
    TListItem* Insert(int Index);
    TListItem* AddItem(TListItem* Item, int Index = -1);
    void Delete(int Index);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    int IndexOf(const TListItem* Value) const;
    TCustomListView* Owner() const { return FOwner; }
    void Assign(TPersistent* Source) override;

private:
    friend class TCustomListView;
    friend class TListItem;
    void InsertIntoWindow(TListItem* Item, int Index);
    TCustomListView* FOwner;
    std::vector<TListItem*> FItems;
    int FCount = 0;  // owner data
    int FUpdateCount = 0;
};

// One column of the report view.
class TListColumn : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("Default:Width", "50")
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:ImageIndex", "-1")
    Q_CLASSINFO("Default:Tag", "0")

public:
    explicit TListColumn(TCollection* ACollection);
    String Caption() const { return FCaption; }
    virtual void SetCaption(const String& v);
    int Width() const;
    void SetWidth(int v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    void Assign(TPersistent* Source) override;
    TCustomListView* ListView() const;

private:
    friend class TCustomListView;
    String FCaption;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    int FImageIndex = -1;
    int FTag = 0;
};

class TListColumns : public TOwnedCollection {
    Q_OBJECT
public:
    explicit TListColumns(TCustomListView* AOwner);
    TListColumn* Items(int Index) const { return Item<TListColumn>(Index); }
    TListColumn* operator[](int Index) const { return Items(Index); }
    TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
    TCustomListView* Owner() const { return FOwner; }

protected:
    // Columns of a descendant class of TListColumn.
    TListColumns(TCustomListView* AOwner, TCollectionItemClass ItemClass);
    void Update(TCollectionItem* Item) override;

private:
    TCustomListView* FOwner;
};

using TLVChangeEvent = TEvent<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent = TEvent<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVSelectItemEvent = TEvent<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = TEvent<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent = TEvent<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVCustomDrawEvent = TEvent<void(TCustomListView* Sender, const RECT& ARect, bool& DefaultDraw)>;
using TLVCustomDrawItemEvent = TEvent<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVOwnerDataEvent = TEvent<void(TObject* Sender, TListItem* Item)>;
using TLVOwnerDataFindEvent = TEvent<void(TObject* Sender, TItemFind Find, const String& FindString, const POINT& FindPosition,
                                          void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap, int& Index)>;
using TLVOwnerDataHintEvent = TEvent<void(TObject* Sender, int StartIndex, int EndIndex)>;
using TLVOwnerDataStateChangeEvent = TEvent<void(TObject* Sender, int StartIndex, int EndIndex, UINT OldState, UINT NewState)>;
using TLVEditingEvent = TEvent<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = TEvent<void(TObject* Sender, TListItem* Item, String& S)>;
using TLVDeletedEvent = TEvent<void(TObject* Sender, TListItem* Item)>;
using TLVInfoTipEvent = TEvent<void(TObject* Sender, TListItem* Item, String& InfoTip)>;
using TLVDrawItemEvent = TEvent<void(TCustomListView* Sender, TListItem* Item, const RECT& Rect, TOwnerDrawState State)>;

// A list view over the platform's list view. Items keep their texts and images; the window
// asks for them when it shows them (callback texts), so the items' objects stay the record.
class TCustomListView : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TListColumns* Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(TViewStyle ViewStyle READ ViewStyle WRITE SetViewStyle)
    Q_PROPERTY(TSortType SortType READ SortType WRITE SetSortType)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool RowSelect READ RowSelect WRITE SetRowSelect)
    Q_PROPERTY(bool GridLines READ GridLines WRITE SetGridLines)
    Q_PROPERTY(bool Checkboxes READ Checkboxes WRITE SetCheckboxes)
    Q_PROPERTY(bool HideSelection READ HideSelection WRITE SetHideSelection)
    Q_PROPERTY(bool ShowColumnHeaders READ ShowColumnHeaders WRITE SetShowColumnHeaders)
    Q_PROPERTY(bool ColumnClick READ ColumnClick WRITE SetColumnClick)
    Q_PROPERTY(bool OwnerData READ OwnerData WRITE SetOwnerData)
    Q_PROPERTY(bool OwnerDraw READ OwnerDraw WRITE SetOwnerDraw)
    Q_PROPERTY(TCustomImageList* LargeImages READ LargeImages WRITE SetLargeImages)
    Q_PROPERTY(TCustomImageList* SmallImages READ SmallImages WRITE SetSmallImages)
    Q_PROPERTY(TCustomImageList* StateImages READ StateImages WRITE SetStateImages)
    Q_PROPERTY(TLVChangeEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TLVChangingEvent OnChanging MEMBER OnChanging)
    Q_PROPERTY(TLVSelectItemEvent OnSelectItem MEMBER OnSelectItem)
    Q_PROPERTY(TLVColumnClickEvent OnColumnClick MEMBER OnColumnClick)
    Q_PROPERTY(TLVCompareEvent OnCompare MEMBER OnCompare)
    Q_PROPERTY(TLVCustomDrawEvent OnCustomDraw MEMBER OnCustomDraw)
    Q_PROPERTY(TLVCustomDrawItemEvent OnCustomDrawItem MEMBER OnCustomDrawItem)
    Q_PROPERTY(TLVOwnerDataEvent OnData MEMBER OnData)
    Q_PROPERTY(TLVOwnerDataFindEvent OnDataFind MEMBER OnDataFind)
    Q_PROPERTY(TLVOwnerDataHintEvent OnDataHint MEMBER OnDataHint)
    Q_PROPERTY(TLVOwnerDataStateChangeEvent OnDataStateChange MEMBER OnDataStateChange)
    Q_PROPERTY(TLVEditingEvent OnEditing MEMBER OnEditing)
    Q_PROPERTY(TLVEditedEvent OnEdited MEMBER OnEdited)
    Q_PROPERTY(TLVDeletedEvent OnDeletion MEMBER OnDeletion)
    Q_PROPERTY(TLVDeletedEvent OnInsert MEMBER OnInsert)
    Q_PROPERTY(TLVInfoTipEvent OnInfoTip MEMBER OnInfoTip)
    Q_PROPERTY(TLVDrawItemEvent OnDrawItem MEMBER OnDrawItem)
    Q_CLASSINFO("Default:ViewStyle", "vsIcon")
    Q_CLASSINFO("Default:SortType", "stNone")
    Q_CLASSINFO("Default:MultiSelect", "False")
    Q_CLASSINFO("Default:ReadOnly", "False")
    Q_CLASSINFO("Default:RowSelect", "False")
    Q_CLASSINFO("Default:GridLines", "False")
    Q_CLASSINFO("Default:Checkboxes", "False")
    Q_CLASSINFO("Default:HideSelection", "True")
    Q_CLASSINFO("Default:ShowColumnHeaders", "True")
    Q_CLASSINFO("Default:ColumnClick", "True")
    Q_CLASSINFO("Default:OwnerData", "False")
    Q_CLASSINFO("Default:OwnerDraw", "False")
    Q_CLASSINFO("Default:TabStop", "True")

public:
    enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
    Q_ENUM(TViewStyle)
    enum TSortType { stNone, stData, stText, stBoth };
    Q_ENUM(TSortType)

    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;

    TListItems* Items() const { return FListItems; }
    void SetItems(TListItems* v) { FListItems->Assign(v); }
    TListColumns* Columns() const { return FListColumns; }
    void SetColumns(TListColumns* v) { FListColumns->Assign(v); }
    TListColumn* Column(int Index) const { return FListColumns->Items(Index); }
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle v);
    TSortType SortType() const { return FSortType; }
    void SetSortType(TSortType v);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool v);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool v);
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool v);
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool v);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool v);
    bool ShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool v);
    bool ColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool v);
    bool OwnerData() const { return FOwnerData; }
    void SetOwnerData(bool v);
    // In the report view the items are drawn by DrawItem (OnDrawItem) in whole rows.
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool v);
    TCustomImageList* LargeImages() const { return FLargeImages; }
    void SetLargeImages(TCustomImageList* v);
    TCustomImageList* SmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList* v);
    TCustomImageList* StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* v);

    // The first selected item (nil: none); setting nil deselects all, an item selects only it.
    TListItem* Selected() const;
    void SetSelected(TListItem* v);
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* v);
    int SelCount() const;
    TListItem* GetNextItem(TListItem* StartItem, TSearchDirection Direction, UINT States) const;
    TListItem* GetItemAt(int X, int Y) const;
    TListItem* TopItem() const;
    int VisibleRowCount() const;
    TListItem* FindCaption(int StartIndex, const String& Value, bool Partial, bool Inclusive, bool Wrap) const;
    bool AlphaSort();
    bool CustomSort(PFNLVCOMPARE SortProc, LPARAM lParam);
    void Scroll(int DX, int DY);
    void Arrange();
    void ClearSelection();
    void SelectAll();
    bool IsEditing() const;
    TCanvas* Canvas() const { return FCanvas; }
    // The item behind a display record: the owner-data item, the lParam's item or the index's.
    TListItem* GetItemFromLVItem(int Index, LPARAM Param, UINT Mask) const;
    // The default comparison of AlphaSort (OnCompare, or the captions by the locale).
    static int DefaultListViewSort(LPARAM Item1, LPARAM Item2, LPARAM Data);
    void Dispatch(TMessage& Message) override;

    TLVChangeEvent OnChange;
    TLVChangingEvent OnChanging;
    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVCompareEvent OnCompare;
    TLVCustomDrawEvent OnCustomDraw;
    TLVCustomDrawItemEvent OnCustomDrawItem;
    TLVOwnerDataEvent OnData;
    TLVOwnerDataFindEvent OnDataFind;
    TLVOwnerDataHintEvent OnDataHint;
    TLVOwnerDataStateChangeEvent OnDataStateChange;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVDeletedEvent OnDeletion;
    TLVDeletedEvent OnInsert;
    TLVInfoTipEvent OnInfoTip;
    TLVDrawItemEvent OnDrawItem;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual TListItem* CreateListItem();
    // An owner-drawn item on Canvas (with the item's DC, the control's font and brush):
    // OnDrawItem when assigned, else the filled rectangle and the caption 2 pixels in.
    virtual void DrawItem(TListItem* Item, const RECT& Rect, TOwnerDrawState State);
    // Owner data: fills Item (whose Index is the asked one) for the view; false when
    // nothing filled it.
    virtual bool OwnerDataFetch(TListItem* Item, TItemRequest Request);
    virtual int OwnerDataFind(TItemFind Find, const String& FindString, const POINT& FindPosition, void* FindData,
                              int StartIndex, TSearchDirection Direction, bool Wrap);
    virtual bool OwnerDataHint(int StartIndex, int EndIndex);
    virtual bool OwnerDataStateChange(int StartIndex, int EndIndex, UINT OldState, UINT NewState);
    virtual bool CanEdit(TListItem* Item);
    // The end of a label edit with the record the view sent (pszText null: cancelled).
    virtual void Edit(const LVITEMA& Item);
    virtual bool CanChange(TListItem* Item, TItemChange Change);
    virtual void Change(TListItem* Item, TItemChange Change);
    virtual void ColClick(TListColumn* Column);
    virtual void Delete(TListItem* Item);
    virtual void InsertItem(TListItem* Item);
    virtual bool CustomDraw(const RECT& ARect, TCustomDrawStage Stage);
    virtual bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage);
    bool IsCustomDrawn(TCustomDrawStage Stage) const;

    // Descendants with items and columns of their own classes replace these in their
    // constructor (the temporary item is the owner-data item; its owner is the items).
    TListItems* FListItems;
    TListColumns* FListColumns;
    TListItem* FTempItem = nullptr;

private:
    friend class TListItem;
    friend class TListItems;
    friend class TListColumn;
    friend class TListColumns;
    void UpdateColumns();
    void UpdateColumn(int Index);
    void UpdateImages();
    void UpdateExStyle();
    void ImageListChange(TObject* Sender);
    void SetImageList(TCustomImageList*& Field, TCustomImageList* Value, int Which);
    void CNNotify(TMessage& Message);
    LRESULT DispInfo(NMHDR* Header, bool Unicode);
    void CNDrawItem(TMessage& Message);
    void ResyncOrder();
    HWND HeaderHandle();
    TViewStyle FViewStyle = vsIcon;
    TSortType FSortType = stNone;
    bool FMultiSelect = false;
    bool FReadOnly = false;
    bool FRowSelect = false;
    bool FGridLines = false;
    bool FCheckboxes = false;
    bool FHideSelection = true;
    bool FShowColumnHeaders = true;
    bool FColumnClick = true;
    bool FOwnerData = false;
    bool FOwnerDraw = false;
    TCustomImageList* FLargeImages = nullptr;
    TCustomImageList* FSmallImages = nullptr;
    TCustomImageList* FStateImages = nullptr;
    TChangeLink* FImageChangeLink;
    TCanvas* FCanvas;
    bool FCanvasChanged = false;
    std::string FDispText;  // the text of the last LVN_GETDISPINFO answer
    std::u16string FDispTextW;
    int FSavedSelection = -1;
    bool FRefusedChange = false;
};

using TViewStyle = TCustomListView::TViewStyle;
inline constexpr TViewStyle vsIcon = TCustomListView::vsIcon;
inline constexpr TViewStyle vsSmallIcon = TCustomListView::vsSmallIcon;
inline constexpr TViewStyle vsList = TCustomListView::vsList;
inline constexpr TViewStyle vsReport = TCustomListView::vsReport;
using TSortType = TCustomListView::TSortType;
inline constexpr TSortType stNone = TCustomListView::stNone;
inline constexpr TSortType stData = TCustomListView::stData;
inline constexpr TSortType stText = TCustomListView::stText;
inline constexpr TSortType stBoth = TCustomListView::stBoth;

class TListView : public TCustomListView {
    Q_OBJECT
public:
    explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
};


// ---- Tree view and tool bar -------------------------------------------------------------

class TCustomTreeView;
class TTreeNodes;

// One node of a tree view: a text, images and data on an item of the tree-view window.
class TTreeNode : public TPersistent {
    Q_OBJECT

public:
    explicit TTreeNode(TTreeNodes* AOwner);
    ~TTreeNode() override;

    TTreeNodes* Owner() const { return FOwner; }
    TCustomTreeView* TreeView() const;
    HTREEITEM ItemId() const { return FItemId; }
    String Text() const { return FText; }
    void SetText(const String& v);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int v);
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int v);
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int v);
    void* Data() const { return FData; }
    void SetData(void* v) { FData = v; }
    bool HasChildren() const;
    void SetHasChildren(bool v);
    bool Expanded() const;
    void SetExpanded(bool v);
    bool Selected() const;
    void SetSelected(bool v);
    bool Focused() const;
    void SetFocused(bool v);
    bool Cut() const;
    void SetCut(bool v);
    bool DropTarget() const;
    void SetDropTarget(bool v);
    bool Deleting() const { return FDeleting; }
    bool IsVisible() const;

    TTreeNode* Parent() const;
    int Count() const;
    TTreeNode* Item(int Index) const;
    TTreeNode* operator[](int Index) const { return Item(Index); }
    int Index() const;
    int AbsoluteIndex() const;
    int Level() const;
    TTreeNode* GetFirstChild() const;
    TTreeNode* GetLastChild() const;
    TTreeNode* GetNext() const;  // depth first through the whole tree
    TTreeNode* GetPrev() const;
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    TTreeNode* GetNextChild(TTreeNode* Value) const { return Value ? Value->GetNextSibling() : nullptr; }
    TTreeNode* GetPrevChild(TTreeNode* Value) const { return Value ? Value->GetPrevSibling() : nullptr; }
    TTreeNode* GetNextVisible() const;
    TTreeNode* GetPrevVisible() const;
    bool HasAsParent(TTreeNode* Value) const;

    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    void MakeVisible();
    bool EditText();
    void EndEdit(bool Cancel);
    RECT DisplayRect(bool TextOnly) const;
    bool AlphaSort(bool Recurse = false);
    void Delete();
    void DeleteChildren();
    void Assign(TPersistent* Source) override;

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    TTreeNode* Node(HTREEITEM h) const;
    HTREEITEM Next(WPARAM How) const;
    bool State(UINT Mask) const;
    void SetState(UINT Mask, bool On);
    void SetItemMask(UINT Mask);
    TTreeNodes* FOwner;
    HTREEITEM FItemId = nullptr;
    String FText;
    int FImageIndex = 0;
    int FSelectedIndex = 0;
    int FStateIndex = -1;
    int FOverlayIndex = -1;
    void* FData = nullptr;
    bool FDeleting = false;
};

enum TAddMode { taAddFirst, taAdd, taInsert };

// The nodes of a tree view. Layouts store them as the binary property "Data": a 32-bit
// count of top-level nodes, then each node depth first as a 32-bit record size, four
// 32-bit image indexes (image, selected, state, overlay), 32 bits of data, a 32-bit child
// count and the text as a length byte and up to 255 bytes.
class TTreeNodes : public TPersistent {
    Q_OBJECT

public:
    explicit TTreeNodes(TCustomTreeView* AOwner);
    ~TTreeNodes() override;
    TCustomTreeView* Owner() const { return FOwner; }
    int Count() const;
    // The node at an absolute index (depth first).
    TTreeNode* Item(int Index) const;
    TTreeNode* operator[](int Index) const { return Item(Index); }
    TTreeNode* GetFirstNode() const;
    TTreeNode* GetNode(HTREEITEM ItemId) const;
    TTreeNode* Add(TTreeNode* Sibling, const String& S) { return AddObject(Sibling, S, nullptr); }
    TTreeNode* AddObject(TTreeNode* Sibling, const String& S, void* Ptr);
    TTreeNode* AddFirst(TTreeNode* Sibling, const String& S) { return AddObjectFirst(Sibling, S, nullptr); }
    TTreeNode* AddObjectFirst(TTreeNode* Sibling, const String& S, void* Ptr);
    TTreeNode* AddChild(TTreeNode* Parent, const String& S) { return AddChildObject(Parent, S, nullptr); }
    TTreeNode* AddChildObject(TTreeNode* Parent, const String& S, void* Ptr);
    TTreeNode* AddChildFirst(TTreeNode* Parent, const String& S) { return AddChildObjectFirst(Parent, S, nullptr); }
    TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const String& S, void* Ptr);
    // A new node before Sibling (last at the top level for null).
    TTreeNode* Insert(TTreeNode* Sibling, const String& S) { return InsertObject(Sibling, S, nullptr); }
    TTreeNode* InsertObject(TTreeNode* Sibling, const String& S, void* Ptr);
    void Delete(TTreeNode* Node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;
    // The "Data" format, also used to keep the nodes while the window is made again.
    void WriteData(TStream* Stream);
    void ReadData(TStream* Stream);

    // The class library's internal add: a node with S at the place Mode says.
    TTreeNode* InternalAddObject(TTreeNode* Node, const String& S, void* Ptr, TAddMode Mode);

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    HWND Handle() const;
    TTreeNode* AddItem(HTREEITEM Parent, HTREEITEM After, const String& S, void* Ptr);
    void WriteNode(TStream* Stream, TTreeNode* Node);
    void ReadNode(TStream* Stream, TTreeNode* Parent);
    TCustomTreeView* FOwner;
    int FUpdateCount = 0;
};

using TTVChangingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = TEvent<void(TObject* Sender, TTreeNode* Node, String& S)>;
using TTVCompareEvent = TEvent<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int Data, int& Compare)>;
using TTVCustomDrawItemEvent =
    TEvent<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;
using TTVStartDragEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;

// A tree view over the platform's tree-view window. Node texts are ANSI texts that the
// window asks for when it shows them (TVN_GETDISPINFO), as it asks for images through
// GetImageIndex and GetSelectedIndex, which descendants override.
class TCustomTreeView : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TTreeNodes* Items READ Items WRITE SetItems)
    Q_PROPERTY(TCustomImageList* Images READ Images WRITE SetImages)
    Q_PROPERTY(TCustomImageList* StateImages READ StateImages WRITE SetStateImages)
    Q_PROPERTY(bool ShowButtons READ ShowButtons WRITE SetShowButtons)
    Q_PROPERTY(bool ShowLines READ ShowLines WRITE SetShowLines)
    Q_PROPERTY(bool ShowRoot READ ShowRoot WRITE SetShowRoot)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool HideSelection READ HideSelection WRITE SetHideSelection)
    Q_PROPERTY(bool RowSelect READ RowSelect WRITE SetRowSelect)
    Q_PROPERTY(bool RightClickSelect MEMBER FRightClickSelect)
    Q_PROPERTY(bool AutoExpand READ AutoExpand WRITE SetAutoExpand)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(TCustomListView::TSortType SortType READ SortType WRITE SetSortType)
    Q_PROPERTY(TTVChangedEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TTVChangingEvent OnChanging MEMBER OnChanging)
    Q_PROPERTY(TTVExpandingEvent OnExpanding MEMBER OnExpanding)
    Q_PROPERTY(TTVExpandedEvent OnExpanded MEMBER OnExpanded)
    Q_PROPERTY(TTVCollapsingEvent OnCollapsing MEMBER OnCollapsing)
    Q_PROPERTY(TTVExpandedEvent OnCollapsed MEMBER OnCollapsed)
    Q_PROPERTY(TTVEditingEvent OnEditing MEMBER OnEditing)
    Q_PROPERTY(TTVEditedEvent OnEdited MEMBER OnEdited)
    Q_PROPERTY(TTVExpandedEvent OnGetImageIndex MEMBER OnGetImageIndex)
    Q_PROPERTY(TTVExpandedEvent OnGetSelectedIndex MEMBER OnGetSelectedIndex)
    Q_PROPERTY(TTVCompareEvent OnCompare MEMBER OnCompare)
    Q_PROPERTY(TTVExpandedEvent OnDeletion MEMBER OnDeletion)
    Q_PROPERTY(TTVCustomDrawItemEvent OnCustomDrawItem MEMBER OnCustomDrawItem)
    Q_PROPERTY(TTVStartDragEvent OnStartNodeDrag MEMBER OnStartNodeDrag)
    Q_CLASSINFO("Default:ShowButtons", "True")
    Q_CLASSINFO("Default:ShowLines", "True")
    Q_CLASSINFO("Default:ShowRoot", "True")
    Q_CLASSINFO("Default:ReadOnly", "False")
    Q_CLASSINFO("Default:HideSelection", "True")
    Q_CLASSINFO("Default:RowSelect", "False")
    Q_CLASSINFO("Default:RightClickSelect", "False")
    Q_CLASSINFO("Default:AutoExpand", "False")
    Q_CLASSINFO("Default:Indent", "19")
    Q_CLASSINFO("Default:SortType", "stNone")
    Q_CLASSINFO("Default:TabStop", "True")

public:
    explicit TCustomTreeView(TComponent* AOwner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() const { return FTreeNodes; }
    void SetItems(TTreeNodes* v) { FTreeNodes->Assign(v); }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* v);
    TTreeNode* TopItem() const;
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* v);
    TCustomImageList* StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* v);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool v) { SetStyleFlag(FShowButtons, v); }
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool v) { SetStyleFlag(FShowLines, v); }
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool v) { SetStyleFlag(FShowRoot, v); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { SetStyleFlag(FReadOnly, v); }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool v) { SetStyleFlag(FHideSelection, v); }
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool v) { SetStyleFlag(FRowSelect, v); }
    bool AutoExpand() const { return FAutoExpand; }
    void SetAutoExpand(bool v) { SetStyleFlag(FAutoExpand, v); }
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool v) { FRightClickSelect = v; }
    int Indent() const;
    void SetIndent(int v);
    TSortType SortType() const { return FSortType; }
    void SetSortType(TSortType v);
    bool IsEditing() const;
    HWND EditHandle() const { return FEditHandle; }
    bool Dragging() const { return FDragging; }

    TTreeNode* GetNodeAt(int X, int Y) const;
    UINT GetHitTestInfoAt(int X, int Y) const;
    bool AlphaSort();
    bool CustomSort(PFNTVCOMPARE SortProc, LPARAM Data);
    void FullExpand();
    void FullCollapse();
    // The node of an item record of a notification (its lParam holds the node).
    TTreeNode* GetNodeFromItem(const TVITEMA& Item) const;

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVExpandedEvent OnGetImageIndex;
    TTVExpandedEvent OnGetSelectedIndex;
    TTVCompareEvent OnCompare;
    TTVExpandedEvent OnDeletion;
    TTVCustomDrawItemEvent OnCustomDrawItem;
    TTVStartDragEvent OnStartNodeDrag;

    TCanvas* Canvas() const { return FCanvas; }
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual TTreeNode* CreateNode();
    virtual bool CanEdit(TTreeNode* Node);
    virtual bool CanChange(TTreeNode* Node);
    virtual void Change(TTreeNode* Node);
    virtual bool CanExpand(TTreeNode* Node);
    virtual void Expand(TTreeNode* Node);
    virtual bool CanCollapse(TTreeNode* Node);
    virtual void Collapse(TTreeNode* Node);
    virtual void Delete(TTreeNode* Node);
    virtual void Edit(const TVITEMA& Item);
    virtual void GetImageIndex(TTreeNode* Node);
    virtual void GetSelectedIndex(TTreeNode* Node);
    // Custom drawing of one node; false to skip the default drawing.
    virtual bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State);
    virtual bool IsCustomDrawn() const { return static_cast<bool>(OnCustomDrawItem); }

    HWND FEditHandle = nullptr;
    bool FDragging = false;
    // Descendants with nodes of their own class replace the collection in their constructor.
    TTreeNodes* FTreeNodes;

private:
    friend class TTreeNodes;
    friend class TTreeNode;
    void SetStyleFlag(bool& Flag, bool v);
    void SetImageList(HIMAGELIST Value, WPARAM Flags);
    void ImageListChange(TObject* Sender);
    void CNNotify(TMessage& Message);
    static int DefaultTreeViewSort(LPARAM Node1, LPARAM Node2, LPARAM Data);
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FStateImages = nullptr;
    TChangeLink* FImageChangeLink;
    TChangeLink* FStateChangeLink;
    TCanvas* FCanvas;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FRowSelect = false;
    bool FRightClickSelect = false;
    bool FAutoExpand = false;
    int FIndent = 19;
    TSortType FSortType = stNone;
    TMemoryStream* FSavedNodes = nullptr;
    int FSavedSelectedIndex = -1;
    bool FDestroying = false;
};

class TTreeView : public TCustomTreeView {
    Q_OBJECT
public:
    explicit TTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
};

class TToolBar;

namespace ComCtrlsEnums {
Q_NAMESPACE
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
Q_ENUM_NS(TToolButtonStyle)
}  // namespace ComCtrlsEnums
using ComCtrlsEnums::TToolButtonStyle;
using enum ComCtrlsEnums::TToolButtonStyle;

// A button of a tool bar: one button of the bar's window, with the bounds of its place
// there (so hints and the layout find it). Check buttons of one group (Grouped, next to
// each other) release each other; with AllowAllUp the down one can be released too.
class TToolButton : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(TPopupMenu* DropdownMenu READ DropdownMenu WRITE SetDropdownMenu)
    Q_PROPERTY(bool Grouped READ Grouped WRITE SetGrouped)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(bool Indeterminate READ Indeterminate WRITE SetIndeterminate)
    Q_PROPERTY(bool Marked READ Marked WRITE SetMarked)
    Q_PROPERTY(ComCtrlsEnums::TToolButtonStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_CLASSINFO("Default:AllowAllUp", "False")
    Q_CLASSINFO("Default:Down", "False")
    Q_CLASSINFO("Default:Grouped", "False")
    Q_CLASSINFO("Default:ImageIndex", "-1")
    Q_CLASSINFO("Default:Indeterminate", "False")
    Q_CLASSINFO("Default:Marked", "False")
    Q_CLASSINFO("Default:Style", "tbsButton")
    Q_CLASSINFO("Default:Wrap", "False")

public:
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool v) { FAllowAllUp = v; }
    bool Down() const { return FDown; }
    void SetDown(bool v);
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* v);
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool v);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    bool Indeterminate() const { return FIndeterminate; }
    void SetIndeterminate(bool v);
    bool Marked() const { return FMarked; }
    void SetMarked(bool v);
    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle v);
    bool Wrap() const { return FWrap; }
    void SetWrap(bool v);
    String Caption() const { return Text(); }
    void SetCaption(const String& v);
    // The place among the bar's buttons, or -1.
    int Index() const;
    TToolBar* ToolBar() const { return FToolBar; }
    void SetParent(TWinControl* AParent) override;
    void Click() override;
    void Dispatch(TMessage& Message) override;
    // Shows the drop-down menu below the button; true when there is one.
    bool CheckMenuDropdown();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TToolBar;
    void Changed();
    TToolBar* FToolBar = nullptr;
    int FCommand = 0;
    bool FAllowAllUp = false;
    bool FDown = false;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FGrouped = false;
    int FImageIndex = -1;
    bool FIndeterminate = false;
    bool FMarked = false;
    TToolButtonStyle FStyle = tbsButton;
    bool FWrap = false;
};

// A tool bar over the platform's tool-bar window: its buttons are TToolButton controls;
// a click runs the button's OnClick, a drop-down button shows its DropdownMenu.
class TToolBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int ButtonHeight READ ButtonHeight WRITE SetButtonHeight)
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(TCustomImageList* Images READ Images WRITE SetImages)
    Q_PROPERTY(TCustomImageList* DisabledImages READ DisabledImages WRITE SetDisabledImages)
    Q_PROPERTY(TCustomImageList* HotImages READ HotImages WRITE SetHotImages)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
    Q_PROPERTY(bool List READ List WRITE SetList)
    Q_PROPERTY(bool Wrapable READ Wrapable WRITE SetWrapable)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_CLASSINFO("Default:ButtonHeight", "22")
    Q_CLASSINFO("Default:ButtonWidth", "23")
    Q_CLASSINFO("Default:Flat", "False")
    Q_CLASSINFO("Default:ShowCaptions", "False")
    Q_CLASSINFO("Default:List", "False")
    Q_CLASSINFO("Default:Wrapable", "True")
    Q_CLASSINFO("Default:Indent", "0")
    Q_CLASSINFO("Default:AutoSize", "False")
    Q_CLASSINFO("Default:Align", "alTop")

public:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;
    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    TToolButton* Buttons(int Index) const { return FButtons.at(static_cast<std::size_t>(Index)); }
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int v);
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int v);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* v) { SetList(FImages, v, TB_SETIMAGELIST); }
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* v) { SetList(FDisabledImages, v, TB_SETDISABLEDIMAGELIST); }
    TCustomImageList* HotImages() const { return FHotImages; }
    void SetHotImages(TCustomImageList* v) { SetList(FHotImages, v, TB_SETHOTIMAGELIST); }
    bool Flat() const { return FFlat; }
    void SetFlat(bool v);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool v);
    bool List() const { return FList; }
    void SetList(bool v);
    bool Wrapable() const { return FWrapable; }
    void SetWrapable(bool v);
    int Indent() const { return FIndent; }
    void SetIndent(int v);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    void Dispatch(TMessage& Message) override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TToolButton;
    void InsertButton(TToolButton* Button);
    void RemoveButton(TToolButton* Button);
    void SetList(TCustomImageList*& Slot, TCustomImageList* v, UINT Msg);
    void ImageListChange(TObject* Sender);
    // Makes the window's buttons again from the button controls and places the controls.
    void RecreateButtons();
    void UpdateButtonStates();
    void PlaceButtons();
    TToolButton* FindButtonFromCommand(int Command) const;
    std::vector<TToolButton*> FButtons;
    int FNextCommand = 1;
    int FButtonHeight = 22;
    int FButtonWidth = 23;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    TCustomImageList* FHotImages = nullptr;
    TChangeLink* FImageChangeLink;
    bool FFlat = false;
    bool FShowCaptions = false;
    bool FList = false;
    bool FWrapable = true;
    int FIndent = 0;
    bool FAutoSize = false;
    bool FUpdating = false;
};
