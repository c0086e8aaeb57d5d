// Forms, the application object and the screen.
#pragma once


#include "classlib/Controls.h"
#include "platform/msgbox.h"

#include <map>
#include <vector>

// Modal results.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
using TExceptionEvent = TEvent<void(TObject* Sender, Exception& E)>;
using TMessageEvent = TEvent<void(MSG& Msg, bool& Handled)>;
using TShowHintEvent = TEvent<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// Help asked for a topic; clearing CallHelp keeps the help file from opening.
using THelpEvent = TEvent<void(TObject* Sender, int Context, bool& CallHelp)>;
// A hook of the application's window: it sees every message first and sets Handled when it
// took the message.
using TWindowHook = TEvent<void(TMessage& Message, bool& Handled)>;

class TMainMenu;

class TCustomForm : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TComponent* Menu READ MenuComponent WRITE SetMenuComponent)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE SetKeyPreview)
    Q_PROPERTY(TFormStyle FormStyle READ FormStyle WRITE SetFormStyle)
    Q_PROPERTY(TWindowState WindowState READ WindowState WRITE SetWindowState)
    Q_PROPERTY(TWinControl* ActiveControl READ ActiveControl WRITE SetActiveControl)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult STORED false)
    Q_PROPERTY(int PixelsPerInch READ PixelsPerInch WRITE SetPixelsPerInch)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_CLASSINFO("Default:Color", "clBtnFace")
    Q_PROPERTY(TNotifyEvent OnCreate MEMBER OnCreate)
    Q_PROPERTY(TNotifyEvent OnDestroy MEMBER OnDestroy)
    Q_PROPERTY(TNotifyEvent OnShow MEMBER OnShow)
    Q_PROPERTY(TNotifyEvent OnHide MEMBER OnHide)
    Q_PROPERTY(TNotifyEvent OnActivate MEMBER OnActivate)
    Q_PROPERTY(TNotifyEvent OnDeactivate MEMBER OnDeactivate)
    Q_PROPERTY(TNotifyEvent OnPaint MEMBER OnPaint)
    Q_PROPERTY(TCloseEvent OnClose MEMBER OnClose)
    Q_PROPERTY(TCloseQueryEvent OnCloseQuery MEMBER OnCloseQuery)

public:
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    Q_ENUM(TFormBorderStyle)
    enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                     poMainFormCenter, poOwnerFormCenter };
    Q_ENUM(TPosition)
    enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
    Q_ENUM(TFormStyle)
    enum TWindowState { wsNormal, wsMinimized, wsMaximized };
    Q_ENUM(TWindowState)

    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // Reads the form's layout resource (":/layouts/NAME.layout") and fires OnCreate.
    void LoadLayout(const String& name);
    // Fires OnCreate once (for forms built in code).
    void DoCreate();

    void Show();
    void Hide();
    TModalResult ShowModal();
    void Close();
    void Release();
    virtual bool CloseQuery();
    bool Active() const { return FActive; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition v) { FPosition = v; }
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool v) { FKeyPreview = v; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle v);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState v);
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* v);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult v) { FModalResult = v; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int v) { FPixelsPerInch = v; }
    bool Modal() const { return FModal; }
    // The menu bar of the form.
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* v);
    TComponent* MenuComponent() const;
    void SetMenuComponent(TComponent* v);
    // Runs the menu item whose shortcut the key is (the form's menu, then the pop-up menus of
    // `Control` and its parents); true when one ran.
    bool IsShortCut(WORD Key, TShiftState Shift, TControl* Control);
    // Updates the actions of the form's visible clients (the application calls it for every
    // visible form when its message loop is idle).
    virtual void UpdateActions();

    // Focus bookkeeping (called by the controls).
    bool SetFocusedControl(TWinControl* Control);
    void FocusControl(TWinControl* Control);
    void DefocusControl(TWinControl* Control, bool Removing);
    void ControlRemoved(TControl* Control);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void Dispatch(TMessage& Message) override;
    bool Showing() const override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    TCanvas* FCanvas = nullptr;

private:
    void ShowOrHide(bool show);
    void CloseModal();
    void Activated(bool active);
    void CMDialogKey(TMessage& Message);
    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    bool FKeyPreview = false;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    TMainMenu* FMenu = nullptr;
    TModalResult FModalResult = 0;
    int FPixelsPerInch = 96;
    bool FActive = false;
    bool FModal = false;
    bool FCreated = false;
    bool FShowing = false;
    bool FPlaced = false;
};

