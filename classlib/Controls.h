// Controls: TControl, TWinControl, TGraphicControl, TCustomControl, messages and the
// component and control-notification message numbers.
#pragma once


#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "platform/winuser.h"

#include <functional>
#include <vector>

// The class library's component messages.
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0x00;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 0x01;
inline constexpr UINT CM_GOTFOCUS = CM_BASE + 0x02;
inline constexpr UINT CM_LOSTFOCUS = CM_BASE + 0x03;
inline constexpr UINT CM_CANCELMODE = CM_BASE + 0x04;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 0x05;
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 0x06;
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x07;
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 0x08;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 0x09;
inline constexpr UINT CM_HITTEST = CM_BASE + 0x0A;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 0x0C;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 0x0D;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 0x0E;
inline constexpr UINT CM_CURSORCHANGED = CM_BASE + 0x0F;
inline constexpr UINT CM_CTL3DCHANGED = CM_BASE + 0x10;
inline constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 0x11;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 0x12;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 0x13;
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x14;
inline constexpr UINT CM_MENUCHANGED = CM_BASE + 0x15;
inline constexpr UINT CM_APPKEYDOWN = CM_BASE + 0x16;
inline constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 0x17;
inline constexpr UINT CM_BUTTONPRESSED = CM_BASE + 0x18;
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 0x19;
inline constexpr UINT CM_ENTER = CM_BASE + 0x1A;
inline constexpr UINT CM_EXIT = CM_BASE + 0x1B;
inline constexpr UINT CM_DESIGNHITTEST = CM_BASE + 0x1C;
inline constexpr UINT CM_ICONCHANGED = CM_BASE + 0x1D;
inline constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 0x1E;
inline constexpr UINT CM_INVOKEHELP = CM_BASE + 0x1F;
inline constexpr UINT CM_WINDOWHOOK = CM_BASE + 0x20;
inline constexpr UINT CM_RELEASE = CM_BASE + 0x21;
inline constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 0x22;
inline constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 0x23;
inline constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 0x24;
inline constexpr UINT CM_WININICHANGE = CM_BASE + 0x25;
inline constexpr UINT CM_FONTCHANGE = CM_BASE + 0x26;
inline constexpr UINT CM_TIMECHANGE = CM_BASE + 0x27;
inline constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 0x28;
inline constexpr UINT CM_UIACTIVATE = CM_BASE + 0x29;
inline constexpr UINT CM_UIDEACTIVATE = CM_BASE + 0x2A;
inline constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 0x2B;
inline constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 0x2C;
inline constexpr UINT CM_GETDATALINK = CM_BASE + 0x2D;
inline constexpr UINT CM_CHILDKEY = CM_BASE + 0x2E;
inline constexpr UINT CM_DRAG = CM_BASE + 0x2F;
inline constexpr UINT CM_HINTSHOW = CM_BASE + 0x30;
inline constexpr UINT CM_DIALOGHANDLE = CM_BASE + 0x31;
inline constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 0x32;
inline constexpr UINT CM_RECREATEWND = CM_BASE + 0x33;
inline constexpr UINT CM_INVALIDATE = CM_BASE + 0x34;
inline constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 0x35;
inline constexpr UINT CM_CONTROLCHANGE = CM_BASE + 0x36;
inline constexpr UINT CM_CHANGED = CM_BASE + 0x37;
inline constexpr UINT CM_BORDERCHANGED = CM_BASE + 0x3B;
inline constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 0x3C;
inline constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 0x3D;
inline constexpr UINT CM_ACTIONUPDATE = CM_BASE + 0x3F;
inline constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 0x40;
inline constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 0x41;
inline constexpr UINT CM_MOUSEWHEEL = CM_BASE + 0x43;

// Control notifications: messages reflected back to the control that sent them.
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
inline constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
inline constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
inline constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
inline constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
inline constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

// A window message as the class library's message handlers see it.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
    WORD WParamLo() const { return LOWORD(WParam); }
    WORD WParamHi() const { return HIWORD(WParam); }
    WORD LParamLo() const { return LOWORD(static_cast<DWORD_PTR>(LParam)); }
    WORD LParamHi() const { return HIWORD(static_cast<DWORD_PTR>(LParam)); }
};

