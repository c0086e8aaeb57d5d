// Panels and timers.
#include "classlib/ExtCtrls.h"
#include "platform/codepage.h"

void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width) {
    canvas->Pen()->SetWidth(1);
    --rect.bottom;
    --rect.right;
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topColor);
        canvas->Polyline({POINT{rect.left, rect.bottom}, POINT{rect.left, rect.top}, POINT{rect.right, rect.top}});
        canvas->Pen()->SetColor(bottomColor);
        canvas->Polyline({POINT{rect.right, rect.top}, POINT{rect.right, rect.bottom}, POINT{rect.left - 1, rect.bottom}});
        InflateRect(&rect, -1, -1);
    }
    ++rect.bottom;
    ++rect.right;
}

// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                   csReplicatable;
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
}

void TCustomPanel::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.Style |= WS_CLIPCHILDREN;
    if (FBorderStyle == bsSingle) {
        if (NewStyleControls && FCtl3D) p.ExStyle |= WS_EX_CLIENTEDGE;
        else p.Style |= WS_BORDER;
    }
    p.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
    if (FBevelInner == v) return;
    FBevelInner = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
    if (FBevelOuter == v) return;
    FBevelOuter = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int v) {
    if (FBevelWidth == v) return;
    FBevelWidth = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int v) {
    if (FBorderWidth == v) return;
    FBorderWidth = v;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TFormBorderStyle v) {
    if (FBorderStyle == v) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    Invalidate();
}

void TCustomPanel::AlignControls(TControl* c, RECT& r) {
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    InflateRect(&r, -inset, -inset);
    TCustomControl::AlignControls(c, r);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    auto colours = [](TBevelCut cut, TColor& top, TColor& bottom) {
        top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    c->Brush()->SetColor(FColor);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    TColor top, bottom;
    if (FBevelOuter != bvNone) {
        colours(FBevelOuter, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    Frame3D(c, r, FColor, FColor, FBorderWidth);
    if (FBevelInner != bvNone) {
        colours(FBevelInner, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    const String caption = GetText();
    if (caption.empty()) return;
    c->SetFont(FFont);
    c->Brush()->SetStyle(bsClear);
    HDC dc = c->Handle();
    c->TextExtent(" ");
    SetBkMode(dc, TRANSPARENT);
    const std::u16string text = platform::ansiToWide(caption);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
}

void TCustomPanel::Dispatch(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TCustomControl::Dispatch(m);
}

// TTimer

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    FWindowHandle = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TTimer::~TTimer() {
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindowHandle);
}

void TTimer::UpdateTimer() {
    KillTimer(FWindowHandle, 1);
    if (FInterval != 0 && FEnabled && FOnTimer) SetTimer(FWindowHandle, 1, FInterval, nullptr);
}

void TTimer::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned v) {
    if (v == FInterval) return;
    FInterval = v;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent v) {
    FOnTimer = v;
    UpdateTimer();
}

void TTimer::Timer() {
    if (FOnTimer) FOnTimer(this);
}

void TTimer::WndProc(TMessage& m) {
    if (m.Msg == WM_TIMER) {
        try {
            Timer();
        } catch (std::exception& e) {
            if (Application) Application->HandleException(this, e);
        }
        return;
    }
    m.Result = DefWindowProcA(FWindowHandle, m.Msg, m.WParam, m.LParam);
}

