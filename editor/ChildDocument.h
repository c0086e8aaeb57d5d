// The picture editor's document: the picture, the zoom, the 1-bit selection mask and its
// outline, the floating selection, the mouse tools' state and three undo steps. It has no
// widgets: the document view (ChildFrame.h) shows it and hands it the mouse; everything
// it needs of the view and of the editor window goes through EditorLinks.h.
//
// The document owns every picture it holds (UniqueDib). A picture of another size or depth
// is installed with ReplacePicture, which ends a floating selection first; commands save a
// step with SaveForUndo before they change anything and call PaintBox1Paint afterwards.
#pragma once

#include "editor/EditorLinks.h"
#include "pixwerk/pixwerk.h"

#include <array>
#include <cstdint>
#include <vector>

inline constexpr const char* EditorOutOfMemoryText = "Error: Not enough memory for this function!!!";
inline constexpr const char* NewDocumentName = "NONAME";

// Free-selection strokes: list A holds the stroke of the free selection tool, list B is
// unused. Points are in view coordinates while the stroke is drawn.
struct TFreeSelPolygons {
    bool Used = false;
    std::vector<std::vector<POINT>> A;
    std::vector<std::vector<POINT>> B;
};

// One undo step: the picture with the selection and the floating selection of that time.
struct TUndoSlot {
    UniqueDib Picture;
    bool SelFlag = false;
    UniqueDib Mask;
    bool FloatFlag = false;
    UniqueDib Background;
    UniqueDib FloatDib;
    UniqueDib FloatMask;
    bool Transparent = false;
    bool UseMask = false;
    POINT FloatHome{0, 0};
};

// A mark drawn over the picture while a tool is dragged: XOR with a white pen.
struct TFeedback {
    enum TKind { None, Line, Rectangle, Ellipse };
    TKind Kind = None;
    POINT A{0, 0}, B{0, 0};  // view coordinates
};

class TChildDocument {
public:
    TChildDocument();
    virtual ~TChildDocument();
    TChildDocument(const TChildDocument&) = delete;
    TChildDocument& operator=(const TChildDocument&) = delete;

    // ---- The links (both may be null) ----
    void SetView(TDocumentView* View) { FView = View; }
    TDocumentView* View() const { return FView; }
    void SetWindowLink(TEditorWindowLink* Link) { FWindow = Link; }
    TEditorWindowLink& Window() const;
    void SetPaintTools(TPaintToolHandler* Tools) { FPaintTools = Tools; }

    // ---- Fields ----
    UniqueDib Dib;
    int Color1 = 0;
    int Color2 = 0;
    int ZoomNum = 1;
    int ZoomDen = 1;
    // Tool state: 0 idle, 1 line, 2 shape, 3 brush stroke, 4 selection shape, 5 free
    // selection, 6 hand scrolling, 98 moving a lifted selection, 99 placing a pasted picture.
    int ToolState = 0;
    bool Dragging = false;   // a mouse drag is in progress
    bool Captured = false;   // the drag took the mouse and must give it back
    int OtherColor = 0;
    int DrawColor = 0;
    POINT StartPoint{0, 0}, PrevPoint{0, 0}, CurPoint{0, 0};  // view coordinates
    bool ReplaceFlag = false;
    int ReplacedColor = 0;
    bool CloneStroke = false, CloneSourceSet = false, CloneFirstTaken = false;
    POINT CloneFirst{0, 0};  // picture coordinates
    POINT ClonePress{0, 0};  // view coordinates
    POINT CloneSource{0, 0};  // picture coordinates
    bool RetouchFlag = false;
    int AntsPhase = 0;
    bool SelActive = false;
    UniqueDib SelMask;
    std::vector<POINT> OutlinePoints;  // picture coordinates
    TFreeSelPolygons FreeSelPolygons;
    RECT SelBounds{0, 0, 0, 0};  // left, top, right, bottom, inclusive
    BYTE ShiftState = 0;         // bit 0 Shift, bit 2 Ctrl
    UniqueDib Background;
    UniqueDib FloatDib;
    UniqueDib FloatMask;
    POINT FloatOffset{0, 0};  // view coordinates, added to the mouse point
    POINT FloatHome{0, 0};    // picture coordinates of the float's top-left, where it was placed
    bool DragActive = false;
    bool FloatTransparent = false;
    bool FloatUseMask = false;
    int UndoCount = 0;
    std::array<TUndoSlot, 3> UndoSlots;  // slot 1 (the oldest) is UndoSlots[0]
    bool KnownFormat = false;
    String DocName = NewDocumentName;
    String DocPath;  // the file the document was opened from or saved to; empty when none
    int DocType = PW_BMP;
    bool Modified = false;
    TFeedback Feedback;
    bool CrossHairShown = false;
    POINT CrossHair{0, 0};  // view coordinates of the clone cross-hair's centre

