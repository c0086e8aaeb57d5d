// TCustomForm, TApplication and TScreen.
#include "ControlState.h"
#include "classlib/ActnList.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "platform/msgbox.h"
#include "platform/shellexec.h"

#include <QApplication>
#include <algorithm>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

void InitApplication() {
    if (Application || !QCoreApplication::instance()) return;
    Application = new TApplication(nullptr);
    Screen = new TScreen(nullptr);
}

String GetShortHint(const String& hint) {
    const auto i = hint.find('|');
    return i == String::npos ? hint : hint.substr(0, i);
}

String GetLongHint(const String& hint) {
    const auto i = hint.find('|');
    return i == String::npos ? hint : hint.substr(i + 1);
}

// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
    InitApplication();
    FVisible = false;
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
    FParentFont = false;
    FParentColor = false;
    FWidth = 320;
    FHeight = 240;
    FCanvas = new TCanvas;
    if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    // OnDestroy runs while the form's components still exist.
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (std::exception& e) {
            if (Application) Application->HandleException(this, e);
        }
    }
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->FormDestroyed(this);
    delete FCanvas;
}

void TCustomForm::LoadLayout(const String& name) {
    ReadLayout(this, name);
    DoCreate();
}

void TCustomForm::DoCreate() {
    if (FCreated) return;
    FCreated = true;
    if (OnCreate) OnCreate(this);
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    if (FActiveControl && FActiveControl->Parent() == nullptr) FActiveControl = nullptr;
    if (FMenu && HandleAllocated()) FMenu->SetWindowHandle(Handle());
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == FActiveControl) FActiveControl = nullptr;
        if (AComponent == FFocusedControl) FFocusedControl = nullptr;
        if (AComponent == FMenu) FMenu = nullptr;
    }
}

void TCustomForm::ControlRemoved(TControl* c) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) DefocusControl(w, true);
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    if (FParent) return;
    p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.ExStyle = 0;
    switch (FBorderStyle) {
    case bsNone: p.Style |= WS_POPUP; break;
    case bsSingle: p.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
    case bsDialog:
        p.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        p.Style |= WS_CAPTION | WS_SYSMENU;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        p.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        p.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    default: p.Style |= WS_OVERLAPPEDWINDOW; break;
    }
    if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
    if (!FEnabled) p.Style |= WS_DISABLED;
    p.WndParent = Application ? Application->Handle() : nullptr;
    p.WindowClass.hbrBackground = nullptr;
}

void TCustomForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (FMenu && !ComponentState().Contains(csLoading)) FMenu->SetWindowHandle(Handle());
    // The size given is the client size of the layout; keep the outer bounds as stored.
    UpdateBounds();
}

void TCustomForm::SetMenu(TMainMenu* v) {
    if (FMenu == v) return;
    if (FMenu) {
        FMenu->SetWindowHandle(nullptr);
        FMenu->RemoveFreeNotification(this);
    }
    FMenu = v;
    if (!FMenu) return;
    FMenu->FreeNotification(this);
    if (HandleAllocated() && !ComponentState().Contains(csLoading)) FMenu->SetWindowHandle(Handle());
}

TComponent* TCustomForm::MenuComponent() const { return FMenu; }
void TCustomForm::SetMenuComponent(TComponent* v) { SetMenu(qobject_cast<TMainMenu*>(v)); }

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift, TControl* Control) {
    for (TControl* c = Control; c; c = c->Parent())
        if (auto* popup = qobject_cast<TPopupMenu*>(c->PopupMenu()); popup && popup->IsShortCut(Key, Shift)) return true;
    return FMenu && FMenu->IsShortCut(Key, Shift);
}

void TCustomForm::UpdateActions() { UpdateFormActions(this); }

