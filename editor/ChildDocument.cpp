// The document: coordinates, zoom and scrolling, colours, caption and status texts, and the
// mouse handlers that run the view's own tools (zoom, hand, selections, floating selection).
#include "editor/ChildDocument.h"

#include "classlib/Forms.h"
#include "classlib/SysUtils.h"
#include "poster/Pixwerk.h"

#include <algorithm>
#include <cstdlib>

int TEditorWindowLink::MessageBox(const String& text, const String& caption, UINT flags) {
    if (Application) return Application->MessageBox(text, caption, flags);
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

namespace {

TEditorWindowLink& defaultWindow() {
    static TEditorWindowLink link;
    return link;
}

int clampInt(long long v, long long lo, long long hi) { return static_cast<int>(std::max(lo, std::min(v, hi))); }

}  // namespace

TChildDocument::TChildDocument() = default;

TChildDocument::~TChildDocument() {
    if (Captured && FView) FView->ReleaseMouse();
}

TEditorWindowLink& TChildDocument::Window() const { return FWindow ? *FWindow : defaultWindow(); }

int TChildDocument::ShowMessage(const String& Text, const String& Caption, UINT Flags) {
    return Window().MessageBox(Text, Caption, Flags);
}

void TChildDocument::OutOfMemory() { ShowMessage(EditorOutOfMemoryText, "", MB_OK | MB_ICONERROR); }

void TChildDocument::PictureChanged() {
    if (FView) FView->PictureChanged();
}

void TChildDocument::OverlayChanged() {
    if (FView) FView->OverlayChanged();
}

// ---- Coordinates ----

int TChildDocument::ViewToPic(int v) const {
    return static_cast<int>(static_cast<long long>(v) * ZoomDen / ZoomNum);
}

int TChildDocument::PicToView(int p) const {
    return static_cast<int>(static_cast<long long>(p) * ZoomNum / ZoomDen);
}

SIZE TChildDocument::ZoomedSize() const {
    const TDib& d = Dib.get();
    return SIZE{PicToView(DibWidth(d)), PicToView(DibHeight(d))};
}

int TChildDocument::ZoomBoxIndex(int Num, int Den) {
    if (Num >= 2) return 16 - Num;
    if (Den >= 2) return Den + 14;
    return 15;
}

void TChildDocument::SetZoomedPaintBox() {
    if (!FView) return;
    const SIZE s = ZoomedSize();
    FView->SetPaintBoxSize(s.cx, s.cy);
}

// ---- Zoom and scrolling ----

void TChildDocument::ScrollTo(int H, int V) {
    if (!FView) return;
    const int h = clampInt(H, 0, std::max(0, FView->ScrollRange(true) - 1));
    FView->SetScrollPos(true, h);
    const int v = clampInt(V, 0, std::max(0, FView->ScrollRange(false) - 1));
    FView->SetScrollPos(false, v);
}

void TChildDocument::ZoomAt(int X, int Y, bool In) {
    const int px = ViewToPic(X), py = ViewToPic(Y);
    if (In) {
        if (ZoomDen > 1) --ZoomDen;
        else if (ZoomNum < 16) ++ZoomNum;
    } else {
        if (ZoomNum > 1) --ZoomNum;
        else if (ZoomDen < 16) ++ZoomDen;
    }
    SetZoomedPaintBox();
    if (FView) {
        // The point under the mouse comes to the middle of the view.
        const SIZE box = FView->BoxSize();
        ScrollTo(PicToView(px) - box.cx / 2, PicToView(py) - box.cy / 2);
    }
    Window().ZoomEntryChanged(ZoomBoxIndex(ZoomNum, ZoomDen));
    UpdateCaption();
    Window().UpdateMenuItems();
    PictureChanged();
}

void TChildDocument::ZoomIn(int X, int Y) { ZoomAt(X, Y, true); }

void TChildDocument::ZoomOut(int X, int Y) { ZoomAt(X, Y, false); }

void TChildDocument::ScrollByHand(int X, int Y) {
    if (!FView) return;
    const long long h = FView->ScrollPos(true), v = FView->ScrollPos(false);
    const int nh = clampInt(h + PrevPoint.x - X, 0, std::max(0, FView->ScrollRange(true) - 1));
    FView->SetScrollPos(true, nh);
    const int nv = clampInt(v + PrevPoint.y - Y, 0, std::max(0, FView->ScrollRange(false) - 1));
    FView->SetScrollPos(false, nv);
}

void TChildDocument::PaintBox1Paint() { PictureChanged(); }

// ---- Colours ----

void TChildDocument::SplitColor(int Value, int& Red, int& Green, int& Blue) const {
    const TDib& d = Dib.get();
    if (d.Bits && DibColorCount(d) <= 256) {
        const PALETTEENTRY& e = d.Palette.palPalEntry[static_cast<unsigned>(Value) & 0xFFu];
        Red = e.peRed;
        Green = e.peGreen;
        Blue = e.peBlue;
        return;
    }
    Red = Value & 0xFF;
    Green = (Value >> 8) & 0xFF;
    Blue = (Value >> 16) & 0xFF;
}

COLORREF TChildDocument::ColorToRGB(int Value) const {
    int r = 0, g = 0, b = 0;
    SplitColor(Value, r, g, b);
    return RGB(r, g, b);
}

void TChildDocument::setcol1(int Value) {
    Color1 = Value;
    Window().SwatchesChanged(ColorToRGB(Color1), ColorToRGB(Color2));
}

void TChildDocument::setcol2(int Value) {
    Color2 = Value;
    Window().SwatchesChanged(ColorToRGB(Color1), ColorToRGB(Color2));
}

// ---- Texts ----

String TChildDocument::CaptionText() const {
    return "Tessellon: Chromalde - " + DocName + (Modified ? "*" : "") + " [" + IntToStr(ZoomNum) + ":" +
           IntToStr(ZoomDen) + "]";
}

void TChildDocument::UpdateCaption() { Window().CaptionChanged(CaptionText()); }

String TChildDocument::StatusPictureText() const {
    const TDib& d = Dib.get();
    if (!d.Bits || !d.Info) return String();
    return "Picture: " + IntToStr(DibWidth(d)) + " x " + IntToStr(DibHeight(d)) + " x " + IntToStr(DibColorCount(d)) +
           " - " + IntToStr(static_cast<unsigned>(d.Info->bmiHeader.biSizeImage / 1024)) + " KByte";
}

void TChildDocument::ScrollBox1MouseMove(TShiftState, int, int) { Window().StatusText(1, StatusPictureText()); }

// ---- Replacing the picture ----

void TChildDocument::ReplacePicture(UniqueDib Picture) {
    EndFloatingState();
    const TDib& old = Dib.get();
    const bool sameSize = DibWidth(old) == DibWidth(Picture.get()) && DibHeight(old) == DibHeight(Picture.get());
    Dib = std::move(Picture);
    if (!sameSize) {
        SelMask.reset();
        EnsureMask();
        OutlinePoints.clear();
        FOutlineRowStart.clear();
        SelActive = false;
    }
    UpdateSelddib();
    SetZoomedPaintBox();
    Window().PaletteChanged();
    PictureChanged();
}

// ---- Mouse ----

void TChildDocument::StartDrag(int X, int Y) {
    Dragging = true;
    StartPoint = PrevPoint = CurPoint = POINT{X, Y};
    if (!Captured && FView && FView->CaptureMouse()) Captured = true;
}

void TChildDocument::EndDrag() {
    Dragging = false;
    if (Captured) {
        Captured = false;
        if (FView) FView->ReleaseMouse();
    }
}

void TChildDocument::PaintBox1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    ShiftState = static_cast<BYTE>(Shift & 0xFF);
    if (Button == mbLeft) {
        DrawColor = Color1;
        OtherColor = Color2;
    } else {
        DrawColor = Color2;
        OtherColor = Color1;
    }
    if (ToolState == 99 && Dragging) {
        DropFloat(X, Y);
        return;
    }
    const TEditorTool tool = Window().CurrentTool();
    const bool plain = (ShiftState & (ssShift | ssCtrl)) == 0;
    switch (tool) {
    case TEditorTool::Zoom:
        if (Button == mbLeft) ZoomIn(X, Y);
        else if (Button == mbRight) ZoomOut(X, Y);
        return;
    case TEditorTool::Hand:
        // Scrolling changes nothing: only a move of the selection is a step to undo.
        if (IsSelectedAt(X, Y)) {
            SaveForUndo();
            LiftForMove(X, Y);
        } else {
            ToolState = 6;
            StartDrag(X, Y);
        }
        return;
    case TEditorTool::Select:
    case TEditorTool::MagicWand:
    case TEditorTool::FreeSelect:
        SaveForUndo();
        if (plain && IsSelectedAt(X, Y)) {
            LiftForMove(X, Y);
            return;
        }
        FinishDraging();
        if (tool == TEditorTool::Select) {
            ToolState = 4;
            StartDrag(X, Y);
        } else if (tool == TEditorTool::MagicWand) {
            MagicWand(ViewToPic(X), ViewToPic(Y), ShiftState);
            PictureChanged();
        } else {
            ToolState = 5;
            FreeSel(FreeSelPolygons);
            FreeSelPolygons.Used = true;
            FreeSelPolygons.A.assign(1, {});
            StartDrag(X, Y);
        }
        return;
    default:
        if (FPaintTools) FPaintTools->MouseDown(*this, tool, Button, Shift, X, Y);
        return;
    }
}

