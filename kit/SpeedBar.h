// The speed bar: a panel of tool buttons on a grid, described by non-visual items grouped
// into sections. A bar can be dragged to another edge of its parent, resized in whole rows,
// customized by dragging buttons, and keeps its layout (edge, thickness, buttons shown and
// where) in a form placement's storage.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "kit/KitButtons.h"
#include "kit/KitPlacement.h"

#include <functional>
#include <vector>

class TSpeedBar;
class TSpeedItem;
class TSpeedbarSection;
class TSpeedbarButton;

// Sent synchronously to a bar's setup window; WParam is one of the codes below, LParam the
// bar or the item.
inline constexpr UINT CM_SPEEDBARCHANGED = 0xB050;
inline constexpr WPARAM SBR_CHANGED = 0;        // an item left the bar, or a drop was not placed (bar)
inline constexpr WPARAM SBR_DESTROYED = 1;      // the bar is being destroyed (bar)
inline constexpr WPARAM SBR_ITEMPLACED = 2;     // a dragged item was placed (item)
inline constexpr WPARAM SBR_BTNSIZECHANGED = 3;  // button size or orientation changed (bar)

TESSELLON_EXCEPTION(ESpeedbarError, Exception);

namespace SpeedBarTypes {
Q_NAMESPACE
enum TSpeedbarOption {
    sbAllowDrag = 1,
    sbAllowResize = 2,
    sbFlatBtns = 4,
    sbGrayedBtns = 8,
    sbTransparentBtns = 16,
    sbStretchBitmap = 32
};
Q_DECLARE_FLAGS(TSpeedbarOptions, TSpeedbarOption)
Q_FLAG_NS(TSpeedbarOptions)
enum TBarPosition { bpAuto, bpCustom };
Q_ENUM_NS(TBarPosition)
enum TBoundLine { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
Q_DECLARE_FLAGS(TBoundLines, TBoundLine)
Q_FLAG_NS(TBoundLines)
enum TBarOrientation { boHorizontal, boVertical };
Q_ENUM_NS(TBarOrientation)
}  // namespace SpeedBarTypes
using SpeedBarTypes::TBarOrientation;
using SpeedBarTypes::TBarPosition;
using SpeedBarTypes::TBoundLine;
using SpeedBarTypes::TBoundLines;
using SpeedBarTypes::TSpeedbarOption;
using SpeedBarTypes::TSpeedbarOptions;
using enum SpeedBarTypes::TSpeedbarOption;
using enum SpeedBarTypes::TBarPosition;
using enum SpeedBarTypes::TBoundLine;
using enum SpeedBarTypes::TBarOrientation;

using TApplyAlignEvent = TEvent<void(TObject* Sender, TAlign Align, bool& Apply)>;

// A named group of items of a bar.
class TSpeedbarSection : public TComponent {
    Q_OBJECT
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)

public:
    explicit TSpeedbarSection(TComponent* AOwner);
    ~TSpeedbarSection() override;
    String Caption() const { return FCaption; }
    // Another section of the bar with that caption raises ESpeedbarError (not while loading).
    void SetCaption(const String& Value);
    // The place in the bar's list; setting it moves the section (clamped to the list).
    int Index() const;
    void SetIndex(int Value);
    TSpeedBar* SpeedBar() const { return FSpeedBar; }
    int ItemCount() const { return static_cast<int>(FItems.size()); }
    TSpeedItem* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
    // Frees the section's items.
    void Clear();

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;

private:
    friend class TSpeedBar;
    friend class TSpeedItem;
    String FCaption;
    TSpeedBar* FSpeedBar = nullptr;
    std::vector<TSpeedItem*> FItems;
};

