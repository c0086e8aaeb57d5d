// The spin edit, its diagonal spin button and its up-down control.
#include "kit/KitSpin.h"

#include <QtGlobal>
#include <cmath>
#include <limits>

static void initKitResources() { Q_INIT_RESOURCE(kit); }

namespace {

// Button width of the up-down control and default of the spin button.
int DefBtnWidth() { return std::min(GetSystemMetrics(SM_CXVSCROLL), 15); }

// Values outside the 32-bit range saturate before rounding (halves go to the even neighbour).
long double Saturate(long double v, long double lo, long double hi) {
    if (std::isnan(v)) return 0.0L;
    return v < lo ? lo : v > hi ? hi : v;
}

long long RoundedInteger(long double v) { return static_cast<long long>(std::nearbyint(Saturate(v, INT32_MIN, INT32_MAX))); }

unsigned long long RoundedHex(long double v) {
    return static_cast<unsigned long long>(std::nearbyint(Saturate(v, 0.0L, 4294967295.0L)));
}

bool SameTextAscii(const String& a, const String& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

// TKitSpinButton

TKitSpinButton::TKitSpinButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = (ControlStyle | csCaptureMouse) & ~(csSetCaption | csDoubleClicks);
    FWidth = 20;
    FHeight = 20;
}

TKitSpinButton::~TKitSpinButton() { delete FRepeatTimer; }

void TKitSpinButton::SetFocusControl(TWinControl* v) {
    if (FFocusControl == v) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = v;
    if (v) v->FreeNotification(this);
}

void TKitSpinButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

TKitSpinButton::TSpinButtonState TKitSpinButton::HalfAt(int X, int Y) const {
    // Below the diagonal from the bottom-left to the top-right corner is the bottom half.
    const long double w = FWidth > 0 ? FWidth : 1;
    return Y > FHeight - X * static_cast<long double>(FHeight) / w ? sbBottomDown : sbTopDown;
}

void TKitSpinButton::SetDown(TSpinButtonState v) {
    if (FDown == v) return;
    FDown = v;
    Invalidate();
}

void TKitSpinButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FEnabled) return;
    if (FFocusControl && FFocusControl->TabStop() && FFocusControl->CanFocus() &&
        GetFocus() != FFocusControl->Handle())
        FFocusControl->SetFocus();
    if (FDown == sbNotDown) {
        FPressedHalf = HalfAt(X, Y);
        SetDown(FPressedHalf);
        if (FPressedHalf == sbBottomDown) BottomClick();
        else TopClick();
        if (!FRepeatTimer) {
            FRepeatTimer = new TTimer(nullptr);
            FRepeatTimer->SetEnabled(false);
            FRepeatTimer->SetOnTimer(TNotifyEvent([this](TObject* s) { TimerExpired(s); }));
        }
        // A fresh hold starts with the long delay.
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(400);
        FRepeatTimer->SetEnabled(true);
    }
    FDragging = true;
}

void TKitSpinButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging) return;
    TSpinButtonState s = sbNotDown;
    if (X >= 0 && X <= FWidth && Y >= 0 && Y <= FHeight) {
        s = HalfAt(X, Y);
        if (s != FPressedHalf) s = sbNotDown;
    }
    SetDown(s);
}

void TKitSpinButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FDragging) return;
    FDragging = false;
    // Releasing the button ends the steps, wherever the pointer is.
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    FPressedHalf = sbNotDown;
    SetDown(sbNotDown);
}

void TKitSpinButton::TimerExpired(TObject*) {
    FRepeatTimer->SetInterval(100);
    if (FDown == sbNotDown || !MouseCapture()) return;
    try {
        if (FDown == sbBottomDown) BottomClick();
        else TopClick();
    } catch (...) {
        FRepeatTimer->SetEnabled(false);
        throw;
    }
}

