// The slider.
#include "kit/KitSlider.h"

#include "classlib/Filer.h"
#include "classlib/Forms.h"
#include "classlib/Streams.h"
#include "kit/KitUtils.h"
#include "platform/winpaint.h"

#include <cmath>

static void initKitSliderResources() { Q_INIT_RESOURCE(kit); }

namespace {

const char* const kImageNames[4] = {"W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL"};
// The built-in pictures show their background in teal.
constexpr TColor kImageKey = 0x808000;
constexpr int kIndent = 6;
constexpr UINT_PTR kTrackTimer = 1;

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

TKitCustomSlider::TKitCustomSlider(TComponent* AOwner) : TCustomControl(AOwner) {
    initKitSliderResources();
    InitKitCursors();
    ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csOpaque | csDoubleClicks;
    FWidth = 150;
    FHeight = 40;
    FParentColor = true;
    FTabStop = true;
    FRuler = new TBitmap();
    for (int i = 0; i < 4; ++i) LoadDefaultImage(i);
    FCreating = false;
    AdjustElements();
}

TKitCustomSlider::~TKitCustomSlider() {
    OnChange = nullptr;
    OnChanged = nullptr;
    OnDrawPoints = nullptr;
    delete FRuler;
    for (TBitmap* b : FImages) delete b;
}

bool TKitCustomSlider::Reading() const {
    return ComponentState().Contains(csReading) || ComponentState().Contains(csLoading);
}

void TKitCustomSlider::LoadDefaultImage(int Index) {
    if (!FImages[Index]) FImages[Index] = new TBitmap();
    FImages[Index]->LoadFromResourceName(nullptr, kImageNames[Index]);
    FImages[Index]->SetTransparentColor(kImageKey);
}

void TKitCustomSlider::SetImage(int Index, TBitmap* v) {
    if (Index < 0 || Index > 3) return;
    if (v) {
        FImages[Index]->Assign(v);
        FUserImages |= 1u << Index;
    } else {
        LoadDefaultImage(Index);
        FUserImages &= ~(1u << Index);
        if (!Reading()) {
            TSliderOptions o = FOptions;
            o.setFlag(Index % 2 == 0 ? soThumbOpaque : soRulerOpaque, false);
            FOptions = o;
        }
    }
    if (!FCreating) AdjustElements();
}

void TKitCustomSlider::DefineProperties(TFiler* Filer) {
    TCustomControl::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "UserImages",
        [this](TStream* s) {
            BYTE b = 0;
            if (s->Read(&b, 1) == 1) FUserImages = b & 15u;
        },
        [this](TStream* s) {
            const BYTE b = static_cast<BYTE>(FUserImages);
            s->Write(&b, 1);
        },
        FUserImages != 0);
}

void TKitCustomSlider::Loaded() {
    TCustomControl::Loaded();
    AdjustElements();
}

// Geometry

RECT TKitCustomSlider::GetSliderRect() const {
    RECT r{0, 0, FWidth, FHeight};
    if (FBevelStyle != TCustomPanel::bvNone) {
        r.left += FBevelWidth;
        r.top += FBevelWidth;
        r.right -= FBevelWidth;
        r.bottom -= FBevelWidth;
    }
    return r;
}

int TKitCustomSlider::ThumbLength() const {
    const TBitmap* t = FImages[FOrientation == soHorizontal ? 0 : 2];
    const int states = FNumThumbStates > 0 ? FNumThumbStates : 1;
    return FOrientation == soHorizontal ? t->Width() / states : t->Height();
}

int TKitCustomSlider::RulerLength() const {
    return FOrientation == soHorizontal ? FRuler->Width() : FRuler->Height();
}

int TKitCustomSlider::Usable() const { return RulerLength() - ThumbLength(); }

int TKitCustomSlider::Origin() const {
    const RECT r = GetSliderRect();
    return (FOrientation == soHorizontal ? r.left : r.top) + kIndent;
}

