// The shadowed label.
#include "kit/KitLabel.h"

#include "classlib/Forms.h"
#include "kit/KitUtils.h"
#include "platform/codepage.h"
#include "platform/winpaint.h"

#include <cctype>

int PaintTextWithShadow(HDC DC, const String& Text, TShadowPosition ShadowPos, COLORREF ShadowColor, int ShadowSize,
                        UINT Format, RECT& Rect) {
    const std::u16string text = platform::ansiToWide(Text);
    const int n = static_cast<int>(text.size());
    const RECT original = Rect;
    RECT shadow = Rect;
    const int s = ShadowSize;
    switch (ShadowPos) {
    case spLeftTop: OffsetRect(&shadow, -s, -s); break;
    case spLeftBottom: OffsetRect(&shadow, -s, s); break;
    case spRightBottom: OffsetRect(&shadow, s, s); break;
    case spRightTop: OffsetRect(&shadow, s, -s); break;
    }
    const COLORREF old = SetTextColor(DC, ShadowColor);
    int height = DrawTextW(DC, text.c_str(), n, &shadow, Format);
    SetTextColor(DC, old);
    RECT main = original;
    DrawTextW(DC, text.c_str(), n, &main, Format);
    UnionRect(&Rect, &shadow, &main);
    return height > 0 ? height + s : height;
}

namespace {

// The accelerator character of a caption ("&x"; "&&" is a literal "&"), or 0.
char AccelOf(const String& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&') {
            if (text[i + 1] != '&') return text[i + 1];
            ++i;
        }
    return 0;
}

}  // namespace

TKitCustomLabel::TKitCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    InitKitCursors();
    ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csReplicatable | csDoubleClicks;
    FWidth = 65;
    FHeight = 17;
    FParentColor = true;
}

TKitCustomLabel::~TKitCustomLabel() {
    OnMouseEnter = nullptr;
    OnMouseLeave = nullptr;
}

void TKitCustomLabel::SetAlignment(TAlignment v) {
    if (v == FAlignment) return;
    FAlignment = v;
    Invalidate();
}

void TKitCustomLabel::SetAutoSize(bool v) {
    if (v == FAutoSize) return;
    FAutoSize = v;
    AdjustBounds();
}

void TKitCustomLabel::SetFocusControl(TWinControl* v) {
    if (v == FFocusControl) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = v;
    if (v) v->FreeNotification(this);
    if (FShowFocus) Invalidate();
}

void TKitCustomLabel::SetLayout(TTextLayout v) {
    if (v == FLayout) return;
    FLayout = v;
    Invalidate();
}

void TKitCustomLabel::SetShadowColor(TColor v) {
    if (v == FShadowColor) return;
    FShadowColor = v;
    Invalidate();
}

void TKitCustomLabel::SetShadowSize(int v) {
    v = std::clamp(v, 0, 255);
    if (v == FShadowSize) return;
    FShadowSize = v;
    AdjustBounds();
    Invalidate();
}

void TKitCustomLabel::SetShadowPos(TShadowPosition v) {
    if (v == FShadowPos) return;
    FShadowPos = v;
    Invalidate();
}

void TKitCustomLabel::SetShowAccelChar(bool v) {
    if (v == FShowAccelChar) return;
    FShowAccelChar = v;
    Invalidate();
}

void TKitCustomLabel::SetShowFocus(bool v) {
    if (v == FShowFocus) return;
    FShowFocus = v;
    Invalidate();
}

void TKitCustomLabel::SetTransparent(bool v) {
    if (v == Transparent()) return;
    if (v) ControlStyle &= ~csOpaque;
    else ControlStyle |= csOpaque;
    Invalidate();
}

void TKitCustomLabel::SetWordWrap(bool v) {
    if (v == FWordWrap) return;
    FWordWrap = v;
    AdjustBounds();
    Invalidate();
}

void TKitCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TKitCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TKitCustomLabel::DoDrawText(HDC DC, RECT& Rect, UINT Flags) {
    String text = GetLabelText();
    if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += " ";
    if (!FShowAccelChar) Flags |= DT_NOPREFIX;
    if (UseRightToLeftReading()) Flags |= DT_RTLREADING;
    HGDIOBJ oldFont = SelectObject(DC, FFont->Handle());
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, ColorToRGB(GetDefaultFontColor()));
    TShadowPosition pos = FShadowPos;
    int size = FShadowSize;
    TColor shadow = FShadowColor;
    if (!FEnabled) {
        if (size == 0 && NewStyleControls) {
            pos = spRightBottom;
            size = 1;
        }
        SetTextColor(DC, ColorToRGB(clGrayText));
        shadow = clBtnHighlight;
    }
    PaintTextWithShadow(DC, text, pos, ColorToRGB(shadow), size, Flags, Rect);
    SelectObject(DC, oldFont);
}

