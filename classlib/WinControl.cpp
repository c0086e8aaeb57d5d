// TWinControl: controls with a window of their own.
#include "ControlState.h"
#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/ActnList.h"
#include "platform/gdi.h"

#include <algorithm>

// TWinControl

TWinControl* TWinControl::CreationControl = nullptr;

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
    FBrush = new TBrush;
    FBrush->SetColor(FColor);
    FObjectInstance = MakeObjectInstance([this](TMessage& m) { MainWndProc(m); });
}

TWinControl::~TWinControl() {
    SetParent(nullptr);
    // Children keep their windows' state; the platform destroys the windows with ours.
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    for (TControl* c : std::vector<TControl*>(FControls)) RemoveControl(c);
    if (FHandle) {
        const HWND h = FHandle;
        FHandle = nullptr;
        RemovePropA(h, MAKEINTATOM(ControlAtom()));
        RemovePropA(h, MAKEINTATOM(WindowAtom()));
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc ? FDefWndProc : &DefWindowProcA));
        DestroyWindow(h);
    }
    FreeObjectInstance(FObjectInstance);
    delete FBrush;
}

TWinControl* TWinControl::FindControl(HWND wnd) {
    if (!wnd) return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, MAKEINTATOM(ControlAtom())));
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle) return;
    if (FParent) FParent->HandleNeeded();
    CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
    p = TCreateParams{};
    p.Caption = FText;
    p.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle & csAcceptsControls) p.Style |= WS_CLIPCHILDREN;
    if (!FEnabled) p.Style |= WS_DISABLED;
    if (FTabStop) p.Style |= WS_TABSTOP;
    if (FVisible) p.Style |= WS_VISIBLE;
    p.X = FLeft;
    p.Y = FTop;
    p.Width = FWidth;
    p.Height = FHeight;
    p.WndParent = FParent ? FParent->Handle() : nullptr;
    p.WindowClass.cbSize = sizeof(WNDCLASSEXA);
    p.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    p.WindowClass.lpfnWndProc = &DefWindowProcA;
    p.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    p.WinClassName = metaObject()->className();
}

void TWinControl::CreateSubClass(TCreateParams& p, const char* controlClass) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExA(nullptr, controlClass, &wc)) return;
    const UINT keep = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.style = (wc.style & ~keep) | (p.WindowClass.style & keep);
    p.WindowClass = wc;
}

LRESULT TWinControl::InitWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* c = CreationControl;
    if (!c) return DefWindowProcA(wnd, msg, wParam, lParam);
    CreationControl = nullptr;
    c->FHandle = wnd;
    // A window of a class registered in UTF-16 stays a UTF-16 window.
    const bool wide = IsWindowUnicode(wnd) != FALSE;
    if (wide) SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c->FObjectInstance));
    else SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(c->FObjectInstance));
    if ((GetWindowLongA(wnd, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrA(wnd, GWLP_ID) == 0)
        SetWindowLongPtrA(wnd, GWLP_ID, reinterpret_cast<LONG_PTR>(wnd));
    SetPropA(wnd, MAKEINTATOM(ControlAtom()), c);
    SetPropA(wnd, MAKEINTATOM(WindowAtom()), c);
    if (wide) return CallWindowProcW(c->FObjectInstance, wnd, msg, wParam, lParam);
    return CallWindowProcA(c->FObjectInstance, wnd, msg, wParam, lParam);
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    FDefWndProc = p.WindowClass.lpfnWndProc ? p.WindowClass.lpfnWndProc : &DefWindowProcA;
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    const bool registered = GetClassInfoExA(nullptr, p.WinClassName.c_str(), &existing);
    if (!registered || existing.lpfnWndProc != &InitWndProc) {
        if (registered) UnregisterClassA(p.WinClassName.c_str(), nullptr);
        WNDCLASSEXA wc = p.WindowClass;
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &InitWndProc;
        wc.lpszClassName = p.WinClassName.c_str();
        RegisterClassExA(&wc);
    }
    CreationControl = this;
    try {
        CreateWindowHandle(p);
    } catch (...) {
        CreationControl = nullptr;
        throw;
    }
    CreationControl = nullptr;
    if (!FHandle) throw EOSError("Error creating window " + p.WinClassName);
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
    CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                    p.WndParent, nullptr, nullptr, p.Param);
}