void TCustomForm::PaintWindow(HDC DC) {
    if (!OnPaint) return;
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    try {
        OnPaint(this);
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
    if (FBorderStyle == v) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
    if (FFormStyle == v) return;
    FFormStyle = v;
    RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState v) {
    if (FWindowState == v) return;
    FWindowState = v;
    if (FHandle && Showing())
        ShowWindow(FHandle, v == wsMaximized ? SW_SHOWMAXIMIZED : v == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

bool TCustomForm::Showing() const {
    if (FParent) return TWinControl::Showing();
    return FHandle && IsWindowVisible(FHandle);
}

void TCustomForm::Show() {
    SetVisible(true);
    if (FHandle) BringWindowToTop(FHandle);
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::ShowOrHide(bool show) {
    if (FParent) {
        UpdateControlState();
        return;
    }
    if (show) {
        HandleNeeded();
        if (!FPlaced) {
            FPlaced = true;
            int x = FLeft, y = FTop;
            if (FPosition == poScreenCenter || FPosition == poDesktopCenter ||
                ((FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) && !Application->MainForm())) {
                x = (Screen->Width() - FWidth) / 2;
                y = (Screen->Height() - FHeight) / 2;
            } else if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
                TCustomForm* m = Application->MainForm();
                x = m->Left() + (m->Width() - FWidth) / 2;
                y = m->Top() + (m->Height() - FHeight) / 2;
            }
            if (x != FLeft || y != FTop) SetBounds(x, y, FWidth, FHeight);
        }
        // OnShow comes before the window appears (and so before OnActivate).
        DoShow();
        if (!FVisible) return;
        if (!FActiveControl) {
            TWinControl* first = FindNextControl(nullptr, true, true, false);
            if (first) FActiveControl = first;
        }
        ShowWindow(FHandle, FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                            : FWindowState == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    } else {
        DoHide();
        if (FHandle) ShowWindow(FHandle, SW_HIDE);
        if (FActive) Activated(false);
    }
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

bool TCustomForm::CloseQuery() {
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(this, can);
    return can;
}

void TCustomForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) Application->Terminate();
    if (action == caHide) Hide();
    else if (action == caMinimize) SetWindowState(wsMinimized);
    else if (action == caFree) Release();
}

void TCustomForm::Release() {
    if (FHandle) PostMessageA(FHandle, CM_RELEASE, 0, 0);
    else delete this;
}

void TCustomForm::CloseModal() {
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
        if (action == caNone) FModalResult = 0;
        else if (action == caFree) Release();
    } catch (std::exception& e) {
        FModalResult = 0;
        if (Application) Application->HandleException(this, e);
    }
}

TModalResult TCustomForm::ShowModal() {
    if (FVisible || !FEnabled || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    FModal = true;
    const HWND previous = GetActiveWindow();
    // Other forms take no input while this one is modal.
    std::vector<HWND> disabled;
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* f = Screen->Forms(i);
            if (f != this && f->HandleAllocated() && IsWindowVisible(f->Handle()) && IsWindowEnabled(f->Handle())) {
                EnableWindow(f->Handle(), FALSE);
                disabled.push_back(f->Handle());
            }
        }
    ++Application->ModalLevel;
    FModalResult = 0;
    try {
        Show();
        while (FModalResult == 0) {
            platform::runMessageLoop([this] { return FModalResult != 0 || Application->Terminated() || !FVisible; });
            if (Application->Terminated()) FModalResult = mrCancel;
            else if (FModalResult == 0 && !FVisible) FModalResult = mrCancel;
            if (FModalResult != 0) CloseModal();
        }
    } catch (...) {
        --Application->ModalLevel;
        for (HWND h : disabled) EnableWindow(h, TRUE);
        FModal = false;
        throw;
    }
    --Application->ModalLevel;
    for (HWND h : disabled) EnableWindow(h, TRUE);
    const TModalResult result = FModalResult;
    FModal = false;
    Hide();
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    return result;
}

void TCustomForm::SetActiveControl(TWinControl* v) {
    if (FActiveControl == v) return;
    if (v && (!v->CanFocus() || GetParentForm(v) != this)) {
        if (!ComponentState().Contains(csLoading)) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    }
    FActiveControl = v;
    if (v) v->FreeNotification(this);
    if (FActive && v && v->HandleAllocated() && !ComponentState().Contains(csLoading)) ::SetFocus(v->Handle());
}

void TCustomForm::FocusControl(TWinControl* c) {
    const bool wasActive = FActive;
    SetActiveControl(c);
    if (!wasActive && c && Showing()) {
        SetActiveWindow(Handle());
        ::SetFocus(c->Handle());
    }
}

void TCustomForm::DefocusControl(TWinControl* c, bool removing) {
    if (removing && c->ContainsControl(this)) return;
    if (FActiveControl && c->ContainsControl(FActiveControl)) {
        TWinControl* p = c->Parent();
        FActiveControl = (p && p != this && !removing) ? p : nullptr;
        if (FActive && FHandle) ::SetFocus(FActiveControl ? FActiveControl->Handle() : FHandle);
    }
    if (FFocusedControl && c->ContainsControl(FFocusedControl)) FFocusedControl = nullptr;
}

bool TCustomForm::SetFocusedControl(TWinControl* c) {
    if (FFocusedControl == c) {
        FActiveControl = c;
        return true;
    }
    TWinControl* old = FFocusedControl;
    FFocusedControl = c;
    if (c != this) FActiveControl = c;
    if (c) c->FreeNotification(this);
    // Exit from the old control up to the common parent, then enter down to the new one.
    for (TWinControl* p = old; p && p != this && !(c && p->ContainsControl(c)); p = p->Parent()) {
        p->Perform(CM_EXIT);
        if (FFocusedControl != c) return false;
    }
    std::vector<TWinControl*> enter;
    for (TWinControl* p = c; p && p != this && !(old && p->ContainsControl(old)); p = p->Parent()) enter.push_back(p);
    for (auto it = enter.rbegin(); it != enter.rend(); ++it) {
        (*it)->Perform(CM_ENTER);
        if (FFocusedControl != c) return false;
    }
    TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(c), 0};
    Broadcast(m);
    if (Screen) Screen->SetActiveControl(c);
    return true;
}

void TCustomForm::Activated(bool active) {
    if (FActive == active) return;
    FActive = active;
    if (active) {
        if (Screen) Screen->SetActiveForm(this);
        if (FActiveControl && FActiveControl->CanFocus()) ::SetFocus(FActiveControl->Handle());
        else if (FHandle) ::SetFocus(FHandle);
        if (OnActivate) OnActivate(this);
    } else {
        if (OnDeactivate) OnDeactivate(this);
    }
}

void TCustomForm::CMDialogKey(TMessage& m) {
    if (GetKeyState(VK_MENU) >= 0) {
        switch (m.WParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
                m.Result = 1;
                return;
            }
            break;
        default: break;
        }
    }
    Broadcast(m);
}

