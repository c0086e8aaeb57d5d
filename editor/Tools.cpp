// The painting tools' mouse handling: which tool does what on press, move and release, the
// pipette, the fill, the line and shape tools and the clone cross-hair.
#include "editor/Tools.h"

#include "editor/ChildDocument.h"
#include "editor/PixelRows.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using editor::PixelRows;

namespace {

TToolLink& defaultLink() {
    static TToolLink link;
    return link;
}

int clampTo(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

}  // namespace

TToolOptions ClampedOptions(const TToolOptions& o) {
    TToolOptions c = o;
    c.LineWidth = clampTo(o.LineWidth, 1, 100);
    c.ShapeStyle = clampTo(o.ShapeStyle, 0, 1);
    c.CloneMode = clampTo(o.CloneMode, 0, 1);
    c.RetouchMode = clampTo(o.RetouchMode, 0, 3);
    c.FillStyle = clampTo(o.FillStyle, 0, 5);
    c.Direction = clampTo(o.Direction, 0, 7);
    c.BrushForm = clampTo(o.BrushForm, 0, 5);
    c.Size = clampTo(o.Size, 1, 200);
    c.Hardness = clampTo(o.Hardness, 0, 100);
    c.Density = clampTo(o.Density, 1, 100);
    c.Transparency = clampTo(o.Transparency, 0, 100);
    return c;
}

TToolLink& TPaintTools::Link() const { return FLink ? *FLink : defaultLink(); }

void TPaintTools::Message(TChildDocument& Doc, const char* Text, const char* Caption, UINT Flags) {
    const String text = Text, caption = Caption;
    Link().Defer([&Doc, text, caption, Flags] { Doc.ShowMessage(text, caption, Flags); });
}

// ---- Mouse ----

void TPaintTools::MouseDown(TChildDocument& Doc, TEditorTool Tool, TMouseButton Button, TShiftState Shift, int X,
                            int Y) {
    FStroke = ClampedOptions(Link().Options());
    const int px = Doc.ViewToPic(X), py = Doc.ViewToPic(Y);
    switch (Tool) {
    case TEditorTool::Text:
        Link().Defer([this, &Doc] { TextClick(Doc); });
        return;
    case TEditorTool::Brush:
        Doc.SaveForUndo();
        Doc.ReplaceFlag = false;
        Doc.ToolState = 3;
        Doc.StartDrag(X, Y);
        break;
    case TEditorTool::Clone:
        if (Shift & ssShift) {
            Doc.CloneSource = POINT{px, py};
            Doc.CloneSourceSet = true;
            Doc.CloneFirstTaken = false;
            return;
        }
        if (!Doc.CloneSourceSet) {
            Message(Doc, "You must select a starting point, by clicking with pressed shift key on the picture!",
                    "Error: no starting point!", MB_OK | MB_ICONERROR);
            return;
        }
        if (!Doc.CloneFirstTaken) {
            Doc.CloneFirst = POINT{px, py};
            Doc.CloneFirstTaken = true;
        }
        Doc.ClonePress = POINT{X, Y};
        Doc.CloneStroke = true;
        Doc.SaveForUndo();
        Doc.ToolState = 3;
        Doc.StartDrag(X, Y);
        break;
    case TEditorTool::Replace:
        Doc.ReplaceFlag = true;
        Doc.ReplacedColor = Doc.OtherColor;
        Doc.SaveForUndo();
        Doc.ToolState = 3;
        Doc.StartDrag(X, Y);
        break;
    case TEditorTool::Retouch:
        if (DibBitCount(Doc.Dib.get()) != 24) {
            Message(Doc, "You can use this tools only with Truecolor pictures with 24 bits per pixel!", "Note!",
                    MB_OK | MB_ICONINFORMATION);
            return;
        }
        Doc.RetouchFlag = true;
        Doc.SaveForUndo();
        Doc.ToolState = 3;
        Doc.StartDrag(X, Y);
        break;
    case TEditorTool::Line:
        Doc.SaveForUndo();
        Doc.ToolState = 1;
        Doc.StartDrag(X, Y);
        return;
    case TEditorTool::Shape:
        Doc.SaveForUndo();
        Doc.ToolState = 2;
        Doc.StartDrag(X, Y);
        return;
    case TEditorTool::Pipette: {
        const TDib& d = Doc.Dib.get();
        if (!d.Bits || px < 0 || py < 0 || px >= DibWidth(d) || py >= DibHeight(d)) return;
        const int v = getpixel(d, px, py);
        if (Button == mbLeft) Doc.setcol1(v);
        else if (Button == mbRight) Doc.setcol2(v);
        return;
    }
    case TEditorTool::Fill: Fill(Doc, px, py); return;
    default: return;
    }
    if (Doc.ToolState == 3) {
        Doc.CurPoint = POINT{X, Y};
        Stroke(Doc, X, Y);
    }
}

void TPaintTools::Stroke(TChildDocument& Doc, int X, int Y) {
    BrushLine(Doc, Doc.ViewToPic(Doc.StartPoint.x), Doc.ViewToPic(Doc.StartPoint.y), Doc.ViewToPic(X),
              Doc.ViewToPic(Y), Doc.DrawColor);
    Doc.StartPoint = POINT{X, Y};
    Doc.PaintBox1Paint();
    if (Doc.CloneStroke) ShowCrossHair(Doc, X, Y);
}

void TPaintTools::ShowCrossHair(TChildDocument& Doc, int X, int Y) {
    const POINT reference =
        FStroke.CloneMode == 0 ? POINT{Doc.PicToView(Doc.CloneFirst.x), Doc.PicToView(Doc.CloneFirst.y)} : Doc.ClonePress;
    Doc.CrossHair = POINT{Doc.PicToView(Doc.CloneSource.x) + (X - reference.x),
                          Doc.PicToView(Doc.CloneSource.y) + (Y - reference.y)};
    Doc.CrossHairShown = true;
    Doc.OverlayChanged();
}

void TPaintTools::Readout(TChildDocument& Doc, int X, int Y) {
    const TDib& d = Doc.Dib.get();
    const int px = Doc.ViewToPic(X), py = Doc.ViewToPic(Y);
    if (!d.Bits || px < 0 || py < 0 || px >= DibWidth(d) || py >= DibHeight(d)) return;
    const int v = getpixel(d, px, py);
    Link().ColourReadout(Doc.ColorToRGB(v), DibBitCount(d) == 24 ? -1 : v);
}

void TPaintTools::MouseMove(TChildDocument& Doc, TShiftState, int X, int Y) {
    if (Doc.Window().CurrentTool() == TEditorTool::Pipette) Readout(Doc, X, Y);
    if (Doc.Dragging && Doc.ToolState == 3) Stroke(Doc, X, Y);
}

void TPaintTools::MouseUp(TChildDocument& Doc, TMouseButton, TShiftState Shift, int X, int Y) {
    switch (Doc.ToolState) {
    case 3:
        BrushLine(Doc, Doc.ViewToPic(Doc.StartPoint.x), Doc.ViewToPic(Doc.StartPoint.y), Doc.ViewToPic(Doc.CurPoint.x),
                  Doc.ViewToPic(Doc.CurPoint.y), Doc.DrawColor);
        Doc.StartPoint = POINT{X, Y};
        if (Doc.CrossHairShown) {
            Doc.CrossHairShown = false;
            Doc.OverlayChanged();
        }
        Doc.PaintBox1Paint();
        Doc.ReplaceFlag = Doc.CloneStroke = Doc.RetouchFlag = false;
        break;
    case 1:
    case 2:
        Doc.ShiftState = static_cast<BYTE>(Shift & 0xFF);
        FinishLineOrShape(Doc);
        break;
    default: break;
    }
}

// ---- Line and shapes ----

void TPaintTools::DrawThickLine(const TDib& P, int X1, int Y1, int X2, int Y2, int Width, int Colour) {
    const double dx = static_cast<double>(X2) - X1, dy = static_cast<double>(Y2) - Y1;
    double a;
    if (std::fabs(dy) <= std::fabs(dx)) a = dx == 0 ? 45.0 : dy * 45.0 / dx;
    else a = 90.0 - dx * 45.0 / dy;
    const double rad = a * 3.14159265358979323846 / 180.0;
    const double sa = std::sin(rad), ca = std::cos(rad);
    int lo = (-Width) / 2;
    const int hi = Width / 2;
    if (hi - lo + 1 > Width) ++lo;
    auto offset = [&](int i) {
        return POINT{static_cast<LONG>(std::nearbyint(sa * i)), static_cast<LONG>(std::nearbyint(ca * i))};
    };
    POINT prev = offset(lo);
    for (int i = lo; i <= hi; ++i) {
        const POINT o = offset(i);
        line(P, X1 - o.x, Y1 + o.y, X2 - o.x, Y2 + o.y, Colour);
        line(P, X1 - prev.x, Y1 + o.y, X2 - prev.x, Y2 + o.y, Colour);
        line(P, X1 - o.x, Y1 + prev.y, X2 - o.x, Y2 + prev.y, Colour);
        prev = o;
    }
}

void TPaintTools::FinishLineOrShape(TChildDocument& Doc) {
    const int x1 = Doc.ViewToPic(Doc.StartPoint.x), y1 = Doc.ViewToPic(Doc.StartPoint.y);
    const int x2 = Doc.ViewToPic(Doc.CurPoint.x - 1), y2 = Doc.ViewToPic(Doc.CurPoint.y - 1);
    // Under a floating selection the background takes the drawing, when it matches the picture.
    const bool underFloat = Doc.DragActive && Doc.FloatDib && PixelRows(Doc.Background.get()).sameShape(PixelRows(Doc.Dib.get()));
    const TDib P = underFloat ? Doc.Background.get() : Doc.Dib.get();
    const int c = Doc.DrawColor;
    if (Doc.ToolState == 1) {
        DrawThickLine(P, x1, y1, x2, y2, FStroke.LineWidth, c);
    } else {
        const bool filled = FStroke.ShapeStyle == 1;
        if (Doc.Window().SelectionType() >= 2) (filled ? FilledEllipse : ellipse)(P, x1, y1, x2, y2, c);
        else (filled ? recht_filled : rechteck)(P, x1, y1, x2, y2, c);
    }
    if (underFloat) Doc.PasteFloatAtHome();
    Doc.PaintBox1Paint();
}

// ---- Fill ----

namespace {

// The sample in the document's format: a copy for the same depth above 8 bits, else each
// pixel the nearest palette entry (or the colour itself for a true-colour document).
UniqueDib convertSample(const TDib& pattern, const TDib& doc) {
    UniqueDib out;
    const PixelRows src(pattern);
    if (!src.valid()) return out;
    const int bits = DibBitCount(doc);
    const int colours = DibColorCount(doc);
    newdib(out.out(), src.width(), src.height(), bits, colours <= 256 ? doc.Info : nullptr,
           colours <= 256 ? colours : 0);
    const PixelRows dst(out.get());
    if (!dst.valid()) return out;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const int v = src.get(x, y);
            if (src.bitCount() > 8 && bits > 8) {
                dst.put(x, y, v);
                continue;
            }
            COLORREF rgb;
            if (src.bitCount() <= 8) {
                const RGBQUAD& q = pattern.Info->bmiColors[v];
                rgb = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
            } else {
                rgb = static_cast<COLORREF>(v);
            }
            if (bits > 8) dst.put(x, y, static_cast<int>(rgb & 0xFFFFFF));
            else dst.put(x, y, static_cast<int>(GetNearestPaletteIndex(doc.PalHandle, rgb)));
        }
    DibPixelsChanged(out.get());
    return out;
}

}  // namespace

void TPaintTools::Fill(TChildDocument& Doc, int X, int Y) {
    const TDib& d = Doc.Dib.get();
    if (!d.Bits) return;
    const TDib* pattern = Link().Pattern();
    const bool havePattern = pattern && pattern->Bits;
    if (FStroke.FillStyle == 1 && !havePattern) {
        Message(Doc, "You must select a sample!", "", MB_OK | MB_ICONERROR);
        return;
    }
    UniqueDib sample;
    if (havePattern) {
        sample = convertSample(*pattern, d);
        if (!sample) {
            Doc.OutOfMemory();
            return;
        }
    }
    UniqueDib work;
    newdib(work.out(), DibWidth(d), DibHeight(d), 1, nullptr, 0);
    if (!work) {
        Doc.OutOfMemory();
        return;
    }
    Doc.SaveForUndo();
    const TDib& target = Doc.Dib.get();
    filldib(target, X, Y, Doc.DrawColor, Doc.OtherColor, Doc.Window().Tolerance(), Doc.SelMask.get(),
            Doc.SelActive ? 1 : 0, work.get(), FStroke.FillStyle, FStroke.Direction, sample.get());
    Doc.PaintBox1Paint();
}