// A method that handles messages; a component may replace a control's WindowProc with one.
using TWndMethod = std::function<void(TMessage&)>;

// A window procedure that calls an object's method (freed with FreeObjectInstance).
WNDPROC MakeObjectInstance(TWndMethod method);
void FreeObjectInstance(WNDPROC instance);
// A hidden window whose messages go to `method` (timers, the application window).
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);

// Shift state of key and mouse events.
enum TShiftStateElement { ssShift = 0x01, ssAlt = 0x02, ssCtrl = 0x04, ssLeft = 0x08, ssRight = 0x10,
                          ssMiddle = 0x20, ssDouble = 0x40 };
using TShiftState = unsigned;
TShiftState KeysToShiftState(WORD keys);
TShiftState KeyDataToShiftState(LPARAM keyData);

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TMouseActivate { maDefault, maActivate, maActivateAndEat, maNoActivate, maNoActivateAndEat };

// Control style and state.
enum TControlStyleElement : unsigned {
    csAcceptsControls = 1u << 0, csCaptureMouse = 1u << 1, csDesignInteractive = 1u << 2,
    csClickEvents = 1u << 3, csFramed = 1u << 4, csSetCaption = 1u << 5, csOpaque = 1u << 6,
    csDoubleClicks = 1u << 7, csFixedWidth = 1u << 8, csFixedHeight = 1u << 9, csNoDesignVisible = 1u << 10,
    csReplicatable = 1u << 11, csNoStdEvents = 1u << 12, csDisplayDragImage = 1u << 13,
    csReflector = 1u << 14, csActionClient = 1u << 15, csMenuEvents = 1u << 16
};
using TControlStyle = unsigned;
enum TControlStateElement : unsigned {
    csLButtonDown = 1u << 0, csClicked = 1u << 1, csPalette = 1u << 2, csReadingState = 1u << 3,
    csAlignmentNeeded = 1u << 4, csFocusing = 1u << 5, csCreating = 1u << 6, csPaintCopy = 1u << 7,
    csCustomPaint = 1u << 8, csDestroyingHandle = 1u << 9, csDocking = 1u << 10
};
using TControlState = unsigned;

// Anchors (sets of akLeft, akTop, akRight, akBottom): code holds them as bits in an
// unsigned; the published property is the set type TAnchorSet ("[akLeft, akTop]").
namespace ControlsTypes {
Q_NAMESPACE
enum TAnchorKind { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
Q_DECLARE_FLAGS(TAnchorSet, TAnchorKind)
Q_FLAG_NS(TAnchorSet)
// Dragging: whether a press starts a drag by itself, what a drag does, and where a drag
// is over a target.
enum TDragMode { dmManual, dmAutomatic };
Q_ENUM_NS(TDragMode)
enum TDragKind { dkDrag, dkDock };
Q_ENUM_NS(TDragKind)
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
Q_ENUM_NS(TDragState)
}  // namespace ControlsTypes
using ControlsTypes::TAnchorKind;
using ControlsTypes::TAnchorSet;
using enum ControlsTypes::TAnchorKind;
using TAnchors = unsigned;
using ControlsTypes::TDragMode;
using ControlsTypes::TDragKind;
using ControlsTypes::TDragState;
using enum ControlsTypes::TDragMode;
using enum ControlsTypes::TDragKind;
using enum ControlsTypes::TDragState;

// Cursors of the screen's cursor table.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

class TWinControl;
class TControl;

// Names of the window properties that lead from a window to its control.
ATOM ControlAtom();
ATOM WindowAtom();

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;

class TDragImageList;
class TBasicAction;
class TBasicActionLink;

// What CM_DRAG asks of a control (WParam); LParam points to a TDragRec.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

class TDragObject;
struct TDragRec {
    POINT Pos{0, 0};  // screen coordinates
    TDragObject* Source = nullptr;
    TControl* Target = nullptr;
    bool Docking = false;
};

// What is being dragged. The drag manager owns the object it made itself; one handed over
// by OnStartDrag stays its maker's.
class TDragObject : public TObject {
    Q_OBJECT
public:
    TDragObject();
    ~TDragObject() override;
    // The cursor over a target that accepts the drop (crDrag) or refuses it (crNoDrop).
    virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
    // The images shown under the cursor while dragging, or null.
    virtual TDragImageList* GetDragImages();
    virtual void HideDragImage();
    virtual void ShowDragImage();
    // The drag ended: Target took the drop (Accepted) or is null.
    virtual void Finished(TObject* Target, int X, int Y, bool Accepted);
    // What the targets' drag events get as Source.
    virtual TObject* SourceObject() { return this; }