void TCustomForm::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_COMMAND:
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (DispatchMenuMessage(FMenu, m)) return;
        TWinControl::Dispatch(m);
        return;
    case CM_VISIBLECHANGED: ShowOrHide(m.WParam != 0); return;
    case WM_CLOSE: Close(); return;
    case WM_ACTIVATE: Activated(LOWORD(m.WParam) != WA_INACTIVE); return;
    case WM_SETFOCUS:
        // The form passes the focus on to its active control.
        if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
            ::SetFocus(FActiveControl->Handle());
            return;
        }
        SetFocusedControl(this);
        TWinControl::Dispatch(m);
        return;
    case CM_DIALOGKEY: CMDialogKey(m); return;
    case CM_RELEASE: delete this; return;
    case WM_SHOWWINDOW: DefaultHandler(m); return;
    case WM_CONTEXTMENU: {
        // A right click anywhere in the form shows the pop-up menu of the control under
        // the pointer (or of its nearest parent that has one).
        POINT pt{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(m.LParam))),
                 static_cast<short>(HIWORD(static_cast<DWORD_PTR>(m.LParam)))};
        TControl* c = nullptr;
        if (pt.x == -1 && pt.y == -1) {
            c = FFocusedControl ? static_cast<TControl*>(FFocusedControl) : this;
            pt = c->ClientToScreen(POINT{0, 0});
        } else {
            c = FindDragTarget(pt, false);
        }
        if (!c || GetParentForm(c) != this) c = this;
        if (ShowControlPopupMenu(c, pt)) {
            m.Result = 1;
            return;
        }
        TWinControl::Dispatch(m);
        return;
    }
    default: TWinControl::Dispatch(m); return;
    }
}