void TKitSpinButton::TopClick() {
    if (OnTopClick) OnTopClick(this);
    if (!(ControlState & csLButtonDown)) {
        FPressedHalf = sbNotDown;
        SetDown(sbNotDown);
    }
}

void TKitSpinButton::BottomClick() {
    if (OnBottomClick) OnBottomClick(this);
    if (!(ControlState & csLButtonDown)) {
        FPressedHalf = sbNotDown;
        SetDown(sbNotDown);
    }
}

void TKitSpinButton::Dispatch(TMessage& m) {
    if (m.Msg == CM_ENABLEDCHANGED) {
        // A disabled button ends a drag (done here, so that painting changes nothing).
        if (!FEnabled) {
            FDragging = false;
            if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
            FPressedHalf = sbNotDown;
            FDown = sbNotDown;
        }
        FInvalidate = true;
        Invalidate();
        return;
    }
    TGraphicControl::Dispatch(m);
}

void TKitSpinButton::Paint() {
    TCanvas* c = Canvas();
    const int W = FWidth;
    const int H = FHeight;
    const bool top = FDown == sbTopDown;
    const bool bottom = FDown == sbBottomDown;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->Pen()->SetWidth(1);
    c->Pen()->SetMode(pmCopy);
    c->FillRect(RECT{0, 0, W, H});
    c->Pen()->SetColor(clWindowFrame);
    c->Rectangle(0, 0, W, H);
    c->MoveTo(-1, H);
    c->LineTo(W, -1);

    c->Pen()->SetColor(top ? clBtnShadow : clBtnHighlight);
    c->MoveTo(1, H - 4);
    c->LineTo(1, 1);
    c->LineTo(W - 3, 1);
    if (!top) {
        c->Pen()->SetColor(clBtnShadow);
        c->MoveTo(1, H - 3);
        c->LineTo(W - 2, 0);
    }

    c->Pen()->SetColor(bottom ? clBtnHighlight : clBtnShadow);
    c->MoveTo(2, H - 2);
    c->LineTo(W - 2, H - 2);
    c->LineTo(W - 2, 1);
    c->Pen()->SetColor(bottom ? clBtnShadow : clBtnHighlight);
    c->MoveTo(2, H - 2);
    c->LineTo(W - 1, 1);

    auto place = [](long double v) { return static_cast<int>(std::nearbyint(v)); };
    {
        TBitmap glyph;
        glyph.LoadFromResourceName(nullptr, "KITSPINUP");
        const int d = top ? 2 : 1;
        const int x = place(W / 4.0L - glyph.Width() / 2.0L) + d;
        const int y = place(H / 4.0L - glyph.Height() / 2.0L) + d;
        c->BrushCopy(RECT{x, y, x + glyph.Width(), y + glyph.Height()}, &glyph,
                     RECT{0, 0, glyph.Width(), glyph.Height()}, glyph.TransparentColor());
    }
    {
        TBitmap glyph;
        glyph.LoadFromResourceName(nullptr, "KITSPINDOWN");
        const int x = place(3 * W / 4.0L - glyph.Width() / 2.0L) - 1;
        const int y = place(3 * H / 4.0L - glyph.Height() / 2.0L) - 1;
        c->BrushCopy(RECT{x, y, x + glyph.Width(), y + glyph.Height()}, &glyph,
                     RECT{0, 0, glyph.Width(), glyph.Height()}, glyph.TransparentColor());
    }
    if (bottom) {
        c->Pen()->SetColor(clBtnShadow);
        c->MoveTo(3, H - 2);
        c->LineTo(W - 1, 2);
    }
}

// TKitUpDown

TKitUpDown::TKitUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {
    SetOrientation(udVertical);
    SetMin(-1);
    SetMax(1);
    SetPosition(0);
}

