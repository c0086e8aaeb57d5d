// The kit's speed button.
#include "kit/KitButtons.h"

#include "classlib/ActnList.h"
#include "classlib/Forms.h"
#include "kit/KitUtils.h"

#include <cctype>

namespace {

int liveButtons = 0;

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

TKitSpeedButton::TKitSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(new TKitButtonGlyph()), FDrawImage(new TBitmap()) {
    InitKitCursors();
    FWidth = 25;
    FHeight = 25;
    ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks | csReplicatable;
    FParentFont = true;
    FParentShowHint = false;
    FShowHint = true;
    FGlyph->OnChange = TNotifyEvent(this, &TKitSpeedButton::GlyphChanged);
    ++liveButtons;
}

TKitSpeedButton::~TKitSpeedButton() {
    --liveButtons;
    OnMouseEnter = nullptr;
    OnMouseLeave = nullptr;
    delete FRepeatTimer;
    FRepeatTimer = nullptr;
    FGlyph->OnChange = nullptr;
    delete FGlyph;
    delete FDrawImage;
}

int TKitSpeedButton::ButtonCount() { return liveButtons; }

void TKitSpeedButton::GlyphChanged(TObject*) { Invalidate(); }

void TKitSpeedButton::SetAlignment(TAlignment v) {
    if (v == FGlyph->Alignment()) return;
    FGlyph->SetAlignment(v);
    Invalidate();
}

void TKitSpeedButton::SetAllowAllUp(bool v) {
    if (v == FAllowAllUp) return;
    FAllowAllUp = v;
    UpdateExclusive();
}

void TKitSpeedButton::SetAllowTimer(bool v) {
    FAllowTimer = v;
    if (!v && FRepeatTimer) {
        delete FRepeatTimer;
        FRepeatTimer = nullptr;
    }
}

void TKitSpeedButton::SetGroupIndex(int v) {
    if (v == FGroupIndex) return;
    FGroupIndex = v;
    UpdateExclusive();
}

void TKitSpeedButton::SetDown(bool v) {
    if (v == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = v;
    if (v) {
        if (FState == bsUp) Invalidate();
        FState = bsExclusive;
    } else {
        FState = bsUp;
    }
    Repaint();
    if (v) UpdateExclusive();
}

void TKitSpeedButton::SetDropDownMenu(TPopupMenu* v) {
    if (v == FDropDownMenu) return;
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = v;
    if (v) v->FreeNotification(this);
    if (FMarkDropDown) Invalidate();
}

void TKitSpeedButton::SetFlat(bool v) {
    if (v == FFlat) return;
    FFlat = v;
    Invalidate();
}

void TKitSpeedButton::SetGlyph(TBitmap* v) {
    FGlyph->SetGlyph(v);
    Invalidate();
}

void TKitSpeedButton::SetGrayedInactive(bool v) {
    if (v == FGrayedInactive) return;
    FGrayedInactive = v;
    Invalidate();
}

void TKitSpeedButton::SetLayout(TButtonLayout v) {
    if (v == FLayout) return;
    FLayout = v;
    Invalidate();
}

void TKitSpeedButton::SetMargin(int v) {
    if (v == FMargin || v < -1) return;
    FMargin = v;
    Invalidate();
}

void TKitSpeedButton::SetMarkDropDown(bool v) {
    if (v == FMarkDropDown) return;
    FMarkDropDown = v;
    if (FDropDownMenu) Invalidate();
}

void TKitSpeedButton::SetNumGlyphs(TKitNumGlyphs v) {
    FGlyph->SetNumGlyphs(v < 0 ? 1 : v);
    Invalidate();
}

void TKitSpeedButton::SetSpacing(int v) {
    if (v == FSpacing) return;
    FSpacing = v;
    Invalidate();
}

void TKitSpeedButton::SetStyle(TButtonStyle v) {
    if (v == FStyle) return;
    FStyle = v;
    Invalidate();
}

void TKitSpeedButton::SetTransparent(bool v) {
    if (v == FTransparent) return;
    FTransparent = v;
    if (v) ControlStyle &= ~csOpaque;
    else ControlStyle |= csOpaque;
    Invalidate();
}

void TKitSpeedButton::SetWordWrap(bool v) {
    if (v == FGlyph->WordWrap()) return;
    FGlyph->SetWordWrap(v);
    Invalidate();
}

void TKitSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !FParent) return;
    TMessage m{CM_KITBUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    FParent->Broadcast(m);
}

TButtonState TKitSpeedButton::DrawState() const {
    if (FFlat && !FMouseInControl && !ComponentState().Contains(csDesigning)) return bsInactive;
    return FState;
}

void TKitSpeedButton::PaintGlyph(TCanvas* Canvas, const RECT& ARect, bool PopupMark, TButtonState AState) {
    FGlyph->DrawButtonGlyph(Canvas, ARect, Caption(), FLayout, FMargin, FSpacing, PopupMark, AState,
                            AlignmentTextFlags(FGlyph->Alignment(), UseRightToLeftReading()));
}

void TKitSpeedButton::Paint() {
    if (!FEnabled) {
        FState = bsDisabled;
        FDragging = false;
    } else if (FState == bsDisabled) {
        FState = FDown && FGroupIndex != 0 ? bsExclusive : bsUp;
    }
    const TButtonState drawState = DrawState();
    const int w = FWidth, h = FHeight;
    if (w <= 0 || h <= 0) return;
    FDrawImage->SetPixelFormat(pf24bit);
    FDrawImage->SetSize(w, h);
    TCanvas* c = FDrawImage->Canvas();
    c->SetFont(FFont);
    c->Brush()->SetColor(clBtnFace);
    c->Brush()->SetStyle(bsSolid);
    RECT r{0, 0, w, h};
    c->FillRect(r);
    if (FTransparent) PaintParentImage(this, c);
    const bool newLook = FStyle == bsNew || (FStyle == bsAutoDetect && NewStyleControls);
    if (drawState != bsInactive || FState == bsExclusive) {
        r = DrawButtonFrame(c, r, FState == bsDown || FState == bsExclusive, newLook, FFlat);
    } else if (FFlat) {
        InflateRect(&r, -2, -2);
    }
    if (FState == bsExclusive && !FTransparent && (!FFlat || drawState == bsInactive)) {
        RECT checked = r;
        InflateRect(&checked, 1, 1);
        FillCheckered(c, checked, clBtnFace, clBtnHighlight);
    }
    if (FState == bsDown || FState == bsExclusive) OffsetRect(&r, 1, 1);
    TButtonState glyphState = FState;
    if (FGrayedInactive && FState != bsDisabled) glyphState = drawState;
    PaintGlyph(c, r, FMarkDropDown && FDropDownMenu, glyphState);
    BitBlt(Canvas()->Handle(), 0, 0, w, h, c->Handle(), 0, 0, SRCCOPY);
}

void TKitSpeedButton::Loaded() {
    TGraphicControl::Loaded();
    TButtonState s = bsUp;
    if (!FEnabled) s = bsDisabled;
    else if (FFlat) s = bsInactive;
    FGlyph->CreateButtonGlyph(s);
}

void TKitSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
}