POINT TChildDocument::InsidePaintBox(POINT P) const {
    if (!FView) return P;
    const SIZE s = FView->PaintBoxSize();
    return POINT{std::clamp<LONG>(P.x, 0, std::max<LONG>(0, s.cx - 1)), std::clamp<LONG>(P.y, 0, std::max<LONG>(0, s.cy - 1))};
}

void TChildDocument::MouseMoveFeedback() {
    POINT a = StartPoint, b = CurPoint;
    const bool shapes = ToolState == 2 || ToolState == 4;
    const int type = Window().SelectionType();
    if (ToolState == 4) b = InsidePaintBox(b);  // the selection's rubber band stays inside
    Feedback.A = a;
    Feedback.B = b;
    if (ToolState == 1) Feedback.Kind = TFeedback::Line;
    else if (shapes) Feedback.Kind = type >= 2 ? TFeedback::Ellipse : TFeedback::Rectangle;
    PrevPoint = CurPoint;
    OverlayChanged();
}

void TChildDocument::PaintBox1MouseMove(TShiftState Shift, int X, int Y) {
    const String picture = StatusPictureText();
    Window().StatusText(1, picture.empty() ? picture : picture + "    ");
    const int px = ViewToPic(X), py = ViewToPic(Y);
    if (Dragging && (ToolState == 1 || ToolState == 2 || ToolState == 4)) {
        const long long w = static_cast<long long>(std::llabs(static_cast<long long>(X) - StartPoint.x)) * ZoomDen /
                                ZoomNum + 1;
        const long long h = static_cast<long long>(std::llabs(static_cast<long long>(Y) - StartPoint.y)) * ZoomDen /
                                ZoomNum + 1;
        Window().StatusText(0, "( " + IntToStr(ViewToPic(StartPoint.x)) + " , " + IntToStr(ViewToPic(StartPoint.y)) +
                                   " ) - >( " + IntToStr(px) + " , " + IntToStr(py) + " ) = ( " + IntToStr(w) +
                                   " x " + IntToStr(h) + " )");
    } else {
        Window().StatusText(0, "( " + IntToStr(px) + " , " + IntToStr(py) + " )");
    }
    if (!Dragging) {
        CurPoint = POINT{X, Y};
        if (FPaintTools) FPaintTools->MouseMove(*this, Shift, X, Y);
        if (FView) FView->SetToolCursor(ToolCursor(Window().CurrentTool(), Shift, X, Y));
        return;
    }
    CurPoint = POINT{X, Y};
    switch (ToolState) {
    case 3:
        if (FPaintTools) FPaintTools->MouseMove(*this, Shift, X, Y);
        return;
    case 5: {
        if (FreeSelPolygons.A.empty()) FreeSelPolygons.A.emplace_back();
        FreeSelPolygons.A.front().push_back(InsidePaintBox(POINT{X, Y}));
        OverlayChanged();
        return;
    }
    case 6: ScrollByHand(X, Y); return;
    case 98:
    case 99: MoveFloat(X, Y); return;
    case 1:
    case 2:
    case 4: {
        const int type = Window().SelectionType();
        if (ToolState != 1 && (type == 1 || type == 3)) {
            // Square and circle: the shorter side decides, towards the mouse.
            const long long dx = static_cast<long long>(X) - StartPoint.x, dy = static_cast<long long>(Y) - StartPoint.y;
            if (std::llabs(dx) < std::llabs(dy))
                CurPoint.y = static_cast<LONG>(StartPoint.y + (dy < 0 ? -std::llabs(dx) : std::llabs(dx)));
            else
                CurPoint.x = static_cast<LONG>(StartPoint.x + (dx < 0 ? -std::llabs(dy) : std::llabs(dy)));
        }
        MouseMoveFeedback();
        if (ToolState != 4 && FPaintTools) FPaintTools->MouseMove(*this, Shift, X, Y);
        return;
    }
    default: return;
    }
}

