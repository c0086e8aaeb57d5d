// The up-down control.
#include "classlib/ComCtrls.h"

TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = GetSystemMetrics(SM_CXVSCROLL);
    FHeight = GetSystemMetrics(SM_CYVSCROLL) * 2;
    ControlStyle = csCaptureMouse | csFixedWidth | csDoubleClicks;
}

void TCustomUpDown::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, UPDOWN_CLASSA);
    if (FArrowKeys) p.Style |= UDS_ARROWKEYS;
    if (FOrientation == udHorizontal) p.Style |= UDS_HORZ;
    if (FWrap) p.Style |= UDS_WRAP;
    p.Style |= UDS_NOTHOUSANDS;
    if (FAssociate) p.Style |= UDS_SETBUDDYINT;
}

void TCustomUpDown::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
    SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
    if (FAssociate && FAssociate->HandleAllocated())
        SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
}

void TCustomUpDown::SetMin(int v) {
    if (FMin == v) return;
    FMin = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TCustomUpDown::SetMax(int v) {
    if (FMax == v) return;
    FMax = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TCustomUpDown::Position() {
    if (FHandle) FPosition = static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
    return FPosition;
}

void TCustomUpDown::SetPosition(int v) {
    FPosition = v;
    if (FHandle) SendMessageA(FHandle, UDM_SETPOS32, 0, v);
}

void TCustomUpDown::SetIncrement(int v) { FIncrement = v; }

void TCustomUpDown::SetOrientation(TUDOrientation v) {
    if (FOrientation == v) return;
    FOrientation = v;
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TCustomUpDown::SetWrap(bool v) {
    if (FWrap == v) return;
    FWrap = v;
    RecreateWnd();
}

void TCustomUpDown::SetArrowKeys(bool v) {
    if (FArrowKeys == v) return;
    FArrowKeys = v;
    RecreateWnd();
}

void TCustomUpDown::SetAssociate(TWinControl* v) {
    if (FAssociate == v) return;
    if (FAssociate) FAssociate->RemoveFreeNotification(this);
    FAssociate = v;
    if (v) {
        v->FreeNotification(this);
        // The up-down control sits at the right edge of its associate.
        if (v->Parent() == FParent && FParent) SetBounds(v->Left() + v->Width(), v->Top(), FWidth, v->Height());
    }
    RecreateWnd();
    if (v) v->SetText(std::to_string(FPosition));
}

void TCustomUpDown::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

bool TCustomUpDown::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TCustomUpDown::Click(TUDBtnType button) {
    if (OnClick) OnClick(this, button);
}

void TCustomUpDown::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_NOTIFY: {
        const auto* nm = reinterpret_cast<NMUPDOWN*>(m.LParam);
        if (nm && nm->hdr.code == UDN_DELTAPOS) {
            m.Result = CanChange() ? 0 : 1;
            // The step is the increment.
            if (m.Result == 0) reinterpret_cast<NMUPDOWN*>(m.LParam)->iDelta = nm->iDelta * FIncrement;
        }
        return;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
        if (m.WParamLo() == SB_THUMBPOSITION) {
            const int pos = static_cast<SHORT>(m.WParamHi());
            if (pos > FPosition) Click(btNext);
            else if (pos < FPosition) Click(btPrev);
            FPosition = pos;
        }
        return;
    default: TWinControl::Dispatch(m); return;
    }
}