void TKitUpDown::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL:
        if (m.WParamLo() != SB_THUMBPOSITION || FChanging) return;
        FChanging = true;
        try {
            const int pos = static_cast<SHORT>(m.WParamHi());
            if (pos > 0 && OnClick) OnClick(this, btNext);
            else if (pos < 0 && OnClick) OnClick(this, btPrev);
            // The control always rests at 0.
            if (HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS, 0, MAKELONG(0, 0));
        } catch (...) {
            FChanging = false;
            throw;
        }
        FChanging = false;
        return;
    case WM_SIZE:
        TCustomUpDown::Dispatch(m);
        if (FWidth != DefBtnWidth()) SetWidth(DefBtnWidth());
        return;
    default: TCustomUpDown::Dispatch(m); return;
    }
}

// TKitSpinEdit

TKitSpinEdit::TKitSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    initKitResources();
    SetText("0");
    ControlStyle &= ~csSetCaption;
    RecreateButton();
}

TKitSpinEdit::~TKitSpinEdit() {
    FDestroying = true;
    FChanging = true;  // no OnChange while the children go
    delete FButton;
    FButton = nullptr;
    delete FBtnWindow;
    FBtnWindow = nullptr;
    delete FUpDown;
    FUpDown = nullptr;
}

long double TKitSpinEdit::CheckValue(long double v) const {
    if (FMaxValue != FMinValue) {
        if (v < FMinValue) return FMinValue;
        if (v > FMaxValue) return FMaxValue;
    }
    return v;
}

long double TKitSpinEdit::Value() {
    const String t = Text();
    try {
        switch (FValueType) {
        case vtFloat: return StrToFloat(t);
        case vtHex: {
            // Hexadecimal is unsigned 32-bit.
            const long long v = StrToInt64("$" + t);
            if (v < 0 || v > 0xFFFFFFFFLL) throw EConvertError("'" + t + "' is not a valid integer value");
            return static_cast<long double>(v);
        }
        default: return StrToInt(t);
        }
    } catch (Exception&) {
        return FValueType == vtFloat ? FMinValue : std::trunc(FMinValue);
    }
}

void TKitSpinEdit::SetValue(long double v) {
    const long double c = CheckValue(v);
    String t;
    switch (FValueType) {
    case vtFloat: t = FloatToStrF(c, ffFixed, 15, FDecimal); break;
    case vtHex: t = IntToHex(static_cast<long long>(RoundedHex(c)), 1); break;
    default: t = IntToStr(RoundedInteger(c)); break;
    }
    // Only a changed text fires OnChange.
    SetText(t);
}

void TKitSpinEdit::SetValueType(TValueType v) {
    if (FValueType == v) return;
    FValueType = v;
    SetValue(Value());
    if (FValueType != vtFloat) {
        FIncrement = std::nearbyint(FIncrement);
        if (FIncrement == 0) FIncrement = 1;
    }
}

void TKitSpinEdit::SetDecimal(BYTE v) {
    if (FDecimal == v) return;
    FDecimal = v;
    SetValue(Value());
}

void TKitSpinEdit::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    RecreateWnd();
}

void TKitSpinEdit::SetArrowKeys(bool v) {
    FArrowKeys = v;
    ResizeButton();
}

void TKitSpinEdit::SetButtonKind(TSpinButtonKind v) {
    const TSpinButtonKind old = FButtonKind;
    FButtonKind = v;
    const TSpinButtonKind effective = NewStyleControls ? v : bkDiagonal;
    if (effective != old) {
        RecreateButton();
        ResizeButton();
        SetEditRect();
    }
}

void TKitSpinEdit::UpClick(TObject*) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    FChanging = true;
    const String old = Text();
    try {
        SetValue(Value() + FIncrement);
    } catch (...) {
        FChanging = false;
        throw;
    }
    FChanging = false;
    if (!SameTextAscii(old, Text())) {
        SetModified(true);
        Change();
    }
    if (OnTopClick) OnTopClick(this);
}

void TKitSpinEdit::DownClick(TObject*) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    FChanging = true;
    const String old = Text();
    try {
        SetValue(Value() - FIncrement);
    } catch (...) {
        FChanging = false;
        throw;
    }
    FChanging = false;
    if (!SameTextAscii(old, Text())) {
        SetModified(true);
        Change();
    }
    if (OnBottomClick) OnBottomClick(this);
}