// TControlScrollBar

TControlScrollBar::TControlScrollBar(TScrollBox* Control, TScrollBarKind Kind) : FControl(Control), FKind(Kind) {}

int TControlScrollBar::ClientSize() const {
    const RECT r = FControl->ClientRect();
    return FKind == sbHorizontal ? r.right - r.left : r.bottom - r.top;
}

int TControlScrollBar::MaxPosition() const {
    const int range = FControl->FAutoScroll ? std::max(FRange, FCalcRange) : FRange;
    return std::max(0, range - ClientSize());
}

bool TControlScrollBar::IsScrollBarVisible() const {
    if (!FVisible) return false;
    const int range = FControl->FAutoScroll ? std::max(FRange, FCalcRange) : FRange;
    return range > ClientSize();
}

void TControlScrollBar::SetPosition(int v) {
    if (FControl->ComponentState().Contains(csLoading)) {
        FPosition = v;
        return;
    }
    v = std::clamp(v, 0, MaxPosition());
    if (v == FPosition) return;
    const int delta = FPosition - v;
    FPosition = v;
    if (FKind == sbHorizontal) FControl->ScrollBy(delta, 0);
    else FControl->ScrollBy(0, delta);
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetRange(int v) {
    v = std::max(0, v);
    if (FRange == v) return;
    FRange = v;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool v) {
    if (FVisible == v) return;
    FVisible = v;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::Assign(TPersistent* Source) {
    if (auto* b = qobject_cast<TControlScrollBar*>(Source)) {
        FIncrement = b->FIncrement;
        FVisible = b->FVisible;
        FTracking = b->FTracking;
        FRange = b->FRange;
        FControl->UpdateScrollBars();
        SetPosition(b->FPosition);
        return;
    }
    TPersistent::Assign(Source);
}

// TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = csCaptureMouse | csClickEvents | csAcceptsControls | csSetCaption | csDoubleClicks;
    FHorzScrollBar = new TControlScrollBar(this, sbHorizontal);
    FVertScrollBar = new TControlScrollBar(this, sbVertical);
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
}

TScrollBox::~TScrollBox() {
    delete FHorzScrollBar;
    delete FVertScrollBar;
}

void TScrollBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.Style |= WS_CLIPCHILDREN;
    if (FBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::CreateWnd() {
    TWinControl::CreateWnd();
    FHorzWnd = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | SBS_HORZ, 0, 0, 0, 0, FHandle, nullptr, nullptr,
                               nullptr);
    FVertWnd = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | SBS_VERT, 0, 0, 0, 0, FHandle, nullptr, nullptr,
                               nullptr);
    UpdateScrollBars();
}

void TScrollBox::DestroyWnd() {
    if (FHorzWnd) DestroyWindow(FHorzWnd);
    if (FVertWnd) DestroyWindow(FVertWnd);
    FHorzWnd = FVertWnd = nullptr;
    TWinControl::DestroyWnd();
}

RECT TScrollBox::ClientRect() const {
    RECT r = TWinControl::ClientRect();
    if (FHorzScrollBar->FShown) r.bottom -= GetSystemMetrics(SM_CYHSCROLL);
    if (FVertScrollBar->FShown) r.right -= GetSystemMetrics(SM_CXVSCROLL);
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void TScrollBox::SetAutoScroll(bool v) {
    if (FAutoScroll == v) return;
    FAutoScroll = v;
    UpdateScrollBars();
}

void TScrollBox::SetBorderStyle(TFormBorderStyle v) {
    if (FBorderStyle == v) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TScrollBox::ScrollBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    FScrolling = true;
    DisableAlign();
    for (TControl* c : std::vector<TControl*>(FControls))
        c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    FScrolling = false;
    EnableAlign();
    Invalidate();
}

void TScrollBox::ScrollInView(TControl* c) {
    if (!c || c->Parent() != this) return;
    const RECT r = ClientRect();
    if (c->Left() < 0) FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + c->Left());
    else if (c->Left() + c->Width() > r.right)
        FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + std::min(c->Left(), c->Left() + c->Width() - r.right));
    if (c->Top() < 0) FVertScrollBar->SetPosition(FVertScrollBar->Position() + c->Top());
    else if (c->Top() + c->Height() > r.bottom)
        FVertScrollBar->SetPosition(FVertScrollBar->Position() + std::min(c->Top(), c->Top() + c->Height() - r.bottom));
}

