// TControl and the cursor identifiers.
#include "ControlState.h"
#include "classlib/ActnList.h"
#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "platform/gdi.h"

#include <algorithm>

// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    InitApplication();
    RegisterCursorIdents();
    FFont = new TFont;
    FFont->OnChange = TNotifyEvent([this](TObject*) { FontChanged(); });
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FConstraints = new TSizeConstraints(this);
}

TControl::~TControl() {
    detail::dragControlDestroyed(this);
    if (detail::captureControl == this) detail::captureControl = nullptr;
    if (Application) Application->ControlDestroyed(this);
    SetParent(nullptr);
    delete FFont;
    FFont = nullptr;
    delete FConstraints;
    FConstraints = nullptr;
    delete FActionLink;
    FActionLink = nullptr;
}

void TControl::SetParent(TWinControl* AParent) {
    if (FParent == AParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (FConstraints) FConstraints->Constrain(AWidth, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    // The place the control leaves is the parent's again: erased there even under an opaque
    // control, or what it showed stays where it no longer covers.
    if (FVisible && FParent && FParent->HandleAllocated()) {
        const RECT old = BoundsRect();
        InvalidateRect(FParent->Handle(), &old, TRUE);
    }
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    UpdateBoundsFromParent();
    Invalidate();
    RequestAlign();
    if (!ComponentState().Contains(csLoading)) Resize();
}

void TControl::UpdateBoundsFromParent() {
    if (!FParent) return;
    FAnchorRight = FParent->ClientWidth() - (FLeft + FWidth);
    FAnchorBottom = FParent->ClientHeight() - (FTop + FHeight);
}

RECT TControl::ClientRect() const { return RECT{0, 0, FWidth, FHeight}; }

int TControl::ClientWidth() const {
    const RECT r = ClientRect();
    return r.right - r.left;
}

int TControl::ClientHeight() const {
    const RECT r = ClientRect();
    return r.bottom - r.top;
}

void TControl::SetClientWidth(int v) { SetWidth(FWidth - ClientWidth() + v); }
void TControl::SetClientHeight(int v) { SetHeight(FHeight - ClientHeight() + v); }

POINT TControl::ClientToScreen(POINT p) const {
    if (auto* w = dynamic_cast<const TWinControl*>(this)) {
        if (w->HandleAllocated()) {
            ::ClientToScreen(const_cast<TWinControl*>(w)->Handle(), &p);
            return p;
        }
    }
    if (FParent) return FParent->ClientToScreen(POINT{p.x + FLeft, p.y + FTop});
    return POINT{p.x + FLeft, p.y + FTop};
}

POINT TControl::ScreenToClient(POINT p) const {
    const POINT o = ClientToScreen(POINT{0, 0});
    return POINT{p.x - o.x, p.y - o.y};
}

void TControl::SetAlign(TAlign v) {
    if (FAlign == v) return;
    FAlign = v;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (FParent) FParent->Realign();
}

void TControl::SetVisible(bool v) {
    if (FVisible == v) return;
    VisibleChanging();
    FVisible = v;
    Perform(CM_VISIBLECHANGED, v ? 1 : 0);
    RequestAlign();
}

void TControl::SetEnabled(bool v) {
    if (FEnabled == v) return;
    FEnabled = v;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetFont(TFont* v) {
    if (v && v != FFont) FFont->Assign(v);
}

void TControl::FontChanged() {
    FParentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool v) {
    if (FParentFont == v) return;
    FParentFont = v;
    if (v && FParent) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetColor(int v) {
    if (FColor == v) return;
    FColor = v;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool v) {
    if (FParentColor == v) return;
    FParentColor = v;
    if (v && FParent) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetCursor(int v) {
    if (FCursor == v) return;
    FCursor = v;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetShowHint(bool v) {
    FShowHint = v;
    FParentShowHint = false;
}

void TControl::SetParentShowHint(bool v) {
    FParentShowHint = v;
    if (v && FParent) FShowHint = FParent->ShowHint();
}

String TControl::GetText() const {
    auto* self = const_cast<TControl*>(this);
    const LRESULT len = self->Perform(WM_GETTEXTLENGTH);
    if (len <= 0) return String();
    std::string buf(static_cast<std::size_t>(len) + 1, '\0');
    const LRESULT n = self->Perform(WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, len)));
    return buf;
}

void TControl::SetTextValue(const String& v) { Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(v.c_str())); }

void TControl::SetText(const String& v) {
    if (GetText() == v) return;
    SetTextValue(v);
    Perform(CM_TEXTCHANGED);
}

void TControl::SetPopupMenu(TComponent* v) {
    if (FPopupMenu == v) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = v;
    if (v) v->FreeNotification(this);
}

void TControl::SetBiDiMode(TBiDiMode v) {
    if (FBiDiMode == v) return;
    FBiDiMode = v;
    Perform(CM_BIDIMODECHANGED);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc) WindowProc(m);
    else WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // A press on a control that drags by itself starts a drag instead of a click.
        if (FDragMode == dmAutomatic && FDragKind == dkDrag && !Dragging()) {
            BeginDrag(MouseDragSettings().DragImmediate, MouseDragSettings().DragThreshold);
            return;
        }
        if (ControlStyle & csCaptureMouse) SetMouseCapture(true);
        if (ControlStyle & csClickEvents) ControlState |= csClicked;
        ControlState |= csLButtonDown;
        break;
    case WM_LBUTTONUP: ControlState &= ~csLButtonDown; break;
    case WM_MOUSEMOVE:
        if (Application) Application->HintMouseMessage(this, m);
        break;
    default: break;
    }
    Dispatch(m);
}

void TControl::DoMouseDown(TMessage& m, TMouseButton Button, TShiftState Shift) {
    MouseDown(Button, KeysToShiftState(static_cast<WORD>(m.WParam)) | Shift, GET_X_LPARAM(m.LParam),
              GET_Y_LPARAM(m.LParam));
}

void TControl::DoMouseUp(TMessage& m, TMouseButton Button) {
    MouseUp(Button, KeysToShiftState(static_cast<WORD>(m.WParam)), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::Dispatch(TMessage& m) {
    // Mouse messages go to the default handling first, then to the events.
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        DefaultHandler(m);
        DoMouseDown(m, mbLeft, 0);
        return;
    case WM_LBUTTONDBLCLK:
        DefaultHandler(m);
        if (ControlStyle & csDoubleClicks) {
            DblClick();
            DoMouseDown(m, mbLeft, ssDouble);
        } else {
            DoMouseDown(m, mbLeft, 0);
        }
        return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        DefaultHandler(m);
        DoMouseDown(m, mbRight, m.Msg == WM_RBUTTONDBLCLK ? ssDouble : 0);
        return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        DefaultHandler(m);
        DoMouseDown(m, mbMiddle, m.Msg == WM_MBUTTONDBLCLK ? ssDouble : 0);
        return;
    case WM_LBUTTONUP: {
        DefaultHandler(m);
        if (ControlStyle & csCaptureMouse) SetMouseCapture(false);
        if (ControlState & csClicked) {
            ControlState &= ~csClicked;
            const RECT r = ClientRect();
            if (PtInRect(&r, POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)})) Click();
        }
        DoMouseUp(m, mbLeft);
        return;
    }
    case WM_RBUTTONUP:
        DefaultHandler(m);
        DoMouseUp(m, mbRight);
        return;
    case WM_MBUTTONUP:
        DefaultHandler(m);
        DoMouseUp(m, mbMiddle);
        return;
    case WM_MOUSEMOVE:
        DefaultHandler(m);
        MouseMove(KeysToShiftState(static_cast<WORD>(m.WParam)), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        return;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: Invalidate(); return;
    case CM_VISIBLECHANGED:
        if (FParent && FParent->HandleAllocated()) {
            const RECT r = BoundsRect();
            InvalidateRect(FParent->Handle(), &r, TRUE);
        }
        return;
    case CM_PARENTFONTCHANGED:
        if (FParentFont && FParent) {
            FFont->Assign(FParent->Font());
            FParentFont = true;
        }
        return;
    case CM_PARENTCOLORCHANGED:
        if (FParentColor && FParent) {
            const int c = FParent->Color();
            if (c != FColor) {
                FColor = c;
                Perform(CM_COLORCHANGED);
            }
            FParentColor = true;
        }
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (FParentShowHint && FParent) FShowHint = FParent->ShowHint();
        return;
    case CM_HITTEST: m.Result = HTCLIENT; return;
    case CM_DRAG: detail::dragMessage(this, m); return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: return;
    default: DefaultHandler(m); return;
    }
}

void TControl::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case WM_GETTEXT: {
        if (!m.LParam || m.WParam == 0) {
            m.Result = 0;
            return;
        }
        const std::size_t n = std::min<std::size_t>(FText.size(), m.WParam - 1);
        auto* out = reinterpret_cast<char*>(m.LParam);
        std::copy_n(FText.data(), n, out);
        out[n] = 0;
        m.Result = static_cast<LRESULT>(n);
        return;
    }
    case WM_GETTEXTLENGTH: m.Result = static_cast<LRESULT>(FText.size()); return;
    case WM_SETTEXT:
        FText = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
        m.Result = 1;
        return;
    default: return;
    }
}

void TControl::Invalidate() {
    if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
    const RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, (ControlStyle & csOpaque) ? FALSE : TRUE);
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (FParent) FParent->SetZOrderOf(this, true);
}

void TControl::SendToBack() {
    if (FParent) FParent->SetZOrderOf(this, false);
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool v) {
    if (MouseCapture() == v) return;
    if (v) SetCaptureControl(this);
    else SetCaptureControl(nullptr);
}

void TControl::Click() {
    // A click that is the linked action's runs the action.
    if (FActionLink && detail::clickRunsAction(this)) return;
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

HWND TControl::ParentHandle() const { return FParent ? FParent->Handle() : nullptr; }

void RegisterCursorIdents() {
    static const bool done = [] {
        RegisterIdentMap("TCursor", {{crDefault, "crDefault"},     {crNone, "crNone"},         {crArrow, "crArrow"},
                                     {crCross, "crCross"},         {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"},
                                     {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
                                     {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
                                     {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},
                                     {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},   {crNo, "crNo"},
                                     {crAppStart, "crAppStart"},   {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
                                     {crSizeAll, "crSizeAll"}});
        return true;
    }();
    (void)done;
}