    POINT DragPos{0, 0};       // screen coordinates
    TControl* DragTarget = nullptr;
    POINT DragTargetPos{0, 0};  // the target's client coordinates
    bool Cancelling = false;
    bool Dropped = false;
    HWND DragHandle = nullptr;  // the window that holds the mouse during the drag
};

// A drag of a control: the targets see the control as Source, and the control hears of the
// end through OnEndDrag.
class TBaseDragControlObject : public TDragObject {
    Q_OBJECT
public:
    explicit TBaseDragControlObject(TControl* AControl) : FControl(AControl) {}
    TControl* Control() const { return FControl; }
    void Finished(TObject* Target, int X, int Y, bool Accepted) override;
    TObject* SourceObject() override;

private:
    friend void dragControlGone(TControl*);
    TControl* FControl;
};

// The drag object the drag manager makes when OnStartDrag gives none: the control's
// DragCursor over accepting targets and its drag images.
class TDragControlObject : public TBaseDragControlObject {
    Q_OBJECT
public:
    explicit TDragControlObject(TControl* AControl) : TBaseDragControlObject(AControl) {}
    TCursor GetDragCursor(bool Accepted, int X, int Y) override;
    TDragImageList* GetDragImages() override;
};

using TDragOverEvent =
    TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = TEvent<void(TObject* Sender, TDragObject*& DragObject)>;

// The smallest and largest size of a control (0: no limit), applied whenever its bounds
// change and, for a form, while the user resizes it.
class TSizeConstraints : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int MaxHeight READ MaxHeight WRITE SetMaxHeight)
    Q_PROPERTY(int MaxWidth READ MaxWidth WRITE SetMaxWidth)
    Q_PROPERTY(int MinHeight READ MinHeight WRITE SetMinHeight)
    Q_PROPERTY(int MinWidth READ MinWidth WRITE SetMinWidth)
    Q_CLASSINFO("Default:MaxHeight", "0")
    Q_CLASSINFO("Default:MaxWidth", "0")
    Q_CLASSINFO("Default:MinHeight", "0")
    Q_CLASSINFO("Default:MinWidth", "0")

public:
    explicit TSizeConstraints(TControl* AControl) : FControl(AControl) {}
    int MaxHeight() const { return FMaxHeight; }
    int MaxWidth() const { return FMaxWidth; }
    int MinHeight() const { return FMinHeight; }
    int MinWidth() const { return FMinWidth; }
    // A maximum below the minimum raises the other limit with it.
    void SetMaxHeight(int v);
    void SetMaxWidth(int v);
    void SetMinHeight(int v);
    void SetMinWidth(int v);
    void Assign(TPersistent* Source) override;
    // Width and height within the limits.
    void Constrain(int& Width, int& Height) const;
    TControl* Control() const { return FControl; }
    TNotifyEvent OnChange;

private:
    void Change();
    TControl* FControl;
    int FMaxHeight = 0;
    int FMaxWidth = 0;
    int FMinHeight = 0;
    int FMinWidth = 0;
};
using TConstraints = TSizeConstraints;

// The parameters a windowed control creates its window with.
struct TCreateParams {
    String Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSEXA WindowClass{};
    String WinClassName;
};

