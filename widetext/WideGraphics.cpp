// Wide canvas text and the wide picture.
#include "widetext/WideGraphics.h"

#include "platform/codepage.h"

void WideCanvasTextOut(TCanvas* Canvas, int X, int Y, const WideString& Text) {
    if (!Canvas) return;
    Canvas->Changing();
    Canvas->RequiredState();
    const int width = WideCanvasTextWidth(Canvas, Text);
    if (Canvas->TextFlags & ETO_RTLREADING) X += width + 1;
    ExtTextOutW(Canvas->Handle(), X, Y, Canvas->TextFlags, nullptr, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
    Canvas->MoveTo(X + width, Y);
    Canvas->Changed();
}

SIZE WideCanvasTextExtent(TCanvas* Canvas, const WideString& Text) {
    SIZE size{0, 0};
    if (!Canvas) return size;
    Canvas->RequiredState();
    GetTextExtentPoint32W(Canvas->Handle(), Text.c_str(), static_cast<int>(Text.size()), &size);
    return size;
}

int WideCanvasTextWidth(TCanvas* Canvas, const WideString& Text) { return WideCanvasTextExtent(Canvas, Text).cx; }

int WideCanvasTextHeight(TCanvas* Canvas, const WideString& Text) { return WideCanvasTextExtent(Canvas, Text).cy; }
