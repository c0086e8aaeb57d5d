// The hint window with wide text: a UTF-16 window that paints its wide caption and takes
// the wide hint of marked requests.
#include "widetext/WideControls.h"

#include "platform/gdi.h"

namespace {

UINT readingOrder(const TControl* Control) { return Control->UseRightToLeftReading() ? DT_RTLREADING : 0; }

// The size of a wide text drawn in a font, at most MaxWidth wide (0: one line per break).
RECT measure(TFont* Font, const WideString& Text, int MaxWidth, UINT Flags) {
    RECT r{0, 0, MaxWidth, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font->Handle());
    WideApiDrawText(dc, Text.c_str(), -1, r, DT_CALCRECT | Flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r;
}

}  // namespace

TWideCustomHintWindow::TWideCustomHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}

TWideCustomHintWindow::~TWideCustomHintWindow() {
    // The window goes while the class is still this one.
    Destroying();
    DestroyHandle();
}

void TWideCustomHintWindow::CreateParams(TCreateParams& Params) {
    THintWindow::CreateParams(Params);
    if (PlatformIsXPOrLater()) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TWideCustomHintWindow::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeWindow(this, Params, WideString());
}

void TWideCustomHintWindow::Paint() {
    if (!PlatformHasWideApi()) {
        THintWindow::Paint();
        return;
    }
    if (FActivating) return;
    TCanvas* c = Canvas();
    const RECT all = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(all);
    c->Brush()->SetColor(clInfoText);
    c->FrameRect(all);
    RECT r = all;
    r.left += 2;
    r.top += 2;
    c->Font()->Assign(Font());
    const HDC dc = c->Handle();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    const WideString text = WideGetText(this);
    WideApiDrawText(dc, text.c_str(), -1, r, readingOrder(this) | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
}

void TWideCustomHintWindow::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED && !FActivating && PlatformHasWideApi()) {
        // The window takes the size of its text.
        const RECT r = measure(Font(), WideGetText(this), 0, readingOrder(this) | DT_NOPREFIX);
        SetWidth(static_cast<int>(r.right - r.left) + 6);
        SetHeight(static_cast<int>(r.bottom - r.top) + 6);
    }
    THintWindow::Dispatch(Message);
}

void TWideCustomHintWindow::activate(RECT Rect, const String& AHint, void* AData) {
    FActivating = true;
    try {
        String hint = AHint;
        if (PlatformHasWideApi() && IsWideHintRequest(AData)) {
            const WideString text = WideHintTextOf(*static_cast<THintInfo*>(AData));
            WideSetText(this, text);
            // The class library's activation sets the 8-bit caption: the 8-bit form of the
            // wide one, which then stays.
            hint = WideToAnsi(text);
        }
        THintWindow::ActivateHintData(Rect, hint, AData);
    } catch (...) {
        FActivating = false;
        throw;
    }
    FActivating = false;
    Invalidate();
    Update();
}

void TWideCustomHintWindow::ActivateHint(RECT Rect, const String& AHint) { activate(Rect, AHint, nullptr); }

void TWideCustomHintWindow::ActivateHintData(RECT Rect, const String& AHint, void* AData) {
    activate(Rect, AHint, AData);
}

RECT TWideCustomHintWindow::CalcHintRect(int MaxWidth, const String& AHint, void* AData) {
    if (!PlatformHasWideApi() || !IsWideHintRequest(AData)) return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
    const WideString text = WideHintTextOf(*static_cast<THintInfo*>(AData));
    RECT r = measure(Font(), text, MaxWidth, readingOrder(this) | DT_WORDBREAK | DT_NOPREFIX);
    r.right += 6;
    r.bottom += 2;
    return r;
}