// A button of a bar, owned by its item.
class TSpeedbarButton : public TKitSpeedButton {
    Q_OBJECT

public:
    explicit TSpeedbarButton(TComponent* AOwner);
    ~TSpeedbarButton() override;
    TSpeedItem* Item() const { return FItem; }
    // The picture of the button while it is dragged in customize mode (null otherwise).
    class TBtnControl* DragPicture() const { return FBtnControl; }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
    void DragDrop(TObject* Source, int X, int Y) override;

protected:
    void PaintGlyph(TCanvas* Canvas, const RECT& ARect, bool PopupMark, TButtonState AState) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    friend class TSpeedItem;
    // The picture's top-left corner for a mouse point of the button (screen coordinates).
    POINT PictureCorner(int X, int Y) const;
    TSpeedItem* FItem = nullptr;
    class TBtnControl* FBtnControl = nullptr;
};

// A tool button of a bar: a non-visual component that owns its button and forwards most of
// its properties to it.
class TSpeedItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TComponent* Action READ Action WRITE SetAction)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool AllowTimer READ AllowTimer WRITE SetAllowTimer)
    Q_PROPERTY(String BtnCaption READ BtnCaption WRITE SetBtnCaption)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(TPopupMenu* DropDownMenu READ DropDownMenu WRITE SetDropDownMenu)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(TBitmap* Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(String Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(bool MarkDropDown READ MarkDropDown WRITE SetMarkDropDown)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(TNotifyEvent OnClick READ OnClick WRITE SetOnClick)
    Q_PROPERTY(TNotifyEvent OnDblClick READ OnDblClick WRITE SetOnDblClick)
    Q_PROPERTY(TMouseEvent OnMouseDown READ OnMouseDown WRITE SetOnMouseDown)
    Q_PROPERTY(TMouseMoveEvent OnMouseMove READ OnMouseMove WRITE SetOnMouseMove)
    Q_PROPERTY(TMouseEvent OnMouseUp READ OnMouseUp WRITE SetOnMouseUp)
    Q_PROPERTY(TNotifyEvent OnMouseEnter READ OnMouseEnter WRITE SetOnMouseEnter)
    Q_PROPERTY(TNotifyEvent OnMouseLeave READ OnMouseLeave WRITE SetOnMouseLeave)
    Q_CLASSINFO("Default:AllowAllUp", "False")
    Q_CLASSINFO("Default:AllowTimer", "False")
    Q_CLASSINFO("Idents:Cursor", "TCursor")
    Q_CLASSINFO("Default:Cursor", "crDefault")
    Q_CLASSINFO("Default:Down", "False")
    Q_CLASSINFO("Default:Enabled", "True")
    Q_CLASSINFO("Stored:Font", "IsFontStored")
    Q_CLASSINFO("Default:GroupIndex", "0")
    Q_CLASSINFO("Default:ImageIndex", "-1")
    Q_CLASSINFO("Default:Layout", "blGlyphTop")
    Q_CLASSINFO("Default:Margin", "-1")
    Q_CLASSINFO("Default:MarkDropDown", "True")
    Q_CLASSINFO("Default:NumGlyphs", "1")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:ParentShowHint", "True")
    Q_CLASSINFO("Stored:ShowHint", "IsShowHintStored")
    Q_CLASSINFO("Default:Spacing", "1")
    Q_CLASSINFO("Default:Tag", "0")
    Q_CLASSINFO("Default:Visible", "False")
    Q_CLASSINFO("Default:WordWrap", "False")

public:
    explicit TSpeedItem(TComponent* AOwner);
    ~TSpeedItem() override;

    TSpeedbarButton* Button() const { return FButton; }
    TSpeedBar* SpeedBar() const { return FSpeedBar; }
    TSpeedbarSection* SectionObject() const { return FSection; }
    // The index of the item's section in its bar (-1 without one); setting it moves the item.
    int Section() const;
    void SetSection(int Value);
    // Whether the item's button is dragged to customize the bar.
    bool Customizing() const { return FEditing; }
    void SetEditing(bool Value) { FEditing = Value; }

    TComponent* Action() const { return FButton->ActionComponent(); }
    void SetAction(TComponent* v) { FButton->SetActionComponent(v); }
    bool AllowAllUp() const { return FButton->AllowAllUp(); }
    void SetAllowAllUp(bool v) { FButton->SetAllowAllUp(v); }
    bool AllowTimer() const { return FButton->AllowTimer(); }
    void SetAllowTimer(bool v) { FButton->SetAllowTimer(v); }
    String BtnCaption() const { return FButton->Caption(); }
    void SetBtnCaption(const String& v) { FButton->SetCaption(v); }
    String Caption() const { return FCaption; }
    void SetCaption(const String& v);
    int Cursor() const { return FButton->Cursor(); }
    void SetCursor(int v) { FButton->SetCursor(v); }
    bool Down() const { return FButton->Down(); }
    void SetDown(bool v) { FButton->SetDown(v); }
    TPopupMenu* DropDownMenu() const { return FButton->DropDownMenu(); }
    void SetDropDownMenu(TPopupMenu* v) { FButton->SetDropDownMenu(v); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    TFont* Font() const { return FButton->Font(); }
    void SetFont(TFont* v) { FButton->SetFont(v); }
    Q_INVOKABLE bool IsFontStored() const { return !FButton->ParentFont(); }
    TBitmap* Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap* v) { FButton->SetGlyph(v); }
    int GroupIndex() const { return FButton->GroupIndex(); }
    void SetGroupIndex(int v) { FButton->SetGroupIndex(v); }
    String Hint() const { return FButton->Hint(); }
    void SetHint(const String& v) { FButton->SetHint(v); }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    TButtonLayout Layout() const { return FButton->Layout(); }
    void SetLayout(TButtonLayout v) { FButton->SetLayout(v); }
    int Left() const { return FButton->Left(); }
    void SetLeft(int v) { FButton->SetLeft(v); }
    int Margin() const { return FButton->Margin(); }
    void SetMargin(int v) { FButton->SetMargin(v); }
    bool MarkDropDown() const { return FButton->MarkDropDown(); }
    void SetMarkDropDown(bool v) { FButton->SetMarkDropDown(v); }
    int NumGlyphs() const { return FButton->NumGlyphs(); }
    void SetNumGlyphs(int v) { FButton->SetNumGlyphs(v); }
    bool ParentFont() const { return FButton->ParentFont(); }
    void SetParentFont(bool v) { FButton->SetParentFont(v); }
    bool ParentShowHint() const { return FButton->ParentShowHint(); }
    void SetParentShowHint(bool v) { FButton->SetParentShowHint(v); }
    bool ShowHint() const { return FButton->ShowHint(); }
    void SetShowHint(bool v) { FButton->SetShowHint(v); }
    Q_INVOKABLE bool IsShowHintStored() const { return !FButton->ParentShowHint(); }
    int Spacing() const { return FButton->Spacing(); }
    void SetSpacing(int v) { FButton->SetSpacing(v); }
    void SetTag(int v);
    int Top() const { return FButton->Top(); }
    void SetTop(int v) { FButton->SetTop(v); }
    bool Visible() const { return FVisible; }
    // Visible: the button is on the bar.
    void SetVisible(bool v);
    bool WordWrap() const { return FButton->WordWrap(); }
    void SetWordWrap(bool v) { FButton->SetWordWrap(v); }

    TNotifyEvent OnClick() const { return FButton->OnClick; }
    void SetOnClick(TNotifyEvent v) { FButton->OnClick = v; }
    TNotifyEvent OnDblClick() const { return FButton->OnDblClick; }
    void SetOnDblClick(TNotifyEvent v) { FButton->OnDblClick = v; }
    TMouseEvent OnMouseDown() const { return FButton->OnMouseDown; }
    void SetOnMouseDown(TMouseEvent v) { FButton->OnMouseDown = v; }
    TMouseMoveEvent OnMouseMove() const { return FButton->OnMouseMove; }
    void SetOnMouseMove(TMouseMoveEvent v) { FButton->OnMouseMove = v; }
    TMouseEvent OnMouseUp() const { return FButton->OnMouseUp; }
    void SetOnMouseUp(TMouseEvent v) { FButton->OnMouseUp = v; }
    TNotifyEvent OnMouseEnter() const { return FButton->OnMouseEnter; }
    void SetOnMouseEnter(TNotifyEvent v) { FButton->OnMouseEnter = v; }
    TNotifyEvent OnMouseLeave() const { return FButton->OnMouseLeave; }
    void SetOnMouseLeave(TNotifyEvent v) { FButton->OnMouseLeave = v; }

    // Performs the button's click.
    virtual void ButtonClick();

    void SetName(const String& NewName) override;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;

private:
    friend class TSpeedBar;
    friend class TSpeedbarSection;
    friend class TSpeedbarButton;
    void SetSpeedBar(TSpeedBar* Value);
    void JoinSection(TSpeedbarSection* Value);
    void LeaveSection();
    TSpeedbarButton* FButton;
    TSpeedBar* FSpeedBar = nullptr;
    TSpeedbarSection* FSection = nullptr;
    String FCaption;
    bool FVisible = false;
    bool FEnabled = true;
    int FImageIndex = -1;
    bool FEditing = false;
    // The section as read from a layout, resolved when the item is loaded.
    int FReadSection = -1;
    String FReadSectionName;
};

// The floating picture of a button while it is dragged: a popup window, topmost and never
// activated, showing the button's face.
class TBtnControl : public TCustomControl {
    Q_OBJECT

public:
    explicit TBtnControl(TComponent* AOwner);
    ~TBtnControl() override;
    // Copies the item's look (glyph, caption, layout, font, image) and takes the bar's
    // button size.
    void TakeItemLook(TSpeedItem* Item);
    // Shows the picture at the rectangle's top-left corner.
    void ShowAt(const RECT& Rect);
    // Hides the picture (its window goes until the next ShowAt).
    void HideImage();
    TButtonImage* Image() const { return FImage; }
    void SetCaption(const String& Value) { FImage->Caption = Value; }
    void SetNumGlyphs(int Value) { FImage->SetNumGlyphs(Value); }
    void SetGlyph(TBitmap* Value) { FImage->SetGlyph(Value); }
    void SetWordWrap(bool Value) { FImage->SetWordWrap(Value); }
    void SetAlignment(TAlignment Value) { FImage->SetAlignment(Value); }

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void Resize() override;

private:
    TButtonImage* FImage;
    TAlignment FAlignment = taCenter;
    int FSpacing = 1;
    int FMargin = -1;
    TButtonLayout FLayout = blGlyphTop;
    int FImageIndex = -1;
    TCustomImageList* FImages = nullptr;
};

// The drag object of an item dragged from a setup window's list onto a bar (the class
// library's drag manager carries it): drop targets see the item as Source, and the list
// hears of the end of the drag.
class TSpeedItemDragObject : public TBaseDragControlObject {
    Q_OBJECT

public:
    TSpeedItemDragObject(TControl* AControl, TSpeedItem* AItem) : TBaseDragControlObject(AControl), FItem(AItem) {}
    TSpeedItem* Item() const { return FItem; }
    TObject* SourceObject() override { return FItem; }
    TCursor GetDragCursor(bool Accepted, int X, int Y) override;

private:
    TSpeedItem* FItem;
};

class TSpeedBar : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(TBoundLines BoundLines READ BoundLines WRITE SetBoundLines)
    Q_PROPERTY(int BtnOffsetHorz READ BtnOffsetHorz WRITE SetBtnOffsetHorz)
    Q_PROPERTY(int BtnOffsetVert READ BtnOffsetVert WRITE SetBtnOffsetVert)
    Q_PROPERTY(int BtnWidth READ BtnWidth WRITE SetBtnWidth)
    Q_PROPERTY(int BtnHeight READ BtnHeight WRITE SetBtnHeight)
    Q_PROPERTY(TCustomImageList* Images READ Images WRITE SetImages)
    Q_PROPERTY(TFormPlacement* IniStorage READ IniStorage WRITE SetIniStorage)
    Q_PROPERTY(TSpeedbarOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TBarOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(TBarPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Version READ Version WRITE SetVersion)
    Q_PROPERTY(TPicture* Wallpaper READ Wallpaper WRITE SetWallpaper)
    Q_PROPERTY(TApplyAlignEvent OnApplyAlign MEMBER OnApplyAlign)
    Q_PROPERTY(TNotifyEvent OnCustomize MEMBER OnCustomize)
    Q_PROPERTY(TNotifyEvent OnPosChanged MEMBER OnPosChanged)
    Q_CLASSINFO("Default:Align", "alTop")
    Q_CLASSINFO("Default:BoundLines", "[]")
    Q_CLASSINFO("Default:Options", "[sbAllowDrag, sbGrayedBtns]")
    Q_CLASSINFO("Default:Orientation", "boHorizontal")
    Q_CLASSINFO("Default:Position", "bpAuto")
    Q_CLASSINFO("Default:Version", "0")
    Q_CLASSINFO("Stored:Wallpaper", "IsWallpaperStored")

public:
    explicit TSpeedBar(TComponent* AOwner);
    ~TSpeedBar() override;

    void SetAlign(TAlign Value);
    TBoundLines BoundLines() const { return FBoundLines; }
    void SetBoundLines(TBoundLines Value);
    int BtnOffsetHorz() const { return FOffset.x; }
    void SetBtnOffsetHorz(int Value);
    int BtnOffsetVert() const { return FOffset.y; }
    void SetBtnOffsetVert(int Value);
    int BtnWidth() const { return FButtonSize.cx; }
    void SetBtnWidth(int Value);
    int BtnHeight() const { return FButtonSize.cy; }
    void SetBtnHeight(int Value);
    // The grid step along and across the bar (horizontal, vertical).
    SIZE GridSize() const { return FGridSize; }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TFormPlacement* IniStorage() const { return FIniLink->IniObject(); }
    void SetIniStorage(TFormPlacement* Value);
    TSpeedbarOptions Options() const { return FOptions; }
    void SetOptions(TSpeedbarOptions Value);
    // Bars aligned top or bottom are horizontal, left or right vertical; otherwise the
    // remembered orientation.
    TBarOrientation Orientation() const;
    void SetOrientation(TBarOrientation Value);
    TBarPosition Position() const { return FPosition; }
    void SetPosition(TBarPosition Value) { FPosition = Value; }
    int Version() const { return FVersion; }
    void SetVersion(int Value) { FVersion = Value; }
    TPicture* Wallpaper() const { return FWallpaper; }
    void SetWallpaper(TPicture* Value) { FWallpaper->Assign(Value); }
    Q_INVOKABLE bool IsWallpaperStored() const { return FWallpaper->Graphic() != nullptr; }

    // Sections and items.
    int SectionCount() const { return static_cast<int>(FSections.size()); }
    TSpeedbarSection* Sections(int Index) const { return FSections.at(static_cast<std::size_t>(Index)); }
    // The index of the section with that caption, -1 when none.
    int SearchSection(const String& Caption) const;
    // Appends the section (its caption made unique with " (n)"); returns its index.
    virtual int AddSection(TSpeedbarSection* Section);
    // A new section owned by the bar.
    int NewSection(const String& Caption);
    void RemoveSection(TSpeedbarSection* Section);
    // Adds an item to a section (its button joins the bar when the item is visible).
    void AddItem(int Section, TSpeedItem* Item);
    void RemoveItem(TSpeedItem* Item);
    int ItemsCount() const;
    // Every item of every section, sections and items in order.
    virtual void ForEachItem(const std::function<void(TSpeedItem*)>& Proc);
    // The first item whose Name is that name, without regard to case; null when none.
    TSpeedItem* FindItemNamed(const String& Name) const;
    // The grid point nearest to a button position.
    POINT AlignToGrid(POINT Position) const;
    // Places the item's button with its top-left corner at the grid point nearest to Pos (bar
    // client coordinates) and shows it; false when another button already takes that place.
    bool PlaceItem(TSpeedItem* Item, POINT Pos);
    // The frame width the offsets never go below.
    int FrameWidth() const;
    virtual void SetFontDefault();
    // Multiplies button size and offsets by M / D, each unless it was set explicitly.
    void ChangeScale(int M, int D);

    // Customizing: the setup window that gets CM_SPEEDBARCHANGED (none by default), and
    // whether every item's button is dragged instead of pressed.
    HWND SetupWindow() const { return FSetupWindow; }
    void SetSetupWindow(HWND Value) { FSetupWindow = Value; }
    void SetEditing(bool Value);
    bool Editing() const { return FEditing; }
    virtual void Customize();

    // Layout storage (also run by the IniStorage link).
    void StoreBarLayout(TObject* Storage, const String& Section);
    void LoadBarLayout(TObject* Storage, const String& Section);
    // The section the layout is kept in through IniStorage.
    String LayoutSection() const;

    // Moving the bar to another edge of its parent and resizing it in rows.
    int DropEdgeAt(POINT Pos, bool& Apply);
    RECT DropFrameAt(POINT Pos);
    void BeginBarDrag();
    void TrackBarDrag(POINT Pos);
    void EndBarDrag(POINT Pos);
    bool InResizeZone(int X, int Y);
    bool BarDragging() const { return FDragging; }
    bool BarResizing() const { return FResizing; }
    RECT DragFrame() const { return FDragFrame; }

    TApplyAlignEvent OnApplyAlign;
    TNotifyEvent OnCustomize;
    TNotifyEvent OnPosChanged;

    void Loaded() override;
    void Dispatch(TMessage& Message) override;
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;
    void SetChildOrder(TComponent* Child, int Order) override;
    void DefineProperties(TFiler* Filer) override;
    void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
    void DragDrop(TObject* Source, int X, int Y) override;

protected:
    virtual void PosChanged();
    void Paint() override;
    void AlignControls(TControl* AControl, RECT& Rect) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TSpeedItem;
    friend class TSpeedbarButton;
    friend class TSpeedbarSection;
    void UpdateGridSize();
    void ApplyOrientation(TBarOrientation Old);
    // Gives the button the bar's size, options and place.
    void SetItemParams(TSpeedItem* Item);
    void ImagesChanged(TObject* Sender);
    void Notify(WPARAM Code, TObject* Subject);
    void MoveItems(int DX, int DY);
    // The parent's client area not taken by controls aligned before the bar at that edge.
    RECT FreeAreaFor(TAlign Edge);
    void ResizeTo(int X, int Y);
    void EnsureOffsets();
    std::vector<TSpeedbarSection*> FSections;
    SIZE FButtonSize{24, 23};
    SIZE FGridSize{8, 23};
    POINT FOffset{2, 2};
    bool FSizeStored = false;
    bool FOffsetStored = false;
    TSpeedbarOptions FOptions;
    TBarPosition FPosition = bpAuto;
    TBoundLines FBoundLines;
    TBarOrientation FOrientation = boHorizontal;
    TPicture* FWallpaper;
    TCustomImageList* FImages = nullptr;
    TChangeLink* FImageChangeLink;
    TIniLink* FIniLink;
    int FVersion = 0;
    HWND FSetupWindow = nullptr;
    bool FEditing = false;
    // Mouse states of bar dragging and resizing.
    bool FPressed = false;
    bool FDragging = false;
    bool FResizing = false;
    POINT FPressPoint{0, 0};
    RECT FDragFrame{0, 0, 0, 0};
    TAlign FPrevAlign = alTop;
    // Section captions read from a layout ("Sections"), made into sections when loaded.
    std::vector<String> FReadSections;
};

void RegisterSpeedBar();
