// The progress bar control.
#include "classlib/ComCtrls.h"
#include "platform/commctrl.h"

#include <algorithm>

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = GetSystemMetrics(SM_CYVSCROLL);
    ControlStyle &= ~(csClickEvents | csDoubleClicks | csSetCaption);
}

void TProgressBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    CreateSubClass(p, PROGRESS_CLASSA);
    if (FSmooth) p.Style |= PBS_SMOOTH;
    if (FOrientation == pbVertical) p.Style |= PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
    SendMessageA(FHandle, PBM_SETSTEP, static_cast<WPARAM>(FStep), 0);
    SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::DestroyWnd() {
    FPosition = static_cast<int>(SendMessageA(FHandle, PBM_GETPOS, 0, 0));
    TWinControl::DestroyWnd();
}

void TProgressBar::Loaded() {
    TWinControl::Loaded();
    if (FMax < FMin) std::swap(FMin, FMax);
    FPosition = std::clamp(FPosition, FMin, FMax);
    if (FHandle) {
        SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
        SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
    }
}

void TProgressBar::SetParams(int AMin, int AMax) {
    if (AMax < AMin && !ComponentState().Contains(csLoading))
        throw EInvalidOperation(SPropertyOutOfRange, {String(metaObject()->className())});
    if (FMin == AMin && FMax == AMax) return;
    FMin = AMin;
    FMax = AMax;
    if (ComponentState().Contains(csLoading)) return;
    FPosition = std::clamp(FPosition, FMin, FMax);
    if (FHandle) SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TProgressBar::SetMin(int v) { SetParams(v, FMax); }
void TProgressBar::SetMax(int v) { SetParams(FMin, v); }

int TProgressBar::Position() {
    if (FHandle) FPosition = static_cast<int>(SendMessageA(FHandle, PBM_GETPOS, 0, 0));
    return FPosition;
}

void TProgressBar::SetPosition(int v) {
    FPosition = ComponentState().Contains(csLoading) ? v : std::clamp(v, FMin, FMax);
    if (FHandle) SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetStep(int v) {
    FStep = v;
    if (FHandle) SendMessageA(FHandle, PBM_SETSTEP, static_cast<WPARAM>(v), 0);
}

void TProgressBar::SetSmooth(bool v) {
    if (FSmooth == v) return;
    FSmooth = v;
    RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation v) {
    if (FOrientation == v) return;
    FOrientation = v;
    // The bar turns with its direction.
    if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TProgressBar::StepIt() {
    if (FHandle) SendMessageA(FHandle, PBM_STEPIT, 0, 0);
    else FPosition = platform::progressStepped(FPosition, FStep, FMin, FMax);
}

void TProgressBar::StepBy(int Delta) {
    if (FHandle) SendMessageA(FHandle, PBM_DELTAPOS, static_cast<WPARAM>(Delta), 0);
    else FPosition = std::clamp(FPosition + Delta, FMin, FMax);
}