void TScrollBox::CalcAutoRange() {
    int w = 0, h = 0;
    for (TControl* c : FControls) {
        if (!c->Visible() || c->Align() != alNone) continue;
        w = std::max(w, c->Left() + c->Width() + FHorzScrollBar->FPosition);
        h = std::max(h, c->Top() + c->Height() + FVertScrollBar->FPosition);
    }
    FHorzScrollBar->FCalcRange = w;
    FVertScrollBar->FCalcRange = h;
}

void TScrollBox::UpdateScrollBars() {
    if (FUpdatingBars || ComponentState().Contains(csLoading)) return;
    FUpdatingBars = true;
    CalcAutoRange();
    // Showing one bar shrinks the client area, which can make the other one necessary.
    FHorzScrollBar->FShown = FVertScrollBar->FShown = false;
    for (int pass = 0; pass < 3; ++pass) {
        const bool h = FHorzScrollBar->IsScrollBarVisible();
        const bool v = FVertScrollBar->IsScrollBarVisible();
        if (h == FHorzScrollBar->FShown && v == FVertScrollBar->FShown) break;
        FHorzScrollBar->FShown = h;
        FVertScrollBar->FShown = v;
    }
    // Positions beyond the new maximum come back.
    for (TControlScrollBar* b : {FHorzScrollBar, FVertScrollBar}) {
        const int maxPos = b->FShown ? b->MaxPosition() : 0;
        if (b->FPosition > maxPos) {
            const int delta = b->FPosition - maxPos;
            b->FPosition = maxPos;
            if (b->FKind == sbHorizontal) ScrollBy(delta, 0);
            else ScrollBy(0, delta);
        }
    }
    if (FHandle) {
        const RECT c = ClientRect();
        const int cx = GetSystemMetrics(SM_CXVSCROLL);
        const int cy = GetSystemMetrics(SM_CYHSCROLL);
        for (TControlScrollBar* b : {FHorzScrollBar, FVertScrollBar}) {
            HWND wnd = b->FKind == sbHorizontal ? FHorzWnd : FVertWnd;
            if (!wnd) continue;
            if (b->FShown) {
                const int range = FAutoScroll ? std::max(b->FRange, b->FCalcRange) : b->FRange;
                SCROLLINFO si{};
                si.cbSize = sizeof si;
                si.fMask = SIF_ALL;
                si.nMin = 0;
                si.nMax = range - 1;
                si.nPage = static_cast<UINT>(b->ClientSize());
                si.nPos = b->FPosition;
                SendMessageA(wnd, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
                if (b->FKind == sbHorizontal) SetWindowPos(wnd, HWND_TOP, 0, c.bottom, c.right, cy, SWP_SHOWWINDOW);
                else SetWindowPos(wnd, HWND_TOP, c.right, 0, cx, c.bottom, SWP_SHOWWINDOW);
            } else {
                ShowWindow(wnd, SW_HIDE);
            }
        }
    }
    FUpdatingBars = false;
}

void TScrollBox::AlignControls(TControl* AControl, RECT& Rect) {
    TWinControl::AlignControls(AControl, Rect);
    if (!FScrolling) UpdateScrollBars();
}

void TScrollBox::Loaded() {
    TWinControl::Loaded();
    const int h = FHorzScrollBar->FPosition;
    const int v = FVertScrollBar->FPosition;
    FHorzScrollBar->FPosition = 0;
    FVertScrollBar->FPosition = 0;
    UpdateScrollBars();
    FHorzScrollBar->SetPosition(h);
    FVertScrollBar->SetPosition(v);
}

void TScrollBox::ScrollMessage(TControlScrollBar* bar, TMessage& m) {
    HWND wnd = bar->FKind == sbHorizontal ? FHorzWnd : FVertWnd;
    int pos = bar->FPosition;
    const int page = std::max(1, bar->ClientSize() * 3 / 4);
    switch (m.WParamLo()) {
    case SB_LINEUP: pos -= bar->FIncrement; break;
    case SB_LINEDOWN: pos += bar->FIncrement; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = bar->MaxPosition(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
    case SB_ENDSCROLL: pos = static_cast<int>(SendMessageA(wnd, SBM_GETPOS, 0, 0)); break;
    default: break;
    }
    bar->SetPosition(pos);
}

void TScrollBox::Dispatch(TMessage& m) {
    if ((m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL) && m.LParam &&
        (reinterpret_cast<HWND>(m.LParam) == FHorzWnd || reinterpret_cast<HWND>(m.LParam) == FVertWnd)) {
        ScrollMessage(reinterpret_cast<HWND>(m.LParam) == FHorzWnd ? FHorzScrollBar : FVertScrollBar, m);
        return;
    }
    if (m.Msg == WM_MOUSEWHEEL) {
        const int delta = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(m.WParam)));
        TControlScrollBar* bar = FVertScrollBar->FShown ? FVertScrollBar : FHorzScrollBar;
        if (bar->FShown) {
            bar->SetPosition(bar->FPosition - delta / WHEEL_DELTA * bar->FIncrement * 3);
            m.Result = 1;
            return;
        }
    }
    TWinControl::Dispatch(m);
    if (m.Msg == WM_SIZE) UpdateScrollBars();
}


// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    platform::setMessageFilter([this](MSG& msg) { return FilterMessage(msg); });
}

TApplication::~TApplication() {
    platform::setMessageFilter({});
    if (FHandle) DeallocateHWnd(FHandle);
}

HWND TApplication::Handle() {
    if (!FHandle) {
        FHandle = AllocateHWnd([this](TMessage& m) { WndProc(m); });
        SetWindowTextA(FHandle, FTitle.c_str());
        // The window is there: its hooks hear of its creation.
        TMessage created{WM_CREATE, 0, 0, 0};
        WndProc(created);
    }
    return FHandle;
}

void TApplication::HookMainWindow(const TWindowHook& Hook) {
    if (!Hook) return;
    FWindowHooks.push_back(Hook);
}

void TApplication::UnhookMainWindow(const TWindowHook& Hook) {
    auto it = std::find(FWindowHooks.begin(), FWindowHooks.end(), Hook);
    if (it != FWindowHooks.end()) FWindowHooks.erase(it);
}

void TApplication::WndProc(TMessage& m) {
    // A hook may remove itself (or another) while it runs.
    const std::vector<TWindowHook> hooks = FWindowHooks;
    for (const TWindowHook& hook : hooks) {
        if (std::find(FWindowHooks.begin(), FWindowHooks.end(), hook) == FWindowHooks.end()) continue;
        bool handled = false;
        hook(m, handled);
        if (handled) return;
    }
    if (m.Msg == WM_CREATE) return;
    m.Result = DefWindowProcA(FHandle, m.Msg, m.WParam, m.LParam);
}

bool TApplication::HelpContext(int Context) {
    bool callHelp = true;
    if (OnHelp) OnHelp(this, Context, callHelp);
    if (!callHelp) return true;
    if (HelpFile.empty()) return false;
    const HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
    return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", HelpFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

String TApplication::Title() const {
    if (!FHandle) return FTitle;
    const int length = GetWindowTextLengthA(FHandle);
    if (length <= 0) return String();
    String text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(std::clamp(GetWindowTextA(FHandle, text.data(), length + 1), 0, length)));
    return text;
}

void TApplication::SetTitle(const String& v) {
    FTitle = v;
    if (FHandle) SetWindowTextA(FHandle, v.c_str());
}

void TApplication::Run() {
    FTerminated = false;
    if (FMainForm && ShowMainForm) FMainForm->Show();
    platform::runMessageLoop();
    FTerminated = true;
}

void TApplication::Terminate() {
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
    platform::processPendingMessages();
}

