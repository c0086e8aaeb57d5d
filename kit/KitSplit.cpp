// The splitter: resize mode from the controls' alignments, the drag with its XOR line on the
// form's overlay, Escape through the application's message filter, and the new size.
#include "kit/KitSplit.h"

#include "classlib/Filer.h"
#include "platform/winpaint.h"

#include <algorithm>

namespace {

bool sideAligned(TAlign a) { return a == alTop || a == alBottom || a == alLeft || a == alRight; }

}  // namespace

TKitSplitter::TKitSplitter(TComponent* AOwner) : TCustomPanel(AOwner) {
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csOpaque | csDoubleClicks;
    SetBounds(Left(), Top(), 185, 3);
    SetParentCtl3D(false);
    SetCtl3D(false);
    SetBevelOuter(bvNone);
}

TKitSplitter::~TKitSplitter() {
    if (FDragging) EndDrag(false, FPress);
}

// ---- Properties ------------------------------------------------------------------------------

void TKitSplitter::SetControlFirst(TControl* Value) {
    // Neither itself nor a form can be resized by a splitter.
    if (Value == this || dynamic_cast<TCustomForm*>(Value)) Value = nullptr;
    if (Value == FControlFirst) return;
    if (FControlFirst && FControlFirst != FControlSecond) FControlFirst->RemoveFreeNotification(this);
    FControlFirst = Value;
    if (Value) Value->FreeNotification(this);
    UpdateCursor();
}

void TKitSplitter::SetControlSecond(TControl* Value) {
    if (Value == this || dynamic_cast<TCustomForm*>(Value)) Value = nullptr;
    if (Value == FControlSecond) return;
    if (FControlSecond && FControlSecond != FControlFirst) FControlSecond->RemoveFreeNotification(this);
    FControlSecond = Value;
    if (Value) Value->FreeNotification(this);
    UpdateCursor();
}

void TKitSplitter::SetAlign(TAlign Value) {
    const TAlign old = TControl::Align();
    if (sideAligned(old)) {
        TControl::SetAlign(Value);
        UpdateCursor();
        return;
    }
    TControl::SetAlign(Value);
    const bool loading = ComponentState().Contains(csLoading) || ComponentState().Contains(csReading);
    if (!loading) {
        if (Value == alTop || Value == alBottom) SetHeight(3);
        if (Value == alLeft || Value == alRight) SetWidth(3);
    }
    if (!FControlFirst && !FControlSecond && Parent() && sideAligned(Value)) {
        // The sibling just beyond the splitter's edge.
        POINT p{Left() + Width() / 2, Top() + Height() / 2};
        switch (Value) {
        case alTop: p.y = Top() - 1; break;
        case alBottom: p.y = Top() + Height(); break;
        case alLeft: p.x = Left() - 1; break;
        case alRight: p.x = Left() + Width(); break;
        default: break;
        }
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            TControl* c = Parent()->Controls(i);
            if (c == this || !c->Visible()) continue;
            const RECT r = c->BoundsRect();
            if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
                SetControlFirst(c);
                break;
            }
        }
    }
    UpdateCursor();
}

void TKitSplitter::DefineProperties(TFiler* Filer) {
    TCustomPanel::DefineProperties(Filer);
    // Older layouts carry one limit for both edges.
    Filer->DefineProperty(
        "LimitOffset",
        [this](TReader* Reader) {
            const int v = static_cast<int>(Reader->ReadInteger());
            FTopLeftLimit = v;
            FBottomRightLimit = v;
        },
        [this](TWriter* Writer) { Writer->WriteInteger(FTopLeftLimit); }, true);
}

void TKitSplitter::Loaded() {
    TCustomPanel::Loaded();
    UpdateCursor();
}

void TKitSplitter::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    bool changed = false;
    if (AComponent == FControlFirst) {
        FControlFirst = nullptr;
        changed = true;
    }
    if (AComponent == FControlSecond) {
        FControlSecond = nullptr;
        changed = true;
    }
    if (!changed) return;
    if (FDragging) EndDrag(false, FPress);
    if (!ComponentState().Contains(csDestroying)) UpdateCursor();
}

// ---- Resize mode -----------------------------------------------------------------------------

TKitSplitter::TResizeMode TKitSplitter::ResizeMode() const {
    if (!FControlFirst) return rmNone;
    const TAlign a1 = FControlFirst->Align();
    const bool secondClient = !FControlSecond || FControlSecond->Align() == alClient;
    const TAlign a2 = FControlSecond ? FControlSecond->Align() : alNone;
    TResizeMode mode = rmNone;
    TControl* resized = nullptr;
    if (a1 == alTop && secondClient) {
        mode = rmFirstHeight;
        resized = FControlFirst;
    } else if (a1 == alBottom && secondClient) {
        mode = rmSecondHeight;
        resized = FControlFirst;
    } else if (a1 == alClient && (a2 == alBottom || a2 == alTop)) {
        mode = rmSecondHeight;
        resized = FControlSecond;
    } else if (a1 == alLeft && secondClient) {
        mode = rmFirstWidth;
        resized = FControlFirst;
    } else if (a1 == alRight && secondClient) {
        mode = rmSecondWidth;
        resized = FControlFirst;
    } else if (a1 == alClient && (a2 == alRight || a2 == alLeft)) {
        mode = rmSecondWidth;
        resized = FControlSecond;
    }
    // The splitter must sit on the same side as the control it resizes.
    if (!resized || resized->Align() != Align()) return rmNone;
    return mode;
}