void TKitCustomSlider::BuildRuler(const RECT& R) {
    const bool horz = FOrientation == soHorizontal;
    TBitmap* img = FImages[horz ? 1 : 3];
    const int len = horz ? std::max(0, WidthOfRect(R) - 2 * kIndent) : std::max(0, HeightOfRect(R) - 2 * kIndent);
    const int across = horz ? img->Height() : img->Width();
    auto* ruler = new TBitmap();
    if (horz) ruler->SetSize(len, across);
    else ruler->SetSize(across, len);
    const int imgLen = horz ? img->Width() : img->Height();
    const int edge = std::clamp(FEdgeSize, 0, imgLen / 2);
    const int middle = imgLen - 2 * edge;
    HDC dst = ruler->Canvas()->Handle();
    HDC src = img->Canvas()->Handle();
    auto piece = [&](int at, int from, int count) {
        if (count <= 0) return;
        if (horz) BitBlt(dst, at, 0, count, across, src, from, 0, SRCCOPY);
        else BitBlt(dst, 0, at, across, count, src, 0, from, SRCCOPY);
    };
    if (len > 0 && imgLen > 0) {
        // The image without its far edge, middle parts, and a last piece that ends with the
        // far edge.
        piece(0, 0, std::min(len, imgLen - edge));
        if (middle > 0 && len > imgLen - edge) {
            const int inner = len - 2 * edge;
            const int whole = inner / middle, rest = inner % middle;
            for (int i = 1; i < whole; ++i) piece(edge + i * middle, edge, middle);
            piece(len - edge - rest, imgLen - edge - rest, edge + rest);
        }
    }
    ruler->SetTransparentColor(img->TransparentColor());
    delete FRuler;
    FRuler = ruler;
}

void TKitCustomSlider::AdjustElements() {
    const RECT r = GetSliderRect();
    BuildRuler(r);
    const bool horz = FOrientation == soHorizontal;
    TBitmap* thumb = FImages[horz ? 0 : 2];
    const int states = FNumThumbStates > 0 ? FNumThumbStates : 1;
    const int tw = horz ? thumb->Width() / states : thumb->Width() / states;
    const int th = thumb->Height();
    if (horz) {
        const int rh = FRuler->Height();
        int top = r.top + kIndent;
        if (th > rh) {
            FThumbRect = RECT{r.left + kIndent, top, r.left + kIndent + tw, top + th};
            FRulerOrg = POINT{r.left + kIndent, top + (th - rh) / 2};
        } else {
            FRulerOrg = POINT{r.left + kIndent, top};
            FThumbRect = RECT{r.left + kIndent, top + (rh - th) / 2, r.left + kIndent + tw, top + (rh - th) / 2 + th};
        }
        const int below = top + std::max(th, rh) + 1;
        FPointsRect = RECT{FRulerOrg.x, below, FRulerOrg.x + FRuler->Width(), std::max(below, r.bottom)};
    } else {
        // Vertical: the thumb is the picture's full height and a state's width.
        const int rw = FRuler->Width();
        const int vtw = thumb->Width() / states, vth = thumb->Height();
        int left = r.left + kIndent;
        if (vtw > rw) {
            FThumbRect = RECT{left, r.top + kIndent, left + vtw, r.top + kIndent + vth};
            FRulerOrg = POINT{left + (vtw - rw) / 2, r.top + kIndent};
        } else {
            FRulerOrg = POINT{left, r.top + kIndent};
            FThumbRect = RECT{left + (rw - vtw) / 2, r.top + kIndent, left + (rw - vtw) / 2 + vtw, r.top + kIndent + vth};
        }
        const int beside = left + std::max(vtw, rw) + 1;
        FPointsRect = RECT{beside, FRulerOrg.y, std::max(beside, r.right), FRulerOrg.y + FRuler->Height()};
    }
    (void)tw;
    SetValue(FValue);
    SetThumbOffset(GetOffsetByValue(FValue));
    Invalidate();
}

