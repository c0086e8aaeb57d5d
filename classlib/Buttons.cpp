// Speed buttons.
#include "classlib/Buttons.h"
#include "platform/codepage.h"

#include <algorithm>

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(new TBitmap) {
    ControlStyle = csCaptureMouse | csDoubleClicks | csOpaque;
    FWidth = 23;
    FHeight = 22;
    FParentFont = true;
    FGlyph->OnChange = TNotifyEvent([this](TObject*) { Invalidate(); });
}

TSpeedButton::~TSpeedButton() { delete FGlyph; }

void TSpeedButton::SetAllowAllUp(bool v) {
    if (FAllowAllUp == v) return;
    FAllowAllUp = v;
    UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int v) {
    if (FGroupIndex == v) return;
    FGroupIndex = v;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool v) {
    if (FGroupIndex == 0) v = false;
    if (v == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = v;
    FState = v ? bsExclusive : bsUp;
    Invalidate();
    if (v) UpdateExclusive();
}

void TSpeedButton::SetFlat(bool v) {
    if (FFlat == v) return;
    FFlat = v;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* v) {
    FGlyph->Assign(v);
    if (v && v->Width() > 0 && v->Height() > 0 && v->Width() % v->Height() == 0) {
        const int n = v->Width() / v->Height();
        if (n >= 1 && n <= 4) FNumGlyphs = n;
    }
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v) {
    v = std::clamp(v, 1, 4);
    if (FNumGlyphs == v) return;
    FNumGlyphs = v;
    Invalidate();
}

void TSpeedButton::SetSpacing(int v) {
    FSpacing = v;
    Invalidate();
}

void TSpeedButton::SetMargin(int v) {
    FMargin = v;
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !FParent) return;
    TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    FParent->Broadcast(m);
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FEnabled) return;
    if (!FDown) {
        FState = bsDown;
        Invalidate();
    }
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging) return;
    const bool inside = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    const TButtonState s = FDown ? bsExclusive : (inside ? bsDown : bsUp);
    if (s != FState) {
        FState = s;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FDragging) return;
    FDragging = false;
    const bool doClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    if (FGroupIndex == 0) {
        FState = bsUp;
        Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        if (FDown) Invalidate();
    } else {
        if (FDown) FState = bsExclusive;
        Invalidate();
    }
    if (doClick) Click();
}

void TSpeedButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_BUTTONPRESSED: {
        auto* sender = reinterpret_cast<TSpeedButton*>(m.LParam);
        if (static_cast<int>(m.WParam) == FGroupIndex && sender != this && sender) {
            if (sender->Down() && FDown) {
                FDown = false;
                FState = bsUp;
                Invalidate();
            }
            FAllowAllUp = sender->AllowAllUp();
        }
        return;
    }
    case CM_MOUSEENTER:
        FMouseInControl = true;
        if (FFlat) Invalidate();
        return;
    case CM_MOUSELEAVE:
        FMouseInControl = false;
        if (FFlat) Invalidate();
        return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: Invalidate(); return;
    default: TGraphicControl::Dispatch(m); return;
    }
}

void TSpeedButton::Paint() {
    TCanvas* c = Canvas();
    if (!FEnabled) {
        FState = bsDisabled;
        FDragging = false;
    } else if (FState == bsDisabled) {
        FState = FDown && FGroupIndex != 0 ? bsExclusive : bsUp;
    }
    RECT r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(r);
    const bool pressed = FState == bsDown || FState == bsExclusive;
    if (!FFlat || pressed || FMouseInControl) {
        RECT f = r;
        if (pressed) Frame3D(c, f, clBtnShadow, clBtnHighlight, 1);
        else if (FFlat) Frame3D(c, f, clBtnHighlight, clBtnShadow, 1);
        else {
            Frame3D(c, f, clBtnHighlight, cl3DDkShadow, 1);
            Frame3D(c, f, clBtnFace, clBtnShadow, 1);
        }
    }
    const int offset = pressed ? 1 : 0;
    // Glyph and caption side by side, centred.
    int gw = 0, gh = 0;
    if (!FGlyph->Empty()) {
        gw = FGlyph->Width() / FNumGlyphs;
        gh = FGlyph->Height();
    }
    const String caption = GetText();
    c->SetFont(FFont);
    SIZE ts{0, 0};
    if (!caption.empty()) ts = c->TextExtent(caption);
    const int gap = (gw > 0 && !caption.empty()) ? FSpacing : 0;
    const int total = gw + gap + ts.cx;
    int x = FMargin >= 0 ? FMargin : (ClientWidth() - total) / 2;
    if (gw > 0) {
        int index = 0;
        if (FState == bsDisabled && FNumGlyphs > 1) index = 1;
        else if (FState == bsDown && FNumGlyphs > 2) index = 2;
        else if (FState == bsExclusive && FNumGlyphs > 3) index = 3;
        else if (FState == bsExclusive && FNumGlyphs > 2) index = 2;
        const int gy = (ClientHeight() - gh) / 2;
        TBitmap part;
        part.SetSize(gw, gh);
        part.Canvas()->CopyRect(RECT{0, 0, gw, gh}, FGlyph->Canvas(), RECT{index * gw, 0, index * gw + gw, gh});
        c->BrushCopy(RECT{x + offset, gy + offset, x + offset + gw, gy + offset + gh}, &part, RECT{0, 0, gw, gh},
                     FGlyph->TransparentColor());
        x += gw + gap;
    }
    if (!caption.empty()) {
        c->Brush()->SetStyle(bsClear);
        HDC dc = c->Handle();
        SetBkMode(dc, TRANSPARENT);
        if (FState == bsDisabled) SetTextColor(dc, ColorToRGB(clGrayText));
        const std::u16string text = platform::ansiToWide(caption);
        RECT tr{x + offset, offset, x + offset + ts.cx, ClientHeight() + offset};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
}