class TControl : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth STORED false)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight STORED false)
    Q_PROPERTY(TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(TAnchorSet Anchors READ AnchorSet WRITE SetAnchorSet)
    Q_PROPERTY(TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    // Caption and Text are one value: a descendant publishes the one it shows by declaring
    // it again without STORED false (see TSpeedButton), so it is written once.
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption STORED false)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(String Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(TComponent* PopupMenu READ PopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(String Text READ Text WRITE SetText STORED false)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER OnClick)
    Q_PROPERTY(TNotifyEvent OnDblClick MEMBER OnDblClick)
    Q_PROPERTY(TMouseEvent OnMouseDown MEMBER OnMouseDown)
    Q_PROPERTY(TMouseMoveEvent OnMouseMove MEMBER OnMouseMove)
    Q_PROPERTY(TMouseEvent OnMouseUp MEMBER OnMouseUp)
    Q_PROPERTY(TNotifyEvent OnResize MEMBER OnResize)
    Q_PROPERTY(TComponent* Action READ ActionComponent WRITE SetActionComponent)
    Q_PROPERTY(TSizeConstraints* Constraints READ Constraints WRITE SetConstraints)
    Q_PROPERTY(int DragCursor READ DragCursor WRITE SetDragCursor)
    Q_PROPERTY(ControlsTypes::TDragKind DragKind READ DragKind WRITE SetDragKind)
    Q_PROPERTY(ControlsTypes::TDragMode DragMode READ DragMode WRITE SetDragMode)
    Q_PROPERTY(TDragDropEvent OnDragDrop MEMBER OnDragDrop)
    Q_PROPERTY(TDragOverEvent OnDragOver MEMBER OnDragOver)
    Q_PROPERTY(TEndDragEvent OnEndDrag MEMBER OnEndDrag)
    Q_PROPERTY(TStartDragEvent OnStartDrag MEMBER OnStartDrag)
    Q_CLASSINFO("Idents:DragCursor", "TCursor")
    Q_CLASSINFO("Default:DragCursor", "crDrag")
    Q_CLASSINFO("Default:DragKind", "dkDrag")
    Q_CLASSINFO("Default:DragMode", "dmManual")
    Q_CLASSINFO("Default:Align", "alNone")
    Q_CLASSINFO("Default:Anchors", "[akLeft, akTop]")
    Q_CLASSINFO("Default:BiDiMode", "bdLeftToRight")
    Q_CLASSINFO("Idents:Color", "TColor")
    Q_CLASSINFO("Default:Color", "clWindow")
    Q_CLASSINFO("Idents:Cursor", "TCursor")
    Q_CLASSINFO("Default:Cursor", "crDefault")
    Q_CLASSINFO("Default:Enabled", "True")
    Q_CLASSINFO("Default:HelpContext", "0")
    Q_CLASSINFO("Default:ParentColor", "False")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:ParentShowHint", "True")
    Q_CLASSINFO("Default:Visible", "True")

public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
    Q_ENUM(TAlign)
    enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
    Q_ENUM(TBiDiMode)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign v);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors v) { FAnchors = v; }
    TAnchorSet AnchorSet() const { return TAnchorSet(static_cast<int>(FAnchors)); }
    void SetAnchorSet(TAnchorSet v) { SetAnchors(static_cast<TAnchors>(v.toInt())); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool v);
    TFont* Font() const { return FFont; }
    void SetFont(TFont* v);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v);
    int Color() const { return FColor; }
    void SetColor(int v);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool v);
    int Cursor() const { return FCursor; }
    void SetCursor(int v);
    String Hint() const { return FHint; }
    void SetHint(const String& v) { FHint = v; }
    // The help topic of the control (0: the parent's).
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int v) { FHelpContext = v; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool v);
    String Caption() const { return GetText(); }
    void SetCaption(const String& v) { SetText(v); }
    String Text() const { return GetText(); }
    void SetText(const String& v);
    TComponent* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TComponent* v);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode v);
    bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
    bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }

    TControlStyle ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    TControlState ControlState = 0;

    // Messages: every message passes WindowProc (replaceable), which is WndProc by default.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& Message);
    // Handlers by number: descendants override, handle what they know and call the base.
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

    virtual void Invalidate();
    void Repaint();
    virtual void Update();
    void Refresh() { Repaint(); }
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    void BringToFront();
    void SendToBack();
    virtual bool Showing() const;
    bool MouseCapture() const;
    void SetMouseCapture(bool v);
    virtual void Click();
    virtual void DblClick();
    String GetNamePathText() const { return Name(); }

    // Stored only where they are not taken from the parent.
    Q_INVOKABLE bool IsColorStored() const { return !FParentColor; }
    Q_INVOKABLE bool IsFontStored() const { return !FParentFont; }
    Q_INVOKABLE bool IsShowHintStored() const { return !FParentShowHint; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;

    // Dragging (DragManager.cpp). BeginDrag starts at once when Immediate, else once the
    // mouse has moved Threshold pixels (-1: the mouse's threshold) with the button down.
    void BeginDrag(bool Immediate, int Threshold = -1);
    // Ends this control's drag: drops on the target under the mouse when Drop.
    void EndDrag(bool Drop);
    bool Dragging() const;
    TDragMode DragMode() const { return FDragMode; }
    virtual void SetDragMode(TDragMode v) { FDragMode = v; }
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor v) { FDragCursor = v; }
    TDragKind DragKind() const { return FDragKind; }
    void SetDragKind(TDragKind v) { FDragKind = v; }
    // The images a drag of this control shows (null: none).
    virtual TDragImageList* GetDragImages() { return nullptr; }
    // Called by the drag manager.
    virtual void DoStartDrag(TDragObject*& DragObject);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;

    TSizeConstraints* Constraints() const { return FConstraints; }
    void SetConstraints(TSizeConstraints* v) { FConstraints->Assign(v); }
    // The limits changed: the control takes a size within them.
    virtual void ConstraintsChanged();

    // Actions (ActnList.cpp): the control shows its action's caption, enabled state, hint
    // and visibility, and a click runs the action.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);
    TComponent* ActionComponent() const;
    void SetActionComponent(TComponent* Value);
    TBasicActionLink* ActionLink() const { return FActionLink; }
    // Updates the linked action (at idle).
    virtual void InitiateAction();
    // The action changed: the control takes its values (with CheckDefaults only those it
    // has not set itself).
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);

    // The layout reader sets the parent through this.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;