using TFormBorderStyle = TCustomForm::TFormBorderStyle;
inline constexpr TFormBorderStyle bsNone = TCustomForm::bsNone;
inline constexpr TFormBorderStyle bsSingle = TCustomForm::bsSingle;
inline constexpr TFormBorderStyle bsSizeable = TCustomForm::bsSizeable;
inline constexpr TFormBorderStyle bsDialog = TCustomForm::bsDialog;
inline constexpr TFormBorderStyle bsToolWindow = TCustomForm::bsToolWindow;
inline constexpr TFormBorderStyle bsSizeToolWin = TCustomForm::bsSizeToolWin;
using TPosition = TCustomForm::TPosition;
inline constexpr TPosition poDesigned = TCustomForm::poDesigned;
inline constexpr TPosition poScreenCenter = TCustomForm::poScreenCenter;
inline constexpr TPosition poMainFormCenter = TCustomForm::poMainFormCenter;
inline constexpr TPosition poOwnerFormCenter = TCustomForm::poOwnerFormCenter;
using TWindowState = TCustomForm::TWindowState;
inline constexpr TWindowState wsNormal = TCustomForm::wsNormal;
inline constexpr TWindowState wsMinimized = TCustomForm::wsMinimized;
inline constexpr TWindowState wsMaximized = TCustomForm::wsMaximized;
using TFormStyle = TCustomForm::TFormStyle;
inline constexpr TFormStyle fsNormal = TCustomForm::fsNormal;
inline constexpr TFormStyle fsStayOnTop = TCustomForm::fsStayOnTop;

class TForm : public TCustomForm {
    Q_OBJECT
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

class TScrollBox;

// One scroll bar of a scroll box. Range is the size of the scrolled area (0: no bar);
// the bar shows when Range exceeds the client size, and Position runs from 0 to
// Range - client size. With the box's AutoScroll the range follows its children.
class TControlScrollBar : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Range READ Range WRITE SetRange)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool Tracking READ Tracking WRITE SetTracking)
    Q_CLASSINFO("Default:Position", "0")
    Q_CLASSINFO("Default:Range", "0")
    Q_CLASSINFO("Default:Increment", "8")
    Q_CLASSINFO("Default:Visible", "True")
    Q_CLASSINFO("Default:Tracking", "False")

public:
    enum TScrollBarKind { sbHorizontal, sbVertical };
    TControlScrollBar(TScrollBox* Control, TScrollBarKind Kind);
    TScrollBarKind Kind() const { return FKind; }
    int Position() const { return FPosition; }
    void SetPosition(int v);
    int Range() const { return FRange; }
    void SetRange(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v) { FIncrement = v > 0 ? v : 1; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Tracking() const { return FTracking; }
    void SetTracking(bool v) { FTracking = v; }
    // The bar is shown: visible, and the range exceeds the box's client size.
    bool IsScrollBarVisible() const;
    // The largest position.
    int MaxPosition() const;
    void Assign(TPersistent* Source) override;

private:
    friend class TScrollBox;
    int ClientSize() const;
    TScrollBox* FControl;
    TScrollBarKind FKind;
    int FPosition = 0;
    int FRange = 0;
    int FIncrement = 8;
    bool FVisible = true;
    bool FTracking = false;
    int FCalcRange = 0;  // the range computed from the children (AutoScroll)
    bool FShown = false;
};

using TScrollBarKind = TControlScrollBar::TScrollBarKind;
inline constexpr TScrollBarKind sbHorizontal = TControlScrollBar::sbHorizontal;
inline constexpr TScrollBarKind sbVertical = TControlScrollBar::sbVertical;

// A container whose children are scrolled by its two scroll bars; ClientWidth and
// ClientHeight exclude the bars that are shown.
class TScrollBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TControlScrollBar* HorzScrollBar READ HorzScrollBar WRITE SetHorzScrollBar)
    Q_PROPERTY(TControlScrollBar* VertScrollBar READ VertScrollBar WRITE SetVertScrollBar)
    Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_CLASSINFO("Default:AutoScroll", "True")

public:
    explicit TScrollBox(TComponent* AOwner);
    ~TScrollBox() override;
    TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar; }
    void SetHorzScrollBar(TControlScrollBar* v) { FHorzScrollBar->Assign(v); }
    TControlScrollBar* VertScrollBar() const { return FVertScrollBar; }
    void SetVertScrollBar(TControlScrollBar* v) { FVertScrollBar->Assign(v); }
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool v);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    // Moves every child by (dx, dy).
    void ScrollBy(int dx, int dy);
    // Scrolls so that the child is inside the client area.
    void ScrollInView(TControl* AControl);
    RECT ClientRect() const override;
    void Dispatch(TMessage& Message) override;
    // The bars' windows (null before the box's window exists).
    HWND ScrollBarHandle(TScrollBarKind Kind) const { return Kind == sbHorizontal ? FHorzWnd : FVertWnd; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void AlignControls(TControl* AControl, RECT& Rect) override;
    void Loaded() override;

private:
    friend class TControlScrollBar;
    void UpdateScrollBars();
    void CalcAutoRange();
    void ScrollMessage(TControlScrollBar* Bar, TMessage& Message);
    TControlScrollBar* FHorzScrollBar;
    TControlScrollBar* FVertScrollBar;
    bool FAutoScroll = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    HWND FHorzWnd = nullptr;
    HWND FVertWnd = nullptr;
    bool FUpdatingBars = false;
    bool FScrolling = false;
};