void TWinControl::CreateHandle() {
    if (FHandle) return;
    FCreatingHandle = true;
    try {
        CreateWnd();
    } catch (...) {
        FCreatingHandle = false;
        throw;
    }
    FCreatingHandle = false;
    detail::applyWindowConstraints(this);
    if (FFont && FFont->Handle()) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
    // Windowed children get their windows too, in z-order.
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
            SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Realign();
}

void TWinControl::DestroyWnd() {
    // The text lives on in the control while it has no window.
    const LRESULT len = SendMessageA(FHandle, WM_GETTEXTLENGTH, 0, 0);
    std::string buf(static_cast<std::size_t>(std::max<LRESULT>(len, 0)) + 1, '\0');
    const LRESULT n = SendMessageA(FHandle, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, len)));
    FText = buf;
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    ControlState |= csDestroyingHandle;
    const HWND h = FHandle;
    DestroyWindow(h);
    ControlState &= ~csDestroyingHandle;
    FHandle = nullptr;
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd() {
    if (!FHandle || ComponentState().Contains(csDestroying)) return;
    const bool hadFocus = Focused();
    // A top-level window that was showing shows again.
    const bool shownTopLevel = !FParent && IsWindowVisible(FHandle);
    DestroyHandle();
    UpdateControlState();
    if (!FHandle && FParent && FParent->HandleAllocated()) CreateHandle();
    if (!FHandle && shownTopLevel) {
        CreateHandle();
        ShowWindow(FHandle, SW_SHOW);
    }
    if (hadFocus && FHandle) ::SetFocus(FHandle);
}

void TWinControl::MainWndProc(TMessage& m) {
    try {
        if (WindowProc) WindowProc(m);
        else WndProc(m);
    } catch (std::exception& e) {
        if (Application) Application->HandleException(this, e);
        else throw;
    }
}

void TWinControl::InsertControl(TControl* c) {
    c->FParent = this;
    FControls.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        FTabList.push_back(w);
        if (FHandle && !ComponentState().Contains(csLoading)) w->CreateHandle();
        else if (FHandle) w->CreateHandle();
    } else {
        c->Invalidate();
    }
    if (c->FParentFont) {
        c->FFont->Assign(FFont);
        c->FParentFont = true;
    }
    if (c->FParentColor) {
        c->FColor = FColor;
    }
    if (c->FParentShowHint) c->FShowHint = FShowHint;
    c->UpdateBoundsFromParent();
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), TRUE);
    Realign();
}

void TWinControl::RemoveControl(TControl* c) {
    if (detail::captureControl == c) SetCaptureControl(nullptr);
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), FALSE);
    FTabList.erase(std::remove_if(FTabList.begin(), FTabList.end(),
                                  [c](TWinControl* t) { return static_cast<TControl*>(t) == c; }),
                   FTabList.end());
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (w->FHandle && !ComponentState().Contains(csDestroying)) w->DestroyHandle();
    } else {
        c->Invalidate();
    }
    FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
    c->FParent = nullptr;
    if (TCustomForm* f = GetParentForm(this)) f->ControlRemoved(c);
    Realign();
}

void TWinControl::SetZOrderOf(TControl* c, bool top) {
    auto it = std::find(FControls.begin(), FControls.end(), c);
    if (it == FControls.end()) return;
    FControls.erase(it);
    if (top) FControls.push_back(c);
    else FControls.insert(FControls.begin(), c);
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
        SetWindowPos(w->FHandle, top ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else
        c->Invalidate();
}

bool TWinControl::ContainsControl(const TControl* c) const {
    for (const TControl* p = c; p; p = p->Parent())
        if (p == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        const RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

bool TWinControl::CanFocus() const {
    TCustomForm* form = GetParentForm(this);
    if (!form) return false;
    for (const TControl* c = this; c; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) return false;
        if (c == form) break;
    }
    return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this)) form->FocusControl(this);
    else if (FParent) FParent->SetFocus();
    else ::SetFocus(Handle());
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    if (Root == this) TControl::GetChildren(Proc, Root);
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->Owner() == Root) Proc(c);
}

