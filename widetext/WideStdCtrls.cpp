// Wide labels and buttons.
#include "widetext/WideStdCtrls.h"

#include "platform/codepage.h"
#include "platform/gdi.h"
#include "widetext/WideActnList.h"
#include "widetext/WideMenus.h"
#include "widetext/WideProperties.h"

bool IsWideCharAccel(WPARAM CharCode, const WideString& Caption) {
    const WideString hot = WideGetHotKey(Caption);
    if (hot.empty() || CharCode == 0) return false;
    // Compared in UTF-16 on both roads: through the 8-bit code page every character it
    // lacks would match a "?".
    return platform::upperUnit(static_cast<char16_t>(CharCode & 0xFFFF)) == platform::upperUnit(hot[0]);
}

// ---- Labels --------------------------------------------------------------------------------

UINT TWideCustomLabel::textFlags() const {
    UINT flags = DT_EXPANDTABS | (WordWrap() ? DT_WORDBREAK : 0);
    if (Alignment() == taRightJustify) flags |= DT_RIGHT;
    else if (Alignment() == taCenter) flags |= DT_CENTER;
    return flags;
}

void TWideCustomLabel::drawOn(HDC DC, RECT& Rect, UINT Flags) {
    WideString text = Caption();
    if ((Flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == u"&"))) text += u' ';
    if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
    if (UseRightToLeftReading()) Flags |= DT_RTLREADING;
    HGDIOBJ oldFont = SelectObject(DC, Font()->Handle());
    const int oldMode = SetBkMode(DC, TRANSPARENT);
    if (!Enabled() && !(Flags & DT_CALCRECT)) {
        OffsetRect(&Rect, 1, 1);
        SetTextColor(DC, ColorToRGB(clBtnHighlight));
        WideApiDrawText(DC, text.c_str(), -1, Rect, Flags);
        OffsetRect(&Rect, -1, -1);
        SetTextColor(DC, ColorToRGB(clBtnShadow));
        WideApiDrawText(DC, text.c_str(), -1, Rect, Flags);
    } else {
        SetTextColor(DC, ColorToRGB(Font()->Color()));
        WideApiDrawText(DC, text.c_str(), -1, Rect, Flags);
    }
    SetBkMode(DC, oldMode);
    SelectObject(DC, oldFont);
}

void TWideCustomLabel::DoDrawText(RECT& Rect, UINT Flags) {
    TCanvas* c = Canvas();
    c->SetFont(Font());
    c->RequiredState();
    drawOn(c->Handle(), Rect, Flags);
}

void TWideCustomLabel::Paint() {
    if (!PlatformHasWideApi()) {
        TCustomLabel::Paint();
        return;
    }
    TCanvas* c = Canvas();
    const RECT r = ClientRect();
    if (!Transparent()) {
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    RECT text = r;
    DoDrawText(text, textFlags());
}

void TWideCustomLabel::AdjustBounds() {
    if (!PlatformHasWideApi()) {
        TCustomLabel::AdjustBounds();
        return;
    }
    if (!AutoSize() || ComponentState().Contains(csLoading)) return;
    HDC dc = GetDC(nullptr);
    if (!dc) return;
    RECT r{0, 0, WordWrap() ? Width() : 0, 0};
    drawOn(dc, r, textFlags() | DT_CALCRECT);
    ReleaseDC(nullptr, dc);
    int x = Left();
    const int w = r.right - r.left;
    if (Alignment() == taRightJustify) x = Left() + Width() - w;
    else if (Alignment() == taCenter) x = Left() + (Width() - w) / 2;
    SetBounds(x, Top(), w, r.bottom - r.top);
}

void TWideCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR:
        if (FocusControl() && Enabled() && ShowAccelChar() && IsWideCharAccel(Message.WParam, Caption()) &&
            FocusControl()->CanFocus()) {
            FocusControl()->SetFocus();
            Message.Result = 1;
            return;
        }
        // Not the class library's 8-bit match: the control's own handling.
        TGraphicControl::Dispatch(Message);
        return;
    case CM_HINTSHOW: ApplyWideHintFix(this, Message); break;
    default: break;
    }
    TCustomLabel::Dispatch(Message);
}

void TWideCustomLabel::DefineProperties(TFiler* Filer) {
    TCustomLabel::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideCustomLabel::ActionChange(TObject* Sender, bool CheckDefaults) {
    WideControl_ActionChange(this, Sender, CheckDefaults);
    TCustomLabel::ActionChange(Sender, CheckDefaults);
}

TBasicActionLink* TWideCustomLabel::CreateActionLink() { return WideControl_CreateActionLink(this); }

// ---- Buttons -------------------------------------------------------------------------------

TWideButton::~TWideButton() {
    // The window goes while the class is still this one.
    Destroying();
    DestroyHandle();
}

void TWideButton::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeWindow(this, Params, u"BUTTON"); }

void TWideButton::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGCHAR) {
        if (IsWideCharAccel(Message.WParam, Caption()) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        // Not the class library's 8-bit match: on to the children.
        TButtonControl::Dispatch(Message);
        return;
    }
    TButton::Dispatch(Message);
}

void TWideButton::DefineProperties(TFiler* Filer) {
    TButton::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideButton::ActionChange(TObject* Sender, bool CheckDefaults) {
    WideControl_ActionChange(this, Sender, CheckDefaults);
    TButton::ActionChange(Sender, CheckDefaults);
}

TBasicActionLink* TWideButton::CreateActionLink() { return WideControl_CreateActionLink(this); }