// A container of controls designed like a form and placed on forms as one control: its
// layout (the frame's own components and controls) is read like a form's.
class TFrame : public TScrollBox {
    Q_OBJECT
    Q_CLASSINFO("Default:BorderStyle", "bsNone")
    Q_CLASSINFO("Default:ParentColor", "True")

public:
    Q_INVOKABLE explicit TFrame(TComponent* AOwner);
    // Reads the frame's layout resource (":/layouts/NAME.layout").
    void LoadLayout(const String& name);
    // Reads a layout text (a frame built from a layout held elsewhere).
    void LoadLayoutText(const String& text);
};
using TCustomFrame = TFrame;

class TApplication : public TComponent {
    Q_OBJECT
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // The application's window (made on first use; its hooks then hear WM_CREATE).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // The text of the application's window once it exists.
    String Title() const;
    void SetTitle(const String& v);
    // Hooks of the application's window, asked in the order they were added until one takes
    // the message; a hook is removed by an equal event.
    void HookMainWindow(const TWindowHook& Hook);
    void UnhookMainWindow(const TWindowHook& Hook);

    String HelpFile;
    // Help on a topic: OnHelp first, then, unless it cleared CallHelp, the help file opens
    // with its associated program. True when OnHelp took it or the file opened.
    bool HelpContext(int Context);
    THelpEvent OnHelp;
    TCustomForm* MainForm() const { return FMainForm; }
    bool ShowMainForm = true;
    bool Terminated() const { return FTerminated; }

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T>
    void CreateForm(T*& reference) {
        T* f = new T(this);
        reference = f;
        if (!FMainForm) FMainForm = f;
        f->DoCreate();
    }
    void Run();
    void Terminate();
    void ProcessMessages();
    void HandleMessage();
    int MessageBox(const String& Text, const String& Caption, UINT Flags = MB_OK);
    void HandleException(TObject* Sender, std::exception& E);
    void ShowException(std::exception& E);

    String Hint() const { return FHint; }
    void SetHint(const String& v);
    bool ShowHint = true;
    void CancelHint();
    void HintMouseMessage(TControl* Control, TMessage& Message);
    // The control the mouse is over, as the message loop last saw it (null when none).
    TControl* MouseControl() const { return FMouseControl; }
    // Hints under the mouse (HintWindow.cpp): the wait before a hint shows, before the next
    // one shows while one is up, and before it hides again (ms, 0: never hides).
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    // The class of the hint windows (THintWindow when empty); a request through
    // CM_HINTSHOW may ask for another, and the window is made anew when the class changes.
    THintWindowClass HintWindowClass;
    // Whether hints of controls whose action has a shortcut show the shortcut too.
    bool HintShortCuts = true;
    // The hint of the control under the cursor, now.
    void ActivateHint(POINT CursorPos);
    // The hint window shown, or null.
    THintWindow* ActiveHintWindow() const;
    TShowHintEvent OnShowHint;

    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    TMessageEvent OnMessage;
    TNotifyEvent OnIdle;

    // The message loop step every queued or input message passes.
    bool FilterMessage(MSG& Msg);
    void ControlDestroyed(TControl* Control);
    void FormDestroyed(TCustomForm* Form);
    int ModalLevel = 0;

private:
    bool ProcessMessage();
    bool IsKeyMsg(MSG& Msg);
    void TrackMouse(MSG& Msg);
    void WndProc(TMessage& Message);
    HWND FHandle = nullptr;
    String FTitle;
    std::vector<TWindowHook> FWindowHooks;
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    String FHint;
    TControl* FHintControl = nullptr;
    TControl* FMouseControl = nullptr;
};

class TScreen : public TComponent {
    Q_OBJECT
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;
    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return 96; }
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int i) const { return FForms.at(static_cast<std::size_t>(i)); }
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor v);
    HCURSOR Cursors(int index);
    void SetCursors(int index, HCURSOR cursor);

    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);
    void SetActiveForm(TCustomForm* f);
    void SetActiveControl(TWinControl* c);

private:
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TWinControl* FActiveControl = nullptr;
    TCursor FCursor = crDefault;
    std::map<int, HCURSOR> FCursors;
};

// The application and screen objects; they exist once a Qt application does.
extern TApplication* Application;
extern TScreen* Screen;
// Creates them if needed (done by every control's construction).
void InitApplication();

String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);