POINT TKitSpeedButton::DropDownMenuPoint() const {
    POINT p{0, 0};
    if (!FDropDownMenu) return p;
    const TPopupAlignment a = FDropDownMenu->Alignment();
    if (FMenuPosition == dmpBottom) {
        p.y = FHeight;
        p.x = a == paLeft ? -1 : a == paRight ? FWidth + 1 : FWidth / 2;
    } else if (a == paLeft) {
        p = POINT{FWidth, -1};
    } else if (a == paRight) {
        p = POINT{-1, -1};
    } else {
        p = POINT{FWidth / 2, FHeight};
    }
    return ClientToScreen(p);
}

bool TKitSpeedButton::CheckMenuDropDown(bool Manual) {
    if (!FDropDownMenu || (!FDropDownMenu->AutoPopup() && !Manual)) return false;
    const POINT p = DropDownMenuPoint();
    if (FParent && FParent->HandleAllocated()) SendMessageA(FParent->Handle(), WM_CANCELMODE, 0, 0);
    FDropDownMenu->SetPopupComponent(this);
    FDropDownMenu->Popup(p.x, p.y);
    return true;
}

void TKitSpeedButton::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TKitSpeedButton::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TKitSpeedButton::UpdateTracking() {
    bool inside = false;
    if (FEnabled && ActiveWindowInThread()) {
        POINT p{};
        GetCursorPos(&p);
        inside = FindDragTarget(p, true) == this;
    }
    if (inside == FMouseInControl) return;
    if (inside) {
        FMouseInControl = true;
        if (FFlat) Repaint();
        MouseEnter();
    } else {
        FMouseInControl = false;
        if (FFlat) Invalidate();
        MouseLeave();
    }
}

void TKitSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FMenuTracking) return;
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (!FMouseInControl && FEnabled) {
        FMouseInControl = true;
        Repaint();
    }
    if (Button == mbRight) UpdateTracking();
    if (Button != mbLeft || !FEnabled) return;
    if (!FDown) {
        FState = bsDown;
        Repaint();
    }
    FDragging = true;
    FMenuTracking = true;
    try {
        if (CheckMenuDropDown(false)) {
            // The menu took the release: it is handled now, without a click.
            POINT p{};
            GetCursorPos(&p);
            p = ScreenToClient(p);
            DoMouseUp(p.x, p.y);
            SetMouseCapture(false);
            if (FParent && FParent->HandleAllocated()) {
                PurgeMessage(FParent->Handle(), WM_LBUTTONDOWN);
                PurgeMessage(FParent->Handle(), WM_LBUTTONDBLCLK);
            }
        }
    } catch (...) {
        FMenuTracking = false;
        throw;
    }
    FMenuTracking = false;
    if (FAllowTimer && FDragging) {
        if (!FRepeatTimer) {
            FRepeatTimer = new TTimer(this);
            FRepeatTimer->SetEnabled(false);
            FRepeatTimer->SetOnTimer(TNotifyEvent(this, &TKitSpeedButton::TimerExpired));
        }
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(static_cast<unsigned>(std::max(FInitPause, 1)));
        FRepeatTimer->SetEnabled(true);
    }
}

void TKitSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging) return;
    const bool inside = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    const TButtonState s = FDown ? bsExclusive : (inside ? bsDown : bsUp);
    if (s != FState) {
        FState = s;
        Invalidate();
    }
}

void TKitSpeedButton::DoMouseUp(int X, int Y) {
    if (!FDragging) return;
    FDragging = false;
    // The row just below the button still counts as on it.
    const bool doClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
    if (FGroupIndex == 0) {
        FState = bsUp;
        FMouseInControl = false;
        if (doClick) Repaint();
        else Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        if (FDown) Repaint();
    } else {
        if (FDown) FState = bsExclusive;
        Repaint();
    }
    if (doClick && !FMenuTracking) Click();
    UpdateTracking();
}

void TKitSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft) DoMouseUp(X, Y);
    else UpdateTracking();
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TKitSpeedButton::TimerExpired(TObject*) {
    FRepeatTimer->SetInterval(static_cast<unsigned>(std::max(FRepeatInterval, 1)));
    if (FState == bsDown && MouseCapture()) {
        try {
            Click();
        } catch (...) {
            FRepeatTimer->SetEnabled(false);
            throw;
        }
    }
}

void TKitSpeedButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TGraphicControl::Click();
}

void TKitSpeedButton::DblClick() {
    if (FMenuTracking) return;
    if (FDown) TGraphicControl::DblClick();
}

void TKitSpeedButton::ActionChange(TObject* Sender, bool CheckDefaults) {
    TGraphicControl::ActionChange(Sender, CheckDefaults);
    auto* action = qobject_cast<TCustomAction*>(Sender);
    if (!action) return;
    if (!CheckDefaults || (FGroupIndex != 0 && !FDown)) SetDown(action->Checked());
    TCustomImageList* images = action->ActionList() ? action->ActionList()->Images() : nullptr;
    if (FGlyph->Glyph()->Empty() && images && action->ImageIndex() >= 0 &&
        action->ImageIndex() < images->Count()) {
        TBitmap picture;
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(images->Width(), images->Height());
        picture.Canvas()->Brush()->SetColor(clFuchsia);
        picture.Canvas()->FillRect(RECT{0, 0, images->Width(), images->Height()});
        images->Draw(picture.Canvas(), 0, 0, action->ImageIndex());
        picture.SetTransparentColor(clFuchsia);
        SetGlyph(&picture);
    }
}

void TKitSpeedButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_KITBUTTONPRESSED: {
        auto* sender = reinterpret_cast<TKitSpeedButton*>(Message.LParam);
        if (static_cast<int>(Message.WParam) == FGroupIndex && sender && sender != this && FParent &&
            FParent->HandleAllocated()) {
            if (sender->Down() && FDown) {
                FDown = false;
                FState = bsUp;
                Repaint();
            }
            FAllowAllUp = sender->AllowAllUp();
        }
        return;
    }
    case CM_MOUSEENTER:
        if (!FMouseInControl && FEnabled && ActiveWindowInThread()) {
            FMouseInControl = true;
            if (FFlat) Repaint();
            MouseEnter();
        }
        break;
    case CM_MOUSELEAVE:
        if (FMouseInControl && FEnabled && !FDragging) {
            FMouseInControl = false;
            if (FFlat) Invalidate();
            MouseLeave();
        }
        break;
    case CM_ENABLEDCHANGED:
        FGlyph->CreateButtonGlyph(FEnabled ? (FFlat ? bsInactive : bsUp) : bsDisabled);
        UpdateTracking();
        Repaint();
        return;
    case CM_VISIBLECHANGED:
        TGraphicControl::Dispatch(Message);
        if (FVisible) UpdateTracking();
        return;
    case CM_DIALOGCHAR: {
        const char accel = AccelOf(Caption());
        const auto key = static_cast<unsigned char>(Message.WParam & 0xFF);
        if (accel && std::toupper(static_cast<unsigned char>(accel)) == std::toupper(key) && FEnabled && FVisible &&
            FParent && FParent->Showing()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    }
    case CM_SYSCOLORCHANGE:
        FGlyph->Invalidate();
        Invalidate();
        return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED: Invalidate(); return;
    default: break;
    }
    TGraphicControl::Dispatch(Message);
}

void RegisterKitButtons() {
    RegisterStandardClasses();
    RegisterClasses<TKitSpeedButton>();
}