void TKitSpinEdit::Change() {
    // Values read from a layout do not fire OnChange, whatever order the layout has.
    if (!FChanging && !ComponentState().Contains(csLoading)) TCustomEdit::Change();
}

bool TKitSpinEdit::IsValidChar(char key) {
    String valid = "+-0123456789";
    const String t = Text();
    if (FValueType == vtFloat) {
        const char sep = DecimalSeparator;
        if (t.find(sep) == String::npos) valid += sep;
        bool hasE = false;
        for (char ch : t) hasE = hasE || ch == 'E' || ch == 'e';
        if (!hasE) valid += "Ee";
    } else if (FValueType == vtHex) {
        valid += "ABCDEFabcdef";
    }
    const auto u = static_cast<unsigned char>(key);
    bool ok = valid.find(key) != String::npos || u < 32;
    // Without the editor only control characters other than backspace pass.
    if (!FEditorEnabled && ok && (u >= 32 || u == 8)) ok = false;
    return ok;
}

void TKitSpinEdit::KeyPress(char& key) {
    if (!IsValidChar(key)) {
        key = 0;
        MessageBeep(0);
    }
    if (key == 0) return;
    TCustomEdit::KeyPress(key);
    if (key == '\r' || key == 27) {
        // The form's default or cancel button acts although the edit is multi-line.
        if (TCustomForm* f = GetParentForm(this)) f->Perform(CM_DIALOGKEY, static_cast<unsigned char>(key), 0);
        if (key == '\r') key = 0;
    }
}

void TKitSpinEdit::KeyDown(WORD& key, TShiftState shift) {
    // Without the editor the Delete key edits nothing (Shift+Del comes as WM_CUT).
    if (!FEditorEnabled && key == VK_DELETE && !(shift & ssShift)) {
        key = 0;
        MessageBeep(0);
        return;
    }
    TCustomEdit::KeyDown(key, shift);
    if (!FArrowKeys) return;
    if (key == VK_UP) {
        UpClick(this);
        key = 0;
    } else if (key == VK_DOWN) {
        DownClick(this);
        key = 0;
    }
}

void TKitSpinEdit::CreateParams(TCreateParams& p) {
    TCustomEdit::CreateParams(p);
    p.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
    const bool rtl = UseRightToLeftAlignment();
    switch (FAlignment) {
    case taRightJustify: p.Style |= rtl ? ES_LEFT : ES_RIGHT; break;
    case taCenter: p.Style |= ES_CENTER; break;
    default: p.Style |= rtl ? ES_RIGHT : ES_LEFT; break;
    }
}

void TKitSpinEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    SetEditRect();
}

int TKitSpinEdit::ButtonWidth() const {
    if (FUpDown) return FUpDown->Width();
    if (FButton) return FButton->Width();
    return DefBtnWidth();
}

void TKitSpinEdit::SetEditRect() {
    if (!HandleAllocated()) return;
    RECT r;
    if (FBiDiMode == bdRightToLeft) r = RECT{ButtonWidth() + 1, 0, ClientWidth() - 1, ClientHeight() + 1};
    else r = RECT{0, 0, ClientWidth() - ButtonWidth() - 2, ClientHeight() + 1};
    SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

int TKitSpinEdit::GetMinHeight() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FFont->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
}