int TWinControl::TabOrder() const {
    if (!FParent) return -1;
    const auto& l = FParent->FTabList;
    auto it = std::find(l.begin(), l.end(), this);
    return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

void TWinControl::SetTabOrder(int v) {
    if (!FParent) return;
    auto& l = FParent->FTabList;
    auto it = std::find(l.begin(), l.end(), this);
    if (it == l.end()) return;
    l.erase(it);
    const int n = static_cast<int>(l.size());
    const int at = v < 0 || v > n ? n : v;
    l.insert(l.begin() + at, this);
}

void TWinControl::SetTabStop(bool v) {
    if (FTabStop == v) return;
    FTabStop = v;
    if (FHandle) {
        LONG s = GetWindowLongA(FHandle, GWL_STYLE);
        SetWindowLongA(FHandle, GWL_STYLE, v ? (s | WS_TABSTOP) : (s & ~static_cast<LONG>(WS_TABSTOP)));
    }
    Perform(CM_TABSTOPCHANGED);
}

void TWinControl::SetCtl3D(bool v) {
    if (FCtl3D == v) return;
    FCtl3D = v;
    FParentCtl3D = false;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetEnabled(bool v) {
    if (FEnabled == v) return;
    // Disabling the focused control moves the focus away first.
    if (!v && FHandle && (Focused() || IsChild(FHandle, GetFocus())))
        if (TCustomForm* f = GetParentForm(this); f && f != this) f->DefocusControl(this, false);
    TControl::SetEnabled(v);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (FConstraints) FConstraints->Constrain(AWidth, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    if (FHandle && !ComponentState().Contains(csLoading)) {
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateBounds();
    } else {
        FLeft = ALeft;
        FTop = ATop;
        FWidth = AWidth;
        FHeight = AHeight;
        if (FHandle) SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateBoundsFromParent();
    RequestAlign();
}

void TWinControl::UpdateBounds() {
    if (!FHandle) return;
    RECT r;
    GetWindowRect(FHandle, &r);
    POINT tl{r.left, r.top};
    if (FParent && FParent->FHandle) ::ScreenToClient(FParent->FHandle, &tl);
    FLeft = tl.x;
    FTop = tl.y;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
}

RECT TWinControl::ClientRect() const {
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return r;
    }
    return TControl::ClientRect();
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, (ControlStyle & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

bool TWinControl::Showing() const { return FHandle && IsWindowVisible(FHandle); }

void TWinControl::UpdateControlState() {
    if (!FHandle) {
        if (FVisible && FParent && FParent->HandleAllocated()) CreateHandle();
        return;
    }
    const bool vis = FVisible;
    if (vis != static_cast<bool>(GetWindowLongA(FHandle, GWL_STYLE) & WS_VISIBLE))
        ShowWindow(FHandle, vis ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::ReadState(TReader* Reader) {
    DisableAlign();
    try {
        TControl::ReadState(Reader);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || FRealigning) return;
    RECT r = ClientRect();
    FRealigning = true;
    try {
        AlignControls(nullptr, r);
    } catch (...) {
        FRealigning = false;
        throw;
    }
    FRealigning = false;
}

void TWinControl::AlignControls(TControl*, RECT& rect) {
    auto place = [&](TAlign which) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->Align() == which && c->Visible()) list.push_back(c);
        std::stable_sort(list.begin(), list.end(), [which](TControl* a, TControl* b) {
            switch (which) {
            case alTop: return a->Top() < b->Top();
            case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
            case alLeft: return a->Left() < b->Left();
            case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
            default: return false;
            }
        });
        for (TControl* c : list) {
            const int w = std::max(0, static_cast<int>(rect.right - rect.left));
            const int h = std::max(0, static_cast<int>(rect.bottom - rect.top));
            switch (which) {
            case alTop:
                c->SetBounds(rect.left, rect.top, w, c->Height());
                rect.top += c->Height();
                break;
            case alBottom:
                c->SetBounds(rect.left, rect.bottom - c->Height(), w, c->Height());
                rect.bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(rect.left, rect.top, c->Width(), h);
                rect.left += c->Width();
                break;
            case alRight:
                c->SetBounds(rect.right - c->Width(), rect.top, c->Width(), h);
                rect.right -= c->Width();
                break;
            case alClient: c->SetBounds(rect.left, rect.top, w, h); break;
            default: break;
            }
        }
    };
    place(alTop);
    place(alBottom);
    place(alLeft);
    place(alRight);
    place(alClient);
    // Anchored controls keep their distance to the right and bottom edges.
    if (ComponentState().Contains(csLoading)) return;
    const int cw = ClientWidth();
    const int ch = ClientHeight();
    for (TControl* c : FControls) {
        if (c->Align() != alNone) continue;
        const TAnchors a = c->Anchors();
        if (!(a & (akRight | akBottom))) continue;
        int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
        if (a & akRight) {
            if (a & akLeft) w = cw - c->FAnchorRight - l;
            else l = cw - c->FAnchorRight - w;
        }
        if (a & akBottom) {
            if (a & akTop) h = ch - c->FAnchorBottom - t;
            else t = ch - c->FAnchorBottom - h;
        }
        const int keepR = c->FAnchorRight, keepB = c->FAnchorBottom;
        c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
        c->FAnchorRight = keepR;
        c->FAnchorBottom = keepB;
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    for (TControl* c : FControls) c->UpdateBoundsFromParent();
    Realign();
}

void TWinControl::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
    for (TWinControl* c : FTabList) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* cur, bool forward, bool checkTabStop, bool checkParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int n = static_cast<int>(list.size());
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (list[static_cast<std::size_t>(i)] == cur) start = i;
    if (start < 0) start = forward ? n - 1 : 0;
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = forward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c == cur) break;
        if ((!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this) && c->CanFocus()) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* cur, bool forward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(cur, forward, checkTabStop, !checkTabStop)) next->SetFocus();
}

void TWinControl::Broadcast(TMessage& m) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
        c->WindowProc ? c->WindowProc(m) : c->WndProc(m);
        if (m.Result != 0) return;
    }
}

void TWinControl::DoControlMsg(HWND child, TMessage& m) {
    TWinControl* c = FindControl(child);
    if (c && c != this) {
        m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
    }
    DefaultHandler(m);
}

bool TWinControl::IsControlMouseMsg(TMessage& m) {
    TControl* c = nullptr;
    TControl* cap = GetCaptureControl();
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    if (cap && cap->Parent() == this && !dynamic_cast<TWinControl*>(cap)) c = cap;
    else if (!cap || cap == this) c = ControlAtPos(p, false);
    if (!c) return false;
    m.Result = c->Perform(m.Msg, m.WParam, MAKELPARAM(static_cast<WORD>(p.x - c->Left()), static_cast<WORD>(p.y - c->Top())));
    return true;
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_SETFOCUS:
        if (TCustomForm* f = GetParentForm(this); f && f != this && !f->SetFocusedControl(this)) return;
        break;
    case WM_KILLFOCUS:
        if (ControlState & csFocusing) return;
        break;
    default:
        if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
            if (m.Msg == WM_MOUSEMOVE && Application) Application->HintMouseMessage(this, m);
            if (IsControlMouseMsg(m)) return;
        }
        break;
    }
    TControl::WndProc(m);
}

void TWinControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: WMPaint(m); return;
    case WM_ERASEBKGND: WMEraseBkgnd(m); return;
    case WM_SETFOCUS: WMSetFocus(m); return;
    case WM_KILLFOCUS: WMKillFocus(m); return;
    case WM_SIZE: WMSize(m); return;
    case WM_MOVE: WMMove(m); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(m); return;
    case WM_SETCURSOR: WMSetCursor(m); return;
    case WM_NCDESTROY: WMNCDestroy(m); return;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: DoControlMsg(reinterpret_cast<HWND>(m.LParam), m); return;
    case WM_NOTIFY: {
        const auto* h = reinterpret_cast<const NMHDR*>(m.LParam);
        DoControlMsg(h ? h->hwndFrom : nullptr, m);
        return;
    }
    case WM_DRAWITEM: {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        DoControlMsg(d ? d->hwndItem : nullptr, m);
        return;
    }
    case WM_MEASUREITEM: {
        // The item's control is found by its identifier (the class library's windows use
        // their handle as identifier).
        const auto* mi = reinterpret_cast<const MEASUREITEMSTRUCT*>(m.LParam);
        DoControlMsg(mi && FHandle ? GetDlgItem(FHandle, static_cast<int>(mi->CtlID)) : nullptr, m);
        return;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!DoKeyDown(m)) DefaultHandler(m);
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (!DoKeyUp(m)) DefaultHandler(m);
        return;
    case WM_CHAR:
        if (!DoKeyPress(m)) DefaultHandler(m);
        return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(m); return;
    case CN_CHAR: CNChar(m); return;
    case CN_SYSCHAR:
        // Alt with a key: the hot key of a control of the form.
        m.Result = 0;
        if (!ComponentState().Contains(csDesigning))
            if (TCustomForm* f = GetParentForm(this); f && f->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) m.Result = 1;
        return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(m.WParam);
        SetTextColor(dc, ColorToRGB(FFont->Color()));
        SetBkColor(dc, ColorToRGB(FBrush->Color()));
        m.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
        return;
    }
    case CM_ENABLEDCHANGED:
        if (FHandle) EnableWindow(FHandle, FEnabled ? TRUE : FALSE);
        TControl::Dispatch(m);
        return;
    case CM_VISIBLECHANGED: UpdateControlState(); return;
    case CM_FONTCHANGED: {
        if (FHandle) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), TRUE);
        TMessage n{CM_PARENTFONTCHANGED, 0, 0, 0};
        for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(n.Msg);
        Invalidate();
        return;
    }
    case CM_COLORCHANGED: {
        FBrush->SetColor(FColor);
        for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCOLORCHANGED);
        Invalidate();
        return;
    }
    case CM_CTL3DCHANGED:
        for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTCTL3DCHANGED);
        return;
    case CM_PARENTCTL3DCHANGED:
        if (FParentCtl3D && FParent && FParent->Ctl3D() != FCtl3D) {
            FCtl3D = FParent->Ctl3D();
            Perform(CM_CTL3DCHANGED);
            FParentCtl3D = true;
        }
        return;
    case CM_SHOWHINTCHANGED:
        for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(CM_PARENTSHOWHINTCHANGED);
        return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    // Controls inside panels and group boxes hear of focus changes too (default buttons).
    case CM_FOCUSCHANGED: Broadcast(m); return;
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    case CM_TEXTCHANGED: return;
    default: TControl::Dispatch(m); return;
    }
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!FHandle) {
        TControl::DefaultHandler(m);
        return;
    }
    if (m.Msg >= WM_CTLCOLORMSGBOX && m.Msg <= WM_CTLCOLORSTATIC) {
        m.Result = SendMessageA(reinterpret_cast<HWND>(m.LParam), CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
    }
    if (m.Msg >= CM_BASE) return;  // component messages are the class library's own
    m.Result = CallWindowProcA(FDefWndProc ? FDefWndProc : &DefWindowProcA, FHandle, m.Msg, m.WParam, m.LParam);
}