    int OutlineCount() const { return static_cast<int>(OutlinePoints.size()); }

    // ---- Coordinates (integer multiplication, then division truncating toward zero) ----
    int ViewToPic(int v) const;
    int PicToView(int p) const;
    // The paint box size for the current zoom.
    SIZE ZoomedSize() const;
    static int ZoomBoxIndex(int Num, int Den);

    // ---- Document view ----
    // The picture changed: paint the view again.
    void PaintBox1Paint();
    void ZoomIn(int X, int Y);
    void ZoomOut(int X, int Y);
    // Scrolls by the distance from the hand tool's press point to (X, Y).
    void ScrollByHand(int X, int Y);
    void setcol1(int Value);
    void setcol2(int Value);
    void SplitColor(int Value, int& Red, int& Green, int& Blue) const;
    COLORREF ColorToRGB(int Value) const;
    String CaptionText() const;
    void UpdateCaption();
    // "Picture: W x H x colours - n KByte"; empty without a picture.
    String StatusPictureText() const;
    void ScrollBox1MouseMove(TShiftState Shift, int X, int Y);
    // Installs a picture of any size or depth: ends the floating selection first and gives
    // the document a cleared mask of the new size when the size changed.
    void ReplacePicture(UniqueDib Picture);

    // ---- Mouse and keys (view coordinates) ----
    void PaintBox1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void PaintBox1MouseMove(TShiftState Shift, int X, int Y);
    void PaintBox1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Shift or Ctrl went down or up while the mouse rests over the view.
    void ModifierKeysChanged(TShiftState Shift);
    void StartDrag(int X, int Y);
    // Ends a mouse drag: releases the capture when it was taken.
    void EndDrag();
    // The tool cursor number for the mouse at (X, Y) without a drag.
    int ToolCursor(TEditorTool Tool, TShiftState Shift, int X, int Y) const;

    // ---- Selection mask and outline ----
    void UpdateSelddib();
    // Whether the mask selects the picture pixel under view point (X, Y).
    bool IsSelectedAt(int X, int Y) const;
    // The marching ants' phase advances by one; they are drawn again.
    void Timer1Timer();
    void DrawSelection();
    // Calls Visit(x, y, size, white) for every ant square that meets the view rectangle
    // `Visible` (view coordinates), with the current phase.
    template <class F>
    void ForEachAnt(const RECT& Visible, F&& Visit) const;
    // Every mask bit to 0, the outline gone.
    void ClearSelection();
    // Makes sure the mask exists and has the picture's size (a cleared one otherwise).
    bool EnsureMask();
    void MagicWand(int X, int Y, BYTE Shift);  // picture coordinates
    // A filled rectangle (Shape 0, 1) or ellipse (2, 3) into the mask, picture coordinates.
    void SelectShape(int X1, int Y1, int X2, int Y2, int Shape, BYTE Shift);
    // Fills the free-selection stroke (view coordinates) into the mask.
    void FillFreeSelection(const std::vector<POINT>& Stroke, BYTE Shift);
    static void FreeSel(TFreeSelPolygons& Polygons);