void TKitSpinEdit::RecreateButton() {
    if (FDestroying || ComponentState().Contains(csDestroying)) return;
    delete FButton;
    FButton = nullptr;
    delete FBtnWindow;
    FBtnWindow = nullptr;
    delete FUpDown;
    FUpDown = nullptr;
    if ((NewStyleControls ? FButtonKind : bkDiagonal) == bkStandard) {
        FUpDown = new TKitUpDown(this);
        FUpDown->SetVisible(true);
        FUpDown->SetBounds(0, 0, DefBtnWidth(), FHeight);
        FUpDown->SetAlign(FBiDiMode == bdRightToLeft ? alLeft : alRight);
        FUpDown->SetParent(this);
        FUpDown->OnClick = TUDClickEvent([this](TObject* s, TUDBtnType b) { UpDownClick(s, b); });
    } else {
        FBtnWindow = new TWinControl(this);
        FBtnWindow->SetVisible(true);
        FBtnWindow->SetParent(this);
        FBtnWindow->SetBounds(0, 0, FHeight, FHeight);
        FButton = new TKitSpinButton(this);
        FButton->SetVisible(true);
        FButton->SetFocusControl(this);
        // Bound through the virtual steps, so that descendants' overrides apply.
        FButton->OnTopClick = TNotifyEvent([this](TObject* s) { UpClick(s); });
        FButton->OnBottomClick = TNotifyEvent([this](TObject* s) { DownClick(s); });
        FButton->SetBounds(0, 0, FBtnWindow->Width(), FBtnWindow->Height());
        FButton->SetParent(FBtnWindow);
    }
}

void TKitSpinEdit::ResizeButton() {
    if (FUpDown) {
        FUpDown->SetWidth(DefBtnWidth());
        FUpDown->SetAlign(FBiDiMode == bdRightToLeft ? alLeft : alRight);
    } else if (FButton && FBtnWindow) {
        const bool rtl = FBiDiMode == bdRightToLeft;
        if (NewStyleControls && FCtl3D && BorderStyle() == bsSingle) {
            if (rtl) FBtnWindow->SetBounds(-1, -1, FHeight - 3, FHeight - 3);
            else FBtnWindow->SetBounds(FWidth - FHeight - 1, -1, FHeight - 3, FHeight - 3);
        } else {
            if (rtl) FBtnWindow->SetBounds(0, 0, FHeight, FHeight);
            else FBtnWindow->SetBounds(FWidth - FHeight, 0, FHeight, FHeight);
        }
        FButton->SetBounds(0, 0, FBtnWindow->Width(), FBtnWindow->Height());
    }
}

void TKitSpinEdit::UpDownClick(TObject*, TUDBtnType button) {
    if (TabStop() && CanFocus()) SetFocus();
    if (button == btNext) UpClick(this);
    else DownClick(this);
}

void TKitSpinEdit::WMSize(TMessage& m) {
    TCustomEdit::Dispatch(m);
    const int minHeight = GetMinHeight();
    if (FHeight < minHeight) {
        SetHeight(minHeight);
        return;
    }
    ResizeButton();
    SetEditRect();
}

void TKitSpinEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SIZE: WMSize(m); return;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
        if (!FEditorEnabled || ReadOnly()) return;
        TCustomEdit::Dispatch(m);
        return;
    case CM_EXIT: {
        TCustomEdit::Dispatch(m);
        const long double v = Value();
        if (CheckValue(v) != v) SetValue(v);
        return;
    }
    case CM_ENTER:
        if (AutoSelect() && !(ControlState & csLButtonDown)) SelectAll();
        TCustomEdit::Dispatch(m);
        return;
    case CM_ENABLEDCHANGED:
        TCustomEdit::Dispatch(m);
        if (FUpDown) {
            FUpDown->SetEnabled(FEnabled);
            ResizeButton();
        }
        if (FButton) FButton->SetEnabled(FEnabled);
        return;
    case CM_FONTCHANGED:
    case CM_CTL3DCHANGED:
    case CM_BIDIMODECHANGED:
        TCustomEdit::Dispatch(m);
        ResizeButton();
        SetEditRect();
        return;
    default: TCustomEdit::Dispatch(m); return;
    }
}

void RegisterKitSpin() {
    initKitResources();
    RegisterStandardClasses();
    RegisterClasses<TKitSpinEdit, TKitSpinButton, TKitUpDown>();
}