protected:
    // An action takes the control's enabled state, hint, caption, visibility and click
    // handler.
    void AssignTo(TPersistent* Dest) override;
    virtual String GetText() const;
    virtual void SetTextValue(const String& v);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Resize();
    virtual void VisibleChanging() {}
    void Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void RequestAlign();
    void UpdateBoundsFromParent();
    HWND ParentHandle() const;
    virtual void FontChanged();

    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    bool FVisible = true;
    bool FEnabled = true;
    TFont* FFont = nullptr;
    bool FParentFont = true;
    int FColor = clWindow;
    bool FParentColor = false;
    int FCursor = crDefault;
    String FHint;
    int FHelpContext = 0;
    bool FShowHint = false;
    bool FParentShowHint = true;
    String FText;
    TComponent* FPopupMenu = nullptr;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TDragMode FDragMode = dmManual;
    TCursor FDragCursor = crDrag;
    TDragKind FDragKind = dkDrag;
    TSizeConstraints* FConstraints = nullptr;
    virtual TBasicActionLink* CreateActionLink();
    TBasicActionLink* FActionLink = nullptr;
    // Bounds relative to the parent's size when anchored right or bottom.
    int FAnchorRight = 0;
    int FAnchorBottom = 0;

private:
    void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
    void DoMouseUp(TMessage& Message, TMouseButton Button);
    friend class TWinControl;
};

using TAlign = TControl::TAlign;
using TBiDiMode = TControl::TBiDiMode;
using TAlignment = TControl::TAlignment;
inline constexpr TAlignment taLeftJustify = TControl::taLeftJustify;
inline constexpr TAlignment taRightJustify = TControl::taRightJustify;
inline constexpr TAlignment taCenter = TControl::taCenter;
inline constexpr TBiDiMode bdLeftToRight = TControl::bdLeftToRight;
inline constexpr TBiDiMode bdRightToLeft = TControl::bdRightToLeft;
inline constexpr TAlign alNone = TControl::alNone;
inline constexpr TAlign alTop = TControl::alTop;
inline constexpr TAlign alBottom = TControl::alBottom;
inline constexpr TAlign alLeft = TControl::alLeft;
inline constexpr TAlign alRight = TControl::alRight;
inline constexpr TAlign alClient = TControl::alClient;
inline constexpr TAlign alCustom = TControl::alCustom;

