// What the picture editor's document needs of the control that shows it and of the editor
// window around it. The document view implements the first; the editor window implements
// the second; the painting tools plug into the third. Every method of the window link has
// a default, so a document works (and is tested) without a window.
#pragma once

#include "classlib/Controls.h"
#include "classlib/System.h"
#include "platform/wintypes.h"

class TChildDocument;

// The tool buttons of the editor's tool bar, one pressed at a time.
enum class TEditorTool { Zoom, Hand, Select, FreeSelect, MagicWand, Pipette, Brush, Clone, Replace, Retouch, Fill,
                         Text, Line, Shape };

// The scroll box and paint box that show the document. Positions and sizes are in view
// (paint-box) pixels.
class TDocumentView {
public:
    virtual ~TDocumentView() = default;
    virtual int ScrollPos(bool horizontal) const = 0;
    virtual void SetScrollPos(bool horizontal, int position) = 0;
    // The extent the scroll bar scrolls over (the paint box's width or height).
    virtual int ScrollRange(bool horizontal) const = 0;
    // The scroll box's outer size and its client size (without shown scroll bars).
    virtual SIZE BoxSize() const = 0;
    virtual SIZE BoxClientSize() const = 0;
    virtual SIZE PaintBoxSize() const = 0;
    virtual void SetPaintBoxSize(int width, int height) = 0;
    // The picture changed: paint it again.
    virtual void PictureChanged() = 0;
    // Only the marks over the picture changed (outline, rubber band, stroke).
    virtual void OverlayChanged() = 0;
    // Takes the mouse for the paint box unless another control holds it; true when taken.
    virtual bool CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    // One of the editor's tool cursors (1 to 18).
    virtual void SetToolCursor(int number) = 0;
};

// The editor window as the document sees it.
class TEditorWindowLink {
public:
    virtual ~TEditorWindowLink() = default;
    // The caption of the window and of its gradient caption.
    virtual void CaptionChanged(const String& caption) {}
    // Panel 0 (coordinates and hints) or 1 (the picture) of the status bar.
    virtual void StatusText(int panel, const String& text) {}
    // The menu-state rules; called after every change of picture, selection, undo or zoom.
    virtual void UpdateMenuItems() {}
    // Index of the zoom box entry to select ("16:1" is 0, "1:1" is 15, "1:16" is 30).
    virtual void ZoomEntryChanged(int index) {}
    // Applies the current zoom again (the window's zoom setter), after a size change.
    virtual void ApplyZoom() {}
    // The colours of the two swatches, as RGB.
    virtual void SwatchesChanged(COLORREF colour1, COLORREF colour2) {}
    // The palette box and colour panel must repaint.
    virtual void PaletteChanged() {}
    // Shows a message box through the application object; returns the answer.
    virtual int MessageBox(const String& text, const String& caption, UINT flags);
    virtual TEditorTool CurrentTool() const { return TEditorTool::Select; }
    // The selection type box: "Rectangle", "Square", "Ellipse", "Circle" (0 to 3).
    virtual int SelectionType() const { return 0; }
    // The tolerance edit (0 to 200), truncated.
    virtual int Tolerance() const { return 25; }
};

// The painting tools: brush, clone, replace, retouch, fill, pipette, text, line and shapes.
// The document hands them the mouse for those tools and for their tool states (1 to 3).
class TPaintToolHandler {
public:
    virtual ~TPaintToolHandler() = default;
    virtual void MouseDown(TChildDocument& Doc, TEditorTool Tool, TMouseButton Button, TShiftState Shift, int X,
                           int Y) = 0;
    // Every mouse move without a drag (for read-outs), and during a drag in tool state 3, or
    // in state 1 or 2 after the document stored the current point (made square when the
    // shape asks for it) and moved the rubber band.
    virtual void MouseMove(TChildDocument& Doc, TShiftState Shift, int X, int Y) = 0;
    // At the end of a drag in tool state 1, 2 or 3.
    virtual void MouseUp(TChildDocument& Doc, TMouseButton Button, TShiftState Shift, int X, int Y) = 0;
};