    // ---- Floating selection ----
    void InitDraging(UniqueDib Picture, UniqueDib Mask, bool ResetOffset, int State, bool Transparent, bool UseMask);
    void MakeSelectionDragable();
    // Lifts the selection under the mouse for a move (hand, select, wand, free selection).
    void LiftForMove(int X, int Y);
    // Pastes the floating selection with its top-left at view point (X, Y).
    void DrawDragedDib(int X, int Y, bool Paste, bool Mark);
    // The same at a picture position.
    void PasteFloat(int PX, int PY, bool Paste, bool Mark);
    // Pastes the floating selection at its home without marking (after painting under it).
    void PasteFloatAtHome();
    void FinishDraging();
    // Ends a drag of a floating selection that was not yet placed: a pasted picture is
    // dropped, a lifted one goes back where it came from. Then FinishDraging.
    void EndFloatingState();
    // Copies Background over Dib; false (and nothing copied) when their sizes or depths differ.
    bool RestoreBackground();
    // The picture position of the float's top-left for the mouse at view point (X, Y).
    POINT FloatPosition(int X, int Y) const;
    void MoveFloat(int X, int Y);
    void DropFloat(int X, int Y);

    // ---- Undo ----
    // A full copy of a picture; shows the out-of-memory message when it cannot be made.
    bool MakeDIBCopy(const TDib& Source, UniqueDib& Copy);
    void SaveForUndo();
    void LoadFromUndo();
    void FreeUndoBuffer(int N);

    // ---- For the tools ----
    int ShowMessage(const String& Text, const String& Caption, UINT Flags);
    // "Error: Not enough memory for this function!!!", no caption, error icon.
    void OutOfMemory();
    // The marks over the picture changed (rubber band, stroke, cross-hair, ants).
    void OverlayChanged();
    // The paint box takes the picture's size at the current zoom.
    void SetZoomedPaintBox();

protected:
    void PictureChanged();

private:
    void ZoomAt(int X, int Y, bool In);
    void ScrollTo(int H, int V);
    // The selected pixels of the box SelBounds into a float picture and its mask, with a
    // background picture like Dib; Cut leaves colour 2 behind. False when out of memory.
    bool LiftSelection(UniqueDib& Float, UniqueDib& Mask, UniqueDib& Back, bool Cut);
    void MouseMoveFeedback();
    POINT InsidePaintBox(POINT P) const;
    void FinishFreeSelection(int X, int Y, BYTE Shift);
    void FinishSelectionShape(BYTE Shift);
    bool InitDragingWith(UniqueDib Picture, UniqueDib Mask, UniqueDib Back, bool ResetOffset, int State,
                         bool Transparent, bool UseMask);
    void DiscardFloats();

    TDocumentView* FView = nullptr;
    TEditorWindowLink* FWindow = nullptr;
    TPaintToolHandler* FPaintTools = nullptr;
    // Residue of the float's home lost when it was expressed in view coordinates.
    POINT FFloatResidue{0, 0};
    // First outline point of each mask row scan (rows + 1 entries).
    std::vector<int> FOutlineRowStart;
    bool FFloatLifted = false;  // the float in progress was cut out of the picture
};

// ---- Template ----

template <class F>
void TChildDocument::ForEachAnt(const RECT& Visible, F&& Visit) const {
    if (OutlinePoints.empty()) return;
    const std::int64_t n = ZoomNum, d = ZoomDen, p = AntsPhase;
    // Picture rows that can reach the visible rows; a scan of row y adds points of y and y + 1.
    const std::int64_t rows = static_cast<std::int64_t>(FOutlineRowStart.size()) - 1;
    std::int64_t y0 = (Visible.top * d) / n - 1, y1 = ((Visible.bottom + 1) * d) / n + 1;
    y0 = y0 < 0 ? 0 : y0;
    y1 = y1 > rows ? rows : y1;
    if (y0 >= y1) return;
    const int from = FOutlineRowStart[static_cast<std::size_t>(y0)];
    const int to = FOutlineRowStart[static_cast<std::size_t>(y1)];
    for (int i = from; i < to; ++i) {
        const POINT& q = OutlinePoints[static_cast<std::size_t>(i)];
        const std::int64_t vx = q.x * n / d, vy = q.y * n / d;
        const std::int64_t size = n >= 2 ? n : 1;
        if (vx + size <= Visible.left || vx >= Visible.right || vy + size <= Visible.top || vy >= Visible.bottom)
            continue;
        const bool white = n >= 2 ? (((q.x + p) / 5 + (q.y + p) / 5) & 1) != 0 : (((vx + p) / 5 + vy / 5) & 1) != 0;
        Visit(static_cast<int>(vx), static_cast<int>(vy), static_cast<int>(size), white);
    }
}