class TWinControl : public TControl {
    Q_OBJECT
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool ParentCtl3D READ ParentCtl3D WRITE SetParentCtl3D)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(TNotifyEvent OnEnter MEMBER OnEnter)
    Q_PROPERTY(TNotifyEvent OnExit MEMBER OnExit)
    Q_PROPERTY(TKeyEvent OnKeyDown MEMBER OnKeyDown)
    Q_PROPERTY(TKeyPressEvent OnKeyPress MEMBER OnKeyPress)
    Q_PROPERTY(TKeyEvent OnKeyUp MEMBER OnKeyUp)
    Q_CLASSINFO("Default:ParentCtl3D", "True")
    Q_CLASSINFO("Default:TabOrder", "-1")
    Q_CLASSINFO("Default:TabStop", "False")

public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    void RecreateWnd();
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int i) const { return FControls.at(static_cast<std::size_t>(i)); }
    bool ContainsControl(const TControl* c) const;
    TControl* ControlAtPos(POINT p, bool allowDisabled) const;
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // The index in the parent's tab list; -1 without a parent.
    int TabOrder() const;
    void SetTabOrder(int v);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool v);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool v) { FParentCtl3D = v; }
    Q_INVOKABLE bool IsCtl3DStored() const { return !FParentCtl3D; }
    TBrush* Brush() const { return FBrush; }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    RECT ClientRect() const override;
    void Invalidate() override;
    void Update() override;
    bool Showing() const override;
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
    void GetTabOrderList(std::vector<TWinControl*>& list);
    void Broadcast(TMessage& Message);
    void Realign();
    void PaintTo(HDC dc, int x, int y);
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    // Children read from a layout are aligned once, after all of them and their properties.
    void ReadState(TReader* Reader) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    void WndProc(TMessage& Message) override;
    void SetEnabled(bool v) override;
    // For the layout writer: the root's components without a parent (when this is the
    // root), then the child controls that Root owns, from the bottom of the z-order.
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

    // The control behind a window of the class library, or null.
    static TWinControl* FindControl(HWND wnd);
    // The procedure the control's default handling calls (the predefined class's for
    // subclassed controls); layers that subclass windows replace it.
    WNDPROC DefWndProc() const { return FDefWndProc; }
    void SetDefWndProc(WNDPROC proc) { FDefWndProc = proc; }
    // The procedure that routes the window's messages to MainWndProc.
    WNDPROC ObjectInstance() const { return FObjectInstance; }
    // The control whose window is being created (its first message sets its handle).
    static TWinControl* ControlBeingCreated() { return CreationControl; }
    // The window's initial procedure, for classes registered by other layers. The window
    // keeps its text form: a UTF-16 window gets its procedure through the UTF-16 setter
    // and its first message in that form.
    static LRESULT InitialWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        return InitWndProc(wnd, msg, wParam, lParam);
    }
    // The window handle as it stands (no window is made); layers that make the window
    // themselves set it.
    HWND WindowHandle() const { return FHandle; }
    void SetWindowHandle(HWND Value) { FHandle = Value; }

protected:
    virtual void CreateParams(TCreateParams& Params);
    void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void CreateHandle();
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void DestroyHandle();
    void MainWndProc(TMessage& Message);
    virtual void PaintWindow(HDC DC);
    void PaintHandler(TMessage& Message);
    void PaintControls(HDC DC, TControl* First);
    virtual void AlignControls(TControl* AControl, RECT& Rect);
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    bool DoKeyDown(TMessage& Message);
    bool DoKeyUp(TMessage& Message);
    bool DoKeyPress(TMessage& Message);
    virtual void DoEnter();
    virtual void DoExit();
    void UpdateBounds();
    void UpdateControlState();
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void SetZOrderOf(TControl* c, bool top);
    void Loaded() override;
    virtual void Notification(TComponent* AComponent, TOperation Operation) override;

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    WNDPROC FObjectInstance = nullptr;
    std::vector<TControl*> FControls;  // all children, in z-order from the bottom
    std::vector<TWinControl*> FTabList;
    bool FTabStop = false;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    TBrush* FBrush = nullptr;
    int FAlignLevel = 0;
    bool FRealigning = false;
    bool FCreatingHandle = false;

    static TWinControl* CreationControl;
    static LRESULT InitWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    void DoControlMsg(HWND child, TMessage& Message);
    bool IsControlMouseMsg(TMessage& Message);
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMMove(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void WMSetCursor(TMessage& Message);
    void CNKeyDown(TMessage& Message);
    void CNChar(TMessage& Message);
    void WMNCDestroy(TMessage& Message);
    friend class TControl;
    friend class TCustomForm;
};

