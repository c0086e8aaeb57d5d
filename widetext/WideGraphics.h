// Wide text on a canvas and the picture of the wide image.
#pragma once

#include "classlib/Graphics.h"
#include "widetext/WideSystem.h"

// Draws a wide text at (X, Y) with the canvas's font, brush and text flags and moves the
// pen to (X + the text's width, Y); a right-to-left canvas (ETO_RTLREADING among its text
// flags) draws from X + width + 1.
void WideCanvasTextOut(TCanvas* Canvas, int X, int Y, const WideString& Text);
SIZE WideCanvasTextExtent(TCanvas* Canvas, const WideString& Text);
int WideCanvasTextWidth(TCanvas* Canvas, const WideString& Text);
int WideCanvasTextHeight(TCanvas* Canvas, const WideString& Text);

// The picture of a wide image.
class TWidePicture : public TPicture {
    Q_OBJECT
public:
    TWidePicture() = default;
};