void TChildDocument::PaintBox1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!Dragging) return;
    // A picture being placed is dropped by a press: the release of the press that brought
    // it (the text tool's) must not end its placement.
    if (ToolState == 99) return;
    EndDrag();
    const bool hadFeedback = Feedback.Kind != TFeedback::None;
    Feedback = TFeedback{};
    const int state = ToolState;
    switch (state) {
    case 98: DropFloat(X, Y); break;
    case 6: ScrollByHand(X, Y); break;
    case 5: FinishFreeSelection(X, Y, static_cast<BYTE>(Shift & 0xFF)); break;
    case 4: FinishSelectionShape(static_cast<BYTE>(Shift & 0xFF)); break;
    case 1:
    case 2:
    case 3:
        if (FPaintTools) FPaintTools->MouseUp(*this, Button, Shift, X, Y);
        break;
    default: break;
    }
    ToolState = 0;
    if (hadFeedback) OverlayChanged();
}

void TChildDocument::ModifierKeysChanged(TShiftState Shift) {
    if (Dragging || !FView) return;
    FView->SetToolCursor(ToolCursor(Window().CurrentTool(), Shift, CurPoint.x, CurPoint.y));
}

int TChildDocument::ToolCursor(TEditorTool Tool, TShiftState Shift, int X, int Y) const {
    const bool shift = (Shift & ssShift) != 0, ctrl = (Shift & ssCtrl) != 0;
    switch (Tool) {
    case TEditorTool::Zoom: return 2;
    case TEditorTool::Hand: return 1;
    case TEditorTool::Line: return 5;
    case TEditorTool::Shape: return 6;
    case TEditorTool::Select:
        if (IsSelectedAt(X, Y)) return 1;
        return shift ? 15 : ctrl ? 16 : 7;
    case TEditorTool::FreeSelect:
        if (IsSelectedAt(X, Y)) return 1;
        return shift ? 17 : ctrl ? 18 : 8;
    case TEditorTool::MagicWand:
        if (IsSelectedAt(X, Y)) return 1;
        return shift ? 13 : ctrl ? 14 : 11;
    case TEditorTool::Fill: return 12;
    case TEditorTool::Pipette: return 9;
    case TEditorTool::Text: return 10;
    default: return 3;
    }
}

void TChildDocument::FinishSelectionShape(BYTE Shift) {
    ShiftState = Shift;
    const int x1 = ViewToPic(StartPoint.x), y1 = ViewToPic(StartPoint.y);
    const int x2 = ViewToPic(CurPoint.x - 1), y2 = ViewToPic(CurPoint.y - 1);
    SelectShape(x1, y1, x2, y2, Window().SelectionType(), Shift);
    PictureChanged();
}

void TChildDocument::FinishFreeSelection(int X, int Y, BYTE Shift) {
    ShiftState = Shift;
    if (FreeSelPolygons.A.empty()) FreeSelPolygons.A.emplace_back();
    FreeSelPolygons.A.front().push_back(InsidePaintBox(POINT{X, Y}));
    const std::vector<POINT> stroke = FreeSelPolygons.A.front();
    FillFreeSelection(stroke, Shift);
    FreeSel(FreeSelPolygons);
    FreeSelPolygons.Used = false;
    PictureChanged();
}