void TWinControl::WMNCDestroy(TMessage& m) {
    DefaultHandler(m);
    if (FHandle) {
        RemovePropA(FHandle, MAKEINTATOM(ControlAtom()));
        RemovePropA(FHandle, MAKEINTATOM(WindowAtom()));
    }
    FHandle = nullptr;
}

void TWinControl::WMPaint(TMessage& m) {
    if (m.WParam) {
        PaintWindow(reinterpret_cast<HDC>(m.WParam));
        PaintControls(reinterpret_cast<HDC>(m.WParam), nullptr);
        return;
    }
    PaintHandler(m);
}

void TWinControl::PaintHandler(TMessage&) {
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(FHandle, &ps);
    if (dc) {
        PaintWindow(dc);
        PaintControls(dc, nullptr);
    }
    EndPaint(FHandle, &ps);
}

void TWinControl::PaintWindow(HDC DC) {
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* first) {
    bool started = first == nullptr;
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (c == first) started = true;
        if (!started || dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        const int saved = SaveDC(DC);
        POINT old{};
        GetViewportOrgEx(DC, &old);
        SetViewportOrgEx(DC, old.x + c->Left(), old.y + c->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        RestoreDC(DC, saved);
    }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
    const int saved = SaveDC(dc);
    SetViewportOrgEx(dc, x, y, nullptr);
    IntersectClipRect(dc, 0, 0, FWidth, FHeight);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->PaintTo(dc, x + w->Left(), y + w->Top());
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
    const HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc) {
        DefaultHandler(m);
        return;
    }
    const RECT r = ClientRect();
    FillRect(dc, &r, FBrush->Handle());
    m.Result = 1;
}

