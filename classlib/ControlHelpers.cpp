// Shift states, the mouse capture of controls, and finding controls by window and point.
#include "ControlState.h"
#include "classlib/Controls.h"
#include "classlib/Forms.h"

TControl* detail::captureControl = nullptr;

TShiftState KeysToShiftState(WORD keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (keyData & (static_cast<LPARAM>(1) << 29)) s |= ssAlt;
    return s;
}

TControl* GetCaptureControl() {
    if (detail::captureControl) {
        TWinControl* p = dynamic_cast<TWinControl*>(detail::captureControl);
        HWND h = p ? (p->HandleAllocated() ? p->Handle() : nullptr)
                   : (detail::captureControl->Parent() && detail::captureControl->Parent()->HandleAllocated()
                          ? detail::captureControl->Parent()->Handle()
                          : nullptr);
        if (!h || GetCapture() != h) detail::captureControl = nullptr;
    }
    if (!detail::captureControl) {
        if (HWND c = GetCapture()) return TWinControl::FindControl(c);
    }
    return detail::captureControl;
}

void SetCaptureControl(TControl* control) {
    ReleaseCapture();
    detail::captureControl = nullptr;
    if (!control) return;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        SetCapture(w->Handle());
        return;
    }
    if (control->Parent()) {
        detail::captureControl = control;
        SetCapture(control->Parent()->Handle());
    }
}

TCustomForm* GetParentForm(const TControl* control) {
    const TControl* c = control;
    while (c && c->Parent()) c = c->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

TControl* FindDragTarget(POINT pos, bool allowDisabled) {
    HWND h = WindowFromPoint(pos);
    TWinControl* w = nullptr;
    while (h && !(w = TWinControl::FindControl(h))) h = GetParent(h);
    if (!w) return nullptr;
    POINT p = pos;
    ::ScreenToClient(w->Handle(), &p);
    if (TControl* c = w->ControlAtPos(p, allowDisabled)) return c;
    return w;
}

TControl* FindVCLWindow(POINT pos) {
    HWND h = WindowFromPoint(pos);
    while (h) {
        if (TWinControl* w = TWinControl::FindControl(h)) return w;
        h = GetParent(h);
    }
    return nullptr;
}