bool TApplication::ProcessMessage() {
    MSG msg{};
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    if (!FilterMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::HandleMessage() {
    if (!ProcessMessage()) {
        if (OnIdle) OnIdle(this);
        WaitMessage();
    }
}

bool TApplication::FilterMessage(MSG& msg) {
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_MOUSELEAVE) TrackMouse(msg);
    detail::hintInputMessage(msg);
    bool handled = false;
    if (OnMessage) OnMessage(msg, handled);
    if (handled) return true;
    return IsKeyMsg(msg);
}

bool TApplication::IsKeyMsg(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    // The message goes to the class library's control that owns the window.
    HWND wnd = GetCapture() ? GetCapture() : msg.hwnd;
    while (wnd && !TWinControl::FindControl(wnd)) wnd = GetParent(wnd);
    if (!wnd) return false;
    return SendMessageA(wnd, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::TrackMouse(MSG& msg) {
    TControl* c = nullptr;
    if (msg.message == WM_MOUSEMOVE) c = FindDragTarget(msg.pt, false);
    if (c == FMouseControl) return;
    TControl* old = FMouseControl;
    FMouseControl = c;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (c && FMouseControl == c) c->Perform(CM_MOUSEENTER);
}

void TApplication::ControlDestroyed(TControl* c) {
    detail::hintControlGone(c);
    if (FHintControl == c) FHintControl = nullptr;
    if (FMouseControl == c) FMouseControl = nullptr;
}

void TApplication::FormDestroyed(TCustomForm* f) {
    if (FMainForm == f) FMainForm = nullptr;
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags) {
    HWND owner = nullptr;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        owner = Screen->ActiveForm()->Handle();
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::ShowException(std::exception& e) {
    String text;
    if (auto* ce = dynamic_cast<Exception*>(&e)) text = ce->Message;
    else text = e.what();
    if (!text.empty() && text.back() > '.') text += '.';
    MessageBox(text, Title(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* sender, std::exception& e) {
    if (dynamic_cast<EAbort*>(&e)) return;
    if (OnException) {
        if (auto* ce = dynamic_cast<Exception*>(&e)) {
            OnException(sender, *ce);
            return;
        }
    }
    ShowException(e);
}

void TApplication::SetHint(const String& v) {
    if (FHint == v) return;
    FHint = v;
    if (OnHint) OnHint(this);
}

void TApplication::CancelHint() {
    FHintControl = nullptr;
    detail::hintCancel();
}

void TApplication::HintMouseMessage(TControl* c, TMessage& m) {
    detail::hintMouseMove(c, c->ClientToScreen(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}));
    if (c == FHintControl) return;
    FHintControl = c;
    // The long part of the first hint found on the control or its parents.
    String hint;
    for (TControl* p = c; p; p = p->Parent())
        if (!p->Hint().empty()) {
            hint = p->Hint();
            break;
        }
    SetHint(GetLongHint(hint));
}

// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}
TScreen::~TScreen() = default;

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

void TScreen::AddForm(TCustomForm* f) { FForms.push_back(f); }

void TScreen::RemoveForm(TCustomForm* f) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), f), FForms.end());
    if (FActiveForm == f) SetActiveForm(nullptr);
    if (FActiveControl && GetParentForm(FActiveControl) == f) SetActiveControl(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* f) {
    if (FActiveForm == f) return;
    FActiveForm = f;
    if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* c) {
    if (FActiveControl == c) return;
    FActiveControl = c;
    if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::SetCursor(TCursor v) {
    if (FCursor == v) return;
    FCursor = v;
    ::SetCursor(Cursors(v == crDefault ? crArrow : v));
}

HCURSOR TScreen::Cursors(int index) {
    auto it = FCursors.find(index);
    if (it != FCursors.end()) return it->second;
    LPCSTR id = nullptr;
    switch (index) {
    case crArrow:
    case crDefault: id = IDC_ARROW; break;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass:
    case crSQLWait: id = IDC_WAIT; break;
    case crNo:
    case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    case crDrag:
    case crMultiDrag: id = IDC_ARROW; break;
    default: return FCursors.count(crDefault) ? FCursors[crDefault] : LoadCursorA(nullptr, IDC_ARROW);
    }
    HCURSOR h = LoadCursorA(nullptr, id);
    FCursors[index] = h;
    return h;
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
    if (!cursor) {
        FCursors.erase(index);
        return;
    }
    FCursors[index] = cursor;
}