int TKitCustomSlider::GetOffsetByValue(int v) const {
    const int L = Usable();
    int x = 0;
    if (L > 0 && RangeValid())
        x = RoundHalfEven(static_cast<double>(v - FMinValue) / (static_cast<double>(FMaxValue) - FMinValue) * L);
    const int o = Origin();
    if (FOrientation == soHorizontal) return std::max(o + x, o);
    const RECT r = GetSliderRect();
    const int p = r.bottom - kIndent - x - HeightOfRect(FThumbRect);
    return std::max(p, o);
}

int TKitCustomSlider::GetValueByOffset(int p) const {
    const int L = Usable();
    if (L <= 0 || !RangeValid()) return FMinValue;
    const RECT r = GetSliderRect();
    int start = r.left;
    if (FOrientation == soVertical) {
        p = FHeight - p - HeightOfRect(FThumbRect);
        start = r.top;
    }
    int v = RoundHalfEven(static_cast<double>(p - start - kIndent) * (static_cast<double>(FMaxValue) - FMinValue) / L);
    if (!FOptions.testFlag(soSmooth) && FIncrement > 0)
        v = RoundHalfEven(static_cast<double>(v) / FIncrement) * FIncrement;
    return std::min(FMinValue + std::max(v, 0), FMaxValue);
}

void TKitCustomSlider::InvalidateThumb() {
    if (HandleAllocated()) {
        RECT r = FThumbRect;
        InvalidateRect(Handle(), &r, (ControlStyle & csOpaque) ? FALSE : TRUE);
    }
}

void TKitCustomSlider::SetThumbOffset(int p) {
    const int o = Origin();
    const int L = std::max(Usable(), 0);
    p = std::clamp(p, o, o + L);
    const int v = GetValueByOffset(p);
    p = std::min(GetOffsetByValue(v), o + L);
    InvalidateThumb();
    if (FOrientation == soHorizontal) {
        const int w = WidthOfRect(FThumbRect);
        FThumbRect.left = p;
        FThumbRect.right = p + w;
    } else {
        const int h = HeightOfRect(FThumbRect);
        FThumbRect.top = p;
        FThumbRect.bottom = p + h;
    }
    InvalidateThumb();
    if (FTracking && v != FValue) {
        FValue = v;
        Change();
    }
}

// Properties

void TKitCustomSlider::SetValue(int v) {
    v = std::max(std::min(v, FMaxValue), FMinValue);
    const int old = FValue;
    FValue = v;
    if (!FTracking) {
        const int p = GetOffsetByValue(v);
        InvalidateThumb();
        if (FOrientation == soHorizontal) {
            const int w = WidthOfRect(FThumbRect);
            FThumbRect.left = p;
            FThumbRect.right = p + w;
        } else {
            const int h = HeightOfRect(FThumbRect);
            FThumbRect.top = p;
            FThumbRect.bottom = p + h;
        }
        InvalidateThumb();
    }
    if (v != old) Change();
}

void TKitCustomSlider::SetRange(int Min, int Max) {
    if (Min == FMinValue && Max == FMaxValue) return;
    if (Min >= Max && !Reading()) return;
    FMinValue = Min;
    FMaxValue = Max;
    if (!Reading() && Max - Min < FIncrement) FIncrement = Max - Min;
    if (FOptions.testFlag(soShowPoints)) Invalidate();
    SetValue(FValue);
    RangeChanged();
}

void TKitCustomSlider::SetMinValue(int v) {
    if (v != FMinValue) SetRange(v, FMaxValue);
}

void TKitCustomSlider::SetMaxValue(int v) {
    if (v != FMaxValue) SetRange(FMinValue, v);
}

void TKitCustomSlider::SetIncrement(int v) {
    if (!Reading() && (v <= 0 || v > FMaxValue - FMinValue))
        throw EInvalidOperation(Format("Wert muß zwischen %d und %d liegen", {1, FMaxValue - FMinValue}));
    if (v > 0 && v != FIncrement) {
        FIncrement = v;
        SetValue(FValue);
        Invalidate();
    }
}