void TKitCustomLabel::Paint() {
    if (!FEnabled && !ComponentState().Contains(csDesigning)) FDragging = false;
    TCanvas* c = Canvas();
    if (!Transparent()) {
        c->Brush()->SetColor(FColor);
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(ClientRect());
    }
    c->Brush()->SetStyle(bsClear);
    HDC dc = c->Handle();
    RECT r = ClientRect();
    r.left += FLeftMargin + 1;
    r.right -= FRightMargin + 1;
    // The shadow of a left or top position stays inside the label.
    const int s = FEnabled || FShadowSize > 0 ? FShadowSize : 1;
    const TShadowPosition pos = FEnabled || FShadowSize > 0 ? FShadowPos : spRightBottom;
    if (pos == spLeftTop || pos == spLeftBottom) r.left += s;
    if (pos == spLeftTop || pos == spRightTop) r.top += s;
    UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0);
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    else if (FAlignment == taCenter) flags |= DT_CENTER;
    if (FLayout != tlTop) {
        RECT m = r;
        DoDrawText(dc, m, flags | DT_CALCRECT);
        const int shift = ClientHeight() - m.bottom;
        OffsetRect(&r, 0, FLayout == tlBottom ? shift : shift / 2);
    }
    DoDrawText(dc, r, flags);
    if (FShowFocus && FFocusControl && FFocused && !ComponentState().Contains(csDesigning)) {
        InflateRect(&r, 1, 1);
        c->Brush()->SetColor(FColor);
        c->Brush()->SetStyle(bsSolid);
        DrawFocusRect(dc, &r);
    }
}

void TKitCustomLabel::AdjustBounds() {
    if (!FAutoSize || ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) return;
    HDC dc = GetDC(nullptr);
    if (!dc) return;
    RECT r{FLeftMargin + 1, 0, FWidth - FRightMargin - 1, FHeight};
    if (!FWordWrap) r.right = r.left;
    DoDrawText(dc, r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    ReleaseDC(nullptr, dc);
    // The measured text with its shadow, and the margins and one pixel on each side.
    const int w = (r.right - r.left) + FLeftMargin + FRightMargin + 2;
    const int h = r.bottom - r.top;
    TAlignment a = FAlignment;
    if (UseRightToLeftAlignment()) a = a == taLeftJustify ? taRightJustify : a == taRightJustify ? taLeftJustify : a;
    int x = FLeft;
    if (a == taRightJustify) x += FWidth - w;
    SetBounds(x, FTop, w, h);
}

void TKitCustomLabel::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TKitCustomLabel::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TKitCustomLabel::UpdateMouseInControl() {
    bool inside = false;
    if (FEnabled && ActiveWindowInThread()) {
        POINT p{};
        GetCursorPos(&p);
        inside = FindDragTarget(p, true) == this;
    }
    if (inside == FMouseInControl) return;
    FMouseInControl = inside;
    if (inside) MouseEnter();
    else MouseLeave();
}

void TKitCustomLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && FEnabled) FDragging = true;
    if (Button == mbRight) UpdateMouseInControl();
}

void TKitCustomLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft) FDragging = false;
    UpdateMouseInControl();
}

void TKitCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        AdjustBounds();
        return;
    case CM_FONTCHANGED:
        TGraphicControl::Dispatch(Message);
        AdjustBounds();
        return;
    case CM_FOCUSCHANGED: {
        const bool focused = FFocusControl && reinterpret_cast<TWinControl*>(Message.LParam) == FFocusControl;
        if (focused != FFocused) {
            FFocused = focused;
            if (FShowFocus) Invalidate();
        }
        break;
    }
    case CM_DIALOGCHAR:
        if (FFocusControl && FEnabled && FShowAccelChar) {
            const char accel = AccelOf(GetText());
            const auto key = static_cast<unsigned char>(Message.WParam & 0xFF);
            if (accel && std::toupper(static_cast<unsigned char>(accel)) == std::toupper(key) &&
                FFocusControl->CanFocus()) {
                FFocusControl->SetFocus();
                Message.Result = 1;
                return;
            }
        }
        break;
    case CM_MOUSEENTER:
        if (!FMouseInControl && FEnabled && ActiveWindowInThread()) {
            FMouseInControl = true;
            MouseEnter();
        }
        break;
    case CM_MOUSELEAVE:
        if (FMouseInControl && FEnabled && !FDragging) {
            FMouseInControl = false;
            MouseLeave();
        }
        break;
    case CM_ENABLEDCHANGED:
        TGraphicControl::Dispatch(Message);
        Invalidate();
        UpdateMouseInControl();
        return;
    case CM_VISIBLECHANGED:
        TGraphicControl::Dispatch(Message);
        if (FVisible) UpdateMouseInControl();
        return;
    default: break;
    }
    TGraphicControl::Dispatch(Message);
}

void RegisterKitLabel() {
    RegisterStandardClasses();
    RegisterClasses<TKitLabel, TKitCustomLabel>();
}