class TGraphicControl : public TControl {
    Q_OBJECT
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas; }
    void Dispatch(TMessage& Message) override;

protected:
    virtual void Paint() {}
    TCanvas* FCanvas = nullptr;
};

class TCustomControl : public TWinControl {
    Q_OBJECT
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas; }

protected:
    void PaintWindow(HDC DC) override;
    virtual void Paint() {}
    TCanvas* FCanvas = nullptr;
};

// A window that shows a hint: a borderless, top-most popup in the info colours that does
// not take the focus.
class THintWindow : public TCustomControl {
    Q_OBJECT
public:
    explicit THintWindow(TComponent* AOwner);
    ~THintWindow() override;
    // Shows the text in Rect (screen coordinates).
    virtual void ActivateHint(RECT Rect, const String& AHint);
    virtual void ActivateHintData(RECT Rect, const String& AHint, void* AData);
    // The rectangle the text needs at most MaxWidth wide, from (0, 0).
    virtual RECT CalcHintRect(int MaxWidth, const String& AHint, void* AData);
    // Whether a message of the loop ends the hint (keys, clicks, leaving the program).
    virtual bool IsHintMsg(const MSG& Msg);
    // Hides the window.
    void ReleaseHandle();
    bool Active() const;
    // The screen rectangle last shown.
    RECT HintRect() const { return FHintRect; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    RECT FHintRect{0, 0, 0, 0};
    bool FActive = false;
};

// A class of hint windows: its meta-object and how one is made (empty: THintWindow).
struct THintWindowClass {
    const QMetaObject* Class = nullptr;
    std::function<THintWindow*(TComponent* Owner)> Create;
    explicit operator bool() const { return Class != nullptr && static_cast<bool>(Create); }
    template <class T>
    static THintWindowClass Of() {
        return THintWindowClass{&T::staticMetaObject, [](TComponent* Owner) -> THintWindow* { return new T(Owner); }};
    }
};

// What CM_HINTSHOW gives the control under the mouse (LParam); the control may change any
// of it, and a non-zero result keeps the hint from showing.
struct THintInfo {
    TControl* HintControl = nullptr;
    THintWindowClass HintWindowClass;
    POINT HintPos{0, 0};  // screen coordinates of the window's upper-left corner
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    RECT CursorRect{0, 0, 0, 0};  // the hint stays while the cursor is in it (control coordinates)
    POINT CursorPos{0, 0};        // control coordinates
    int ReshowTimeout = 0;        // ms after which the hint is asked for again (0: never)
    int HideTimeout = 0;          // ms after which the hint hides (0: never)
    String HintStr;
    void* HintData = nullptr;
};

// The form that holds a control, or null.
class TCustomForm;
TCustomForm* GetParentForm(const TControl* Control);

// The control that has the mouse captured, or null.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// The control under a screen point (windowed controls and their graphic children).
TControl* FindDragTarget(POINT pos, bool allowDisabled);
TControl* FindVCLWindow(POINT pos);

// Whether the platform has new-style controls (it has).
inline constexpr bool NewStyleControls = true;

// The drag manager: the drag in progress (null when none), and whether an object is one.
TDragObject* CurrentDragObject();
bool IsDragObject(TObject* Sender);
// A cancelled drag (Escape, the right button, a lost capture, or a source destroyed).
void CancelDrag();
// The drag threshold in pixels and whether automatic drags start at the press.
struct TMouseDragSettings {
    bool DragImmediate = true;
    int DragThreshold = 5;
};
TMouseDragSettings& MouseDragSettings();

// Registers every layout class of the class library (Registration.cpp); calling it again
// does nothing.
void RegisterStandardClasses();
// The identifiers of cursors in layouts ("crHandPoint"); registered by every control.
void RegisterCursorIdents();