void TKitCustomSlider::SetEdgeSize(int v) {
    const TBitmap* img = FImages[FOrientation == soHorizontal ? 1 : 3];
    const int len = FOrientation == soHorizontal ? img->Width() : img->Height();
    if (2 * v < len && v != FEdgeSize && v >= 0) {
        FEdgeSize = v;
        AdjustElements();
    }
}

void TKitCustomSlider::SetNumThumbStates(int v) {
    if (v < 1 || v > 2 || v == FNumThumbStates) return;
    FNumThumbStates = v;
    AdjustElements();
}

void TKitCustomSlider::SetBevelStyle(TCustomPanel::TBevelCut v) {
    if (v == FBevelStyle) return;
    FBevelStyle = v;
    AdjustElements();
    Update();
}

void TKitCustomSlider::SetOptions(TSliderOptions v) {
    if (v == FOptions) return;
    FOptions = v;
    Invalidate();
}

void TKitCustomSlider::SetOrientation(TSliderOrientation v) {
    if (v == FOrientation) return;
    FOrientation = v;
    if (!Reading()) SetBounds(FLeft, FTop, FHeight, FWidth);
    AdjustElements();
}

void TKitCustomSlider::Change() {
    if (OnChange) OnChange(this);
}

void TKitCustomSlider::Changed() {
    if (OnChanged) OnChanged(this);
}

// Steps

bool TKitCustomSlider::JumpTo(TJumpMode Mode) {
    int v = FValue;
    const int inc = FIncrement > 0 ? FIncrement : 1;
    switch (Mode) {
    case jmHome: v = FMinValue; break;
    case jmEnd: v = FMaxValue; break;
    case jmNext: v = inc + inc * RoundHalfEven(static_cast<double>(FValue) / inc); break;
    case jmPrior: v = inc * RoundHalfEven(static_cast<double>(FValue) / inc) - inc; break;
    case jmNone: return false;
    }
    v = std::max(std::min(v, FMaxValue), FMinValue);
    if (v != FValue) SetValue(v);
    return true;
}

void TKitCustomSlider::KeyDown(WORD& Key, TShiftState Shift) {
    TJumpMode mode = jmNone;
    if ((Shift & (ssShift | ssCtrl | ssAlt)) == 0) {
        if (Key == VK_HOME) mode = jmHome;
        else if (Key == VK_END) mode = jmEnd;
        else if (FOrientation == soHorizontal) mode = Key == VK_LEFT ? jmPrior : Key == VK_RIGHT ? jmNext : jmNone;
        else mode = Key == VK_UP ? jmNext : Key == VK_DOWN ? jmPrior : jmNone;
    }
    if (mode != jmNone && CanModify()) {
        Key = 0;
        JumpTo(mode);
        Changed();
    }
    TCustomControl::KeyDown(Key, Shift);
}

// Mouse

TKitCustomSlider::TJumpMode TKitCustomSlider::HitSide(POINT P) const {
    if (FOrientation == soHorizontal) {
        if (P.x < FThumbRect.left) return jmPrior;
        if (P.x >= FThumbRect.right) return jmNext;
    } else {
        if (P.y < FThumbRect.top) return jmNext;
        if (P.y >= FThumbRect.bottom) return jmPrior;
    }
    return jmNone;
}

void TKitCustomSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || (Shift & ssDouble)) return;
    if (CanFocus() && !Focused()) SetFocus();
    const POINT p{X, Y};
    const RECT thumb{FThumbRect.left, FThumbRect.top, FThumbRect.right - 1, FThumbRect.bottom - 1};
    if (PointInsideRect(p, thumb)) {
        ThumbMouseDown(Button, Shift, X, Y);
        return;
    }
    RECT ruler{FRulerOrg.x, FRulerOrg.y, FRulerOrg.x + FRuler->Width(), FRulerOrg.y + FRuler->Height()};
    if (FOrientation == soHorizontal) {
        ruler.top -= 3;
        ruler.bottom += 3;
    } else {
        ruler.left -= 3;
        ruler.right += 3;
    }
    if (PointInsideRect(p, ruler) && CanModify()) {
        SetCapture(Handle());
        FTimerTracking = true;
        FMousePos = p;
        FHit = HitSide(p);
        TimerTrack();
    }
}