TControl* TKitSplitter::ResizedControl() const {
    switch (ResizeMode()) {
    case rmFirstHeight:
    case rmFirstWidth: return FControlFirst;
    case rmSecondHeight:
    case rmSecondWidth: return FControlFirst->Align() == alClient ? FControlSecond : FControlFirst;
    default: return nullptr;
    }
}

bool TKitSplitter::Vertical() const { return FMode == rmFirstHeight || FMode == rmSecondHeight; }

TCursor TKitSplitter::SplitCursor() const {
    switch (ResizeMode()) {
    case rmFirstHeight:
    case rmSecondHeight: return crVSplit;
    case rmFirstWidth:
    case rmSecondWidth: return crHSplit;
    default: return crDefault;
    }
}

void TKitSplitter::UpdateCursor() { SetCursor(SplitCursor()); }

void TKitSplitter::ShowDragCursor(bool Forbidden) {
    if (Forbidden == FForbidden) return;
    FForbidden = Forbidden;
    if (Screen) ::SetCursor(Screen->Cursors(Forbidden ? crNoDrop : SplitCursor()));
}

// ---- Dragging --------------------------------------------------------------------------------

POINT TKitSplitter::Clamp(POINT P) const {
    P.x = std::max<LONG>(FLimits.left, std::min<LONG>(P.x, FLimits.right));
    P.y = std::max<LONG>(FLimits.top, std::min<LONG>(P.y, FLimits.bottom));
    return P;
}

POINT TKitSplitter::ToForm(POINT P) const {
    const POINT screen = ClientToScreen(P);
    if (TCustomForm* form = GetParentForm(this)) return form->ScreenToClient(screen);
    return P;
}

void TKitSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || FDragging || ComponentState().Contains(csDesigning) || !Parent()) return;
    FMode = ResizeMode();
    if (FMode == rmNone) return;
    TCustomForm* form = GetParentForm(this);
    if (!form) return;
    FDragging = true;
    FForbidden = false;
    if (Application) {
        FOldShowHint = Application->ShowHint;
        Application->ShowHint = false;
        // Escape is caught before any control sees it, whichever has the focus meanwhile.
        FOldOnMessage = Application->OnMessage;
        FOwnOnMessage = TMessageEvent(this, &TKitSplitter::AppMessage);
        Application->OnMessage = FOwnOnMessage;
    }
    SetMouseCapture(true);
    FPress = POINT{X, Y};
    FLastAllowed = FPress;
    // The parent's client rectangle in the splitter's coordinates, less the limits.
    const RECT client = Parent()->ClientRect();
    FLimits = RECT{client.left - Left() + FTopLeftLimit, client.top - Top() + FTopLeftLimit,
                   client.right - Left() - FBottomRightLimit, client.bottom - Top() - FBottomRightLimit};
    // The line runs across the parent's client area, in the form's coordinates.
    const POINT topLeft = form->ScreenToClient(Parent()->ClientToScreen(POINT{client.left, client.top}));
    FLineArea = RECT{topLeft.x, topLeft.y, topLeft.x + (client.right - client.left),
                     topLeft.y + (client.bottom - client.top)};
    FFormWnd = form->Handle();
    // Without DCX_CLIPCHILDREN the drawing lands on the window's overlay, above its children.
    FDC = GetDCEx(FFormWnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    const int thickness = Vertical() ? Height() : Width();
    FPen = CreatePen(PS_SOLID, std::max(2, thickness - 2), RGB(255, 255, 255));
    if (FDC) {
        FOldPen = SelectObject(FDC, FPen);
        SetROP2(FDC, R2_XORPEN);
    }
    FLinePos = ToForm(POINT{Width() / 2, Height() / 2});
    FLineDrawn = false;
    DrawLine();
}

void TKitSplitter::DrawLine() {
    if (!FDC) return;
    // Drawing the same line twice removes it.
    if (Vertical()) {
        const int y = std::clamp<int>(FLinePos.y, FLineArea.top, std::max(FLineArea.top, FLineArea.bottom - 1));
        MoveToEx(FDC, FLineArea.left, y, nullptr);
        LineTo(FDC, FLineArea.right, y);
    } else {
        const int x = std::clamp<int>(FLinePos.x, FLineArea.left, std::max(FLineArea.left, FLineArea.right - 1));
        MoveToEx(FDC, x, FLineArea.top, nullptr);
        LineTo(FDC, x, FLineArea.bottom);
    }
    FLineDrawn = !FLineDrawn;
}