void TWinControl::WMSetFocus(TMessage& m) { DefaultHandler(m); }
void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

void TWinControl::WMSize(TMessage& m) {
    UpdateBounds();
    // The window's frame is known now: the size limits of a top-level window follow it.
    if (!FParent) detail::applyWindowConstraints(this);
    DefaultHandler(m);
    Realign();
    if (!ComponentState().Contains(csLoading)) Resize();
}

void TWinControl::WMMove(TMessage& m) {
    UpdateBounds();
    DefaultHandler(m);
}

void TWinControl::WMWindowPosChanged(TMessage& m) {
    DefaultHandler(m);
    UpdateBounds();
}

void TWinControl::WMSetCursor(TMessage& m) {
    if (reinterpret_cast<HWND>(m.WParam) == FHandle && m.LParamLo() == HTCLIENT) {
        int cursor = Screen ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
            POINT p;
            GetCursorPos(&p);
            ::ScreenToClient(FHandle, &p);
            TControl* c = ControlAtPos(p, false);
            cursor = c ? c->Cursor() : FCursor;
        }
        if (cursor != crDefault && Screen) {
            ::SetCursor(Screen->Cursors(cursor));
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

void TWinControl::CNKeyDown(TMessage& m) {
    m.Result = 1;
    // Menu shortcuts come before the control's own keys (and no character follows them).
    // Alt with Ctrl comes as WM_KEYDOWN without the Alt bit: its state is asked for.
    const TShiftState shift = KeyDataToShiftState(m.LParam) | (GetKeyState(VK_MENU) < 0 ? ssAlt : 0);
    if (TCustomForm* f = GetParentForm(this); f && f->IsShortCut(static_cast<WORD>(m.WParam), shift, this)) return;
    if (!ComponentState().Contains(csDesigning)) {
        if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
        if (ExecuteActionShortCut(this, static_cast<WORD>(m.WParam))) return;
        LRESULT mask = 0;
        switch (m.WParam) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        default: break;
        }
        if (mask != 0 && Perform(CM_WANTSPECIALKEY, m.WParam, m.LParam) == 0 &&
            (Perform(WM_GETDLGCODE) & mask) == 0)
            if (TCustomForm* f = GetParentForm(this); f && f->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) return;
    }
    m.Result = 0;
}

void TWinControl::CNChar(TMessage& m) {
    m.Result = 0;
    if (ComponentState().Contains(csDesigning)) return;
    if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0)
        if (TCustomForm* f = GetParentForm(this); f && f->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) m.Result = 1;
}

bool TWinControl::DoKeyDown(TMessage& m) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview() && f->DoKeyDown(m)) return true;
    WORD key = static_cast<WORD>(m.WParam);
    const TShiftState shift = KeyDataToShiftState(m.LParam);
    KeyDown(key, shift);
    m.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& m) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview() && f->DoKeyUp(m)) return true;
    WORD key = static_cast<WORD>(m.WParam);
    KeyUp(key, KeyDataToShiftState(m.LParam));
    m.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& m) {
    TCustomForm* f = GetParentForm(this);
    if (f && f != this && f->KeyPreview() && f->DoKeyPress(m)) return true;
    char key = static_cast<char>(m.WParam & 0xFF);
    KeyPress(key);
    // Only the character changes: what travels above it in wParam stays.
    m.WParam = (m.WParam & ~static_cast<WPARAM>(0xFFFF)) | static_cast<unsigned char>(key);
    return key == 0;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}