void TKitCustomSlider::TimerTrack() {
    if (!FTimerTracking) return;
    if (FHit != jmNone && HitSide(FMousePos) == FHit) JumpTo(FHit);
    if (!FTimerActive && HandleAllocated()) {
        SetTimer(Handle(), kTrackTimer, 400, nullptr);
        FTimerActive = true;
    }
}

void TKitCustomSlider::StopTimerTracking(bool FireChanged) {
    if (!FTimerTracking) return;
    FTimerTracking = false;
    if (FTimerActive && HandleAllocated()) KillTimer(Handle(), kTrackTimer);
    FTimerActive = false;
    ReleaseCapture();
    if (FireChanged) Changed();
}

void TKitCustomSlider::ThumbMouseDown(TMouseButton, TShiftState, int X, int Y) {
    if (!CanModify()) return;
    FTracking = true;
    FThumbDown = true;
    FHitOffset = FOrientation == soHorizontal ? X - FThumbRect.left : Y - FThumbRect.top;
    InvalidateThumb();
    Update();
}

void TKitCustomSlider::ThumbMouseMove(TShiftState, int X, int Y) {
    SetThumbOffset((FOrientation == soHorizontal ? X : Y) - FHitOffset);
}

void TKitCustomSlider::ThumbMouseUp(TMouseButton Button, TShiftState, int, int) {
    if (Button != mbLeft || !FTracking) return;
    FTracking = false;
    FThumbDown = false;
    InvalidateThumb();
    Update();
    if (CanModify()) Changed();
}

void TKitCustomSlider::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (FTimerTracking) {
        FMousePos = POINT{X, Y};
    } else if (FTracking && (Shift & ssLeft)) {
        ThumbMouseMove(Shift, X, Y);
    }
}

void TKitCustomSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    // One OnChanged per ruler tracking or thumb drag, none for a plain release.
    StopTimerTracking(true);
    if (FTracking) ThumbMouseUp(Button, Shift, X, Y);
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TKitCustomSlider::WMTimer() { TimerTrack(); }

void TKitCustomSlider::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; return;
    case WM_TIMER:
        if (Message.WParam == kTrackTimer) {
            WMTimer();
            return;
        }
        break;
    case WM_SIZE:
        TCustomControl::Dispatch(Message);
        AdjustElements();
        return;
    case WM_MOUSEWHEEL: {
        const auto delta = static_cast<short>(HIWORD(Message.WParam));
        if (delta != 0 && CanModify()) {
            JumpTo(delta > 0 ? jmNext : jmPrior);
            Changed();
        }
        Message.Result = 1;
        return;
    }
    case WM_SETCURSOR:
        if (!ComponentState().Contains(csDesigning) && HandleAllocated() && Screen) {
            POINT p{};
            GetCursorPos(&p);
            p = ScreenToClient(p);
            const RECT thumb{FThumbRect.left, FThumbRect.top, FThumbRect.right - 1, FThumbRect.bottom - 1};
            if (PointInsideRect(p, thumb)) {
                ::SetCursor(Screen->Cursors(crKitHand));
                Message.Result = 1;
                return;
            }
        }
        break;
    case CM_FOCUSCHANGED: {
        const bool focused = reinterpret_cast<TWinControl*>(Message.LParam) == this;
        if (focused != FFocused) {
            FFocused = focused;
            if (FOptions.testFlag(soShowFocus)) Invalidate();
        }
        break;
    }
    case CM_ENABLEDCHANGED:
        TCustomControl::Dispatch(Message);
        InvalidateThumb();
        return;
    default: break;
    }
    TCustomControl::Dispatch(Message);
}