void TKitSplitter::MoveLine(POINT Clamped) {
    const POINT centre = ToForm(POINT{Width() / 2 + Clamped.x - FPress.x, Height() / 2 + Clamped.y - FPress.y});
    if (Vertical() ? centre.y == FLinePos.y : centre.x == FLinePos.x) return;
    if (FLineDrawn) DrawLine();
    FLinePos = centre;
    DrawLine();
}

void TKitSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseMove(Shift, X, Y);
    if (!FDragging || !MouseCapture()) return;
    bool allowed = true;
    OnPosChanging(this, X, Y, allowed);
    if (!FDragging) return;  // the handler ended the drag
    if (!allowed) {
        ShowDragCursor(true);
        return;
    }
    const POINT clamped = Clamp(POINT{X, Y});
    ShowDragCursor(Vertical() ? clamped.y != Y : clamped.x != X);
    FLastAllowed = clamped;
    MoveLine(clamped);
}

void TKitSplitter::CancelDrag() {
    if (FDragging) EndDrag(false, FPress);
}

void TKitSplitter::AppMessage(MSG& Msg, bool& Handled) {
    if (FDragging && Msg.message == WM_KEYDOWN && Msg.wParam == VK_ESCAPE) {
        Handled = true;
        EndDrag(false, FPress);
        return;
    }
    // Everything else goes to whoever watched the messages before the drag.
    if (FOldOnMessage) FOldOnMessage(Msg, Handled);
}

void TKitSplitter::Dispatch(TMessage& Message) {
    // The release ends the drag before the base lets the capture go.
    if (Message.Msg == WM_LBUTTONUP && FDragging)
        EndDrag(true, POINT{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
    // A capture taken away (another window, a message box) ends the drag unapplied.
    if (Message.Msg == WM_CAPTURECHANGED && FDragging && reinterpret_cast<HWND>(Message.LParam) != Handle()) {
        TCustomPanel::Dispatch(Message);
        if (FDragging) EndDrag(false, FPress);
        return;
    }
    TCustomPanel::Dispatch(Message);
}

void TKitSplitter::EndDrag(bool Apply, POINT Release) {
    if (!FDragging) return;
    FDragging = false;  // nothing below starts a second end
    if (MouseCapture()) SetMouseCapture(false);
    bool allowed = true;
    if (Apply) OnPosChanging(this, Release.x, Release.y, allowed);
    if (FDC) {
        if (FLineDrawn) DrawLine();
        SelectObject(FDC, FOldPen);
        ReleaseDC(FFormWnd, FDC);
    }
    FDC = nullptr;
    FLineDrawn = false;
    if (FPen) DeleteObject(FPen);
    FPen = nullptr;
    if (Apply) ApplyOffset(allowed ? Clamp(Release) : FLastAllowed);
    if (Application) {
        Application->ShowHint = FOldShowHint;
        // Someone who replaced the filter meanwhile keeps it.
        if (Application->OnMessage == FOwnOnMessage) Application->OnMessage = FOldOnMessage;
    }
    FOldOnMessage = TMessageEvent();
    FOwnOnMessage = TMessageEvent();
    if (Screen) ::SetCursor(Screen->Cursors(SplitCursor()));
    FForbidden = false;
    if (Apply) OnPosChanged(this);
}

void TKitSplitter::ApplyOffset(POINT Point) {
    TControl* resized = ResizedControl();
    TWinControl* parent = Parent();
    if (!resized || !parent || ResizeMode() != FMode) return;
    const bool vertical = Vertical();
    int offset = vertical ? Point.y - FPress.y : Point.x - FPress.x;
    if (resized->Align() == alBottom || resized->Align() == alRight) offset = -offset;
    // The parent's extent along the axis, less the other controls aligned on that axis.
    const RECT client = parent->ClientRect();
    int free = vertical ? client.bottom - client.top : client.right - client.left;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == resized || !c->Visible()) continue;
        if (vertical && (c->Align() == alTop || c->Align() == alBottom)) free -= c->Height();
        if (!vertical && (c->Align() == alLeft || c->Align() == alRight)) free -= c->Width();
    }
    int size = (vertical ? resized->Height() : resized->Width()) + offset;
    if (size >= free) size = free - 3;
    size = std::max(1, size);
    // A control aligned to the bottom or right keeps its far edge, so that it keeps its
    // place among the other controls aligned to that side.
    const RECT b = resized->BoundsRect();
    parent->DisableAlign();
    try {
        if (vertical && resized->Align() == alBottom)
            resized->SetBounds(b.left, b.bottom - size, b.right - b.left, size);
        else if (vertical)
            resized->SetHeight(size);
        else if (resized->Align() == alRight)
            resized->SetBounds(b.right - size, b.top, size, b.bottom - b.top);
        else
            resized->SetWidth(size);
    } catch (...) {
        parent->EnableAlign();
        throw;
    }
    parent->EnableAlign();
}

void RegisterKitSplit() {
    RegisterStandardClasses();
    RegisterClasses<TKitSplitter>();
}