// Painting

void TKitCustomSlider::DrawPoints(TCanvas* Canvas) {
    if (!RangeValid() || FIncrement <= 0) return;
    const int L = Usable();
    if (L <= 0) return;
    const long long range = static_cast<long long>(FMaxValue) - FMinValue;
    long long step = FIncrement;
    for (int k = 1;; ++k) {
        step = static_cast<long long>(FIncrement) * k;
        const int n = RoundHalfEven(static_cast<double>(range) / static_cast<double>(step));
        if (n <= 1 || L / n >= 4 || step >= range) break;
    }
    Canvas->Pen()->SetColor(clWindowText);
    const bool horz = FOrientation == soHorizontal;
    auto line = [&](long long v, int len) {
        const int off = GetOffsetByValue(static_cast<int>(v));
        if (horz) {
            const int x = off + WidthOfRect(FThumbRect) / 2;
            Canvas->MoveTo(x, FPointsRect.top);
            Canvas->LineTo(x, FPointsRect.top + len);
        } else {
            const int y = off + HeightOfRect(FThumbRect) / 2;
            Canvas->MoveTo(FPointsRect.left, y);
            Canvas->LineTo(FPointsRect.left + len, y);
        }
    };
    for (long long v = FMinValue; v < FMaxValue; v += step) line(v, v == FMinValue ? 5 : 3);
    line(FMaxValue, 5);
}

void TKitCustomSlider::Paint() {
    const int w = std::max(FWidth, 1), h = std::max(FHeight, 1);
    TBitmap buffer;
    buffer.SetSize(w, h);
    TCanvas* c = buffer.Canvas();
    c->Brush()->SetColor(FColor);
    c->FillRect(RECT{0, 0, w, h});
    if (FBevelStyle == TCustomPanel::bvLowered || FBevelStyle == TCustomPanel::bvRaised) {
        RECT r{0, 0, w, h};
        const bool low = FBevelStyle == TCustomPanel::bvLowered;
        Frame3D(c, r, low ? clBtnShadow : clBtnHighlight, low ? clBtnHighlight : clBtnShadow, 1);
    }
    if (FRuler->Width() > 0 && FRuler->Height() > 0) {
        if (FOptions.testFlag(soRulerOpaque)) PaintBitmapKeyed(c, FRulerOrg.x, FRulerOrg.y, FRuler, clKitNoKey);
        else PaintBitmapKeyed(c, FRulerOrg.x, FRulerOrg.y, FRuler, FRuler->TransparentColor());
    }
    if (FOptions.testFlag(soShowFocus) && FFocused && !ComponentState().Contains(csDesigning)) {
        RECT f = GetSliderRect();
        f.left += 2;
        f.top += 2;
        f.right -= 2;
        f.bottom -= 2;
        DrawFocusRect(c->Handle(), &f);
    }
    if (FOptions.testFlag(soShowPoints)) {
        if (OnDrawPoints) OnDrawPoints(this);
        else DrawPoints(c);
    }
    TBitmap* thumb = FImages[FOrientation == soHorizontal ? 0 : 2];
    const int states = FNumThumbStates > 0 ? FNumThumbStates : 1;
    const int cw = thumb->Width() / states;
    const bool second = states == 2 && (FThumbDown || !FEnabled);
    const RECT src{second ? cw : 0, 0, second ? 2 * cw : cw, thumb->Height()};
    PaintBitmapRectKeyed(c, FThumbRect.left, FThumbRect.top, thumb, src,
                         FOptions.testFlag(soThumbOpaque) ? clKitNoKey : thumb->TransparentColor());
    FCanvas->Draw(0, 0, &buffer);
}

void RegisterKitSlider() {
    RegisterStandardClasses();
    RegisterClasses<TKitSlider, TKitCustomSlider>();
}
